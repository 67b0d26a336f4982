// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "text/charset.h"

#include <QSysInfo>

#include <algorithm>
#include <array>
#include <cerrno>
#include <iconv.h>
#include <limits>
#include <map>
#include <memory>
#include <string>

namespace metafile::text {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kSymbolBase = 0xF000;
// The longest character of the code pages used here has 2 bytes; trying up to 4 costs
// nothing and keeps a converter with longer sequences working.
constexpr int kMaxCharacterBytes = 4;
// One character of these code pages yields one code point; a few converters give two.
constexpr int kMaxCodePoints = 4;

constexpr const char *kCp1252 = "CP1252";

struct CodePageEntry
{
    quint8 charSet;
    const char *iconvName;
};

// clang-format off
constexpr std::array<CodePageEntry, 19> kCodePages {{
    {charset::Ansi, kCp1252},
    {charset::Default, kCp1252}, // GDI uses the system's ANSI code page
    {charset::Mac, "MACINTOSH"},
    {charset::ShiftJis, "CP932"},
    {charset::Hangul, "CP949"},
    {charset::Johab, "JOHAB"},
    {charset::Gb2312, "CP936"},
    {charset::ChineseBig5, "CP950"},
    {charset::Greek, "CP1253"},
    {charset::Turkish, "CP1254"},
    {charset::Vietnamese, "CP1258"},
    {charset::Hebrew, "CP1255"},
    {charset::Arabic, "CP1256"},
    {charset::Baltic, "CP1257"},
    {charset::Russian, "CP1251"},
    {charset::Thai, "CP874"},
    {charset::EastEurope, "CP1250"},
    {charset::Oem, "CP437"},
    {charset::Symbol, nullptr},
}};
// clang-format on

// The Symbol face's glyphs for bytes 0x20 to 0xFF as Unicode characters (the font's own
// glyph encoding; iconv has no converter for it). 0 marks a byte without a glyph.
// clang-format off
constexpr std::array<char16_t, 224> kSymbolToUnicode {{
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, // 0x20
    0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, // 0x30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, // 0x40
    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, // 0x50
    0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, // 0x60
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, // 0x70
    0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                 // 0x80
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                 // 0x90
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, // 0xA0
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, // 0xB0
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, // 0xC0
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, // 0xD0
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, // 0xE0
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    0, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,      // 0xF0
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0,
}};
// clang-format on

enum class Status { Complete, Incomplete, Invalid };

struct Conversion
{
    Status status = Status::Invalid;
    int count = 0;
    std::array<char32_t, kMaxCodePoints> codePoints {};
};

// One iconv descriptor from a code page to UTF-32 in the machine's byte order.
class Converter
{
public:
    explicit Converter(const char *codePage)
        : m_descriptor(iconv_open(QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-32LE" : "UTF-32BE", codePage))
    { }
    ~Converter()
    {
        if (isValid())
            iconv_close(m_descriptor);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    // iconv_open() reports failure as the descriptor (iconv_t)-1.
    bool isValid() const { return m_descriptor != reinterpret_cast<iconv_t>(-1); } // NOLINT(performance-no-int-to-ptr)

    // Converts exactly these bytes as one character, from the converter's initial state.
    Conversion convert(const char *bytes, size_t size)
    {
        Conversion result;
        iconv(m_descriptor, nullptr, nullptr, nullptr, nullptr);
        char *in = const_cast<char *>(bytes); // iconv's signature; it does not write the input
        size_t inLeft = size;
        char *out = reinterpret_cast<char *>(result.codePoints.data());
        size_t outLeft = sizeof(result.codePoints);
        if (iconv(m_descriptor, &in, &inLeft, &out, &outLeft) == size_t(-1)) {
            result.status = errno == EINVAL ? Status::Incomplete : Status::Invalid;
            return result;
        }
        // Converters that hold back a base letter for a following combining mark (cp1255,
        // cp1258) give it up here.
        if (iconv(m_descriptor, nullptr, nullptr, &out, &outLeft) == size_t(-1))
            return result;
        result.count = int((sizeof(result.codePoints) - outLeft) / sizeof(char32_t));
        result.status = result.count > 0 ? Status::Complete : Status::Invalid;
        return result;
    }

private:
    iconv_t m_descriptor;
};

// A code page with the conversion of every single byte worked out once.
class CodePage
{
public:
    explicit CodePage(const char *name) : m_converter(name)
    {
        for (int byte = 0; byte < 256; ++byte) {
            const char c = char(byte);
            if (m_converter.isValid()) {
                m_singleBytes[byte] = m_converter.convert(&c, 1);
            } else {
                // Without the system's converter modules Latin-1 still shows ASCII text.
                m_singleBytes[byte].status = Status::Complete;
                m_singleBytes[byte].count = 1;
                m_singleBytes[byte].codePoints[0] = char32_t(byte);
            }
        }
    }

    const Conversion &singleByte(quint8 byte) const { return m_singleBytes[byte]; }
    Conversion convert(const char *bytes, size_t size) { return m_converter.convert(bytes, size); }

private:
    Converter m_converter;
    std::array<Conversion, 256> m_singleBytes;
};

// iconv descriptors carry state, so every thread keeps its own.
CodePage &codePage(const char *name)
{
    thread_local std::map<std::string, std::unique_ptr<CodePage>> cache;
    auto &slot = cache[name];
    if (!slot)
        slot = std::make_unique<CodePage>(name);
    return *slot;
}

void append(DecodedText &decoded, char32_t codePoint, qsizetype firstByte)
{
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint < 0xE000))
        codePoint = kReplacement;
    const qsizetype before = decoded.text.size();
    decoded.text.append(QChar::fromUcs4(codePoint));
    for (qsizetype i = before; i < decoded.text.size(); ++i)
        decoded.firstByte.append(firstByte);
}

void appendConversion(DecodedText &decoded, const Conversion &conversion, qsizetype firstByte)
{
    for (int i = 0; i < conversion.count; ++i)
        append(decoded, conversion.codePoints[size_t(i)], firstByte);
}

// The length of the character at pos, or 0 when the bytes there form none.
int decodeLongCharacter(CodePage &page, QByteArrayView bytes, qsizetype pos, DecodedText &decoded)
{
    const qsizetype available = std::min<qsizetype>(kMaxCharacterBytes, bytes.size() - pos);
    for (int length = 2; length <= available; ++length) {
        const Conversion conversion = page.convert(bytes.data() + pos, size_t(length));
        if (conversion.status == Status::Complete) {
            appendConversion(decoded, conversion, pos);
            return length;
        }
        if (conversion.status == Status::Invalid)
            return 0;
    }
    return 0;
}

DecodedText decodeCodePage(QByteArrayView bytes, const char *name)
{
    DecodedText decoded;
    CodePage &page = codePage(name);
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const Conversion &single = page.singleByte(quint8(bytes[pos]));
        if (single.status == Status::Complete) {
            appendConversion(decoded, single, pos);
            ++pos;
            continue;
        }
        const int length = single.status == Status::Incomplete ? decodeLongCharacter(page, bytes, pos, decoded) : 0;
        if (length == 0) {
            append(decoded, kReplacement, pos);
            ++pos;
        } else {
            pos += length;
        }
    }
    return decoded;
}

char32_t symbolCharacter(quint8 byte, SymbolMapping symbols)
{
    // GDI's symbol code page leaves control bytes as they are.
    if (byte < 0x20)
        return byte;
    if (symbols == SymbolMapping::SymbolToUnicode && kSymbolToUnicode[byte - 0x20] != 0)
        return kSymbolToUnicode[byte - 0x20];
    if (symbols == SymbolMapping::ByteValues)
        return byte;
    return kSymbolBase + byte;
}

DecodedText decodeSymbols(QByteArrayView bytes, SymbolMapping symbols)
{
    DecodedText decoded;
    decoded.text.reserve(bytes.size());
    decoded.firstByte.reserve(bytes.size());
    for (qsizetype pos = 0; pos < bytes.size(); ++pos)
        append(decoded, symbolCharacter(quint8(bytes[pos]), symbols), pos);
    return decoded;
}

// The characters of the standard Macintosh glyph order, by glyph index: the glyph names of
// the order (.notdef, .null, nonmarkingreturn, space, exclam, ...) as Unicode, 0 for the
// three that draw nothing and for "apple", which the Windows faces leave empty.
// clang-format off
constexpr std::array<char16_t, 258> kStandardGlyphOrder {{
    0x0000, 0x0000, 0x0000, 0x0020, 0x0021, 0x0022, 0x0023, 0x0024,
    0x0025, 0x0026, 0x0027, 0x0028, 0x0029, 0x002A, 0x002B, 0x002C,
    0x002D, 0x002E, 0x002F, 0x0030, 0x0031, 0x0032, 0x0033, 0x0034,
    0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B, 0x003C,
    0x003D, 0x003E, 0x003F, 0x0040, 0x0041, 0x0042, 0x0043, 0x0044,
    0x0045, 0x0046, 0x0047, 0x0048, 0x0049, 0x004A, 0x004B, 0x004C,
    0x004D, 0x004E, 0x004F, 0x0050, 0x0051, 0x0052, 0x0053, 0x0054,
    0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A, 0x005B, 0x005C,
    0x005D, 0x005E, 0x005F, 0x0060, 0x0061, 0x0062, 0x0063, 0x0064,
    0x0065, 0x0066, 0x0067, 0x0068, 0x0069, 0x006A, 0x006B, 0x006C,
    0x006D, 0x006E, 0x006F, 0x0070, 0x0071, 0x0072, 0x0073, 0x0074,
    0x0075, 0x0076, 0x0077, 0x0078, 0x0079, 0x007A, 0x007B, 0x007C,
    0x007D, 0x007E, 0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6,
    0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7,
    0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF,
    0x00F1, 0x00F3, 0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9,
    0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022,
    0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260,
    0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5,
    0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x2126,
    0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248,
    0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019,
    0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x00A4, 0x2039, 0x203A,
    0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2,
    0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC,
    0x00D3, 0x00D4, 0x0000, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131,
    0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD,
    0x02DB, 0x02C7, 0x0141, 0x0142, 0x0160, 0x0161, 0x017D, 0x017E,
    0x00A6, 0x00D0, 0x00F0, 0x00DD, 0x00FD, 0x00DE, 0x00FE, 0x2212,
    0x00D7, 0x00B9, 0x00B2, 0x00B3, 0x00BD, 0x00BC, 0x00BE, 0x20A3,
    0x011E, 0x011F, 0x0130, 0x015E, 0x015F, 0x0106, 0x0107, 0x010C,
    0x010D, 0x0111,
}};
// clang-format on

} // namespace

const char *codePageName(quint8 charSet)
{
    for (const CodePageEntry &entry : kCodePages) {
        if (entry.charSet == charSet)
            return entry.iconvName;
    }
    return kCp1252;
}

DecodedText decodeTextWithPositions(QByteArrayView bytes, quint8 charSet, SymbolMapping symbols)
{
    DecodedText decoded;
    if (charSet == charset::Symbol && symbols != SymbolMapping::Ansi)
        decoded = decodeSymbols(bytes, symbols);
    else
        decoded = decodeCodePage(bytes, charSet == charset::Symbol ? kCp1252 : codePageName(charSet));
    decoded.byteCount = bytes.size();
    return decoded;
}

DecodedText decodeUtf16WithPositions(QByteArrayView bytes, quint8 charSet, SymbolMapping symbols)
{
    DecodedText decoded;
    const qsizetype units = bytes.size() / 2;
    const bool symbolFace = charSet == charset::Symbol && symbols != SymbolMapping::Ansi;
    for (qsizetype pos = 0; pos < units; ++pos) {
        const auto unit = char16_t(quint8(bytes[2 * pos]) | (quint8(bytes[2 * pos + 1]) << 8));
        const bool symbol = symbolFace && (unit < 0x100 || (unit >= 0xF000 && unit <= 0xF0FF));
        const bool trail =
            QChar::isLowSurrogate(unit) && pos > 0 && !decoded.text.isEmpty() && decoded.text.back().isHighSurrogate();
        if (symbol) {
            append(decoded, symbolCharacter(quint8(unit & 0xFF), symbols), pos);
            continue;
        }
        decoded.text.append(QChar(unit));
        decoded.firstByte.append(trail ? decoded.firstByte.back() : pos);
    }
    decoded.byteCount = units;
    return decoded;
}

DecodedText decodeStandardGlyphs(QByteArrayView bytes, bool wide)
{
    DecodedText decoded;
    const qsizetype count = wide ? bytes.size() / 2 : bytes.size();
    for (qsizetype pos = 0; pos < count; ++pos) {
        const quint16 glyph =
            wide ? quint16(quint8(bytes[2 * pos]) | (quint8(bytes[2 * pos + 1]) << 8)) : quint8(bytes[pos]);
        const char16_t character = glyph < kStandardGlyphOrder.size() ? kStandardGlyphOrder[glyph] : 0;
        decoded.text.append(QChar(character != 0 ? character : u'\u00A0'));
        decoded.firstByte.append(pos);
    }
    decoded.byteCount = count;
    return decoded;
}

QString decodeText(QByteArrayView bytes, quint8 charSet, SymbolMapping symbols)
{
    return decodeTextWithPositions(bytes, charSet, symbols).text;
}

QList<int> advancesPerCharacter(const DecodedText &decoded, std::span<const int> dxPerByte)
{
    const qsizetype count = decoded.firstByte.size();
    QList<int> advances(count, 0);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype begin = decoded.firstByte[i];
        if (i > 0 && decoded.firstByte[i - 1] == begin)
            continue;
        qsizetype end = decoded.byteCount;
        for (qsizetype next = i + 1; next < count; ++next) {
            if (decoded.firstByte[next] != begin) {
                end = decoded.firstByte[next];
                break;
            }
        }
        qint64 sum = 0; // 32-bit entries of several bytes may add up past an int
        for (qsizetype byte = begin; byte < end && byte < qsizetype(dxPerByte.size()); ++byte)
            sum += dxPerByte[size_t(byte)];
        advances[i] = int(std::clamp<qint64>(sum, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    }
    return advances;
}

} // namespace metafile::text
