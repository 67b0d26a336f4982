// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The public face's facts about a file: gzip-compressed metafiles (and the bomb that must
// cost bounded memory), the physical size, the kind, records the player does not play, EMF+
// content and the fonts asked for and used.

#include "emfbuilder.h"
#include "gzip.h"
#include "metafile/metafile.h"
#include "wmfbuilder.h"

#include <QTest>

#include <sys/resource.h>

using namespace Qt::StringLiterals;
using testsupport::gzip;

namespace {

QByteArray placeableWmf(int unitsPerInch = 1440)
{
    WmfBuilder b;
    b.createBrush(0, 0x0000FF).selectObject(0).rectangle(0, 0, 100, 50);
    return b.placeable(QRect(0, 0, 2880, 1440), unitsPerInch);
}

QByteArray plainEmf()
{
    EmfBuilder b;
    b.fillWith(1, 0x0000FF).rectangle(QRect(0, 0, 50, 50));
    return b.frame(QRect(QPoint(0, 0), QPoint(2540, 1270))).bytes();
}

// An EMR_GDICOMMENT holding EMF+ records: a header with `flags`, then `more` records.
QByteArray emfPlusComment(quint16 flags, int more)
{
    QByteArray data;
    const auto u16 = [&data](quint16 v) { data.append(char(v & 0xFF)).append(char(v >> 8)); };
    const auto u32 = [&](quint32 v) {
        u16(quint16(v & 0xFFFF));
        u16(quint16(v >> 16));
    };
    u32(0x2B464D45); // "EMF+"
    u16(0x4001), u16(flags), u32(28), u32(16), u32(0xDBC01002), u32(0), u32(96), u32(96);
    for (int i = 0; i < more; ++i)
        u16(0x400A), u16(0), u32(12), u32(0); // EmfPlusClear without its colour: counted, not read
    QByteArray params;
    params.append(char(data.size() & 0xFF)).append(char(data.size() >> 8)).append(2, '\0');
    return params + data;
}

// The highest resident memory of this process so far, in MiB.
long peakMebibytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

QString describe(const metafile::Description &d)
{
    static const char *const kinds[] = {"wmf", "wmf-placeable", "emf", "emf-plus-dual", "emf-plus-only"};
    QStringList parts {QString::fromLatin1(kinds[int(d.kind)])};
    if (d.compressed)
        parts << u"compressed"_s;
    parts << u"records=%1"_s.arg(d.records);
    if (d.emfPlusRecords > 0)
        parts << u"emf+=%1"_s.arg(d.emfPlusRecords);
    for (const metafile::RecordCount &count : d.skipped)
        parts << u"skipped %1x%2"_s.arg(count.name).arg(count.count);
    for (const metafile::FontFace &face : d.fonts)
        parts << u"font %1->%2"_s.arg(face.asked, face.used);
    return parts.join(u", "_s);
}

} // namespace

class TestDocumentFacts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void compressed_data();
    void compressed();
    void looksLikeMetafile_data();
    void looksLikeMetafile();
    void physicalSize_data();
    void physicalSize();
    void describe_data();
    void describe();
    void recordNames();
};

void TestDocumentFacts::compressed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error"); // empty: it loads, as the plain file does

    const QByteArray emz = gzip(plainEmf());
    QTest::addRow("emz") << emz << QString();
    QTest::addRow("wmz") << gzip(placeableWmf()) << QString();
    const QByteArray wmf = placeableWmf();
    QTest::addRow("two members joined") << gzip(wmf.left(40)) + gzip(wmf.mid(40)) << QString();
    QTest::addRow("bytes after the stream ignored") << emz + QByteArray(100, '\0') << QString();
    QTest::addRow("checksum wrong") << QByteArray(emz).replace(emz.size() - 8, 1, "\x55") << u"damaged"_s;
    QTest::addRow("a block damaged") << QByteArray(emz).replace(12, 4, "\xFF\xFF\xFF\xFF") << u"damaged"_s;
    QTest::addRow("stream cut short") << emz.left(emz.size() - 20) << u"the compressed file is truncated"_s;
    QTest::addRow("header only") << emz.left(10) << u"the compressed file is truncated"_s;
    QTest::addRow("compressed twice") << gzip(emz) << u"not a Windows Metafile"_s;
    QTest::addRow("text, compressed") << gzip("not a picture") << u"not a Windows Metafile"_s;
    // The largest file accepted inflates to the cap exactly; one byte more is a bomb.
    QByteArray largest = plainEmf();
    largest.append(64 * 1024 * 1024 - largest.size(), '\0');
    QTest::addRow("inflates to the cap") << gzip(largest) << QString();
    QTest::addRow("one byte past the cap")
        << gzip(largest + '\0') << u"the compressed file inflates to more than 64 MiB, too large for a metafile"_s;
    // 32 members of 64 MiB each: 2 GiB from 2 MiB, refused after inflating 64 MiB.
    const QByteArray member = gzip(QByteArray(64 * 1024 * 1024, '\0'));
    QTest::addRow("bomb") << gzip(plainEmf()) + member.repeated(32)
                          << u"the compressed file inflates to more than 64 MiB, too large for a metafile"_s;
}

void TestDocumentFacts::compressed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    QString why;
    const std::optional<metafile::Document> document = metafile::Document::load(bytes, &why);
    if (error.isEmpty()) {
        QVERIFY2(document, qPrintable(why));
        QVERIFY(document->describe().compressed);
    } else {
        QVERIFY(!document);
        QVERIFY2(why.contains(error), qPrintable(why));
    }
    // Nothing grew past the cap and the bytes the rows hold (about 150 MiB, more under the
    // sanitizers): a bomb inflating whole would have taken 2 GiB.
    QVERIFY2(peakMebibytes() < 1024, qPrintable(QString::number(peakMebibytes())));
}

void TestDocumentFacts::looksLikeMetafile_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<bool>("metafile");
    QTest::addRow("placeable WMF") << placeableWmf().left(64) << true;
    QTest::addRow("EMF") << plainEmf().left(64) << true;
    QTest::addRow("EMF, compressed, its first bytes") << gzip(plainEmf()).left(100) << true;
    QTest::addRow("WMF, compressed") << gzip(placeableWmf()) << true;
    QTest::addRow("text, compressed") << gzip("not a picture at all, just words") << false;
    QTest::addRow("gzip magic alone") << QByteArray("\x1F\x8B\x08", 3) << false;
    QTest::addRow("empty") << QByteArray() << false;
}

void TestDocumentFacts::looksLikeMetafile()
{
    QFETCH(QByteArray, head);
    QFETCH(bool, metafile);
    QCOMPARE(metafile::looksLikeMetafile(head), metafile);
}

void TestDocumentFacts::physicalSize_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSizeF>("twips"); // empty: the file does not say
    QTest::addRow("placeable, 1440 units per inch") << placeableWmf(1440) << QSizeF(2880, 1440);
    QTest::addRow("placeable, 96 units per inch") << placeableWmf(96) << QSizeF(43200, 21600);
    QTest::addRow("placeable, 2540 units per inch") << placeableWmf(2540) << QSizeF(1632.76, 816.38);
    QTest::addRow("placeable, no units per inch") << placeableWmf(0) << QSizeF();
    WmfBuilder plain;
    plain.setWindowExt(300, 200).rectangle(0, 0, 10, 10);
    QTest::addRow("no placeable header") << plain.bytes() << QSizeF();
    QTest::addRow("EMF frame 25.4 x 12.7 mm") << plainEmf() << QSizeF(1440, 720);
    QTest::addRow("EMF frame, compressed") << gzip(plainEmf()) << QSizeF(1440, 720);
    EmfBuilder offset;
    QTest::addRow("EMF frame away from the origin")
        << offset.frame(QRect(QPoint(-2540, 1000), QPoint(2540, 3540))).bytes() << QSizeF(2880, 1440);
}

void TestDocumentFacts::physicalSize()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSizeF, twips);
    QString why;
    const std::optional<metafile::Document> document = metafile::Document::load(bytes, &why);
    QVERIFY2(document, qPrintable(why));
    const std::optional<QSizeF> size = document->physicalSize();
    QCOMPARE(size.has_value(), !twips.isEmpty());
    if (size) {
        QVERIFY2(qAbs(size->width() - twips.width()) < 0.01 && qAbs(size->height() - twips.height()) < 0.01,
                 qPrintable(u"%1 x %2"_s.arg(size->width()).arg(size->height())));
    }
}

void TestDocumentFacts::describe_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    WmfBuilder plain;
    plain.setWindowExt(300, 200).rectangle(0, 0, 10, 10);
    QTest::addRow("WMF") << plain.bytes() << u"wmf, records=2"_s;
    WmfBuilder unknown;
    unknown.record(0x0999, {1}).raw(0x062F, {}).record(0x0999, {}).rectangle(0, 0, 10, 10);
    QTest::addRow("WMF records not played, by name")
        << unknown.placeable(QRect(0, 0, 100, 100))
        << u"wmf-placeable, records=4, skipped 0x0999x2, skipped META_DRAWTEXTx1"_s;
    WmfBuilder fonts;
    fonts.createFont(-12, "Arial")
        .createFont(-12, "Arial")
        .createFont(-20, "Times New Roman")
        .createFont(-8, "Nosuchface");
    QTest::addRow("WMF fonts asked and used, each pair once")
        << fonts.bytes()
        << u"wmf, records=4, font Arial->Liberation Sans, font Times New Roman->Liberation Serif, "
           "font Nosuchface->Liberation Sans"_s;
    QTest::addRow("WMF, compressed") << gzip(plain.bytes()) << u"wmf, compressed, records=2"_s;
    QTest::addRow("EMF") << plainEmf() << u"emf, records=4"_s;
    EmfBuilder dual;
    dual.raw(EmfBuilder::GdiComment, emfPlusComment(1, 2)).rectangle(QRect(0, 0, 9, 9));
    QTest::addRow("EMF+ dual") << dual.bytes() << u"emf-plus-dual, records=2, emf+=3"_s;
    EmfBuilder only;
    only.raw(EmfBuilder::GdiComment, emfPlusComment(0, 0)).raw(EmfBuilder::GdiComment, emfPlusComment(0, 4));
    QTest::addRow("EMF+ only") << only.bytes() << u"emf-plus-only, records=2, emf+=6"_s;
    EmfBuilder comment;
    comment.raw(EmfBuilder::GdiComment, QByteArray("\x08\0\0\0PUBLIC\0\0", 12));
    QTest::addRow("a comment that is not EMF+") << comment.bytes() << u"emf, records=1"_s;
    EmfBuilder brokenPlus;
    brokenPlus.raw(EmfBuilder::GdiComment, emfPlusComment(1, 1).replace(4 + 4 + 28 + 4, 4, "\xFF\xFF\0\0"));
    QTest::addRow("an EMF+ record's size past its comment ends the count")
        << brokenPlus.bytes() << u"emf-plus-dual, records=1, emf+=1"_s;
    EmfBuilder unplayed;
    unplayed.raw(113, "\0\0\0\0").raw(200, {}).raw(113, {}).font(1, -12, u"Calibri"_s);
    QTest::addRow("EMF records not played, by name, and a font")
        << unplayed.bytes()
        << u"emf, records=4, skipped 0x000000C8x1, skipped EMR_SETICMPROFILEWx2, font Calibri->Carlito"_s;
}

void TestDocumentFacts::describe()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QString why;
    const std::optional<metafile::Document> document = metafile::Document::load(bytes, &why);
    QVERIFY2(document, qPrintable(why));
    QCOMPARE(::describe(document->describe()), expected);
}

void TestDocumentFacts::recordNames()
{
    const std::optional<metafile::Document> wmf = metafile::Document::load(placeableWmf());
    const std::optional<metafile::Document> emf = metafile::Document::load(plainEmf());
    QVERIFY(wmf && emf);
    QCOMPARE(wmf->recordName(0x0324), u"META_POLYGON"_s);
    QCOMPARE(wmf->recordName(0x0A32), u"META_EXTTEXTOUT"_s);
    QCOMPARE(wmf->recordName(0x06FE), u"META_CREATEBITMAP"_s);
    QCOMPARE(wmf->recordName(0x0001), u"0x0001"_s);
    QCOMPARE(emf->recordName(3), u"EMR_POLYGON"_s);
    QCOMPARE(emf->recordName(82), u"EMR_EXTCREATEFONTINDIRECTW"_s);
    QCOMPARE(emf->recordName(122), u"EMR_CREATECOLORSPACEW"_s);
    QCOMPARE(emf->recordName(123), u"0x0000007B"_s);
}

QTEST_MAIN(TestDocumentFacts)
#include "tst_documentfacts.moc"
