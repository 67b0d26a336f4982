// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Plays the EMF+ records of an Enhanced Metafile on the GDI device, comment by comment:
// each comment is walked (commentwalk.h), Object records fill the device's 64-slot object
// table through the assembler (objectassembler.h, emfplusobjects.h), and every other record
// is decoded (emfplusrecords.h) and handed to the device call it stands for. Nothing here
// draws or keeps drawing state: the device holds GDI+'s state beside GDI's (gdi/plusstate.h).
//
// A partly broken picture: a record that does not decode is skipped and reported malformed
// (named by its EMF+ type), and the play goes on; a comment whose framing breaks keeps the
// records before the break; an object whose parts never come whole is dropped. Records no
// picture draws (private comments, the reserved multi-format records, effects, terminal
// server records) and types GDI+ does not define are passed over without a report.
//
// GetDC: the EMF records that follow draw on the same device, inside GDI+'s clip, until the
// next comment that carries EMF+ (the EMF player asks PlusState::inGdiSection()).

#include "core/playreport.h"
#include "emfplus/commentwalk.h"
#include "emfplus/decoder.h"
#include "emfplus/objectassembler.h"
#include "gdi/gdidevice.h"

#include <QByteArrayView>

namespace metafile::emfplus {

class Player
{
public:
    // `hook` hears how each record went, as the Decoder's does.
    Player(gdi::GdiDevice &device, core::PlayReport &report, RecordHook hook = {});

    // The parameters of one EMR_COMMENT; false for a comment that is not EMF+, which is left
    // alone.
    bool comment(QByteArrayView params);
    // The end of the records: an object still being gathered can never be whole.
    void finish();

private:
    void record(const Record &record);
    void object(quint16 flags, QByteArrayView data);
    // The dispatch, by record family: state, figures, text and images.
    [[nodiscard]] Outcome dispatch(const Record &record);
    [[nodiscard]] Outcome dispatchDrawing(const Record &record);
    void fault(quint16 type, quint16 flags, const char *problem);

    template<typename Value, typename Call>
    Outcome apply(const std::optional<Value> &value, Call call)
    {
        if (!value)
            return Outcome::Failed;
        call(*value);
        return Outcome::Decoded;
    }

    gdi::GdiDevice &m_device;
    core::PlayReport &m_report;
    RecordHook m_hook;
    ObjectAssembler m_objects;
};

} // namespace metafile::emfplus
