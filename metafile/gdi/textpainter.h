// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Text runs (TEXTOUT, EXTTEXTOUT) placed the way GDI places them.
//
// Data flow: TextRun (reference point, bytes, spacing array, rectangle, options) -> layout:
// the selected LogFont becomes a FontChoice at the map's vertical scale (fontmap.h), the bytes
// become characters of the font's character set (charset.h), glyphs get their places in run
// space -> placement: the alignment and the run transform -> painting: background, glyphs,
// underline and strike-out.
//
// Run space: x runs along the baseline and y down across it, in pixels of the em's scale.
// The run transform turns it, shapes it and moves it to the reference point, by the graphics
// mode the run is drawn in:
// - compatible (GM_COMPATIBLE, every Windows Metafile): run space is device pixels of the
//   picture at its own aspect ratio, turned by the escapement on the device and stretched
//   with the picture (stretch()). GDI sizes a font by the vertical scale alone and keeps
//   each glyph's natural width and upright shape whatever the world transform, so the text
//   of a picture drawn at another aspect ratio runs too long or too short on GDI; here the
//   glyphs stretch with the picture, while each run and each glyph of a spacing array starts
//   where GDI puts it (a centred or right-aligned run keeps its aligned edge on the
//   reference point).
// - advanced (GM_ADVANCED, the mode GDI plays enhanced metafiles in): the run goes through
//   the whole world-to-device transform as any shape does. The escapement turns the baseline
//   and the orientation each glyph in logical space; the transform then squeezes, stretches,
//   shears, turns or mirrors glyphs and spacing alike. Run space is logical space scaled by
//   the device length of a logical unit across the baseline (runFrame()).
//
// As on GDI: the em is a whole number of device pixels, advances are whole device pixels,
// ascent and descent are the face's Windows metrics, the escapement turns counter-clockwise
// as seen on the page whichever way the mapping points its axes, and ROP2 does not apply to
// text or to its background.

#include "core/boundedcache.h"
#include "gdi/drawcalls.h"
#include "gdi/paintcontext.h"
#include "text/fontmap.h"

#include <QRawFont>
#include <QString>
#include <QTransform>

#include <optional>
#include <vector>

namespace metafile::gdi {

struct Glyph
{
    QString text;
    double x = 0; // run space, from the run's start
};

struct RunLayout
{
    text::FontChoice choice;
    std::vector<Glyph> glyphs;
    double width = 0; // run space
    double stretch = 1; // device pixels along the baseline per unit of run space
    QTransform shape; // run space to device pixels about the reference point
    double glyphTurn = 0; // degrees each glyph turns beyond the baseline, counter-clockwise
};

// A laid-out run with its place: `start` is the run-space point of the first glyph's
// origin; `run` maps run space to device pixels.
struct RunPlacement
{
    QPointF start;
    double ascent = 0; // device pixels
    double descent = 0;
    QTransform run;
};

class TextPainter
{
    static constexpr qsizetype kMaxCachedFaces = 64;

public:
    explicit TextPainter(const PaintContext &paint) : m_paint(paint) { }

    void draw(const TextRun &text);

private:
    [[nodiscard]] std::optional<RunLayout> layout(const TextRun &text) const;
    [[nodiscard]] RunPlacement place(const TextRun &text, const RunLayout &layout);
    void paint(const TextRun &text, const RunLayout &layout, const RunPlacement &placement);
    [[nodiscard]] double stretch() const;
    [[nodiscard]] const QRawFont &face(const QFont &font) const;

    PaintContext m_paint;
    // The faces runs are measured and drawn with, by font: making one costs more than
    // drawing most runs, and a picture's runs share a few fonts.
    mutable core::BoundedCache<QString, QRawFont> m_faces {kMaxCachedFaces};
};

} // namespace metafile::gdi
