// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// GDI+'s state on the device while EMF+ plays: the PlusContext (transforms, clip, modes),
// its stack of saved states and containers, the 64-slot object table, the resolution the
// EMF+ header gives, and whether GDI records are drawing inside the EMF+ picture (after a
// GetDC record). The player sets the plain modes on the context directly; what combines,
// checks or moves other state goes through the calls below.

#include "core/playreport.h"
#include "core/workbudget.h"
#include "gdi/devicecontext.h"
#include "gdi/playtarget.h"
#include "gdi/pluscontext.h"
#include "gdi/plusobjecttable.h"

#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

#include <vector>

namespace metafile::gdi {

class Surface;

class PlusState
{
public:
    PlusState(const DeviceContext &dc, Surface &surface, const PlayTarget &target, core::PlayReport &report,
              core::WorkBudget &budget)
        : m_dc(dc)
        , m_surface(surface)
        , m_target(target)
        , m_report(report)
        , m_budget(budget)
    { }

    [[nodiscard]] PlusContext &context() { return m_context; }
    [[nodiscard]] const PlusContext &context() const { return m_context; }
    [[nodiscard]] PlusObjectTable &objects() { return m_objects; }
    [[nodiscard]] const PlusObjectTable &objects() const { return m_objects; }

    // The EMF+ header's dots per inch, which the page units are measured by.
    void setResolution(QSizeF dpi);
    [[nodiscard]] QSizeF resolution() const { return m_dpi; }

    void setWorldTransform(const QTransform &world);
    // Before the world transform, or after it with `append`.
    void combineWorldTransform(const QTransform &transform, bool append);
    void setPageTransform(quint32 unit, double scale);
    // World units to pixels of the picture drawn, from the target's top-left, where GDI+'s
    // pixel centres lie (see PlusContext::pixelOffset), for a drawing smoothed or not.
    [[nodiscard]] QTransform worldToDevice(bool smoothed = true) const;
    // The recording device's pixels to pixels of the picture drawn, for what GDI+ measures
    // in device pixels (the rendering origin, pens whose width has a unit of its own).
    [[nodiscard]] QTransform recordingToDevice() const { return m_dc.mapping.deviceTransform(); }
    // How far from the picture drawing can matter, in its pixels: the target and its size
    // again on every side. A shape reaching further is cut there.
    [[nodiscard]] QRectF reach() const;
    // reach() in world units: what an infinite region stands for.
    [[nodiscard]] QRectF reachInWorld() const;

    // Save and BeginContainer push the state under the record's index; Restore and
    // EndContainer go back to the state of that index, dropping what was pushed after it.
    // An index not on the stack changes nothing.
    void save(quint32 index);
    void restore(quint32 index);
    // A container whose world units are `source` (in `unit`) mapped onto `destination`
    // (world units of the state around it); without rectangles, the same units as around it.
    void beginContainer(quint32 index, const QRectF &destination, const QRectF &source, quint32 unit);
    void beginContainer(quint32 index);

    void resetClip();
    void setClipRect(const QRectF &rect, quint32 mode);
    // The path or region in slot `object`; an empty slot or an object of another kind
    // changes nothing.
    void setClipPath(int object, quint32 mode);
    void setClipRegion(int object, quint32 mode);
    void offsetClip(QPointF offset);

    // GetDC: the GDI records that follow draw in the EMF+ picture, inside its clip, until
    // the next EMF+ records end the section.
    void beginGdiSection();
    void endGdiSection();
    [[nodiscard]] bool inGdiSection() const { return m_gdiSection; }

private:
    void combineClip(const QPainterPath &device, quint32 mode);
    [[nodiscard]] bool push(quint32 index);

    struct Saved
    {
        quint32 index = 0;
        PlusContext context;
    };

    const DeviceContext &m_dc;
    Surface &m_surface;
    const PlayTarget &m_target;
    core::PlayReport &m_report;
    core::WorkBudget &m_budget;
    PlusContext m_context;
    std::vector<Saved> m_saved;
    PlusObjectTable m_objects;
    QSizeF m_dpi {96, 96};
    bool m_gdiSection = false;
};

} // namespace metafile::gdi
