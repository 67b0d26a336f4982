#pragma once

// The graphics objects a metafile creates and the device context it draws with, as
// plain values. Colours stay raw COLORREFs until they are drawn, because a
// PALETTEINDEX colour means whatever the palette selected at drawing time says.

#include "logfont.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRegion>
#include <QRgb>
#include <QSizeF>

#include <optional>
#include <variant>

namespace wmf {

using ColorRef = quint32; // 0x00BBGGRR; high byte 1: palette index, 2: palette-relative RGB

namespace gdi {
// Pen styles (low nibble), end caps and joins.
constexpr quint16 PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5,
                  PS_INSIDEFRAME = 6, PS_STYLE_MASK = 0x000F;
constexpr quint16 PS_ENDCAP_SQUARE = 0x0100, PS_ENDCAP_FLAT = 0x0200, PS_ENDCAP_MASK = 0x0F00;
constexpr quint16 PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000, PS_JOIN_MASK = 0xF000;
// Brush styles and hatches.
constexpr quint16 BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2, BS_PATTERN = 3, BS_DIBPATTERN = 5, BS_DIBPATTERNPT = 6;
constexpr quint16 HS_HORIZONTAL = 0, HS_VERTICAL = 1, HS_FDIAGONAL = 2, HS_BDIAGONAL = 3, HS_CROSS = 4,
                  HS_DIAGCROSS = 5;
// Map modes.
constexpr int MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5, MM_TWIPS = 6,
              MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8;
// Binary raster operations of SETROP2.
constexpr int R2_BLACK = 1, R2_NOP = 11, R2_COPYPEN = 13, R2_WHITE = 16;
// Background modes, fill modes, text alignment.
constexpr int TRANSPARENT = 1, OPAQUE = 2;
constexpr int ALTERNATE = 1, WINDING = 2;
constexpr quint16 TA_UPDATECP = 0x0001, TA_RIGHT = 0x0002, TA_CENTER = 0x0006, TA_HORZ_MASK = 0x0006,
                  TA_BOTTOM = 0x0008, TA_BASELINE = 0x0018, TA_VERT_MASK = 0x0018, TA_RTLREADING = 0x0100;
// Colour usage of DIBs.
constexpr quint16 DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1;
} // namespace gdi

struct Pen
{
    quint16 style = gdi::PS_SOLID; // style | end cap | join
    qint16 width = 0; // logical units along x; 0 is one device pixel
    ColorRef color = 0;
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

using GdiObject = std::variant<Pen, Brush, LogFont, Palette, Region>;

// Everything SAVEDC keeps and RESTOREDC brings back.
struct DeviceContext
{
    Pen pen;
    Brush brush;
    LogFont font = stockSystemFont();
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
    QPointF position; // current position, logical units

    int mapMode = gdi::MM_TEXT;
    QPointF windowOrg;
    QSizeF windowExt {1, 1};
    QPointF viewportOrg;
    QSizeF viewportExt {1, 1};

    // Clip region in device pixels (relative to the picture's target origin); nothing
    // means the whole target.
    std::optional<QRegion> clip;
};

} // namespace wmf
