// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A bounds-checked little-endian reader over a byte view. The first short read turns
// ok() false for good and every later read returns 0, so a decoder reads all its fields
// and checks ok() once at the end.

#include <QByteArrayView>
#include <QtGlobal>

namespace metafile::core {

class ByteReader
{
public:
    ByteReader() = default;
    explicit ByteReader(QByteArrayView data) : m_data(data) { }

    bool ok() const { return m_ok; }
    qsizetype position() const { return m_offset; }
    qsizetype remaining() const { return m_data.size() - m_offset; }
    bool atEnd() const { return remaining() <= 0; }

    quint8 readU8()
    {
        if (!need(1))
            return 0;
        return static_cast<quint8>(m_data[m_offset++]);
    }

    quint16 readU16()
    {
        if (!need(2))
            return 0;
        const quint16 low = static_cast<quint8>(m_data[m_offset]);
        const quint16 high = static_cast<quint8>(m_data[m_offset + 1]);
        m_offset += 2;
        return static_cast<quint16>(low | (high << 8));
    }

    qint16 readI16() { return static_cast<qint16>(readU16()); }

    quint32 readU32()
    {
        const quint32 low = readU16();
        const quint32 high = readU16();
        return low | (high << 16);
    }

    qint32 readI32() { return static_cast<qint32>(readU32()); }

    // The next `count` bytes as a view (empty and not ok when fewer remain).
    QByteArrayView readBytes(qsizetype count)
    {
        if (count < 0 || !need(count))
            return {};
        const QByteArrayView bytes = m_data.sliced(m_offset, count);
        m_offset += count;
        return bytes;
    }

    // A reader over exactly the next `count` bytes; this reader moves past them.
    ByteReader take(qsizetype count)
    {
        ByteReader sub(readBytes(count));
        sub.m_ok = m_ok;
        return sub;
    }

    void skip(qsizetype count) { readBytes(count); }

    // Turns the reader not ok for a field that was read whole but cannot be used (a float
    // that is not a number), so that the decoder's one check at the end refuses it too.
    void fail() { m_ok = false; }

    // The bytes from the current position to the end, without moving.
    QByteArrayView rest() const { return m_data.sliced(qMin(m_offset, m_data.size())); }

private:
    bool need(qsizetype count)
    {
        if (m_ok && count <= remaining())
            return true;
        m_ok = false;
        return false;
    }

    QByteArrayView m_data;
    qsizetype m_offset = 0;
    bool m_ok = true;
};

} // namespace metafile::core
