// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "sizetext.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {
constexpr double infinity = std::numeric_limits<double>::infinity();
}

class TestSizeText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checkAndReading_data();
    void checkAndReading();
    void wholeNumberValue_data();
    void wholeNumberValue();
    void leadingNumber_data();
    void leadingNumber();
    void negativeZeroKeepsSignUntilTwips();
    void singlePrecision_data();
    void singlePrecision();
    void sizeTwips_data();
    void sizeTwips();
};

// One row per size text: does the size check accept it, and what does the leading-number
// rule read from it. The two may disagree on commas and grouping, by the rules.
void TestSizeText::checkAndReading_data()
{
    QTest::addColumn<QString>("localeName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("reading");

    const QString us = u"en_US"_s;
    const QString de = u"de_DE"_s;
    QTest::addRow("zero") << us << u"0"_s << true << 0.0;
    QTest::addRow("minus one") << us << u"-1"_s << false << -1.0;
    QTest::addRow("empty") << us << QString() << false << 0.0;
    QTest::addRow("blanks") << us << u"   "_s << false << 0.0;
    QTest::addRow("fraction") << us << u"2500.5"_s << true << 2500.5;
    QTest::addRow("exponent") << us << u"1e3"_s << true << 1000.0;
    QTest::addRow("surrounding blanks") << us << u"  4095  "_s << true << 4095.0;
    QTest::addRow("grouped thousand en") << us << u"1,000"_s << true << 1.0;
    QTest::addRow("decimal comma en") << us << u"2,5"_s << false << 2.0;
    QTest::addRow("hex") << us << u"&H10"_s << false << 16.0;
    QTest::addRow("octal") << us << u"&O17"_s << false << 15.0;
    QTest::addRow("beyond double") << us << u"1e400"_s << false << infinity;
    QTest::addRow("trailing letters") << us << u"12abc"_s << false << 12.0;
    QTest::addRow("blanks between digits") << us << u" 1 2 3 "_s << false << 123.0;
    QTest::addRow("tab and line feed around") << us << u"\t42\n"_s << true << 42.0;
    QTest::addRow("tab and line feed inside") << us << u"4\t0\n95"_s << false << 4095.0;
    QTest::addRow("word inf") << us << u"inf"_s << false << 0.0;
    QTest::addRow("word nan") << us << u"nan"_s << false << 0.0;
    QTest::addRow("negative zero") << us << u"-0"_s << true << 0.0;
    QTest::addRow("tiny negative") << us << u"-0.001"_s << false << -0.001;
    QTest::addRow("grouped thousand de") << de << u"1.000"_s << true << 1.0;
    QTest::addRow("decimal comma de") << de << u"2,5"_s << true << 2.0;
    QTest::addRow("comma thousand de") << de << u"1,000"_s << true << 1.0;
    QTest::addRow("grouped with decimals de") << de << u"1.000,5"_s << true << 1.0;
    QTest::addRow("period decimal de") << de << u"2500.5"_s << false << 2500.5;
}

void TestSizeText::checkAndReading()
{
    QFETCH(QString, localeName);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(double, reading);

    QCOMPARE(isValidSize(text, QLocale(localeName)), accepted);
    QCOMPARE(readLeadingNumber(text), reading);
}

void TestSizeText::wholeNumberValue_data()
{
    QTest::addColumn<QString>("localeName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("reads");
    QTest::addColumn<double>("value");

    const QString us = u"en_US"_s;
    const QString de = u"de_DE"_s;
    QTest::addRow("grouped thousand en") << us << u"1,000"_s << true << 1000.0;
    QTest::addRow("decimal comma de") << de << u"2,5"_s << true << 2.5;
    QTest::addRow("grouped with decimals de") << de << u"1.000,5"_s << true << 1000.5;
    QTest::addRow("negative still reads") << us << u"-1"_s << true << -1.0;
    QTest::addRow("near double limit") << us << u"1.5e308"_s << true << 1.5e308;
    QTest::addRow("misplaced grouping") << us << u"1,0,0"_s << false << 0.0;
    QTest::addRow("negative beyond double") << us << u"-1e400"_s << false << 0.0;
    QTest::addRow("below double") << us << u"1e-400"_s << false << 0.0;
    QTest::addRow("word -inf") << us << u"-inf"_s << false << 0.0;
    QTest::addRow("word NaN") << us << u"NaN"_s << false << 0.0;
    QTest::addRow("blank inside") << us << u"40 95"_s << false << 0.0;
    QTest::addRow("lone period") << us << u"."_s << false << 0.0;
    QTest::addRow("hex prefix 0x") << us << u"0x10"_s << false << 0.0;
}

void TestSizeText::wholeNumberValue()
{
    QFETCH(QString, localeName);
    QFETCH(QString, text);
    QFETCH(bool, reads);
    QFETCH(double, value);

    const std::optional<double> result = parseWholeNumber(text, QLocale(localeName));
    QCOMPARE(result.has_value(), reads);
    if (reads)
        QCOMPARE(*result, value);
}

void TestSizeText::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::addRow("leading period") << u".5"_s << 0.5;
    QTest::addRow("trailing period") << u"5."_s << 5.0;
    QTest::addRow("period alone") << u"."_s << 0.0;
    QTest::addRow("sign alone") << u"-"_s << 0.0;
    QTest::addRow("plus sign") << u"+7"_s << 7.0;
    QTest::addRow("minus fraction") << u"-.5"_s << -0.5;
    QTest::addRow("two signs") << u"--5"_s << 0.0;
    QTest::addRow("blank after sign") << u"- 5"_s << -5.0;
    QTest::addRow("second period ends") << u"1.2.3"_s << 1.2;
    QTest::addRow("leading zeros") << u"00012"_s << 12.0;
    QTest::addRow("exponent letter alone") << u"1e"_s << 1.0;
    QTest::addRow("exponent sign alone") << u"1e+"_s << 1.0;
    QTest::addRow("exponent letter then text") << u"7ex"_s << 7.0;
    QTest::addRow("negative exponent") << u"1E-2"_s << 0.01;
    QTest::addRow("blanks in exponent") << u"1 e 3"_s << 1000.0;
    QTest::addRow("D exponent") << u"1d3"_s << 1000.0;
    QTest::addRow("upper D negative exponent") << u"1D-1"_s << 0.1;
    QTest::addRow("period ends exponent") << u"1e3.5"_s << 1000.0;
    QTest::addRow("long zero exponent") << u"1e0000000000000000000003"_s << 1000.0;
    QTest::addRow("huge exponent") << u"1e99999999999999999999"_s << infinity;
    QTest::addRow("huge negative exponent") << u"1e-99999999999999999999"_s << 0.0;
    QTest::addRow("negative beyond double") << u"-1e400"_s << -infinity;
    QTest::addRow("below double") << u"1e-400"_s << 0.0;
    QTest::addRow("zero with huge exponent") << u"0.000e99999"_s << 0.0;
    QTest::addRow("fraction lifts exponent") << u"0.001e310"_s << 1e307;
    QTest::addRow("four hundred digits") << (u"1"_s + QString(400, u'0')) << infinity;
    QTest::addRow("four hundred fraction zeros") << (u"0."_s + QString(400, u'0') + u'1') << 0.0;
    QTest::addRow("hex lower case") << u"&h1f"_s << 31.0;
    QTest::addRow("hex mixed digits") << u"&HfF"_s << 255.0;
    QTest::addRow("hex FFFF does not wrap") << u"&HFFFF"_s << 65535.0;
    QTest::addRow("hex beyond 32 bits") << u"&H100000000"_s << 4294967296.0;
    QTest::addRow("hex with blanks") << u" & H 1 0 "_s << 16.0;
    QTest::addRow("hex ends at non-digit") << u"&H1G"_s << 1.0;
    QTest::addRow("hex without digits") << u"&H"_s << 0.0;
    QTest::addRow("hex has no fraction") << u"&H10.8"_s << 16.0;
    QTest::addRow("octal lower case") << u"&o17"_s << 15.0;
    QTest::addRow("octal ends at 8") << u"&O178"_s << 15.0;
    QTest::addRow("octal without digits") << u"&O8"_s << 0.0;
    QTest::addRow("unknown prefix") << u"&X10"_s << 0.0;
    QTest::addRow("ampersand alone") << u"&"_s << 0.0;
    QTest::addRow("sign before hex") << u"-&H10"_s << 0.0;
    QTest::addRow("comma ends number") << u"12,5"_s << 12.0;
    QTest::addRow("carriage return is no blank") << u"\r42"_s << 0.0;
    QTest::addRow("carriage return ends number") << u"42\r1"_s << 42.0;
    QTest::addRow("no-break space ends number") << u"1\u00a0000"_s << 1.0;
    QTest::addRow("letters first") << u"abc12"_s << 0.0;
    QTest::addRow("arabic-indic digit is no digit") << u"\u0663"_s << 0.0;
    QTest::addRow("fullwidth digit is no digit") << u"\uff11"_s << 0.0;
}

void TestSizeText::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(readLeadingNumber(text), expected);
}

void TestSizeText::negativeZeroKeepsSignUntilTwips()
{
    QVERIFY(std::signbit(readLeadingNumber(u"-0"_s)));
    const std::optional<float> twips = readSizeTwips(u"-0"_s);
    QVERIFY(twips.has_value());
    QCOMPARE(*twips, 0.0f);
    QVERIFY(!std::signbit(*twips));
}

void TestSizeText::singlePrecision_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<float>("expected");

    constexpr float floatMax = std::numeric_limits<float>::max();
    QTest::addRow("zero") << 0.0 << true << 0.0f;
    QTest::addRow("half twip exact") << 2500.5 << true << 2500.5f;
    QTest::addRow("rounds to nearest") << 16777217.0 << true << 16777216.0f;
    QTest::addRow("rounds tenth") << 0.1 << true << 0.1f;
    QTest::addRow("negative kept") << -1.0 << true << -1.0f;
    QTest::addRow("largest float") << double(floatMax) << true << floatMax;
    QTest::addRow("beyond float") << 1e39 << false << 0.0f;
    QTest::addRow("negative beyond float") << -1e39 << false << 0.0f;
    QTest::addRow("infinity") << infinity << false << 0.0f;
    QTest::addRow("not a number") << std::numeric_limits<double>::quiet_NaN() << false << 0.0f;
}

void TestSizeText::singlePrecision()
{
    QFETCH(double, value);
    QFETCH(bool, fits);
    QFETCH(float, expected);

    const std::optional<float> result = toSingle(value);
    QCOMPARE(result.has_value(), fits);
    if (fits)
        QCOMPARE(*result, expected);
}

void TestSizeText::sizeTwips_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("usable");
    QTest::addColumn<float>("twips");

    QTest::addRow("fraction") << u"2500.5"_s << true << 2500.5f;
    QTest::addRow("zero") << u"0"_s << true << 0.0f;
    QTest::addRow("comma cuts") << u"1,000"_s << true << 1.0f;
    QTest::addRow("not a number reads zero") << u"abc"_s << true << 0.0f;
    QTest::addRow("hex") << u"&HFFFF"_s << true << 65535.0f;
    QTest::addRow("below float range rounds to zero") << u"1e-50"_s << true << 0.0f;
    QTest::addRow("beyond float") << u"1e39"_s << false << 0.0f;
    QTest::addRow("just beyond largest float") << u"3.5e38"_s << false << 0.0f;
    QTest::addRow("beyond double") << u"1e400"_s << false << 0.0f;
    QTest::addRow("negative") << u"-1"_s << false << 0.0f;
}

void TestSizeText::sizeTwips()
{
    QFETCH(QString, text);
    QFETCH(bool, usable);
    QFETCH(float, twips);

    const std::optional<float> result = readSizeTwips(text);
    QCOMPARE(result.has_value(), usable);
    if (usable)
        QCOMPARE(*result, twips);
}

QTEST_GUILESS_MAIN(TestSizeText)
#include "tst_sizetext.moc"
