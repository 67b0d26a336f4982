// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "canvas.h"

#include "canvassize.h"
#include "renderpicture.h"
#include "twips.h"

#include <QPaintEvent>
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
    m_shown = QImage();
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
    m_shown = QImage();
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

// Only the part of the canvas that shows in the window is drawn: a canvas of thousands of
// pixels a side lies mostly outside it, and its whole image would take gigabytes.
void Canvas::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    const QRect inner = contentsRect();
    const QRect shown = visibleRegion().boundingRect() & inner;
    if (!shown.intersects(event->rect()))
        return;
    const QRect part = shown.translated(-inner.topLeft());
    if (m_shown.isNull() || m_shownPart != part) {
        m_shown = renderPictureRegion(m_picture, inner.size(), part); // null when it cannot be allocated
        m_shownPart = part;
    }
    QPainter painter(this);
    if (!m_shown.isNull())
        painter.drawImage(shown.topLeft(), m_shown);
}
