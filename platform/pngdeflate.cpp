// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "pngdeflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <queue>

namespace {

constexpr uint32_t runFlag = 0x10000;
constexpr size_t maxRun = 258;
constexpr size_t minRun = 3;
constexpr size_t blockTokens = size_t(1) << 16;
constexpr uint32_t adlerModulus = 65521;
constexpr int maxCodeBits = 15;
constexpr int maxCodeLengthBits = 7;
constexpr int endOfBlock = 256;

// RFC 1951's lengths: the first length of each of the 29 length codes and its extra bits.
constexpr std::array<uint16_t, 29> lengthBase {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                               31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> lengthExtra {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                               2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// The order the code length code's own lengths are written in.
constexpr std::array<uint8_t, 19> codeLengthOrder {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// The length code (0 to 28) of every run length, 3 to 258.
struct LengthCodes
{
    std::array<uint8_t, maxRun + 1> code {};
    LengthCodes()
    {
        for (size_t c = 0; c < lengthBase.size(); ++c)
            for (size_t length = lengthBase[c]; length <= maxRun; ++length)
                code[length] = uint8_t(c);
    }
};
const LengthCodes lengthCodes;

// Huffman code lengths for `counts`, none longer than `maxBits`. Where the best code would be
// longer, the counts are halved (keeping every symbol in use) until it is not: a code that
// long costs a few bytes at most, in blocks where some symbols are very rare.
std::vector<uint8_t> codeLengths(std::vector<uint32_t> counts, int maxBits)
{
    std::vector<uint8_t> lengths(counts.size(), 0);
    std::vector<size_t> used;
    for (size_t s = 0; s < counts.size(); ++s)
        if (counts[s] > 0)
            used.push_back(s);
    if (used.size() < 2) {
        // A code needs two symbols to be complete: the one in use and any other.
        const size_t first = used.empty() ? 0 : used.front();
        lengths[first] = 1;
        lengths[first == 0 ? 1 : 0] = 1;
        return lengths;
    }
    for (;;) {
        // Leaves are 0 to n-1, inner nodes follow; each node knows its parent.
        const size_t n = used.size();
        std::vector<size_t> parent(2 * n - 1, 0);
        using Node = std::pair<uint64_t, size_t>;
        std::priority_queue<Node, std::vector<Node>, std::greater<>> queue;
        for (size_t i = 0; i < n; ++i)
            queue.emplace(counts[used[i]], i);
        for (size_t next = n; queue.size() > 1; ++next) {
            const Node a = queue.top();
            queue.pop();
            const Node b = queue.top();
            queue.pop();
            parent[a.second] = next;
            parent[b.second] = next;
            queue.emplace(a.first + b.first, next);
        }
        // Parents come after their children, so depths are found walking down from the root.
        std::vector<int> depth(2 * n - 1, 0);
        for (size_t node = 2 * n - 2; node-- > 0;)
            depth[node] = depth[parent[node]] + 1;
        const int deepest = *std::max_element(depth.begin(), depth.begin() + std::ptrdiff_t(n));
        if (deepest <= maxBits) {
            for (size_t i = 0; i < n; ++i)
                lengths[used[i]] = uint8_t(depth[i]);
            return lengths;
        }
        for (const size_t s : used)
            counts[s] = (counts[s] >> 1) | 1;
    }
}

uint32_t reversed(uint32_t code, int bits)
{
    uint32_t out = 0;
    for (int i = 0; i < bits; ++i, code >>= 1)
        out = (out << 1) | (code & 1);
    return out;
}

// The canonical codes of `lengths` (RFC 1951, 3.2.2), bit-reversed as deflate writes them.
std::vector<uint16_t> canonicalCodes(const std::vector<uint8_t> &lengths)
{
    std::array<uint32_t, maxCodeBits + 2> perLength {};
    for (const uint8_t length : lengths)
        ++perLength[length];
    perLength[0] = 0;
    std::array<uint32_t, maxCodeBits + 2> next {};
    uint32_t code = 0;
    for (size_t bits = 1; bits < next.size(); ++bits) {
        code = (code + perLength[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<uint16_t> codes(lengths.size(), 0);
    for (size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s] > 0)
            codes[s] = uint16_t(reversed(next[lengths[s]]++, lengths[s]));
    return codes;
}

} // namespace

RunDeflater::RunDeflater(int pixelBytes) : m_distanceCode(std::clamp(pixelBytes, 1, 4) - 1)
{
    m_tokens.resize(blockTokens);
    // A 32 KiB window, no dictionary, the fastest kind: 0x78 0x01 checks as a multiple of 31.
    m_out = {0x78, 0x01};
}

void RunDeflater::add(const unsigned char *bytes, size_t size)
{
    const auto back = size_t(m_distanceCode) + 1;
    size_t literalsFrom = 0;
    size_t i = std::min(back, size);
    while (i < size) {
        if (bytes[i] != bytes[i - back]) {
            ++i;
            continue;
        }
        size_t end = i + 1;
        while (end + sizeof(uint64_t) <= size) {
            uint64_t here = 0;
            uint64_t before = 0;
            std::memcpy(&here, bytes + end, sizeof here);
            std::memcpy(&before, bytes + end - back, sizeof before);
            if (here != before)
                break;
            end += sizeof(uint64_t);
        }
        while (end < size && bytes[end] == bytes[end - back])
            ++end;
        if (end - i < minRun) {
            i = end;
            continue;
        }
        sum(bytes + literalsFrom, i - literalsFrom);
        addLiterals(bytes + literalsFrom, i - literalsFrom);
        // Most runs are zeros, which the checksum takes without reading them.
        if (std::all_of(bytes + i - back, bytes + i, [](unsigned char b) { return b == 0; }))
            sumZeros(end - i);
        else
            sum(bytes + i, end - i);
        addRun(end - i);
        i = literalsFrom = end;
    }
    sum(bytes + literalsFrom, size - literalsFrom);
    addLiterals(bytes + literalsFrom, size - literalsFrom);
    noteTrailingZeros(bytes, size);
}

void RunDeflater::sum(const unsigned char *bytes, size_t size)
{
    if (size == 0)
        return;
    const uLong sum = adler32(m_sum1 | (m_sum2 << 16), bytes, uInt(size));
    m_sum1 = uint32_t(sum & 0xFFFF);
    m_sum2 = uint32_t(sum >> 16);
}

// Zeros leave Adler-32's first sum as it is and add it to the second once for each.
void RunDeflater::sumZeros(size_t size)
{
    m_sum2 = uint32_t((m_sum2 + uint64_t(size % adlerModulus) * m_sum1) % adlerModulus);
}

void RunDeflater::noteTrailingZeros(const unsigned char *bytes, size_t size)
{
    const auto back = size_t(m_distanceCode) + 1;
    size_t zeros = 0;
    while (zeros < std::min(size, back) && bytes[size - 1 - zeros] == 0)
        ++zeros;
    m_trailingZeros = zeros == size ? std::min(back, m_trailingZeros + zeros) : zeros;
}

void RunDeflater::addZeros(size_t size)
{
    sumZeros(size);
    // A run copies the zeros a pixel back, so first there must be a pixel's worth of them.
    const auto back = size_t(m_distanceCode) + 1;
    static constexpr std::array<unsigned char, 4> zeros {};
    const size_t literals = std::min(size, back - m_trailingZeros);
    addLiterals(zeros.data(), literals);
    if (size - literals >= minRun)
        addRun(size - literals);
    else
        addLiterals(zeros.data(), size - literals);
    m_trailingZeros = std::min(back, m_trailingZeros + size);
}

void RunDeflater::addLiterals(const unsigned char *bytes, size_t size)
{
    while (size > 0) {
        const size_t take = std::min(size, blockTokens - m_tokenCount);
        for (size_t i = 0; i < take; ++i) {
            m_tokens[m_tokenCount + i] = bytes[i];
            ++m_counts[bytes[i]];
        }
        m_tokenCount += take;
        bytes += take;
        size -= take;
        if (m_tokenCount == blockTokens)
            writeBlock(false);
    }
}

// A run of `length` bytes (at least three), each a copy of the one a pixel back.
void RunDeflater::addRun(size_t length)
{
    while (length >= minRun) {
        size_t take = std::min(length, maxRun);
        // Never leave one or two bytes, which no run can take.
        if (length - take < minRun && length - take > 0)
            take = length - minRun;
        m_tokens[m_tokenCount++] = runFlag | uint32_t(take);
        ++m_counts[257 + lengthCodes.code[take]];
        length -= take;
        if (m_tokenCount == blockTokens)
            writeBlock(false);
    }
}

// One block with codes fitted to its tokens: its header, the two codes' lengths, the tokens and
// the end of the block.
void RunDeflater::writeBlock(bool last)
{
    m_counts[endOfBlock] = 1;
    std::vector<uint8_t> literalLengths = codeLengths({m_counts.begin(), m_counts.end()}, maxCodeBits);
    // Every run copies from one distance; a second code of the same length keeps the code
    // complete, which some inflaters insist on.
    std::vector<uint8_t> distanceLengths(size_t(std::max(m_distanceCode, 1)) + 1, 0);
    distanceLengths[size_t(m_distanceCode)] = 1;
    distanceLengths[size_t(m_distanceCode == 0 ? 1 : 0)] = 1;
    size_t literalCount = literalLengths.size();
    while (literalCount > 257 && literalLengths[literalCount - 1] == 0)
        --literalCount;
    literalLengths.resize(literalCount);

    // Room for the block: its tokens' bits, counted from the codes, and the codes' own.
    constexpr size_t kMaxHeaderBytes = 1024;
    size_t bits = 0;
    for (size_t symbol = 0; symbol < literalLengths.size(); ++symbol) {
        const size_t perSymbol =
            literalLengths[symbol]
            + (symbol > endOfBlock ? lengthExtra[symbol - 257] + distanceLengths[size_t(m_distanceCode)] : 0);
        bits += m_counts[symbol] * perSymbol;
    }
    m_outEnd = m_out.size();
    m_out.resize(m_outEnd + bits / 8 + kMaxHeaderBytes);
    putBits(last ? 1 : 0, 1);
    putBits(2, 2); // dynamic Huffman codes
    putBits(uint32_t(literalCount - 257), 5);
    putBits(uint32_t(distanceLengths.size() - 1), 5);
    std::vector<uint8_t> lengths = literalLengths;
    lengths.insert(lengths.end(), distanceLengths.begin(), distanceLengths.end());
    writeCodeLengths(lengths);

    const std::vector<uint16_t> literalCodes = canonicalCodes(literalLengths);
    const std::vector<uint16_t> distanceCodes = canonicalCodes(distanceLengths);
    const uint32_t distanceCode = distanceCodes[size_t(m_distanceCode)];
    const int distanceBits = distanceLengths[size_t(m_distanceCode)];
    for (size_t t = 0; t < m_tokenCount; ++t) {
        const uint32_t token = m_tokens[t];
        if ((token & runFlag) == 0) {
            putBits(literalCodes[token], literalLengths[token]);
            continue;
        }
        const uint32_t length = token & 0xFFFF;
        const size_t code = lengthCodes.code[length];
        putBits(literalCodes[257 + code], literalLengths[257 + code]);
        if (lengthExtra[code] > 0)
            putBits(length - lengthBase[code], lengthExtra[code]);
        putBits(distanceCode, distanceBits);
    }
    putBits(literalCodes[endOfBlock], literalLengths[endOfBlock]);
    m_out.resize(m_outEnd);
    m_tokenCount = 0;
    m_counts.fill(0);
}

// Both codes' lengths, themselves coded: runs of zeros and repeats shortened (symbols 16 to 18),
// then Huffman-coded with a code whose own lengths lead.
void RunDeflater::writeCodeLengths(const std::vector<uint8_t> &lengths)
{
    // Symbols with their extra bits' value in the upper byte.
    std::vector<uint32_t> symbols;
    for (size_t i = 0; i < lengths.size();) {
        const uint8_t value = lengths[i];
        size_t run = 1;
        while (i + run < lengths.size() && lengths[i + run] == value)
            ++run;
        i += run;
        if (value != 0) {
            symbols.push_back(value);
            --run;
            for (; run >= 3; run -= std::min<size_t>(run, 6))
                symbols.push_back(16 | uint32_t(std::min<size_t>(run, 6) - 3) << 8);
        } else {
            for (; run >= 11; run -= std::min<size_t>(run, 138))
                symbols.push_back(18 | uint32_t(std::min<size_t>(run, 138) - 11) << 8);
            if (run >= 3) {
                symbols.push_back(17 | uint32_t(run - 3) << 8);
                run = 0;
            }
        }
        for (; run > 0; --run)
            symbols.push_back(value);
    }
    std::vector<uint32_t> counts(19, 0);
    for (const uint32_t symbol : symbols)
        ++counts[symbol & 0xFF];
    const std::vector<uint8_t> codeLengthLengths = codeLengths(counts, maxCodeLengthBits);
    const std::vector<uint16_t> codes = canonicalCodes(codeLengthLengths);
    size_t written = codeLengthOrder.size();
    while (written > 4 && codeLengthLengths[codeLengthOrder[written - 1]] == 0)
        --written;
    putBits(uint32_t(written - 4), 4);
    for (size_t i = 0; i < written; ++i)
        putBits(codeLengthLengths[codeLengthOrder[i]], 3);
    static constexpr std::array<int, 3> extraBits {2, 3, 7}; // of symbols 16, 17 and 18
    for (const uint32_t symbol : symbols) {
        const uint32_t code = symbol & 0xFF;
        putBits(codes[code], codeLengthLengths[code]);
        if (code >= 16)
            putBits(symbol >> 8, extraBits[code - 16]);
    }
}

void RunDeflater::finish()
{
    writeBlock(true);
    for (; m_bitCount > 0; m_bitCount -= 8, m_bits >>= 8)
        m_out.push_back((unsigned char)m_bits);
    const uint32_t sum = (m_sum2 << 16) | m_sum1;
    for (int shift = 24; shift >= 0; shift -= 8)
        m_out.push_back((unsigned char)(sum >> shift));
}
