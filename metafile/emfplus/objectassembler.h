// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Gathers EMF+ objects from Object records. An object that fits one record is that record's
// data. A larger one (an image, a long path) is continued: each of its records sets the
// continue flag and starts with the object's total size, and the object is whole once that
// many bytes have come, in records for the same slot and kind that follow one another. The
// total is checked against core::limits::maxEmfPlusObjectBytes before anything is gathered,
// and a record that would gather more than the total, changes the total, or interrupts
// another object's records with its own drops the object it belongs to.

#include "emfplus/emfplusrecordtype.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace metafile::emfplus {

// A whole object: its kind, its slot, and its bytes (valid until the assembler's next call).
struct ObjectBytes
{
    ObjectType type = ObjectType::Invalid;
    int index = 0;
    QByteArrayView bytes;
};

class ObjectAssembler
{
public:
    // What one record gave: a whole object, and why the record (or the object it abandoned)
    // is at fault, either, both or neither (a part of an object still coming).
    struct Step
    {
        std::optional<ObjectBytes> object;
        const char *problem = nullptr;
    };

    // One Object record's flags and data.
    Step add(quint16 flags, QByteArrayView data);
    // Why the object still being gathered can never be whole, when one is: the records end.
    [[nodiscard]] const char *unfinished() const;

private:
    Step continuePart(ObjectType type, int index, QByteArrayView data);

    bool m_gathering = false;
    ObjectType m_type = ObjectType::Invalid;
    int m_index = 0;
    quint32 m_total = 0;
    QByteArray m_bytes;
};

} // namespace metafile::emfplus
