// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Plays the records of a loaded Windows Metafile on a GDI device: each record is decoded
// (wmfrecords.h) and handed to the device call it stands for. Nothing here draws.
//
// A partly broken file: a record whose parameters are shorter than its fields need is
// skipped and the play goes on (result Malformed); a file whose record walk broke off
// plays up to that point (Truncated or Malformed); a limit ends the play at once
// (LimitExceeded). Whatever was drawn before stays drawn.

#include "core/bytereader.h"
#include "core/metafiledata.h"
#include "core/playreport.h"
#include "core/workbudget.h"
#include "gdi/gdidevice.h"
#include "wmf/wmfrecords.h"

#include <QPainter>
#include <QRectF>

#include <optional>
#include <utility>

namespace metafile::wmf {

class Player
{
public:
    // The frame (origin and signed extent, logical units) fills `target` (painter units).
    // With `scanMode` the player starts in MM_TEXT with device pixels equal to logical
    // units and ignores `frame`: used to find the extent of a picture without a frame.
    // `patches`: the raster patches recorded or drawn for a painter that keeps shapes.
    Player(QPainter &painter, const core::MetafileData &data, const QRectF &target, bool scanMode = false,
           core::DiagnosticsHook hook = {}, const gdi::Patches &patches = {}, core::WorkBudget *sharedBudget = nullptr);

    [[nodiscard]] core::PlayResult play();
    // Whether anything was drawn, once play() has run.
    [[nodiscard]] bool drewSomething() const { return m_device.drawings() > 0; }

private:
    void dispatch(quint16 function, core::ByteReader &r);
    void createRegion(core::ByteReader &r);
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
};

} // namespace metafile::wmf
