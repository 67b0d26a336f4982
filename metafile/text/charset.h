// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Text bytes of TEXTOUT and EXTTEXTOUT records become Unicode here. The bytes are in the
// code page of the selected font's character set (LogFont::charSet); the system's iconv
// (glibc) does the decoding, so no code page is written out in this program. The one
// exception is the symbol set, which iconv does not know: its bytes address a symbol
// font's glyphs directly.
//
// GDI's spacing array (EXTTEXTOUT's dx) has one entry per BYTE, so a multi-byte character
// owns several entries. decodeTextWithPositions() therefore tells, for every QChar it
// returns, the index of the first byte of the character it came from, and
// advancesPerCharacter() folds the per-byte dx into one advance per character.

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <span>

namespace metafile::text {

namespace charset {
constexpr quint8 Ansi = 0;
constexpr quint8 Default = 1;
constexpr quint8 Symbol = 2;
constexpr quint8 Mac = 77;
constexpr quint8 ShiftJis = 128;
constexpr quint8 Hangul = 129;
constexpr quint8 Johab = 130;
constexpr quint8 Gb2312 = 134;
constexpr quint8 ChineseBig5 = 136;
constexpr quint8 Greek = 161;
constexpr quint8 Turkish = 162;
constexpr quint8 Vietnamese = 163;
constexpr quint8 Hebrew = 177;
constexpr quint8 Arabic = 178;
constexpr quint8 Baltic = 186;
constexpr quint8 Russian = 204;
constexpr quint8 Thai = 222;
constexpr quint8 EastEurope = 238;
constexpr quint8 Oem = 255;
} // namespace charset

// How the bytes of SYMBOL_CHARSET text become characters; the font map decides, because it
// depends on the font that is installed (see fontmap.h).
enum class SymbolMapping {
    PrivateUse, // byte b -> U+F000 + b, the way a symbol-encoded font (cmap 3,0) is addressed
    SymbolToUnicode, // the Symbol face's glyphs (Greek, arrows, maths) as their Unicode characters
    ByteValues, // byte b -> U+00bb, for a face that keeps the Symbol glyphs at the byte values
    Ansi, // as cp1252 text, for a non-symbol face that names the symbol set
};

struct DecodedText
{
    QString text;
    // One entry per QChar of text: the index in the input of the first byte of the character
    // that QChar belongs to. A character outside the BMP (two QChars) or one byte that decodes
    // to several code points repeats the index.
    QList<qsizetype> firstByte;
    qsizetype byteCount = 0; // size of the decoded input
};

// The iconv name of the code page for a character set, or nullptr for the symbol set. Sets
// GDI does not know fall back to cp1252: GDI itself uses the system's ANSI code page when
// a font's character set has no code page, and cp1252 is the ANSI code page of the Western
// systems most metafiles come from; it also keeps ASCII text readable.
const char *codePageName(quint8 charSet);

// Bytes that do not form a character of the code page (an undefined byte, a lead byte
// without a valid trail byte, a multi-byte sequence cut off by the end of the text) each
// become U+FFFD, so the text keeps one entry per byte of bad input and nothing after it is
// lost. A lead byte followed by an invalid trail byte yields U+FFFD for the lead byte only;
// decoding goes on at the trail byte.
DecodedText decodeTextWithPositions(QByteArrayView bytes, quint8 charSet,
                                    SymbolMapping symbols = SymbolMapping::PrivateUse);
QString decodeText(QByteArrayView bytes, quint8 charSet, SymbolMapping symbols = SymbolMapping::PrivateUse);
// UTF-16 text (little-endian code units, as enhanced metafiles store it). Positions count code
// units, so that a spacing array has one entry per unit. In a symbol face the units GDI maps
// to its glyphs (U+F000 to U+F0FF, and below U+0100) take the symbol mapping as bytes would.
DecodedText decodeUtf16WithPositions(QByteArrayView bytes, quint8 charSet,
                                     SymbolMapping symbols = SymbolMapping::PrivateUse);

// Glyph indices (ETO_GLYPH_INDEX) of a face whose first 258 glyphs lie in the standard
// Macintosh order, as the characters those glyphs draw: 16-bit little-endian units when
// `wide`, otherwise one index a byte. Positions count indices, so a spacing array keeps one
// entry per glyph. A glyph past the order, or one that draws nothing (.notdef, .null),
// becomes a no-break space: it keeps its place and its spacing entry, draws no ink and is
// not the break character SETTEXTJUSTIFICATION widens.
DecodedText decodeStandardGlyphs(QByteArrayView bytes, bool wide);

// The advance of every QChar of decoded text from a spacing array with one entry per input
// byte (logical units): a character's advance is the sum of the entries of all its bytes, as
// GDI sums the two entries of a double-byte character. Further QChars of the same character
// get 0. Entries missing at the end of a short array count as 0.
QList<int> advancesPerCharacter(const DecodedText &decoded, std::span<const int> dxPerByte);

} // namespace metafile::text
