// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The object table: the pens, brushes, fonts, palettes and regions a metafile creates,
// by the index the records select and delete them with.

#include "gdi/devicecontext.h"

#include <optional>
#include <vector>

namespace metafile::gdi {

class ObjectTable
{
public:
    explicit ObjectTable(int size);

    // Into the lowest free slot; a full table drops the object, as GDI does.
    void add(GdiObject object);
    // Into slot `index`, replacing what was there, as an enhanced metafile names its slots;
    // an index out of range drops the object.
    void put(int index, GdiObject object);
    // Empties a slot; an index out of range is ignored.
    void remove(int index);
    // The object in a slot, or nothing for an empty or out-of-range slot.
    [[nodiscard]] const GdiObject *at(int index) const;
    // The object in a slot when it is a T.
    template<typename T>
    [[nodiscard]] const T *get(int index) const
    {
        const GdiObject *found = at(index);
        return found ? std::get_if<T>(found) : nullptr;
    }

private:
    std::vector<std::optional<GdiObject>> m_slots;
    size_t m_firstFree = 0; // no slot below this one is free
};

} // namespace metafile::gdi
