// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// GDI+'s text: DrawString lays a string out in a box, DrawDriverString puts glyphs at
// given places.
//
// Fonts: a font object's family goes through the font map (text/fontmap.h) as a GDI font
// of that face would, so that both layers of a file draw in the same stand-in faces. Its
// size is an em in its unit (world units, or points, pixels, inches ... measured in page
// units); bold, italic, underline and strike-out come from its style.
//
// Text space: a QFont at a whole pixel size near the em as drawn, laid out in its own
// pixels; the painter maps them through a scale (to the em in world units) and the world
// to device transform, so turned and stretched text is drawn as the transform says.
//
// DrawString: lines of the box's width (wrapped at word boundaries unless the format says
// NoWrap or the box has no width), GDI+'s margin of a sixth of the em on either side, each
// line aligned near, centred or far, the lines aligned in the box's height, and clipped to
// the box unless the format says NoClip. Lines follow one another by the face's line
// spacing (ascent, descent and line gap).
//
// DrawDriverString: characters (with the cmap lookup option) or glyph indices, which only
// faces in the standard glyph order can draw (as for ETO_GLYPH_INDEX), each at its own
// position, or from the first position on by their advances (the realized advance option).

#include "gdi/pluspaintcontext.h"

#include <QBrush>
#include <QFont>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <optional>
#include <vector>

namespace metafile::gdi {

// DrawDriverString's glyphs: characters or glyph indices, and their places (world units).
struct DriverGlyphs
{
    quint32 options = 0; // cmap lookup 1, vertical 2, realized advance 4
    std::vector<quint16> glyphs;
    std::vector<QPointF> positions;
    std::optional<QTransform> transform;
};

class PlusTextPainter
{
public:
    explicit PlusTextPainter(const PlusPaintContext &paint) : m_paint(paint) { }

    // `format`: a string format object's slot; another value means GDI+'s default format.
    void drawString(int font, const plus::BrushRef &brush, quint32 format, const QRectF &layout, const QString &text);
    void drawDriverString(int font, const plus::BrushRef &brush, const DriverGlyphs &glyphs);

private:
    // A font object as drawn: the QFont, and world units per pixel of it.
    struct TextFont
    {
        QFont font;
        double worldPerPixel = 1;
        bool standardGlyphs = false; // glyph indices of the face name standard glyphs
        bool symbols = false; // a symbol face: private-use characters take the font map's mapping
        int symbolMapping = 0;
    };
    [[nodiscard]] std::optional<TextFont> fontFor(int font, const QTransform &toDevice) const;
    [[nodiscard]] std::optional<QBrush> brushFor(const plus::BrushRef &brush, const QTransform &toText) const;
    // Prepares the surface (GDI+'s clip, cut to `box` in device pixels when given) and the
    // painter's transform for text space; false when nothing is to be drawn.
    [[nodiscard]] bool prepare(const TextFont &font, const QTransform &toDevice,
                               const std::optional<QPainterPath> &box);

    PlusPaintContext m_paint;
};

} // namespace metafile::gdi
