// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "emfplus/commentwalk.h"

#include "core/bytereader.h"

namespace metafile::emfplus {

namespace {

constexpr quint32 emfPlusIdentifier = 0x2B464D45; // "EMF+" as the file holds it
constexpr quint32 recordHeadBytes = 12;

CommentRecords broken(CommentRecords walked, const char *problem)
{
    walked.result = core::PlayResult::Malformed;
    walked.problem = problem;
    return walked;
}

} // namespace

CommentRecords walkComment(QByteArrayView params)
{
    CommentRecords walked;
    core::ByteReader comment(params);
    const quint32 dataSize = comment.readU32();
    const bool fits = dataSize <= quint64(comment.remaining());
    core::ByteReader data = comment.take(fits ? qsizetype(dataSize) : comment.remaining());
    if (data.readU32() != emfPlusIdentifier || !data.ok())
        return walked;
    walked.emfPlus = true;
    if (!fits)
        return broken(std::move(walked), "an EMF+ comment's data size runs past its record");
    while (!data.atEnd()) {
        if (data.remaining() < recordHeadBytes)
            return broken(std::move(walked), "an EMF+ record head is cut short by the end of its comment");
        Record record;
        record.type = data.readU16();
        record.flags = data.readU16();
        const quint32 size = data.readU32();
        const quint32 recordData = data.readU32();
        if (size < recordHeadBytes || size % 4 != 0 || recordData > size - recordHeadBytes)
            return broken(std::move(walked), "an EMF+ record's size is smaller than its head and data");
        if (size - recordHeadBytes > quint64(data.remaining()))
            return broken(std::move(walked), "an EMF+ record runs past the end of its comment");
        core::ByteReader body = data.take(size - recordHeadBytes);
        record.data = body.readBytes(recordData);
        walked.records.push_back(record);
    }
    return walked;
}

} // namespace metafile::emfplus
