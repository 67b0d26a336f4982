// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The canvas: a picture box with a two-pixel sunken border whose picture is drawn
// stretched to fill its inner area. Its width and height are held in twips as single
// precision numbers; its pixel size follows from them. Image() is the inner area rendered
// to a bitmap exactly as it is shown.

#include "canvassize.h"
#include "picture.h"

#include <QFrame>
#include <QImage>

class Canvas : public QFrame
{
    Q_OBJECT

public:
    static constexpr int borderPixels = canvasBorderPixels;

    explicit Canvas(QWidget *parent = nullptr);

    const Picture &picture() const { return m_picture; }
    void setPicture(Picture picture);

    float Width() const { return m_widthTwips; }
    float Height() const { return m_heightTwips; }
    void setWidth(float twips);
    void setHeight(float twips);
    void Move(float left, float top, float width, float height);

    // The inner area's size in pixels for an outer size in twips.
    static QSize innerPixels(double widthTwips, double heightTwips);

    // The inner area as drawn: white where the picture leaves it blank.
    QImage Image() const;

    // The inner area's size in pixels: the size of Image(), which a caller that saves a huge
    // canvas draws a band at a time instead (bandedsave.h).
    QSize imageSize() const { return contentsRect().size(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void applySize();

    Picture m_picture;
    float m_widthTwips = 0;
    float m_heightTwips = 0;
    float m_leftTwips = 0;
    float m_topTwips = 0;
    mutable QImage m_rendered; // the picture drawn at the current inner size, made on demand
    QImage m_shown; // the part of it that shows in the window, drawn for painting
    QRect m_shownPart; // where m_shown lies in the inner area
};
