// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The engine's one policy for caches of lookups (installed faces, face metrics, code
// pages): a cache keeps at most `capacity` entries and starts afresh when full, so a file
// naming thousands of faces costs lookups again but never grows memory without end. Real
// files use a handful of faces and code pages, which stay cached.

#include <QHash>

namespace metafile::core {

template<typename Key, typename Value>
class BoundedCache
{
public:
    explicit BoundedCache(qsizetype capacity) : m_capacity(capacity) { }

    // The cached value for `key`, made by `make()` when missing. The reference stays valid
    // until the next call.
    template<typename Make>
    const Value &value(const Key &key, Make make)
    {
        const auto found = m_entries.constFind(key);
        if (found != m_entries.constEnd())
            return *found;
        if (m_entries.size() >= m_capacity)
            m_entries.clear();
        return *m_entries.insert(key, make());
    }

private:
    QHash<Key, Value> m_entries;
    qsizetype m_capacity;
};

} // namespace metafile::core
