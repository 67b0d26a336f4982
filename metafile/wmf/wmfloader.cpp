// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "wmf/wmfloader.h"

#include "core/bytereader.h"
#include "core/limits.h"
#include "text/fontmap.h"
#include "wmf/wmfplayer.h"
#include "wmf/wmfrecordtype.h"

#include <QPainter>
#include <QPicture>

#include <algorithm>

namespace metafile::wmf {

namespace {

constexpr quint32 placeableKey = 0x9AC6CDD7;
constexpr qsizetype placeableHeaderBytes = 22;
constexpr qsizetype headerBytes = 18;

// A standard header's type (1 in memory, 2 on disk) and its size in words.
bool isStandardHeader(quint16 type, quint16 words) { return (type == 1 || type == 2) && words == 9; }

// Indexes the records after the header. The walk stops at META_EOF or at the end of the
// data; a record that is too short stops it early, and the records before it still play.
// A record that runs past the end (Truncated) means the file was cut off: load() refuses it.
void indexRecords(core::MetafileData &data, qsizetype offset)
{
    const qsizetype size = data.bytes.size();
    core::ByteReader reader(data.bytes);
    reader.skip(offset);
    while (true) {
        if (reader.remaining() < 6) {
            if (reader.remaining() > 0)
                data.walkResult = core::PlayResult::Truncated;
            return;
        }
        const quint32 words = reader.readU32();
        const quint16 function = reader.readU16();
        if (function == quint16(RecordType::Eof))
            return;
        if (words < 3) {
            data.walkResult = core::PlayResult::Malformed;
            return;
        }
        if (words > quint64(size - offset) / 2) {
            data.walkResult = core::PlayResult::Truncated;
            return;
        }
        if (qsizetype(data.records.size()) >= core::limits::maxRecords) {
            data.walkResult = core::PlayResult::LimitExceeded;
            return;
        }
        data.records.push_back({function, offset + 6, qsizetype(words) * 2 - 6});
        offset += qsizetype(words) * 2;
        reader.skip(qsizetype(words) * 2 - 6);
    }
}

// The first SETWINDOWORG and SETWINDOWEXT, as GDI's picture loaders take them; the
// origin defaults to 0,0 when only the extent is there.
bool frameFromWindowRecords(core::MetafileData &data)
{
    std::optional<QPointF> origin;
    std::optional<QSizeF> extent;
    for (const core::RecordRef &record : data.records) {
        core::ByteReader params(QByteArrayView(data.bytes).sliced(record.offset, record.payloadSize));
        const qint16 y = params.readI16();
        const qint16 x = params.readI16();
        if (!params.ok())
            continue;
        if (record.function == quint16(RecordType::SetWindowOrg) && !origin)
            origin = QPointF(x, y);
        else if (record.function == quint16(RecordType::SetWindowExt) && !extent && x != 0 && y != 0)
            extent = QSizeF(x, y);
        if (origin && extent)
            break;
    }
    if (!extent)
        return false;
    data.frameOrigin = origin.value_or(QPointF());
    data.frameExtent = *extent;
    return true;
}

// Whether the drawing has text, whose fonts must be set up before a painter begins: a program
// that sets them up only when text first needs them must not do so under an active painter.
bool drawsText(const core::MetafileData &data)
{
    return std::any_of(data.records.begin(), data.records.end(), [](const core::RecordRef &record) {
        const auto type = static_cast<RecordType>(record.function);
        return type == RecordType::TextOut || type == RecordType::ExtTextOut || type == RecordType::CreateFontIndirect;
    });
}

// Plays the drawing once in device units and takes what it touches.
void frameFromDrawing(core::MetafileData &data)
{
    if (drawsText(data))
        static_cast<void>(text::fontsReady());
    QPicture picture;
    QPainter painter(&picture);
    // The scan's result does not matter: the play proper reports the same faults.
    static_cast<void>(Player(painter, data, QRectF(), true).play());
    painter.end();
    const QRect box = picture.boundingRect();
    if (box.isEmpty()) {
        data.frameOrigin = QPointF(0, 0);
        data.frameExtent = QSizeF(1, 1);
        return;
    }
    data.frameOrigin = box.topLeft();
    data.frameExtent = box.size();
}

} // namespace

bool looksLikeWindowsMetafile(QByteArrayView head)
{
    core::ByteReader reader(head);
    const quint32 first = reader.readU32();
    return reader.ok() && (first == placeableKey || isStandardHeader(quint16(first), quint16(first >> 16)));
}

std::optional<QString> load(core::MetafileData &data)
{
    core::ByteReader reader(data.bytes);
    qsizetype start = 0;
    std::optional<QRectF> frame;
    if (reader.readU32() == placeableKey) {
        // Key, handle, left, top, right, bottom, units per inch, reserved, checksum. A
        // wrong checksum is common and harmless.
        reader.readU16();
        const qint16 left = reader.readI16();
        const qint16 top = reader.readI16();
        const qint16 right = reader.readI16();
        const qint16 bottom = reader.readI16();
        const quint16 unitsPerInch = reader.readU16();
        reader.skip(6);
        if (!reader.ok())
            return QStringLiteral("the file is truncated");
        data.placeable = true;
        data.unitsPerInch = unitsPerInch;
        start = placeableHeaderBytes;
        if (right != left && bottom != top)
            frame = QRectF(QPointF(left, top), QPointF(right, bottom));
    }
    core::ByteReader header(QByteArrayView(data.bytes).sliced(start));
    const quint16 type = header.readU16();
    const quint16 headerWords = header.readU16();
    const quint16 version = header.readU16();
    header.skip(headerBytes - 6);
    const bool looksLikeHeader = isStandardHeader(type, headerWords);
    if (!header.ok())
        return data.placeable || looksLikeHeader ? QStringLiteral("the file is truncated")
                                                 : QStringLiteral("not a Windows Metafile");
    if (!looksLikeHeader)
        return QStringLiteral("not a Windows Metafile");
    if (version != 0x0100 && version != 0x0300)
        return QStringLiteral("unsupported metafile version 0x%1").arg(version, 4, 16, QLatin1Char('0'));
    core::ByteReader objects(QByteArrayView(data.bytes).sliced(start + 10, 2));
    data.objectCount = objects.readU16();
    indexRecords(data, start + headerBytes);
    // Part of the drawing is missing; showing the rest would pass off a fragment as the
    // picture. A file that only lacks its closing EOF record, or has bytes after it, is whole.
    if (data.walkResult == core::PlayResult::Truncated)
        return QStringLiteral("the file is truncated");

    if (frame) {
        data.frameOrigin = frame->topLeft();
        data.frameExtent = frame->size();
    } else if (!frameFromWindowRecords(data)) {
        frameFromDrawing(data);
    }
    return std::nullopt;
}

} // namespace metafile::wmf
