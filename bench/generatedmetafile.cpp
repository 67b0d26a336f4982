// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "generatedmetafile.h"

#include <QtGlobal>

#include <initializer_list>

namespace {

constexpr int windowWidth = 10000; // logical units
constexpr int windowHeight = 7500;
constexpr int shapeSize = 200;

class RecordWriter
{
public:
    // Parameters are 16-bit words in the order the format stores them.
    void record(quint16 function, std::initializer_list<int> words)
    {
        QByteArray params;
        for (int word : words)
            appendU16(params, quint16(word));
        raw(function, params);
    }

    void raw(quint16 function, QByteArray params)
    {
        if (params.size() % 2)
            params.append('\0');
        const quint32 words = quint32(3 + params.size() / 2);
        appendU32(m_records, words);
        appendU16(m_records, function);
        m_records += params;
        m_maxRecordWords = qMax(m_maxRecordWords, words);
    }

    QByteArray file(int objectCount)
    {
        record(0x0000, {}); // META_EOF
        QByteArray out;
        appendU16(out, 1); // memory metafile
        appendU16(out, 9); // header size in words
        appendU16(out, 0x0300);
        appendU32(out, quint32(9 + m_records.size() / 2));
        appendU16(out, quint16(objectCount));
        appendU32(out, m_maxRecordWords);
        appendU16(out, 0);
        return out + m_records;
    }

    static void appendU16(QByteArray &out, quint16 value) { out.append(char(value & 0xFF)).append(char(value >> 8)); }
    static void appendU32(QByteArray &out, quint32 value)
    {
        appendU16(out, quint16(value & 0xFFFF));
        appendU16(out, quint16(value >> 16));
    }

private:
    QByteArray m_records;
    quint32 m_maxRecordWords = 3;
};

int low(quint32 value) { return int(value & 0xFFFF); }
int high(quint32 value) { return int(value >> 16); }

void prologue(RecordWriter &out)
{
    out.record(0x020B, {0, 0}); // SETWINDOWORG y, x
    out.record(0x020C, {windowHeight, windowWidth}); // SETWINDOWEXT y, x
    out.record(0x0102, {1}); // SETBKMODE transparent
    out.record(0x02FA, {0, 20, 0, low(0x000080), 0}); // CREATEPENINDIRECT -> slot 0
    out.record(0x012D, {0}); // SELECTOBJECT
    QByteArray font;
    for (int word : {-180, 0, 0, 0, 400}) // height, width, escapement, orientation, weight
        RecordWriter::appendU16(font, quint16(word));
    font.append(8, '\0'); // italic ... pitch and family
    font.append("Arial");
    font.append(char(0));
    out.raw(0x02FB, font); // CREATEFONTINDIRECT -> slot 1
    out.record(0x012D, {1});
}

void group(RecordWriter &out, int index, quint32 &seed)
{
    auto next = [&seed](int range) {
        seed = seed * 1664525u + 1013904223u; // a fixed sequence: both sizes draw alike
        return int((seed >> 8) % quint32(range));
    };
    const int x = next(windowWidth - shapeSize);
    const int y = next(windowHeight - shapeSize);
    const quint32 colour = quint32(next(0x1000000));
    // Brushes alternate between slots 2 and 3 so that the one deleted is never selected.
    const int slot = 2 + index % 2;
    out.record(0x02FC, {0, low(colour), high(colour), 0}); // CREATEBRUSHINDIRECT solid
    out.record(0x012D, {slot});
    if (index > 0)
        out.record(0x01F0, {5 - slot}); // DELETEOBJECT the previous brush
    else
        out.record(0x0102, {1});
    out.record(0x041B, {y + shapeSize, x + shapeSize, y, x}); // RECTANGLE b, r, t, l
    out.record(0x0418, {y + 2 * shapeSize, x + shapeSize, y + shapeSize, x}); // ELLIPSE
    out.record(0x0214, {y, x}); // MOVETO y, x
    out.record(0x0213, {y + shapeSize, x + 2 * shapeSize}); // LINETO
    out.record(0x0324, {4, x, y, x + shapeSize, y, x + 2 * shapeSize, y + shapeSize, x, y + shapeSize});
    QByteArray text;
    RecordWriter::appendU16(text, 4);
    text.append("W", 1).append(QByteArray::number(1000 + index % 9000).right(3));
    RecordWriter::appendU16(text, quint16(y));
    RecordWriter::appendU16(text, quint16(x));
    out.raw(0x0521, text); // TEXTOUT length, string, y, x
}

} // namespace

QByteArray generatedMetafile(int groups)
{
    RecordWriter out;
    prologue(out);
    quint32 seed = 12345;
    for (int i = 0; i < groups; ++i)
        group(out, i, seed);
    return out.file(4);
}
