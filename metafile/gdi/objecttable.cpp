// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/objecttable.h"

#include "core/limits.h"

namespace metafile::gdi {

ObjectTable::ObjectTable(int size) : m_slots(static_cast<size_t>(qBound(0, size, core::limits::maxObjects))) { }

// GDI puts a new object into the lowest free slot, so later indices depend on the order
// of deletions. The search starts at the lowest slot that can be free, so that a file
// creating objects into a full table of 65,535 slots costs no more than one into an
// empty one.
void ObjectTable::add(GdiObject object)
{
    while (m_firstFree < m_slots.size() && m_slots[m_firstFree])
        ++m_firstFree;
    if (m_firstFree < m_slots.size())
        m_slots[m_firstFree++] = std::move(object);
}

void ObjectTable::put(int index, GdiObject object)
{
    if (index >= 0 && index < static_cast<int>(m_slots.size()))
        m_slots[static_cast<size_t>(index)] = std::move(object);
}

void ObjectTable::remove(int index)
{
    if (index < 0 || index >= static_cast<int>(m_slots.size()))
        return;
    m_slots[static_cast<size_t>(index)].reset();
    m_firstFree = qMin(m_firstFree, static_cast<size_t>(index));
}

const GdiObject *ObjectTable::at(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_slots.size()) || !m_slots[static_cast<size_t>(index)])
        return nullptr;
    return &*m_slots[static_cast<size_t>(index)];
}

} // namespace metafile::gdi
