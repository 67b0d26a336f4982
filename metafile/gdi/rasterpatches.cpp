// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/rasterpatches.h"

#include <algorithm>
#include <iterator>

namespace metafile::gdi {

bool PatchBook::rasterOnly(quint64 step) const { return std::binary_search(m_steps.begin(), m_steps.end(), step); }

std::vector<const PatchPiece *> PatchBook::piecesAt(quint64 step) const
{
    std::vector<const PatchPiece *> pieces;
    const auto [from, to] = m_pieces.equal_range(step);
    for (auto it = from; it != to; ++it)
        pieces.push_back(&it->second);
    return pieces;
}

// Each band's play marks the same steps; the book keeps every step once.
void PatchBook::addSteps(const std::vector<quint64> &steps)
{
    std::vector<quint64> merged;
    merged.reserve(m_steps.size() + steps.size());
    std::set_union(m_steps.begin(), m_steps.end(), steps.begin(), steps.end(), std::back_inserter(merged));
    m_steps = std::move(merged);
}

void PatchBook::addPiece(quint64 firstStep, PatchPiece piece) { m_pieces.emplace(firstStep, std::move(piece)); }

QImage changedPixels(const QImage &before, const QImage &after, QRect *changed)
{
    *changed = QRect();
    if (before.size() != after.size() || before.format() != after.format() || before.depth() != 32)
        return {};
    int top = after.height();
    int bottom = -1;
    int left = after.width();
    int right = -1;
    for (int y = 0; y < after.height(); ++y) {
        const auto *was = reinterpret_cast<const QRgb *>(before.constScanLine(y));
        const auto *is = reinterpret_cast<const QRgb *>(after.constScanLine(y));
        if (std::equal(is, is + after.width(), was))
            continue;
        top = std::min(top, y);
        bottom = y;
        for (int x = 0; x < after.width(); ++x) {
            if (is[x] != was[x]) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    if (bottom < 0)
        return {};
    *changed = QRect(QPoint(left, top), QPoint(right, bottom));
    QImage piece(changed->size(), QImage::Format_ARGB32_Premultiplied);
    if (piece.isNull()) {
        *changed = QRect();
        return {};
    }
    for (int y = 0; y < piece.height(); ++y) {
        const auto *was = reinterpret_cast<const QRgb *>(before.constScanLine(top + y)) + left;
        const auto *is = reinterpret_cast<const QRgb *>(after.constScanLine(top + y)) + left;
        auto *out = reinterpret_cast<QRgb *>(piece.scanLine(y));
        for (int x = 0; x < piece.width(); ++x)
            out[x] = is[x] != was[x] ? (is[x] | 0xFF000000u) : 0u;
    }
    return piece;
}

PatchRecorder::PatchRecorder(PatchBook &book, const QImage &canvas, QPoint offset)
    : m_book(book)
    , m_canvas(canvas)
    , m_offset(offset)
{ }

PatchRecorder::~PatchRecorder() { finish(); }

void PatchRecorder::beginStep(bool rasterOnly, const QRect &clip)
{
    ++m_step;
    m_stepMarked = false;
    // A run goes on through raster-only steps that draw inside what it keeps.
    if (m_run && !(rasterOnly && m_run->area.contains(clip & m_canvas.rect())))
        closeRun();
    if (rasterOnly)
        markRasterOnly(clip);
}

void PatchRecorder::markRasterOnly(const QRect &clip)
{
    if (m_stepMarked || m_finished)
        return;
    m_stepMarked = true;
    m_steps.push_back(m_step);
    const QRect area = clip & m_canvas.rect();
    if (m_run && m_run->area.contains(area))
        return;
    closeRun();
    m_run = Run {m_step, area, m_canvas.copy(area)};
}

void PatchRecorder::closeRun()
{
    if (!m_run)
        return;
    const Run run = std::move(*m_run);
    m_run.reset();
    if (run.area.isEmpty())
        return;
    QRect changed;
    QImage pixels = changedPixels(run.before, m_canvas.copy(run.area), &changed);
    if (!changed.isEmpty())
        m_book.addPiece(run.first, PatchPiece {changed.topLeft() + run.area.topLeft() - m_offset, std::move(pixels)});
}

void PatchRecorder::finish()
{
    if (m_finished)
        return;
    closeRun();
    m_book.addSteps(m_steps);
    m_finished = true;
}

} // namespace metafile::gdi
