// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// What one play may spend, so that a hostile file ends in bounded time: work units (a record,
// a pixel filled or blitted, a row of dashes; limits::maxWorkUnits) and points of shapes
// (limits::maxTotalPoints). The play owns it; the record walk and the device spend from it.

#include "core/limits.h"
#include "core/playreport.h"

#include <QtGlobal>

namespace metafile::core {

class WorkBudget
{
public:
    explicit WorkBudget(PlayReport &report) : m_report(report) { }

    // Charges `units` of work; false once the play's work is spent, which ends the play.
    [[nodiscard]] bool spendWork(qint64 units)
    {
        m_work += qMax<qint64>(units, 0);
        if (m_work <= limits::maxWorkUnits)
            return true;
        m_report.limitExceeded("the play's work limit is spent");
        return false;
    }
    // Charges the points of a shape; false once the play has drawn too many.
    [[nodiscard]] bool spendPoints(qint64 count)
    {
        m_points += qMax<qint64>(count, 0);
        if (m_points <= limits::maxTotalPoints)
            return true;
        m_report.limitExceeded("too many points in the play");
        return false;
    }

private:
    PlayReport &m_report;
    qint64 m_work = 0;
    qint64 m_points = 0;
};

} // namespace metafile::core
