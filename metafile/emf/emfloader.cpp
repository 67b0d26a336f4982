// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "emf/emfloader.h"

#include "core/bytereader.h"
#include "core/limits.h"

#include <QRectF>

#include <cmath>

namespace metafile::emf {

namespace {

constexpr quint32 headerType = 1;
constexpr quint32 eofType = 14;
constexpr quint32 signature = 0x464D4520; // " EMF"
constexpr qsizetype signatureOffset = 40;
constexpr qsizetype recordHeadBytes = 8;
// ENHMETAHEADER up to szlMillimeters: the part every writer since Windows 95 emits.
constexpr qsizetype headerBytes = 88;

struct Header
{
    QRect bounds; // reference device pixels, inclusive
    QRect frame; // 0.01 mm, inclusive
    quint32 size = 0; // of the header record
    quint32 fileBytes = 0;
    quint16 handles = 0;
    QSize devicePixels;
    QSize deviceMillimetres;
};

QRect readRect(core::ByteReader &r)
{
    const int left = r.readI32();
    const int top = r.readI32();
    const int right = r.readI32();
    const int bottom = r.readI32();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

std::optional<Header> readHeader(core::ByteReader r)
{
    Header h;
    r.readU32(); // type
    h.size = r.readU32();
    h.bounds = readRect(r);
    h.frame = readRect(r);
    r.readU32(); // signature
    r.readU32(); // version: GDI plays every version it meets
    h.fileBytes = r.readU32();
    r.readU32(); // records: the walk counts them itself
    h.handles = r.readU16();
    r.skip(2 + 4 + 4 + 4); // reserved, description, palette entries
    const int deviceWidth = r.readI32();
    const int deviceHeight = r.readI32();
    const int millimetreWidth = r.readI32();
    const int millimetreHeight = r.readI32();
    if (!r.ok())
        return std::nullopt;
    h.devicePixels = QSize(deviceWidth, deviceHeight);
    h.deviceMillimetres = QSize(millimetreWidth, millimetreHeight);
    return h;
}

// The reference device's resolution, in dots per inch; a header without a sane device
// (zero or negative sizes) is taken for the 96 dpi screen GDI records on by default.
QSizeF referenceDpi(const Header &h)
{
    const auto dpi = [](int pixels, int millimetres) {
        const double value = millimetres > 0 && pixels > 0 ? pixels * 25.4 / millimetres : 96.0;
        return value >= 1 && value <= 100'000 ? value : 96.0;
    };
    return QSizeF(dpi(h.devicePixels.width(), h.deviceMillimetres.width()),
                  dpi(h.devicePixels.height(), h.deviceMillimetres.height()));
}

// The frame in reference device pixels, as PlayEnhMetaFile fits it onto the target; a
// frame without area gives way to the bounds, which are in pixels already.
std::optional<QRectF> framePixels(const Header &h, QSizeF dpi)
{
    const QRectF frame(QPointF(h.frame.left() * dpi.width() / 2540.0, h.frame.top() * dpi.height() / 2540.0),
                       QPointF(h.frame.right() * dpi.width() / 2540.0, h.frame.bottom() * dpi.height() / 2540.0));
    const auto sane = [](const QRectF &r) {
        return r.width() > 0 && r.height() > 0 && std::abs(r.left()) < core::limits::maxExtent
            && std::abs(r.top()) < core::limits::maxExtent && r.width() < core::limits::maxExtent
            && r.height() < core::limits::maxExtent;
    };
    if (sane(frame))
        return frame;
    // In doubles: a QRect's width overflows an int for bounds from INT_MIN to INT_MAX.
    const QRectF bounds(QPointF(h.bounds.left(), h.bounds.top()),
                        QPointF(double(h.bounds.right()) + 1, double(h.bounds.bottom()) + 1));
    if (sane(bounds))
        return bounds;
    return std::nullopt;
}

// Indexes the records from `offset` to `end`. The walk stops at EMR_EOF or at the end; a
// record whose size is not a whole number of 32-bit words, is shorter than its head or runs
// past the end stops it early, and the records before it still play.
void indexRecords(core::MetafileData &data, qsizetype offset, qsizetype end)
{
    core::ByteReader reader(QByteArrayView(data.bytes).first(end));
    reader.skip(offset);
    while (true) {
        if (reader.remaining() < recordHeadBytes) {
            if (reader.remaining() > 0)
                data.walkResult = core::PlayResult::Truncated;
            return;
        }
        const quint32 type = reader.readU32();
        const quint32 size = reader.readU32();
        if (size < recordHeadBytes || size % 4 != 0) {
            data.walkResult = core::PlayResult::Malformed;
            return;
        }
        if (qint64(size) - recordHeadBytes > reader.remaining()) {
            data.walkResult = core::PlayResult::Truncated;
            return;
        }
        if (type == eofType)
            return;
        if (qsizetype(data.records.size()) >= core::limits::maxRecords) {
            data.walkResult = core::PlayResult::LimitExceeded;
            return;
        }
        data.records.push_back(
            {quint16(qMin(type, quint32(0xFFFF))), offset + recordHeadBytes, qsizetype(size) - recordHeadBytes});
        offset += qsizetype(size);
        reader.skip(qsizetype(size) - recordHeadBytes);
    }
}

} // namespace

bool looksLikeEnhancedMetafile(QByteArrayView head)
{
    core::ByteReader reader(head);
    const quint32 type = reader.readU32();
    reader.skip(signatureOffset - 4);
    return type == headerType && reader.readU32() == signature && reader.ok();
}

std::optional<QString> load(core::MetafileData &data)
{
    if (data.bytes.size() < headerBytes)
        return QStringLiteral("the file is truncated");
    if (!looksLikeEnhancedMetafile(data.bytes))
        return QStringLiteral("not an Enhanced Metafile");
    const std::optional<Header> header = readHeader(core::ByteReader(data.bytes));
    if (!header)
        return QStringLiteral("the file is truncated");
    if (header->size < headerBytes || header->size % 4 != 0)
        return QStringLiteral("the metafile header is damaged");
    if (header->size > quint64(data.bytes.size()))
        return QStringLiteral("the file is truncated");
    const QSizeF dpi = referenceDpi(*header);
    const std::optional<QRectF> frame = framePixels(*header, dpi);
    if (!frame)
        return QStringLiteral("the picture has no size");
    data.enhanced = true;
    data.referenceDpi = dpi;
    data.objectCount = header->handles;
    data.frameOrigin = frame->topLeft();
    data.frameExtent = frame->size();
    // The header's file size, when it is shorter than the data, ends the records: what
    // follows is not part of the metafile. A larger one is the data's truncation, found
    // by the walk.
    const qsizetype end = header->fileBytes >= header->size && header->fileBytes < quint64(data.bytes.size())
                            ? qsizetype(header->fileBytes)
                            : data.bytes.size();
    indexRecords(data, header->size, end);
    return std::nullopt;
}

} // namespace metafile::emf
