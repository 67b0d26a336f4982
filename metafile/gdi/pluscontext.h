// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The state GDI+ keeps while it plays EMF+, beside GDI's DeviceContext: one plain value that
// the Save and BeginContainer records push and Restore and EndContainer bring back.
//
// Coordinates go from world units through the world transform into page units, through the
// page transform (page unit and scale, measured at the EMF+ header's resolution) into pixels
// of the container, through the container transforms into pixels of the recording device,
// and through the EMF's device transform (the frame fitted onto the target) into pixels of
// the picture drawn. EMF+ pixels are the recording device's pixels, as the GDI records'
// are, so both layers of a file land on the same pixels.

#include <QPainterPath>
#include <QPoint>
#include <QSizeF>
#include <QTransform>

#include <optional>

namespace metafile::gdi {

namespace plus {

// UnitType: what the page transform, a pen's width, a font's size or a container's
// rectangles are measured in.
enum Unit : quint32 {
    UnitWorld = 0,
    UnitDisplay = 1,
    UnitPixel = 2,
    UnitPoint = 3,
    UnitInch = 4,
    UnitDocument = 5,
    UnitMillimeter = 6,
};

// How the clip records combine a shape with the clip.
enum CombineMode : quint32 { Replace = 0, Intersect = 1, Union = 2, Xor = 3, Exclude = 4, Complement = 5 };

// Pixels of the recording device in one `unit` at `dpi` dots per inch; world and display
// units count as pixels.
double pixelsPer(quint32 unit, double dpi);

} // namespace plus

struct PlusContext
{
    QTransform world; // world units to page units
    quint32 pageUnit = plus::UnitDisplay;
    double pageScale = 1;
    // Page pixels to the recording device's pixels: the containers begun so far.
    QTransform container;
    // Where drawing may go, in pixels of the picture drawn (nothing: everywhere), and the
    // part of it the innermost container began with, which ResetClip returns to.
    std::optional<QPainterPath> clip;
    std::optional<QPainterPath> containerClip;

    bool antiAlias = false; // SetAntiAliasMode's flag
    quint8 textHint = 0; // TextRenderingHint: 1 and 2 draw text without smoothing
    quint8 pixelOffset = 0; // PixelOffsetMode: 2 and 4 put pixel centres at .5
    quint8 compositing = 0; // CompositingMode: 1 copies the source over the canvas
    quint8 interpolation = 0; // InterpolationMode: 5 takes the nearest pixel
    QPoint renderingOrigin; // device pixels: where hatch brushes start
};

} // namespace metafile::gdi
