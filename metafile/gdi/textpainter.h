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
// Run space: x runs along the baseline and y down across it, in device pixels of the
// picture at its own aspect ratio. The run transform turns it by the escapement, stretches
// it with the picture (stretch()) and moves it to the reference point. GDI sizes a font
// by the vertical scale alone and keeps each glyph's natural width, so the text of a
// picture drawn at another aspect ratio runs too long or too short on GDI; here the glyphs
// stretch with the picture, while each run and each glyph of a spacing array starts where
// GDI puts it (a centred or right-aligned run keeps its aligned edge on the reference point).
//
// As on GDI: the em is a whole number of device pixels, advances are whole device pixels,
// ascent and descent are the face's Windows metrics, the escapement turns counter-clockwise
// as seen on the page whichever way the mapping points its axes, and ROP2 does not apply to
// text or to its background.

#include "gdi/drawcalls.h"
#include "gdi/paintcontext.h"
#include "text/fontmap.h"

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
    double stretch = 1; // how much wider than its own aspect ratio the picture is drawn
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
public:
    explicit TextPainter(const PaintContext &paint) : m_paint(paint) { }

    void draw(const TextRun &text);

private:
    void drawUpright(const TextRun &text);
    [[nodiscard]] std::optional<RunLayout> layout(const TextRun &text) const;
    [[nodiscard]] RunPlacement place(const TextRun &text, const RunLayout &layout);
    void paint(const TextRun &text, const RunLayout &layout, const RunPlacement &placement);
    [[nodiscard]] double stretch() const;

    PaintContext m_paint;
};

} // namespace metafile::gdi
