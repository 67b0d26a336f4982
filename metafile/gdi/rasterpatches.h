// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Raster patches: what only pixels can express, carried over to a painter that keeps the
// drawing as shapes (SVG, PDF). GDI draws on pixels, and a few of its drawings read them back:
// the binary raster operations that combine a pen or brush with the canvas, the ternary ones
// of the blits, flood fills, and the pass that closes the seam between abutting fills. A vector
// painter cannot read what lies beneath, so a picture bound for one is played twice:
//
// 1. on a canvas image at the output's resolution, as usual, with a PatchRecorder noting each
//    drawing (a step: one Surface::prepare() each, counted from 1) that only pixels can
//    express, and keeping, for each run of such steps, the pixels they changed;
// 2. on the vector painter, where those steps draw nothing and the first of each run draws its
//    pieces instead, exactly where they were, so the rest of the picture stays shapes.
//
// Plays are deterministic, so the steps of the two agree. A piece holds only the pixels its run
// changed (the rest transparent), which keeps the shapes beneath and around it as they are. A
// large canvas may be recorded a band at a time: each band's play adds its pieces to the book.

#include <QImage>
#include <QPoint>
#include <QRect>

#include <map>
#include <optional>
#include <vector>

namespace metafile::gdi {

// One rectangle of changed pixels, in the picture's device pixels (the target's top-left is 0, 0).
struct PatchPiece
{
    QPoint at;
    QImage pixels; // ARGB32 premultiplied: opaque where the run changed the canvas, else clear
};

class PatchBook
{
public:
    // Whether `step` only pixels can express: the vector play draws nothing of it.
    [[nodiscard]] bool rasterOnly(quint64 step) const;
    // The pieces to draw when `step` begins (the first step of a run), in any order.
    [[nodiscard]] std::vector<const PatchPiece *> piecesAt(quint64 step) const;
    // The pieces kept, over all bands.
    [[nodiscard]] int pieceCount() const { return int(m_pieces.size()); }
    [[nodiscard]] bool isEmpty() const { return m_steps.empty(); }

    // Adds the raster-only steps of one play (ascending) and one piece of a run.
    void addSteps(const std::vector<quint64> &steps);
    void addPiece(quint64 firstStep, PatchPiece piece);

private:
    std::vector<quint64> m_steps; // ascending, each once
    std::multimap<quint64, PatchPiece> m_pieces;
};

// The patches a play records into or draws from; at most one is set.
struct Patches
{
    PatchBook *record = nullptr;
    const PatchBook *draw = nullptr;
};

// Records the pieces of the raster-only steps of a play on `canvas`. A run of raster-only steps
// keeps the canvas as it was before its first step (within the clip, where anything it draws
// must fall) and, when the run ends, compares: what changed is the run's piece.
class PatchRecorder
{
public:
    // `offset`: the canvas pixel of the picture's device pixel 0, 0 (a band's canvas starts lower).
    PatchRecorder(PatchBook &book, const QImage &canvas, QPoint offset);
    ~PatchRecorder();
    PatchRecorder(const PatchRecorder &) = delete;
    PatchRecorder &operator=(const PatchRecorder &) = delete;

    // A step begins: known to be raster-only already (its binary raster operation reads the
    // canvas) or not yet. `clip`: canvas pixels it may draw in, read only for a raster-only step.
    void beginStep(bool rasterOnly, const QRect &clip);
    // The step under way turns out raster-only (it asks for the canvas's pixels or its raster
    // operations) before it has drawn anything.
    void markRasterOnly(const QRect &clip);
    // Whether the step under way is marked already (later marks change nothing).
    [[nodiscard]] bool stepMarked() const { return m_stepMarked || m_finished; }
    // Ends the open run and hands the play's steps to the book.
    void finish();

private:
    void closeRun();

    struct Run
    {
        quint64 first = 0;
        QRect area; // canvas pixels
        QImage before;
    };

    PatchBook &m_book;
    const QImage &m_canvas;
    QPoint m_offset;
    quint64 m_step = 0;
    bool m_stepMarked = false;
    std::vector<quint64> m_steps;
    std::optional<Run> m_run;
    bool m_finished = false;
};

// The pixels of `after` that differ from `before` (two images of the same size), on a clear
// image; `changed` is set to their bounding rectangle, empty when none differ.
QImage changedPixels(const QImage &before, const QImage &after, QRect *changed);

} // namespace metafile::gdi
