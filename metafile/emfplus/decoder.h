// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Decodes the EMF+ records of one play, comment by comment and in file order, without
// drawing anything: the walk of each comment (commentwalk.h), the objects gathered over
// their records (objectassembler.h) and decoded (emfplusobjects.h), and every other record
// decoded by its own decoder (emfplusrecords.h), and nothing drawn. The EMF+ player
// (emfplusplayer.h) walks the comments the same way and hands what it decodes to the GDI
// device; this walk is for telling how each record decodes without a device (the corpus
// census). It keeps no state but the object being gathered.
//
// Each record's outcome goes to a hook: decoded, failed (and why) or ignored (a record no
// picture draws, or a type GDI+ does not define).

#include "emfplus/commentwalk.h"
#include "emfplus/objectassembler.h"

#include <QByteArrayView>

#include <functional>

namespace metafile::emfplus {

enum class Outcome { Decoded, Failed, Ignored };

// A record's type and flags, how it went, and why it failed. A comment whose framing broke
// is reported with type 0.
using RecordHook = std::function<void(quint16 type, quint16 flags, Outcome outcome, const char *problem)>;

class Decoder
{
public:
    explicit Decoder(RecordHook hook = {}) : m_hook(std::move(hook)) { }

    // The parameters of one EMR_COMMENT; a comment that is not EMF+ is left alone.
    void comment(QByteArrayView params);
    // The end of the records: an object still being gathered can never be whole.
    void finish();

private:
    void record(const Record &record);
    void object(quint16 flags, QByteArrayView data);
    [[nodiscard]] static Outcome decode(const Record &record);
    void report(quint16 type, quint16 flags, Outcome outcome, const char *problem = nullptr) const;

    RecordHook m_hook;
    ObjectAssembler m_objects;
};

} // namespace metafile::emfplus
