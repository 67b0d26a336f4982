// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A deflater for the filtered rows of drawn pictures, several times faster than zlib's fastest
// level for files about as small. A drawing filtered by rows is mostly runs: zeros where a
// flat area repeats the row above, a pixel's bytes repeated along a solid span. This deflater
// looks for nothing else: it finds each run a word at a time, codes it as a copy of the bytes
// one pixel back, and codes the runs and the bytes between them with Huffman codes fitted to
// each block. zlib spends most of its time hashing every byte in search of matches a drawing
// seldom has.
//
// It writes a whole zlib stream (RFC 1950 around RFC 1951): the header, dynamic-Huffman
// blocks, the final block and the Adler-32 of the bytes given.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class RunDeflater
{
public:
    // `pixelBytes` (1 to 4) is how far back a run copies from.
    explicit RunDeflater(int pixelBytes);

    // Deflates `size` more bytes. A run is looked for only where the bytes one pixel back are
    // in the same call, so callers hand over many rows at a time.
    void add(const unsigned char *bytes, size_t size);
    // Deflates `size` more zero bytes, without reading or summing them one by one: the rows
    // of a drawing that repeat the row above.
    void addZeros(size_t size);
    // Ends the stream: the last block and the checksum.
    void finish();

    // The deflated bytes not yet taken; the caller empties it as it writes them out.
    std::vector<unsigned char> &output() { return m_out; }

private:
    // Appends the low `count` bits of `value`, first bit first, 32 at a time, into the room
    // writeBlock() made after m_outEnd.
    void putBits(uint32_t value, int count)
    {
        m_bits |= uint64_t(value) << m_bitCount;
        m_bitCount += count;
        if (m_bitCount < 32)
            return;
        unsigned char *out = m_out.data() + m_outEnd;
        for (size_t i = 0; i < 4; ++i, m_bits >>= 8)
            out[i] = (unsigned char)m_bits;
        m_outEnd += 4;
        m_bitCount -= 32;
    }
    void sum(const unsigned char *bytes, size_t size);
    void sumZeros(size_t size);
    void addLiterals(const unsigned char *bytes, size_t size);
    void addRun(size_t length);
    void noteTrailingZeros(const unsigned char *bytes, size_t size);
    void writeBlock(bool last);
    void writeCodeLengths(const std::vector<uint8_t> &lengths);

    int m_distanceCode = 0;
    std::vector<uint32_t> m_tokens; // a byte, or a run's length with runFlag
    size_t m_tokenCount = 0;
    std::array<uint32_t, 286> m_counts {};
    std::vector<unsigned char> m_out;
    size_t m_outEnd = 0; // where putBits() writes next, while a block is written
    uint64_t m_bits = 0;
    int m_bitCount = 0;
    size_t m_trailingZeros = 0; // how many of the last bytes given were zeros, up to a pixel's
    uint32_t m_sum1 = 1; // Adler-32's two sums
    uint32_t m_sum2 = 0;
};
