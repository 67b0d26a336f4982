// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Drawing a run's glyphs one by one (textpainter.h): each as its glyph where it can be, and
// smoothed ones through GDI's grey levels.

#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QRect>
#include <QString>

class QFontMetricsF;

namespace metafile::gdi {

// The index of the glyph `face` draws `text` with, when that is a single character the face
// holds; 0 otherwise.
quint32 singleGlyph(const QRawFont &face, const QString &text);

// A glyph's own advance in the face's pixels. Text shaping gives some characters none (a soft
// hyphen), which GDI advances by as by any other, and costs far more than the glyph's advance.
double naturalAdvance(const QFontMetricsF &metrics, const QRawFont &face, const QString &text);

// Draws a glyph's text at the origin. Qt shapes the text of every drawText() call anew, which
// is most of what a text record costs, and glyphs are placed one by one here: a single
// character the face holds is drawn as its glyph straight away. Clusters, and characters the
// face lacks (which Qt takes from a fallback face), are shaped as before.
class GlyphDrawer
{
public:
    explicit GlyphDrawer(const QRawFont &face) : m_face(face) { }

    void draw(QPainter &painter, const QString &text) const;

private:
    const QRawFont &m_face;
};

// Smoothed glyphs drawn through GDI's grey levels: their coverage is gathered in a mask over
// the run's box on the canvas, cut to sixteenths, and each pixel moves from the canvas's
// colour toward the text's by its level's share. Needs the canvas image the painter draws on.
class GreyGlyphs
{
public:
    GreyGlyphs(QPainter &painter, QImage &canvas, const QRectF &deviceBox);
    GreyGlyphs(const GreyGlyphs &) = delete;
    GreyGlyphs &operator=(const GreyGlyphs &) = delete;
    ~GreyGlyphs() = default;

    // A glyph as the painter would draw it with its present transform.
    void add(const QFont &font, const GlyphDrawer &drawer, const QString &text);
    // Blends the gathered glyphs onto the canvas, through the painter's clip.
    void finish(const QColor &color);

private:
    QPainter &m_painter;
    QImage &m_canvas;
    QRect m_area; // canvas pixels
    QImage m_mask;
    QPainter m_maskPainter;
};

} // namespace metafile::gdi
