// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "canvas.h"

#include "canvassize.h"
#include "renderpicture.h"
#include "twips.h"

#include <QPainter>

Canvas::Canvas(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setLineWidth(borderPixels);
    setFocusPolicy(Qt::TabFocus);
    setAutoFillBackground(false);
}

void Canvas::setPicture(Picture picture)
{
    m_picture = std::move(picture);
    m_rendered = QImage();
    update();
}

void Canvas::setWidth(float twips)
{
    m_widthTwips = twips;
    applySize();
}

void Canvas::setHeight(float twips)
{
    m_heightTwips = twips;
    applySize();
}

void Canvas::Move(float left, float top, float width, float height)
{
    m_leftTwips = left;
    m_topTwips = top;
    m_widthTwips = width;
    m_heightTwips = height;
    applySize();
}

QSize Canvas::innerPixels(double widthTwips, double heightTwips)
{
    return canvasInnerPixels(widthTwips, heightTwips, Screen::TwipsPerPixelX(), Screen::TwipsPerPixelY());
}

void Canvas::applySize()
{
    setGeometry(twipsToPixelsX(m_leftTwips), twipsToPixelsY(m_topTwips), twipsToPixelsX(m_widthTwips),
                twipsToPixelsY(m_heightTwips));
    m_rendered = QImage();
}

QImage Canvas::Image() const
{
    const QSize size = contentsRect().size();
    if (size.isEmpty())
        return {};
    if (m_rendered.size() != size)
        m_rendered = renderPicture(m_picture, size); // null when the pixels could not be allocated
    return m_rendered;
}

void Canvas::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QImage image = Image();
    if (!image.isNull())
        painter.drawImage(contentsRect().topLeft(), image);
}
