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
// A partly broken file: a record whose fields, counts or offsets run past it is skipped and
// the play goes on (Malformed); a record walk that broke off plays up to that point; a limit
// ends the play at once (LimitExceeded). EMF+ records in comments are decoded but not drawn
// (and what does not decode is not reported), so a dual file plays its GDI records; unknown
// records are skipped.

#include "core/bytereader.h"
#include "core/metafiledata.h"
#include "core/playreport.h"
#include "core/workbudget.h"
#include "emf/emfrecords.h"
#include "emfplus/decoder.h"
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
           const gdi::Patches &patches = {});

    [[nodiscard]] core::PlayResult play();

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
    core::WorkBudget m_budget;
    gdi::GdiDevice m_device;
    emfplus::Decoder m_plus; // EMF+ in comments: decoded, not drawn yet
};

} // namespace metafile::emf
