// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "text/charset.h"

#include <QRandomGenerator>
#include <QTest>

#include <vector>

using namespace metafile;

namespace {

QString utf16(const char16_t *text) { return QString::fromUtf16(text); }

QList<qsizetype> positions(std::initializer_list<qsizetype> list) { return QList<qsizetype>(list); }

} // namespace

class TestCharset : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesByCharSet_data();
    void decodesByCharSet();
    void unknownCharSetsReadAsAnsi_data();
    void unknownCharSetsReadAsAnsi();
    void badBytesBecomeReplacements_data();
    void badBytesBecomeReplacements();
    void symbolBytes_data();
    void symbolBytes();
    void advancesFoldPerByteSpacing_data();
    void advancesFoldPerByteSpacing();
    void arbitraryBytesKeepPositionsConsistent_data();
    void arbitraryBytesKeepPositionsConsistent();
};

void TestCharset::decodesByCharSet_data()
{
    QTest::addColumn<int>("charSet");
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<QString>("expected");

    QTest::addRow("ansi euro and e acute") << 0 << QByteArray("80e9") << utf16(u"\u20AC\u00E9");
    QTest::addRow("default is ansi") << 1 << QByteArray("80") << utf16(u"\u20AC");
    QTest::addRow("east europe") << 238 << QByteArray("8ab9") << utf16(u"\u0160\u0105");
    QTest::addRow("russian") << 204 << QByteArray("cff0e8") << utf16(u"\u041F\u0440\u0438");
    QTest::addRow("greek") << 161 << QByteArray("e1e2e3") << utf16(u"\u03B1\u03B2\u03B3");
    QTest::addRow("turkish") << 162 << QByteArray("fdf0") << utf16(u"\u0131\u011F");
    QTest::addRow("hebrew") << 177 << QByteArray("f9ec") << utf16(u"\u05E9\u05DC");
    QTest::addRow("arabic") << 178 << QByteArray("c7") << utf16(u"\u0627");
    QTest::addRow("baltic") << 186 << QByteArray("e0") << utf16(u"\u0105");
    QTest::addRow("thai") << 222 << QByteArray("a1") << utf16(u"\u0E01");
    // Windows gives the tone mark as its own character; the spacing array counts it.
    QTest::addRow("vietnamese keeps combining mark") << 163 << QByteArray("61cc") << utf16(u"a\u0300");
    QTest::addRow("oem box drawing") << 255 << QByteArray("c9cdbb") << utf16(u"\u2554\u2550\u2557");
    QTest::addRow("mac roman") << 77 << QByteArray("8e") << utf16(u"\u00E9");
    QTest::addRow("shift-jis") << 128 << QByteArray("93fa967b") << utf16(u"\u65E5\u672C");
    QTest::addRow("shift-jis half-width kana") << 128 << QByteArray("b1") << utf16(u"\uFF71");
    QTest::addRow("shift-jis with ascii") << 128 << QByteArray("4193fa42") << utf16(u"A\u65E5B");
    QTest::addRow("gb2312") << 134 << QByteArray("d6d0cec4") << utf16(u"\u4E2D\u6587");
    QTest::addRow("big5") << 136 << QByteArray("a4a4a4e5") << utf16(u"\u4E2D\u6587");
    QTest::addRow("hangul") << 129 << QByteArray("c7d1b1db") << utf16(u"\uD55C\uAE00");
    QTest::addRow("johab") << 130 << QByteArray("d0658b69") << utf16(u"\uD55C\uAE00");
    QTest::addRow("empty") << 128 << QByteArray() << QString();
}

void TestCharset::decodesByCharSet()
{
    QFETCH(int, charSet);
    QFETCH(QByteArray, hex);
    QFETCH(QString, expected);

    QCOMPARE(metafile::text::decodeText(QByteArray::fromHex(hex), quint8(charSet)), expected);
}

void TestCharset::unknownCharSetsReadAsAnsi_data()
{
    QTest::addColumn<int>("charSet");
    QTest::addRow("3, between symbol and mac") << 3;
    QTest::addRow("76, just below mac") << 76;
    QTest::addRow("78, just above mac") << 78;
    QTest::addRow("127, just below shift-jis") << 127;
    QTest::addRow("200") << 200;
    QTest::addRow("254, just below oem") << 254;
}

void TestCharset::unknownCharSetsReadAsAnsi()
{
    QFETCH(int, charSet);
    QCOMPARE(metafile::text::codePageName(quint8(charSet)), "CP1252");
    const metafile::text::DecodedText decoded =
        metafile::text::decodeTextWithPositions(QByteArray::fromHex("418093"), quint8(charSet));
    QCOMPARE(decoded.text, utf16(u"A\u20AC\u201C"));
    QCOMPARE(decoded.firstByte, positions({0, 1, 2}));
}

void TestCharset::badBytesBecomeReplacements_data()
{
    QTest::addColumn<int>("charSet");
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QList<qsizetype>>("firstByte");

    QTest::addRow("shift-jis lead byte cut off at the end")
        << 128 << QByteArray("4193") << utf16(u"A\uFFFD") << positions({0, 1});
    QTest::addRow("shift-jis lead byte alone") << 128 << QByteArray("93") << utf16(u"\uFFFD") << positions({0});
    QTest::addRow("shift-jis invalid trail keeps the trail")
        << 128 << QByteArray("932041") << utf16(u"\uFFFD A") << positions({0, 1, 2});
    QTest::addRow("big5 cut off") << 136 << QByteArray("a4a4a4") << utf16(u"\u4E2D\uFFFD") << positions({0, 2});
    QTest::addRow("gb2312 cut off") << 134 << QByteArray("d6") << utf16(u"\uFFFD") << positions({0});
    QTest::addRow("hangul cut off") << 129 << QByteArray("41c7") << utf16(u"A\uFFFD") << positions({0, 1});
    QTest::addRow("johab cut off") << 130 << QByteArray("d0") << utf16(u"\uFFFD") << positions({0});
    QTest::addRow("undefined ansi byte") << 0 << QByteArray("418142") << utf16(u"A\uFFFDB") << positions({0, 1, 2});
    QTest::addRow("undefined greek byte") << 161 << QByteArray("aa") << utf16(u"\uFFFD") << positions({0});
}

void TestCharset::badBytesBecomeReplacements()
{
    QFETCH(int, charSet);
    QFETCH(QByteArray, hex);
    QFETCH(QString, expected);
    QFETCH(QList<qsizetype>, firstByte);

    const QByteArray bytes = QByteArray::fromHex(hex);
    const metafile::text::DecodedText decoded = metafile::text::decodeTextWithPositions(bytes, quint8(charSet));
    QCOMPARE(decoded.text, expected);
    QCOMPARE(decoded.firstByte, firstByte);
    QCOMPARE(decoded.byteCount, bytes.size());
}

void TestCharset::symbolBytes_data()
{
    QTest::addColumn<int>("mapping");
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<QString>("expected");

    const int privateUse = int(metafile::text::SymbolMapping::PrivateUse);
    const int unicode = int(metafile::text::SymbolMapping::SymbolToUnicode);
    const int ansi = int(metafile::text::SymbolMapping::Ansi);
    QTest::addRow("private use letters") << privateUse << QByteArray("6162") << utf16(u"\uF061\uF062");
    QTest::addRow("private use high byte") << privateUse << QByteArray("ff") << utf16(u"\uF0FF");
    QTest::addRow("private use keeps controls") << privateUse << QByteArray("09") << utf16(u"\u0009");
    QTest::addRow("unicode greek") << unicode << QByteArray("616267") << utf16(u"\u03B1\u03B2\u03B3");
    QTest::addRow("unicode capital sigma") << unicode << QByteArray("53") << utf16(u"\u03A3");
    QTest::addRow("unicode digits stay") << unicode << QByteArray("3132") << utf16(u"12");
    QTest::addRow("unicode maths") << unicode << QByteArray("b4a5d6") << utf16(u"\u00D7\u221E\u221A");
    QTest::addRow("unicode arrows") << unicode << QByteArray("aedb") << utf16(u"\u2192\u21D4");
    QTest::addRow("unicode integral pieces") << unicode << QByteArray("f3f4f5") << utf16(u"\u2320\u23AE\u2321");
    QTest::addRow("unicode undefined byte stays private use")
        << unicode << QByteArray("80f0") << utf16(u"\uF080\uF0F0");
    QTest::addRow("ansi reads cp1252") << ansi << QByteArray("4180") << utf16(u"A\u20AC");
}

void TestCharset::symbolBytes()
{
    QFETCH(int, mapping);
    QFETCH(QByteArray, hex);
    QFETCH(QString, expected);

    const QByteArray bytes = QByteArray::fromHex(hex);
    const metafile::text::DecodedText decoded = metafile::text::decodeTextWithPositions(
        bytes, metafile::text::charset::Symbol, metafile::text::SymbolMapping(mapping));
    QCOMPARE(decoded.text, expected);
    QCOMPARE(decoded.firstByte.size(), bytes.size());
}

void TestCharset::advancesFoldPerByteSpacing_data()
{
    QTest::addColumn<int>("charSet");
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<QList<int>>("dx");
    QTest::addColumn<QList<int>>("expected");

    QTest::addRow("single-byte, one entry each")
        << 0 << QByteArray("414243") << QList<int> {10, 20, 30} << QList<int> {10, 20, 30};
    QTest::addRow("double-byte character sums its two entries")
        << 128 << QByteArray("4193fa42") << QList<int> {10, 5, 6, 7} << QList<int> {10, 11, 7};
    QTest::addRow("two double-byte characters")
        << 136 << QByteArray("a4a4a4e5") << QList<int> {12, 0, 12, 0} << QList<int> {12, 12};
    QTest::addRow("short array counts missing entries as 0")
        << 128 << QByteArray("4193fa42") << QList<int> {10, 5} << QList<int> {10, 5, 0};
    QTest::addRow("empty array") << 0 << QByteArray("4142") << QList<int> {} << QList<int> {0, 0};
    QTest::addRow("longer array ignores the surplus") << 0 << QByteArray("41") << QList<int> {4, 99} << QList<int> {4};
    QTest::addRow("cut-off lead byte keeps its own entry")
        << 128 << QByteArray("4193") << QList<int> {3, 4} << QList<int> {3, 4};
    QTest::addRow("negative entries move back") << 0 << QByteArray("4142") << QList<int> {-5, 8} << QList<int> {-5, 8};
}

void TestCharset::advancesFoldPerByteSpacing()
{
    QFETCH(int, charSet);
    QFETCH(QByteArray, hex);
    QFETCH(QList<int>, dx);
    QFETCH(QList<int>, expected);

    const metafile::text::DecodedText decoded =
        metafile::text::decodeTextWithPositions(QByteArray::fromHex(hex), quint8(charSet));
    QCOMPARE(metafile::text::advancesPerCharacter(decoded, std::span<const int>(dx.constData(), size_t(dx.size()))),
             expected);
}

void TestCharset::arbitraryBytesKeepPositionsConsistent_data()
{
    QTest::addColumn<int>("charSet");
    for (const int charSet : {0, 2, 77, 128, 129, 130, 134, 136, 161, 162, 163, 177, 178, 186, 204, 222, 238, 255})
        QTest::addRow("charset %d", charSet) << charSet;
}

// Whatever the bytes, every byte is accounted for: positions rise, start at 0, stay inside
// the input and every byte starts a character or sits inside one.
void TestCharset::arbitraryBytesKeepPositionsConsistent()
{
    QFETCH(int, charSet);
    QRandomGenerator random(quint32(charSet) + 1);
    QByteArray bytes(4096, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random.bounded(256));

    const metafile::text::DecodedText decoded = metafile::text::decodeTextWithPositions(bytes, quint8(charSet));
    QCOMPARE(decoded.firstByte.size(), decoded.text.size());
    QVERIFY(!decoded.text.isEmpty());
    QCOMPARE(decoded.firstByte.first(), qsizetype(0));
    qsizetype previous = 0;
    for (const qsizetype position : decoded.firstByte) {
        QVERIFY(position >= previous);
        QVERIFY(position - previous <= 4);
        QVERIFY(position < bytes.size());
        previous = position;
    }
    const std::vector<int> ones(size_t(bytes.size()), 1);
    int total = 0;
    for (const int advance : metafile::text::advancesPerCharacter(decoded, ones))
        total += advance;
    QCOMPARE(total, int(bytes.size()));
}

QTEST_GUILESS_MAIN(TestCharset)
#include "tst_charset.moc"
