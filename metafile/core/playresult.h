// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// How a play went, as every format's player and the device report it: the result, and one
// diagnostic for each record that did not play whole.

#include <QString>
#include <QtGlobal>

#include <functional>

namespace metafile::core {

enum class PlayResult { Ok, Truncated, Malformed, LimitExceeded };

// One record that was skipped (Malformed) or ended the play (LimitExceeded), and why.
struct Diagnostic
{
    qsizetype recordIndex = -1; // from 0, in file order
    quint16 function = 0; // the record's function number
    PlayResult result = PlayResult::Malformed;
    QString reason;
};

// Called during a play for every record that did not play whole.
using DiagnosticsHook = std::function<void(const Diagnostic &)>;

} // namespace metafile::core
