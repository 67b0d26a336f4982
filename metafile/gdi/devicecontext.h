// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The graphics objects a metafile creates and the device context it draws with, as
// plain values. Colours stay raw COLORREFs until they are drawn, because a
// PALETTEINDEX colour means whatever the palette selected at drawing time says.

#include "gdi/gdi.h"
#include "gdi/mapping.h"
#include "text/logfont.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRegion>
#include <QRgb>
#include <QSizeF>

#include <optional>
#include <variant>

namespace metafile::gdi {

struct Pen
{
    quint16 style = gdi::PS_SOLID; // style | end cap | join
    qint16 width = 0; // logical units along x; 0 is one device pixel
    ColorRef color = 0;
    // PS_USERSTYLE (extended pens): dash and gap lengths, alternately, from a dash; logical
    // units for a geometric pen, style units of the device for a cosmetic one.
    QList<quint32> userStyle;
};

struct Brush
{
    quint16 style = gdi::BS_SOLID;
    ColorRef color = 0xFFFFFF;
    quint16 hatch = 0;
    // Pattern brushes, decoded when created: the tile in its own colours (Format_RGB32),
    // and for a monochrome Bitmap16 (BS_PATTERN) its bits (Format_Mono), which take the
    // text and background colours in force when the brush draws, as on GDI.
    QImage pattern;
    QImage patternBits;
};

struct Palette
{
    QList<QRgb> entries;
};

struct Region
{
    QRegion region; // in the units the record gives
};

using GdiObject = std::variant<Pen, Brush, text::LogFont, Palette, Region>;

// The path a BEGINPATH ... ENDPATH bracket records, in device pixels. While the bracket is
// open, shapes go into it instead of being drawn; once it is closed the path waits for the
// record that fills, strokes, clips with or discards it.
struct PathBracket
{
    QPainterPath path;
    bool open = false; // between BEGINPATH and ENDPATH
    bool exists = false; // begun, and not yet drawn, used as a clip or aborted
    QPointF figureStart; // logical units: where CLOSEFIGURE takes the current position back to
};

// Everything SAVEDC keeps and RESTOREDC brings back: as on GDI, this includes the arc
// direction, the meta region and the path.
struct DeviceContext
{
    Pen pen;
    Brush brush;
    text::LogFont font = text::stockSystemFont();
    Palette palette; // the selected palette; empty means the system's default colours
    ColorRef textColor = 0;
    ColorRef bkColor = 0xFFFFFF;
    int bkMode = gdi::OPAQUE;
    quint16 textAlign = 0;
    int textCharExtra = 0;
    int breakExtra = 0;
    int breakCount = 0;
    int rop2 = gdi::R2_COPYPEN;
    int polyFillMode = gdi::ALTERNATE;
    int stretchBltMode = 1;
    int arcDirection = gdi::AD_COUNTERCLOCKWISE;
    // How far a mitred join may reach: the length from its inner to its outer corner, in
    // pen widths, past which GDI bevels it (SETMITERLIMIT; 10 by default).
    double miterLimit = 10;
    QPointF position; // current position, logical units
    // SETLAYOUT: with gdi::LAYOUT_RTL the mapping's device transform mirrors the target,
    // text runs from its reference point the other way, and blits are mirrored unless
    // gdi::LAYOUT_BITMAPORIENTATIONPRESERVED.
    quint32 layout = 0;
    // gdi::GM_COMPATIBLE or gdi::GM_ADVANCED: how text goes through the mapping
    // (textpainter.h) and whether rectangles take in their right and bottom edges
    // (ShapePainter::rectangle). GDI plays an enhanced metafile in the advanced mode; a text
    // record's own mode holds for that record.
    int graphicsMode = gdi::GM_COMPATIBLE;

    Mapping mapping;

    // The clip region and the meta region (SETMETARGN), in device pixels relative to the
    // picture's target origin; nothing means no such region. What is drawn stays inside
    // both (see Clipping).
    std::optional<QRegion> clip;
    std::optional<QRegion> metaRegion;

    PathBracket path;

    // The modes GDI checks: a value it does not know leaves the mode as it was.
    void setBkMode(int mode);
    void setRop2(int mode);
    void setPolyFillMode(int mode);
    void setArcDirection(int direction);
};

// The colour a COLORREF stands for: a palette index looks up the selected palette (the
// 20 system colours while none is selected), anything else is its RGB value.
QColor colorOf(ColorRef ref, const Palette &palette);

// The context's polygon fill mode as Qt's fill rule.
Qt::FillRule fillRule(const DeviceContext &dc);

// What a binary raster operation (SETROP2) makes of a colour drawn with a pen or brush:
// R2_BLACK and R2_WHITE draw black and white; the others draw the colour and combine it
// with the canvas in the painter (see Surface).
QColor withRop2(const QColor &color, int rop2);

} // namespace metafile::gdi
