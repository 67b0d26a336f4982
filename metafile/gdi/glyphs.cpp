// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/glyphs.h"

#include "text/greylevels.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintEngine>

#include <array>
#include <cstring>

namespace metafile::gdi {

namespace {

// The share of the text's colour a pixel takes, by the glyph's coverage of it (0 to 255).
std::array<int, 256> coverageShares()
{
    std::array<int, 256> shares {};
    for (size_t coverage = 0; coverage < shares.size(); ++coverage)
        shares[coverage] = 255 - text::smoothedGlyphGreys[(coverage * 16 + 128) / 256];
    return shares;
}

// `under` moved toward `ink` by share / 255, each channel rounded half away from zero.
QRgb blended(QRgb under, const std::array<int, 4> &ink, int share)
{
    const std::array<int, 4> from {qRed(under), qGreen(under), qBlue(under), qAlpha(under)};
    std::array<int, 4> out {};
    for (size_t c = 0; c < out.size(); ++c) {
        const int towards = (ink[c] - from[c]) * share;
        out[c] = from[c] + (towards + (towards >= 0 ? 127 : -127)) / 255;
    }
    return qRgba(out[0], out[1], out[2], out[3]);
}

// Whether eight coverage bytes from `coverage` are all zero.
bool eightEmpty(const uchar *coverage)
{
    quint64 eight = 0;
    std::memcpy(&eight, coverage, sizeof eight);
    return eight == 0;
}

// The part of `mask` with any coverage, in its pixels; empty when there is none.
QRect inkedPart(const QImage &mask)
{
    const int width = mask.width();
    QRect inked;
    for (int y = 0; y < mask.height(); ++y) {
        const uchar *row = mask.constScanLine(y);
        int first = 0;
        while (first + 8 <= width && eightEmpty(row + first))
            first += 8;
        while (first < width && row[first] == 0)
            ++first;
        if (first == width)
            continue;
        int last = width - 1;
        while (row[last] == 0)
            --last;
        inked |= QRect(first, y, last - first + 1, 1);
    }
    return inked;
}

} // namespace

quint32 singleGlyph(const QRawFont &face, const QString &text)
{
    if (!face.isValid() || text.size() != 1 || !face.supportsCharacter(text.front()))
        return 0;
    const QList<quint32> glyphs = face.glyphIndexesForString(text);
    return glyphs.size() == 1 ? glyphs.front() : 0;
}

double naturalAdvance(const QFontMetricsF &metrics, const QRawFont &face, const QString &text)
{
    if (const quint32 glyph = singleGlyph(face, text))
        return face.advancesForGlyphIndexes(QList<quint32> {glyph}).front().x();
    return metrics.horizontalAdvance(text);
}

void GlyphDrawer::draw(QPainter &painter, const QString &text) const
{
    // Only on pixels: recording devices (the frame's measure, vector output) keep the
    // text as text, and measure a glyph run's box otherwise.
    const QPaintEngine *engine = painter.paintEngine();
    const quint32 glyph = engine && engine->type() == QPaintEngine::Raster ? singleGlyph(m_face, text) : 0;
    if (glyph != 0) {
        QGlyphRun run;
        run.setRawFont(m_face);
        run.setGlyphIndexes({glyph});
        run.setPositions({QPointF(0, 0)});
        painter.drawGlyphRun(QPointF(0, 0), run);
        return;
    }
    painter.drawText(QPointF(0, 0), text);
}

GreyGlyphs::GreyGlyphs(QPainter &painter, QImage &canvas, const QRectF &deviceBox)
    : m_painter(painter)
    , m_canvas(canvas)
{
    QRect area = deviceBox.toAlignedRect() & canvas.rect();
    if (painter.hasClipping())
        area &= painter.combinedTransform().mapRect(painter.clipBoundingRect()).toAlignedRect();
    m_area = area;
    if (m_area.isEmpty())
        return;
    m_mask = QImage(m_area.size(), QImage::Format_Alpha8);
    m_mask.fill(0);
    m_maskPainter.begin(&m_mask);
    m_maskPainter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    m_maskPainter.setPen(Qt::black);
}

void GreyGlyphs::add(const QFont &font, const GlyphDrawer &drawer, const QString &text)
{
    if (!m_maskPainter.isActive())
        return;
    m_maskPainter.setFont(font);
    m_maskPainter.setTransform(m_painter.combinedTransform()
                               * QTransform::fromTranslate(-m_area.left(), -m_area.top()));
    drawer.draw(m_maskPainter, text);
}

void GreyGlyphs::finish(const QColor &color)
{
    if (!m_maskPainter.isActive())
        return;
    m_maskPainter.end();
    // Only the part the glyphs cover is taken from the canvas and put back: the box has an
    // em to spare all round.
    const QRect inked = inkedPart(m_mask);
    if (inked.isEmpty())
        return;
    const QRect area = inked.translated(m_area.topLeft());
    // Premultiplied, so that a canvas with transparent parts takes the text as it would
    // take any opaque drawing.
    QImage pixels = m_canvas.copy(area);
    // An opaque canvas's pixels are premultiplied already: their alpha is all 0xFF.
    if (pixels.format() == QImage::Format_RGB32)
        pixels.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    else
        pixels.convertTo(QImage::Format_ARGB32_Premultiplied);
    // Much of the part lies between the glyphs, where the mask is empty: it is passed over
    // eight pixels at a time.
    static const std::array<int, 256> shares = coverageShares();
    const std::array<int, 4> ink {color.red(), color.green(), color.blue(), 255};
    const QRgb solid = qRgba(ink[0], ink[1], ink[2], ink[3]);
    const int width = pixels.width();
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar *coverage = m_mask.constScanLine(inked.top() + y) + inked.left();
        auto *row = reinterpret_cast<QRgb *>(pixels.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (x + 8 <= width && eightEmpty(coverage + x)) {
                x += 7;
                continue;
            }
            const int share = shares[coverage[x]];
            if (share == 255)
                row[x] = solid; // what blended() gives at a full share, the ink itself
            else if (share != 0)
                row[x] = blended(row[x], ink, share);
        }
    }
    m_painter.save();
    m_painter.resetTransform();
    m_painter.setWorldTransform(m_painter.deviceTransform().inverted());
    m_painter.setCompositionMode(QPainter::CompositionMode_Source);
    m_painter.drawImage(area.topLeft(), pixels);
    m_painter.restore();
}

} // namespace metafile::gdi
