// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "core/inflate.h"

#include <zlib.h>

#include <algorithm>

namespace metafile::core {

namespace {

// zlib counts in 32-bit units; each call is given at most this much input or output.
constexpr qsizetype maxStep = qsizetype(1) << 30;
// The output grows by this much at a time, so a bomb's memory is reached step by step.
constexpr qsizetype growthBytes = qsizetype(1) << 20;

// One gzip stream and its zlib state, ended whatever way the inflation ends.
class GzipStream
{
public:
    explicit GzipStream(QByteArrayView input) : m_input(input)
    {
        // 16 + MAX_WBITS: a gzip wrapper (header and CRC-32 trailer), no zlib or raw data.
        m_ready = inflateInit2(&m_stream, 16 + MAX_WBITS) == Z_OK;
    }
    ~GzipStream()
    {
        if (m_ready)
            inflateEnd(&m_stream);
    }
    GzipStream(const GzipStream &) = delete;
    GzipStream &operator=(const GzipStream &) = delete;

    bool ready() const { return m_ready; }

    // Inflates the input left into the `room` bytes at `out`; returns zlib's status and sets
    // `produced` to the bytes written.
    int step(char *out, qsizetype room, qsizetype *produced)
    {
        const qsizetype inputLeft = m_input.size() - m_consumed;
        m_stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(m_input.data() + m_consumed));
        m_stream.avail_in = uInt(std::min(inputLeft, maxStep));
        m_stream.next_out = reinterpret_cast<Bytef *>(out);
        m_stream.avail_out = uInt(std::min(room, maxStep));
        const uInt inputBefore = m_stream.avail_in;
        const uInt outputBefore = m_stream.avail_out;
        const int status = ::inflate(&m_stream, Z_NO_FLUSH);
        m_consumed += qsizetype(inputBefore - m_stream.avail_in);
        *produced = qsizetype(outputBefore - m_stream.avail_out);
        return status;
    }

    // After a member's end: starts the next member when the rest of the input is one.
    bool nextMember()
    {
        if (!isGzip(m_input.sliced(m_consumed)))
            return false;
        return inflateReset(&m_stream) == Z_OK;
    }

    bool inputLeft() const { return m_consumed < m_input.size(); }

private:
    QByteArrayView m_input;
    qsizetype m_consumed = 0;
    z_stream m_stream {};
    bool m_ready = false;
};

} // namespace

bool isGzip(QByteArrayView bytes)
{
    return bytes.size() >= 3 && quint8(bytes[0]) == 0x1F && quint8(bytes[1]) == 0x8B && quint8(bytes[2]) == 8;
}

std::optional<QByteArray> inflateGzip(QByteArrayView compressed, qsizetype cap, QString *error)
{
    auto fail = [error](const QString &why) -> std::optional<QByteArray> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    GzipStream stream(compressed);
    if (!isGzip(compressed) || !stream.ready())
        return fail(QStringLiteral("the compressed data could not be read"));
    QByteArray out;
    qsizetype size = 0;
    for (;;) {
        // One byte past the cap is room enough to know the data is larger than allowed.
        if (size == out.size())
            out.resize(std::min(size + std::max(growthBytes, size / 2), cap + 1));
        qsizetype produced = 0;
        const int status = stream.step(out.data() + size, out.size() - size, &produced);
        size += produced;
        if (size > cap)
            return fail(QStringLiteral("the compressed file inflates to more than %1 MiB, too large for a metafile")
                            .arg(cap / (qsizetype(1024) * 1024)));
        if (status == Z_STREAM_END) {
            if (stream.nextMember())
                continue;
            break;
        }
        if (status == Z_OK)
            continue;
        if (status == Z_MEM_ERROR)
            return fail(QStringLiteral("there is not enough memory to inflate the file"));
        // No progress with all the input taken: the stream stops before its end.
        if (status == Z_BUF_ERROR && !stream.inputLeft())
            return fail(QStringLiteral("the compressed file is truncated"));
        return fail(QStringLiteral("the compressed data is damaged"));
    }
    out.truncate(size);
    out.squeeze();
    return out;
}

QByteArray inflateHead(QByteArrayView compressed, qsizetype count)
{
    GzipStream stream(compressed);
    if (!isGzip(compressed) || !stream.ready() || count <= 0)
        return {};
    QByteArray out(count, Qt::Uninitialized);
    qsizetype size = 0;
    while (size < count) {
        qsizetype produced = 0;
        const int status = stream.step(out.data() + size, count - size, &produced);
        size += produced;
        if (status != Z_OK || produced == 0)
            break;
    }
    out.truncate(size);
    return out;
}

} // namespace metafile::core
