// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The play loop both formats share: each indexed record's parameters to the player's
// dispatch, in order.

#include "core/bytereader.h"
#include "core/metafiledata.h"
#include "core/playreport.h"
#include "core/workbudget.h"

namespace metafile::core {

// Calls `dispatch(function, parameters)` for each record until the last, a limit that stops
// the play, or the work budget's end. The result is the worst any record reported, or else
// the record walk's own (a file whose walk broke off).
template<typename Dispatch>
[[nodiscard]] PlayResult playRecords(const MetafileData &data, PlayReport &report, WorkBudget &budget,
                                     Dispatch &&dispatch)
{
    const QByteArrayView bytes(data.bytes);
    for (size_t index = 0; index < data.records.size(); ++index) {
        const RecordRef &record = data.records[index];
        report.setRecord(qsizetype(index), record.function);
        ByteReader params(bytes.sliced(record.offset, record.payloadSize));
        dispatch(record.function, params);
        if (report.stopped() || !budget.spendWork(1))
            break;
    }
    if (report.result() == PlayResult::Ok)
        return data.walkResult;
    return report.result();
}

} // namespace metafile::core
