// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Files for the conversion tests: a small metafile with something to see, written to disk.

#include <QByteArray>
#include <QFile>
#include <QString>

// A small metafile: a placeable frame of 1000 x 800 units, one red rectangle over its
// middle, and the end record.
inline QByteArray redRectangleMetafile()
{
    QByteArray bytes;
    auto u16 = [&](int value) {
        bytes.append(char(value & 0xFF));
        bytes.append(char((value >> 8) & 0xFF));
    };
    auto u32 = [&](quint32 value) {
        u16(int(value & 0xFFFF));
        u16(int(value >> 16));
    };
    u32(0x9AC6CDD7);
    u16(0);
    for (int v : {0, 0, 1000, 800})
        u16(v);
    u16(1440);
    u32(0);
    quint16 checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= quint16(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8);
    u16(checksum);
    const int records = 7 + 4 + 7 + 3;
    u16(1);
    u16(9);
    u16(0x0300);
    u32(9 + records);
    u16(1);
    u32(7);
    u16(0);
    u32(7);
    u16(0x02FC);
    u16(0);
    u32(0x000000FF);
    u16(0); // CREATEBRUSHINDIRECT solid red
    u32(4);
    u16(0x012D);
    u16(0); // SELECTOBJECT 0
    u32(7);
    u16(0x041B);
    u16(600);
    u16(750);
    u16(200);
    u16(250); // RECTANGLE b r t l
    u32(3);
    u16(0); // EOF
    return bytes;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
