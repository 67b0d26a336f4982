// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The painter a play draws on, as the GDI device sees it: device pixels with the target's
// top-left as origin, the caller's clip and the context's clip and meta regions, the
// composition of the binary raster operation, and what drawing on it costs: the pixels a
// fill or blit covers there (charged to the play's work budget) and the anti-aliasing
// cost limits of Qt's rasteriser. For a painter that keeps shapes (SVG, PDF) it also records
// or draws the raster patches of the drawings that only pixels can express (rasterpatches.h):
// each prepare() begins a step, and what a step asks for tells whether it is one of them.

#include "core/workbudget.h"
#include "gdi/rasterpatches.h"

#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QTransform>

#include <memory>
#include <optional>

namespace metafile::gdi {

class Surface
{
public:
    // With `scanMode` the surface has no edges: used to find what a picture touches. With
    // `patches.record` the painter must draw on an image moved by whole pixels at most.
    Surface(QPainter &painter, const QRectF &target, bool scanMode, core::WorkBudget &budget,
            const Patches &patches = {});
    ~Surface();
    Surface(const Surface &) = delete;
    Surface &operator=(const Surface &) = delete;

    [[nodiscard]] QPainter &painter() { return m_painter; }
    [[nodiscard]] QSizeF size() const { return m_target.size(); }
    [[nodiscard]] bool scanMode() const { return m_scanMode; }
    // Whether the painter's engine does raster operations (printers and PDF do not). Asking
    // says that the drawing under way uses one: a raster patch where patches are recorded. Ask
    // after prepare() and before drawing anything.
    [[nodiscard]] bool hasRasterOps();
    // The canvas image when the painter draws on one, else nothing. Asking says that the
    // drawing under way reads its pixels: a raster patch where patches are recorded. Ask after
    // prepare() and before drawing anything.
    [[nodiscard]] QImage *image();
    // The canvas image when the painter draws on one, for a drawing that only looks closer to
    // GDI drawn through its pixels (smoothed glyphs in GDI's grey levels): no raster patch, as a
    // painter that keeps shapes draws it well enough as shapes (text stays text).
    [[nodiscard]] QImage *canvas() const;
    // The drawing under way is one only pixels can express (the pass that closes the seam
    // between abutting fills), though it asks for neither: a raster patch where recorded.
    void markRasterOnly();

    // Applies the clip and meta regions (device pixels; nothing is the whole target) and the
    // composition of `rop2` to the painter before a drawing; false when nothing is to be
    // drawn (R2_NOP).
    bool prepare(const std::optional<QRegion> &clip, const std::optional<QRegion> &metaRegion, int rop2);
    // Drawing operations begun so far: prepare() counts one for each.
    [[nodiscard]] quint64 drawings() const { return m_drawings; }
    // The clip region changed: the next prepare() applies it again.
    void clipChanged()
    {
        m_clipApplied = false;
        m_plusClip.reset();
    }

    // EMF+ drawing: the caller's clip and GDI+'s clip `clip` (a path in device pixels;
    // nothing: none) in place of the GDI regions, and `mode` for composing. Counts a drawing
    // as prepare() does.
    void preparePlus(const std::optional<QPainterPath> &clip, QPainter::CompositionMode mode);
    // The clip of GDI+ while GDI records draw inside an EMF+ picture (after an EMF+ GetDC):
    // prepare() keeps drawing inside it as well; nothing ends that.
    void setSectionClip(std::optional<QPainterPath> clip);

    // Charges the pixels of `deviceRect` that land on the canvas, which is what filling or
    // blitting there costs: a huge rectangle mostly off the canvas costs what shows of it.
    [[nodiscard]] bool spendPixels(const QRectF &deviceRect);
    // Whether a path may be drawn anti-aliased without a runaway cost in Qt's rasteriser;
    // charges its cost to the play.
    [[nodiscard]] bool antialiasAffordable(const QPainterPath &devicePath, double extraWidth, double sides);

private:
    void applyOuterClip();
    [[nodiscard]] bool engineHasRasterOps() const;
    // The canvas pixels the painter's clip leaves, for the patch recorder.
    [[nodiscard]] QRect clipOnCanvas() const;
    // Begins a step for the patches; true when the step draws its patch instead of itself.
    bool beginStep(bool rasterOnly);
    void drawPatch(quint64 step);

    QPainter &m_painter;
    QRectF m_target;
    bool m_scanMode = false;
    core::WorkBudget &m_budget;
    double m_antialiasCost = 0; // against limits::maxAntialiasCostPerPlay
    quint64 m_drawings = 0;
    bool m_clipApplied = false;
    std::optional<QPainterPath> m_outerClip; // the caller's clip, in device pixels
    std::optional<QPainterPath> m_sectionClip; // GDI+'s, for GDI records inside an EMF+ picture
    std::optional<std::optional<QPainterPath>> m_plusClip; // GDI+'s clip as applied last, if it is
    QTransform m_base; // device pixels to the painter's coordinates
    std::unique_ptr<PatchRecorder> m_recorder;
    const PatchBook *m_drawPatches = nullptr;
    quint64 m_step = 0;
};

// Turns anti-aliasing off for one drawing.
class AntialiasGuard
{
public:
    AntialiasGuard(QPainter &painter, bool affordable);
    ~AntialiasGuard();
    AntialiasGuard(const AntialiasGuard &) = delete;
    AntialiasGuard &operator=(const AntialiasGuard &) = delete;

private:
    QPainter &m_painter;
    bool m_restore;
};

} // namespace metafile::gdi
