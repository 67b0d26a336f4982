// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "emfplus/objectassembler.h"

#include "core/bytereader.h"
#include "core/limits.h"

namespace metafile::emfplus {

namespace {

constexpr const char *cutShort = "an EMF+ object continued over several records ends before its declared size";

} // namespace

ObjectAssembler::Step ObjectAssembler::add(quint16 flags, QByteArrayView data)
{
    const auto type = ObjectType((flags >> 8) & 0x7F);
    const int index = flags & flag::objectIdMask;
    if (index >= core::limits::maxEmfPlusObjects)
        return {std::nullopt, "an EMF+ object's index is past the 64 slots of the object table"};
    if (flags & flag::continued)
        return continuePart(type, index, data);
    Step step;
    if (m_gathering) {
        step.problem = cutShort; // the object being gathered is dropped for this one
        m_gathering = false;
        m_bytes.clear();
    }
    step.object = ObjectBytes {type, index, data};
    return step;
}

ObjectAssembler::Step ObjectAssembler::continuePart(ObjectType type, int index, QByteArrayView data)
{
    core::ByteReader r(data);
    const quint32 total = r.readU32();
    const QByteArrayView part = r.rest();
    if (!r.ok())
        return {std::nullopt, "an EMF+ object's part has no room for its declared total size"};
    Step step;
    const bool same = m_gathering && m_type == type && m_index == index && m_total == total;
    if (m_gathering && !same) {
        step.problem = cutShort;
        m_gathering = false;
    }
    if (!m_gathering) {
        if (total > quint64(core::limits::maxEmfPlusObjectBytes)) {
            step.problem = "an EMF+ object declares a total size past what any picture needs";
            return step;
        }
        m_gathering = true;
        m_type = type;
        m_index = index;
        m_total = total;
        m_bytes.clear();
    }
    if (quint64(m_bytes.size()) + quint64(part.size()) > m_total) {
        m_gathering = false;
        m_bytes.clear();
        step.problem = "an EMF+ object's parts hold more bytes than its declared total size";
        return step;
    }
    m_bytes.append(part);
    if (quint64(m_bytes.size()) == m_total) {
        m_gathering = false;
        step.object = ObjectBytes {type, index, QByteArrayView(m_bytes)};
    }
    return step;
}

const char *ObjectAssembler::unfinished() const { return m_gathering ? cutShort : nullptr; }

} // namespace metafile::emfplus
