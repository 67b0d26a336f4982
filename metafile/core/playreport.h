// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// How a play went: the worst result so far and, for whoever listens, what each record
// that was skipped or stopped the play was and why. One report serves a play from start
// to end; the devices and decoders of every format report into it.

#include "core/playresult.h"

#include <QtGlobal>

#include <optional>

namespace metafile::core {

class PlayReport
{
public:
    explicit PlayReport(DiagnosticsHook hook = {}) : m_hook(std::move(hook)) { }

    // The record now playing: its index in the file and its function.
    void setRecord(qsizetype index, quint16 function)
    {
        m_index = index;
        m_function = function;
    }
    // A record inside the one now playing (an EMF+ record in a comment), named by its own
    // function; the index stays the outer record's.
    void setFunction(quint16 function) { m_function = function; }
    [[nodiscard]] quint16 function() const { return m_function; }
    // A record that cannot be played: it is skipped, or drawn as far as it goes, and the
    // play goes on.
    void malformed(const char *reason) { report(PlayResult::Malformed, reason); }
    // A limit is reached: the play ends after this record.
    void limitExceeded(const char *reason) { report(PlayResult::LimitExceeded, reason); }
    // Hands a decoded record to `call`, or reports the record malformed when it did not
    // decode: shorter than its fields, or a count or offset running past it.
    template<typename Record, typename Call>
    void apply(const std::optional<Record> &record, Call call)
    {
        if (record)
            call(*record);
        else
            malformed("the record is shorter than its fields, or a count or offset runs past it");
    }

    [[nodiscard]] PlayResult result() const { return m_result; }
    [[nodiscard]] bool stopped() const { return m_result == PlayResult::LimitExceeded; }

private:
    void report(PlayResult result, const char *reason)
    {
        if (m_result != PlayResult::LimitExceeded)
            m_result = result;
        if (m_hook)
            m_hook(Diagnostic {m_index, m_function, result, QString::fromLatin1(reason)});
    }

    DiagnosticsHook m_hook;
    PlayResult m_result = PlayResult::Ok;
    qsizetype m_index = -1;
    quint16 m_function = 0;
};

} // namespace metafile::core
