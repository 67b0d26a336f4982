// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "line.h"

#include "twips.h"

#include <QPainter>

Line::Line(QWidget *parent, double x1, double y1, double x2, double y2, QColor colour, int widthPixels)
    : QWidget(parent)
    , m_twips(x1, y1, x2, y2)
    , m_colour(colour)
    , m_width(widthPixels)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    const QLine pixels(twipsToPixelsX(x1), twipsToPixelsY(y1), twipsToPixelsX(x2), twipsToPixelsY(y2));
    // The widget covers the line's bounding box (whose corners are both inside it) widened to
    // the line's width, so that it paints nothing else: a 1-pixel line is 1 pixel thick.
    setGeometry(QRect(pixels.p1(), pixels.p2()).normalized().adjusted(0, 0, m_width - 1, m_width - 1));
}

void Line::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_colour);
    painter.drawRect(rect());
}
