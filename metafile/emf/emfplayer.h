// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Plays the records of a loaded Enhanced Metafile on the GDI device: each record is decoded
// (emfrecords.h) and handed to the device call it stands for. Nothing here draws or keeps
// state: the device holds all of it.
//
// The picture is fitted as PlayEnhMetaFile fits it: the header's frame, in the recording
// device's pixels, onto the target rectangle, through the mapping's device transform; the
// metafile's own world transform, window and viewport sit in front of it.
//
// EMF+: a file that carries EMF+ records is drawn from them or from its GDI records, as the
// play's settings ask (core::EmfPlusLayer; by default, as Windows' GDI, a file that also
// holds a GDI drawing from that, one that holds nothing else from EMF+). Drawn from EMF+,
// the comments go to the EMF+ player, and the EMF records are skipped except after an EMF+
// GetDC record, where they draw in the EMF+ picture until the next EMF+ records. Drawn from
// GDI, EMF+ comments are left alone.
//
// A partly broken file: a record whose fields, counts or offsets run past it is skipped and
// the play goes on (Malformed); a record walk that broke off plays up to that point; a limit
// ends the play at once (LimitExceeded); unknown records are skipped.

#include "core/bytereader.h"
#include "core/metafiledata.h"
#include "core/playreport.h"
#include "core/playsettings.h"
#include "core/workbudget.h"
#include "emf/emfrecords.h"
#include "emfplus/emfplusplayer.h"
#include "gdi/gdidevice.h"

#include <QPainter>
#include <QRectF>

#include <optional>
#include <utility>

namespace metafile::emf {

class Player
{
public:
    // `patches`: the raster patches recorded or drawn for a painter that keeps shapes.
    Player(QPainter &painter, const core::MetafileData &data, const QRectF &target, core::DiagnosticsHook hook = {},
           const gdi::Patches &patches = {}, core::PlaySettings settings = {});

    [[nodiscard]] core::PlayResult play();
    // Whether anything was drawn, once play() has run: a play that reached no drawing at all
    // leaves the picture blank.
    [[nodiscard]] bool drewSomething() const { return m_device.drawings() > 0; }

private:
    // The dispatch, by record family: state and objects, shapes and paths, bitmaps.
    void dispatch(quint16 type, core::ByteReader &r);
    void dispatchDrawing(quint16 type, core::ByteReader &r);
    void dispatchBitmaps(quint16 type, core::ByteReader &r);

    template<typename Record, typename Call>
    void apply(const std::optional<Record> &record, Call call)
    {
        m_report.apply(record, std::move(call));
    }

    const core::MetafileData &m_data;
    core::PlayReport m_report;
    core::WorkBudget m_ownBudget;
    core::WorkBudget &m_budget;
    gdi::GdiDevice m_device;
    emfplus::Player m_plus;
    bool m_drawsPlus = false; // the EMF+ records are drawn, not the GDI ones
};

} // namespace metafile::emf
