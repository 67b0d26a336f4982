// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A CREATEFONTINDIRECT font (LogFont) becomes a QFont of an installed face and the few
// numbers the player needs to draw it the way GDI sizes and turns it.
//
// Face: the face itself where it is installed; otherwise the common Windows faces go to
// their metric-compatible Liberation faces (Arial -> Liberation Sans and so on), symbol faces
// to an installed symbol font, and every other face to Liberation Serif, Sans or Mono by the
// family and pitch bits, as GDI's font mapper picks by those bits.
//
// Size: the player turns the font's logical height into device pixels with the map's
// vertical scale, pixelsPerUnit = |m22| of the window-to-device transform (device pixels per
// logical unit on the y axis, taken as a magnitude: text stays upright whichever way the
// y axis points). fontForLogFont() works out the em height from it (GDI: a negative height
// is the em height, a positive one the cell height, ascent plus descent) and returns a QFont
// at a whole pixel size close to it plus the transform that makes up the rest, so sizes are
// exact at any scale: the text painter scales each glyph by choice.scale (and
// choice.horizontalScale along the baseline). Advances from QFontMetricsF(choice.font) are in
// the font's own pixels: multiply them by choice.scale * choice.horizontalScale for device
// pixels.

#include "text/charset.h"
#include "text/logfont.h"

#include <QFont>
#include <QString>
#include <QTransform>

namespace metafile::text {

// The cell height GDI gives a font of height 0, in device pixels (GDI does not scale it with
// the mapping). The player passes it scaled to the output instead: the text of a picture
// drawn at 4x must be 4x larger, so for a picture in MM_TEXT units this is 16 logical units.
constexpr double kDefaultCellHeight = 16.0;

// Em heights beyond this (device pixels) are clamped: no output is this large, and a clamp
// keeps absurd heights and scales from reaching the font engine.
constexpr double kMaxEmPixels = 32768.0;
// Text with a smaller em leaves no ink; it is not drawn (and its transform stays invertible).
constexpr double kMinEmPixels = 1.0 / 64;
// The font engine is asked for at most this pixel size; the glyph transform scales beyond.
constexpr int kMaxEnginePixelSize = 2048;

namespace fontfamily {
constexpr quint8 DontCare = 0x00;
constexpr quint8 Roman = 0x10;
constexpr quint8 Swiss = 0x20;
constexpr quint8 Modern = 0x30;
constexpr quint8 Script = 0x40;
constexpr quint8 Decorative = 0x50;
constexpr quint8 FixedPitch = 0x01;
} // namespace fontfamily

struct FontChoice
{
    QFont font; // face, weight, italic, underline, strike-out; whole pixel size
    double emPixels = 0; // the em height to draw, device pixels (0: nothing to draw)
    double scale = 1; // emPixels / font.pixelSize()
    double horizontalScale = 1; // the LogFont's width as a factor of the face's natural width
    double rotation = 0; // degrees, counter-clockwise on the page (the escapement)
    // Whether GDI smooths the glyphs at this size (grey edges); otherwise it draws them
    // bi-level on the pixel grid: at every size for NONANTIALIASED_QUALITY, and wherever the
    // face's gasp table leaves out grey (Arial and its stand-in from 9 to 17 pixels).
    bool smoothed = true;
    // Whether GDI fits smoothed glyphs to the pixel grid by the face's hints at this size, as
    // the gasp table asks (Arial above 17 pixels); bi-level glyphs are always fitted.
    bool fitted = true;
    SymbolMapping symbols = SymbolMapping::PrivateUse; // how SYMBOL_CHARSET bytes are decoded

    // GDI's vertical metrics of the face (usWinAscent, usWinDescent), fractions of the em.
    double ascent = 0.9;
    double descent = 0.2;
    bool isDrawable() const { return emPixels > 0; }
};

// The face a LogFont asks for, its name decoded from the font's character set.
QString requestedFace(const LogFont &logFont);

// The installed family for a LogFont (needs a QGuiApplication).
QString familyForLogFont(const LogFont &logFont);

// Whether the face a LogFont names keeps its first 258 glyphs in the standard Macintosh order
// on Windows, so that glyph indices recorded with it name known characters: the Monotype
// faces Windows ships for Arial, Times New Roman and Courier New, and the names Windows
// substitutes them for.
bool hasStandardGlyphOrder(const LogFont &logFont);

// defaultCellPixels: the cell height for a height of 0, device pixels (see kDefaultCellHeight).
// gridPixelsPerUnit: the scale at which GDI picks grey or bi-level glyphs (FontChoice::smoothed),
// where that is not pixelsPerUnit; 0 for pixelsPerUnit.
FontChoice fontForLogFont(const LogFont &logFont, double pixelsPerUnit, double defaultCellPixels = kDefaultCellHeight,
                          double gridPixelsPerUnit = 0);

} // namespace metafile::text
