// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The converter in pipelines, as a process: the formats it writes, standard input and output,
// gzip-compressed metafiles (and the bomb), the picture's own size at a resolution, the JSON
// description of a file and the JSON report of a batch.

#include "emfplusbuilder.h"
#include "gzip.h"
#include "pictureformats.h"
#include "wmfbuilder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int status = -1;
    QByteArray out;
    QString err;
};

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString testData(const QString &relative) { return qEnvironmentVariable("PICTORATE_TEST_DATA") + u'/' + relative; }

const QString eye = u"wmf/aspose__eye.wmf"_s; // placeable: 490 x 414 pixels at 96 dpi
const QString chart = u"emf/aspose-cells__Chart.emf"_s; // EMF+ dual: 320 x 170
const QString circle = u"emf/pillow__drawing.emf"_s; // a red circle on nothing: 110 x 110

// 2 GiB of zeros after a metafile's header, in 32 gzip members of 64 MiB: about 2 MiB.
QByteArray gzipBomb()
{
    const QByteArray member = testsupport::gzip(QByteArray(64 * 1024 * 1024, '\0'));
    return testsupport::gzip(contents(testData(eye)).left(40)) + member.repeated(32);
}

// A WMF that plays with one record unknown and one malformed (a polygon of more points than
// its record holds).
QByteArray faultyWmf()
{
    WmfBuilder b;
    b.setWindowExt(100, 100).record(0x0999, {1}).record(0x0324, {40, 1, 2}).rectangle(10, 10, 50, 50);
    return b.bytes();
}

QImage rgb32(const QImage &image) { return image.convertToFormat(QImage::Format_RGB32); }

} // namespace

class tst_Pipelines : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void formats_data();
    void formats();
    void backgrounds_data();
    void backgrounds();
    void standardStreams_data();
    void standardStreams();
    void standardOutputFull();
    void compressedFiles_data();
    void compressedFiles();
    void naturalSize_data();
    void naturalSize();
    void emfPlusLayers_data();
    void emfPlusLayers();
    void info_data();
    void info();
    void infoOnAFolder();
    void reportForABatch();

private:
    Run run(const QStringList &arguments, const QByteArray &input = {});
    QString copy(const QString &from, const QString &name);
    QString write(const QString &name, const QByteArray &bytes);
    QString path(const QString &relative) const { return m_dir->filePath(relative); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_Pipelines::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

Run tst_Pipelines::run(const QStringList &arguments, const QByteArray &input)
{
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.start(QStringLiteral(PICTORATE_CONVERT), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    Run result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

QString tst_Pipelines::copy(const QString &from, const QString &name) { return write(name, contents(testData(from))); }

QString tst_Pipelines::write(const QString &name, const QByteArray &bytes)
{
    QFile file(path(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return file.fileName();
}

void tst_Pipelines::formats_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("refusal"); // empty: written, readable, the asked size
    QTest::addColumn<bool>("lossless");

    const QStringList lossless {u"bmp"_s, u"png"_s, u"ppm"_s, u"tif"_s, u"tiff"_s, u"webp"_s, u"xpm"_s};
    for (const QString &format : writableFormats()) {
        const bool icon = format == u"ico" || format == u"cur" || format == u"icns";
        const QStringList options = icon ? QStringList {u"--size=64x64"_s} : QStringList {};
        QTest::addRow("%s", qPrintable(format)) << format << options << QString() << lossless.contains(format);
    }
    QTest::addRow("ICO larger than an icon")
        << u"ico"_s << QStringList {} << u"an ICO file holds at most 256 x 256 pixels; give a smaller --size"_s
        << false;
    QTest::addRow("ICNS not square")
        << u"icns"_s << QStringList {u"--size=64x32"_s}
        << u"an ICNS file holds square icons of 16, 32, ... 1024 pixels; give one as --size"_s << false;
}

// Each format gets the format's extension and holds the same picture as the BMP, pixel for
// pixel where the format loses nothing.
void tst_Pipelines::formats()
{
    QFETCH(QString, format);
    QFETCH(QStringList, options);
    QFETCH(QString, refusal);
    QFETCH(bool, lossless);
    copy(eye, u"eye.wmf"_s);
    QCOMPARE(run(options + QStringList {u"-o"_s, u"bmp"_s, u"eye.wmf"_s}).status, 0);
    const QImage reference(path(u"bmp/eye.bmp"_s));

    const Run result = run(options + QStringList {u"-f"_s, format, u"eye.wmf"_s});
    const QString written = path(u"eye."_s + format);
    if (!refusal.isEmpty()) {
        QCOMPARE(result.status, 1);
        QCOMPARE(result.err, u"eye.wmf: could not be saved as eye.%1: %2\n"_s.arg(format, refusal));
        QVERIFY(!QFile::exists(written));
        return;
    }
    QCOMPARE(result.err, QString());
    QCOMPARE(result.status, 0);
    if (format == u"pdf") { // Qt reads no PDF files: tst_vectorpicture looks inside them
        QVERIFY(contents(written).startsWith("%PDF-"));
        // The program that made it is named, also when the picture draws no text.
        QVERIFY(contents(written).contains(QByteArray("p\0i\0c\0t\0o\0r\0a\0t\0e", 17)));
        return;
    }
    QImageReader reader(written);
    QVERIFY2(reader.canRead(), qPrintable(written));
    const QImage image = reader.read();
    QCOMPARE(image.size(), reference.size());
    if (lossless)
        QVERIFY(rgb32(image) == rgb32(reference));
}

void tst_Pipelines::backgrounds_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QColor>("corner"); // where the circle leaves the canvas alone
    QTest::addRow("white by default") << QStringList {} << QColor(Qt::white);
    QTest::addRow("a named colour") << QStringList {u"--background=navy"_s} << QColor(0, 0, 128);
    QTest::addRow("transparent PNG") << QStringList {u"-f"_s, u"png"_s, u"--background=transparent"_s}
                                     << QColor(0, 0, 0, 0);
    QTest::addRow("translucent TIFF") << QStringList {u"-f"_s, u"tiff"_s, u"--background=#80ff0000"_s}
                                      << QColor(255, 0, 0, 128);
}

// The background shows where the picture draws nothing; the picture itself is the same on all.
void tst_Pipelines::backgrounds()
{
    QFETCH(QStringList, options);
    QFETCH(QColor, corner);
    copy(circle, u"circle.emf"_s);
    const Run result = run(options + QStringList {u"-o"_s, u"out"_s, u"circle.emf"_s});
    QCOMPARE(result.status, 0);
    const QStringList written = QDir(path(u"out"_s)).entryList(QDir::Files);
    QCOMPARE(written.size(), 1);
    const QImage image = QImage(path(u"out/"_s + written.first())).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.pixelColor(0, 0), corner);
    QCOMPARE(image.pixelColor(55, 55), QColor(255, 0, 0)); // the circle's own red, opaque
}

void tst_Pipelines::standardStreams_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("sameAs"); // the file the same picture converts to; empty: none
    QTest::addColumn<QString>("err");

    const QByteArray emf = contents(testData(chart));
    const QByteArray wmf = contents(testData(eye));
    QTest::addRow("EMF in, PNG out") << QStringList {u"-f"_s, u"png"_s, u"-"_s} << emf << u"chart.png"_s << QString();
    QTest::addRow("a file to standard output")
        << QStringList {u"--stdout"_s, u"-fpng"_s, u"chart.emf"_s} << QByteArray() << u"chart.png"_s << QString();
    QTest::addRow("compressed WMF in, BMP out")
        << QStringList {u"-"_s} << testsupport::gzip(wmf) << u"eye.bmp"_s << QString();
    QTest::addRow("a size asked for") << QStringList {u"--size=64x48"_s, u"-"_s} << wmf << u"eye-64.bmp"_s << QString();
    QTest::addRow("nothing in") << QStringList {u"-"_s} << QByteArray() << QString()
                                << u"-: could not be read as a picture: the file is empty\n"_s;
    QTest::addRow("no picture in")
        << QStringList {u"-"_s} << QByteArray("hello") << QString()
        << u"-: could not be read as a picture: it is not a picture this program can read\n"_s;
    QTest::addRow("a metafile cut short") << QStringList {u"-"_s} << wmf.left(30) << QString()
                                          << u"-: could not be read as a picture: the file is truncated\n"_s;
    QTest::addRow("a gzip bomb")
        << QStringList {u"-"_s} << gzipBomb() << QString()
        << u"-: could not be read as a picture: the compressed file inflates to more than 64 MiB, "
           "too large for a metafile\n"_s;
}

// Standard output carries the picture's bytes and nothing else, the same bytes as the file
// the same conversion writes; a failure writes nothing there.
void tst_Pipelines::standardStreams()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QString, sameAs);
    QFETCH(QString, err);
    copy(chart, u"chart.emf"_s);
    copy(eye, u"eye.wmf"_s);
    QCOMPARE(run({u"-f"_s, u"png"_s, u"chart.emf"_s, u"eye.wmf"_s}).status, 0);
    QCOMPARE(run({u"eye.wmf"_s}).status, 0);
    QCOMPARE(run({u"--size=64x48"_s, u"-o"_s, u"small"_s, u"eye.wmf"_s}).status, 0);
    QVERIFY(QFile::rename(path(u"small/eye.bmp"_s), path(u"eye-64.bmp"_s)));

    const Run result = run(arguments, input);
    QCOMPARE(result.err, err);
    QCOMPARE(result.status, err.isEmpty() ? 0 : 1);
    if (sameAs.isEmpty())
        QVERIFY(result.out.isEmpty());
    else
        QVERIFY(result.out == contents(path(sameAs)));
}

// A full disk behind standard output is reported, not passed off as success.
void tst_Pipelines::standardOutputFull()
{
    QProcess process;
    process.setStandardOutputFile(u"/dev/full"_s);
    process.start(QStringLiteral(PICTORATE_CONVERT), {u"--stdout"_s, testData(eye)});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(QString::fromLocal8Bit(process.readAllStandardError()),
             testData(eye) + u": could not be written to standard output: there is no space left on the disk\n"_s);
}

void tst_Pipelines::compressedFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("sameAs"); // the plain file's conversion; empty: refused
    QTest::addColumn<QString>("err");
    const QByteArray emf = contents(testData(chart));
    const QByteArray wmf = contents(testData(eye));
    QTest::addRow(".emz") << u"chart.emz"_s << testsupport::gzip(emf) << u"plain/chart.bmp"_s << QString();
    QTest::addRow(".wmz") << u"eye.wmz"_s << testsupport::gzip(wmf) << u"plain/eye.bmp"_s << QString();
    QTest::addRow("compressed, any name") << u"eye.dat"_s << testsupport::gzip(wmf) << u"plain/eye.bmp"_s << QString();
    QTest::addRow(".emz, not compressed") << u"chart.emz"_s << emf << u"plain/chart.bmp"_s << QString();
    QTest::addRow(".wmz bomb")
        << u"bomb.wmz"_s << gzipBomb() << QString()
        << u"bomb.wmz: could not be read as a picture: the compressed file inflates to more than "
           "64 MiB, too large for a metafile\n"_s;
    QTest::addRow(".emz damaged") << u"bad.emz"_s << testsupport::gzip(emf).left(100) << QString()
                                  << u"bad.emz: could not be read as a picture: the compressed file is truncated\n"_s;
}

void tst_Pipelines::compressedFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, sameAs);
    QFETCH(QString, err);
    copy(chart, u"chart.emf"_s);
    copy(eye, u"eye.wmf"_s);
    QCOMPARE(run({u"-o"_s, u"plain"_s, u"chart.emf"_s, u"eye.wmf"_s}).status, 0);
    write(name, bytes);

    const Run result = run({u"-o"_s, u"out"_s, name});
    QCOMPARE(result.err, err);
    QCOMPARE(result.status, err.isEmpty() ? 0 : 1);
    const QString written = path(u"out/"_s + QFileInfo(name).completeBaseName() + u".bmp"_s);
    if (sameAs.isEmpty())
        QVERIFY(!QFile::exists(written));
    else
        QVERIFY(contents(written) == contents(path(sameAs)));
}

void tst_Pipelines::naturalSize_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("dotsPerMetre"); // the resolution the file records, across and down
    // The eye's placeable box is 3096 x 2615 units at 606 to the inch, 7356.8 x 6213.9 twips.
    QTest::addRow("placeable WMF at 96 dpi") << eye << QStringList {} << QSize(490, 414) << QSize(3780, 3780);
    QTest::addRow("placeable WMF at 192 dpi")
        << eye << QStringList {u"--dpi=192"_s} << QSize(981, 829) << QSize(7559, 7559);
    QTest::addRow("placeable WMF at 9.5 dpi")
        << eye << QStringList {u"--dpi=9.5"_s} << QSize(49, 41) << QSize(374, 374);
    // The chart's frame is 8466 x 4497 hundredths of a millimetre.
    QTest::addRow("EMF at 96 dpi") << chart << QStringList {} << QSize(320, 170) << QSize(3780, 3780);
    QTest::addRow("EMF at 300 dpi, PNG") << chart << QStringList {u"--dpi"_s, u"300"_s, u"-fpng"_s} << QSize(1000, 531)
                                         << QSize(11811, 11811);
    // Without a placeable header a WMF does not say: its 324 x 252 units are pixels at 96 dpi.
    QTest::addRow("WMF without a placeable header")
        << u"wmf-text/dotnet__gdiwmfboundariesbug.wmf"_s << QStringList {} << QSize(324, 252) << QSize(3780, 3780);
    QTest::addRow("WMF without a placeable header at 48 dpi")
        << u"wmf-text/dotnet__gdiwmfboundariesbug.wmf"_s << QStringList {u"--dpi=48"_s} << QSize(162, 126)
        << QSize(1890, 1890);
    QTest::addRow("a raster picture keeps its pixels")
        << u"wmf-text/batik__textGreek.png"_s << QStringList {} << QSize(1024, 768) << QSize(3780, 3780);
    // The window's 4095 x 3255 twips, border and all, on 269 x 213 pixels.
    QTest::addRow("the window's bitmap") << eye << QStringList {u"--window"_s} << QSize(269, 213) << QSize(3724, 3710);
    // Past the pixel limit the file is refused with the size it would have had.
    QTest::addRow("placeable WMF at 10000 dpi")
        << eye << QStringList {u"--dpi=10000"_s} << QSize(51089, 43152) << QSize();
    // A box 32767 units wide at 1440 to the inch: the widest picture at 1440 dpi.
    QTest::addRow("the widest picture") << u"wide.wmf"_s << QStringList {u"--dpi=1440"_s, u"-fpng"_s} << QSize(32767, 1)
                                        << QSize(56693, 56693);
    QTest::addRow("a pixel wider") << u"wide.wmf"_s << QStringList {u"--dpi=1440.1"_s} << QSize(32769, 1) << QSize();
}

void tst_Pipelines::naturalSize()
{
    QFETCH(QString, source);
    QFETCH(QStringList, options);
    QFETCH(QSize, size);
    QFETCH(QSize, dotsPerMetre);
    WmfBuilder wide;
    wide.rectangle(0, 0, 10, 1);
    const QString file =
        source == u"wide.wmf" ? write(source, wide.placeable(QRect(0, 0, 32767, 1))) : testData(source);
    const Run result = run(options + QStringList {u"-o"_s, u"out"_s, file});
    if (dotsPerMetre.isEmpty()) {
        QCOMPARE(result.status, 1);
        QCOMPARE(result.err, u"%1: could not be converted: at %2 dots per inch the picture is %3 x %4 pixels, more "
                             "than the 32767 a side allowed; give a lower --dpi or a --size\n"_s.arg(file)
                                 .arg(options.first().mid(6))
                                 .arg(size.width())
                                 .arg(size.height()));
        return;
    }
    QCOMPARE(result.err, QString());
    QCOMPARE(result.status, 0);
    const QStringList written = QDir(path(u"out"_s)).entryList(QDir::Files);
    QCOMPARE(written.size(), 1);
    const QImage image(path(u"out/"_s + written.first()));
    QCOMPARE(image.size(), size);
    const QSize recorded(image.dotsPerMeterX(), image.dotsPerMeterY());
    QVERIFY2(qAbs(recorded.width() - dotsPerMetre.width()) <= 1 && qAbs(recorded.height() - dotsPerMetre.height()) <= 1,
             qPrintable(u"%1 x %2"_s.arg(recorded.width()).arg(recorded.height())));
}

// Which drawing a file with EMF+ records gives, as --info says and as the converter draws it,
// and the warning for a picture that draws nothing.
void tst_Pipelines::emfPlusLayers_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("layer"); // --info's drawn_layer
    QTest::addColumn<QRgb>("centre"); // a pixel inside the filled top-left quarter
    QTest::addColumn<bool>("warned");

    using B = EmfPlusBuilder;
    const auto fill = [](quint32 argb, int slots) {
        return B::recordBytes(B::FillRects, B::solid,
                              EmfBuilder::ints({argb, quint32(slots)}) + B::rectF({0, 0, 50, 50}));
    };
    B dual;
    dual.header(true).record(B::FillRects, B::solid, EmfBuilder::ints({0xFF0000FF, 1}) + B::rectF({0, 0, 50, 50}));
    dual.endComment();
    dual.emf().fillWith(1, 0x000000FF).rectangle(QRect(0, 0, 50, 50)); // red on GDI, blue on EMF+
    B plus;
    plus.header().record(B::FillRects, B::solid, EmfBuilder::ints({0xFF0000FF, 1}) + B::rectF({0, 0, 50, 50}));
    plus.endComment();
    EmfBuilder nothing;
    nothing.raw(
        EmfBuilder::GdiComment,
        B::comment(B::recordBytes(B::Header, 0, EmfBuilder::ints({B::version, 1, 96, 96})) + fill(0xFF0000FF, 0)));
    QTest::addRow("dual, auto") << dual.bytes() << QString() << u"gdi"_s << qRgb(255, 0, 0) << false;
    QTest::addRow("dual, prefer") << dual.bytes() << u"--emfplus=prefer"_s << u"emf+"_s << qRgb(0, 0, 255) << false;
    QTest::addRow("EMF+ only, auto") << plus.bytes() << QString() << u"emf+"_s << qRgb(0, 0, 255) << false;
    QTest::addRow("EMF+ only, ignored: nothing drawn")
        << plus.bytes() << u"--emfplus=ignore"_s << u"gdi"_s << qRgb(255, 255, 255) << true;
    QTest::addRow("EMF+ none of whose records draw")
        << nothing.bytes() << QString() << u"emf+"_s << qRgb(255, 255, 255) << true;
}

void tst_Pipelines::emfPlusLayers()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, option);
    QFETCH(QString, layer);
    QFETCH(QRgb, centre);
    QFETCH(bool, warned);
    write(u"a.emf"_s, bytes);
    const QStringList options = option.isEmpty() ? QStringList() : QStringList {option};
    const Run info = run(options + QStringList {u"--info"_s, u"a.emf"_s});
    QCOMPARE(QJsonDocument::fromJson(info.out).object().value(u"drawn_layer"_s).toString(), layer);
    const Run converted = run(options + QStringList {u"--size=20x20"_s, u"-fpng"_s, u"a.emf"_s});
    QCOMPARE(converted.status, 0);
    const QString warning =
        u"a.emf: warning: the picture draws nothing: none of its records can be drawn, so the image is blank\n"_s;
    QCOMPARE(converted.err, warned ? warning : QString());
    const QImage image(path(u"a.png"_s));
    QCOMPARE(image.pixel(4, 4) & 0xFFFFFF, centre & 0xFFFFFF); // inside the filled quarter
}

void tst_Pipelines::info_data()
{
    QTest::addColumn<QString>("name"); // copied or written into the scratch folder; "-": standard input
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected"); // the fields to compare, as JSON

    const QByteArray wmf = contents(testData(eye));
    QTest::addRow("placeable WMF")
        << u"eye.wmf"_s << wmf
        << QByteArray(R"({"file":"eye.wmf","status":"ok","reason":null,"format":"wmf","kind":"wmf-placeable",
            "compressed":false,"frame_twips":{"width":7356.83,"height":6213.86},
            "frame_millimetres":{"width":129.77,"height":109.61},"size_from_file":true,
            "natural_size":{"width":490,"height":414},"records":194,"emf_plus_records":0,"skipped":{},
            "malformed":{},"fonts":[],"play":"ok"})");
    QTest::addRow("EMF") << u"circle.emf"_s << contents(testData(circle))
                         << QByteArray(R"({"format":"emf","kind":"emf","natural_size":{"width":110,"height":110},
                              "records":28,"emf_plus_records":0,"play":"ok"})");
    QTest::addRow("EMF+ dual, compressed")
        << u"chart.emz"_s << testsupport::gzip(contents(testData(chart)))
        << QByteArray(R"({"format":"emf","kind":"emf-plus-dual","compressed":true,"emf_plus_records":119,
            "records":347,"frame_millimetres":{"width":84.66,"height":44.97},"natural_size":{"width":320,"height":170},
            "fonts":[{"asked":"Arial","used":"Liberation Sans"},
                     {"asked":"Microsoft Sans Serif","used":"Liberation Sans"}]})");
    QTest::addRow("WMF without a placeable header, records skipped and malformed")
        << u"faulty.wmf"_s << faultyWmf()
        << QByteArray(R"({"kind":"wmf","size_from_file":false,"natural_size":{"width":100,"height":100},
            "records":4,"skipped":{"0x0999":1},"malformed":{"META_POLYGON":1},"play":"malformed"})");
    QTest::addRow("a raster picture") << u"greek.png"_s << contents(testData(u"wmf-text/batik__textGreek.png"_s))
                                      << QByteArray(R"({"format":"png","kind":"raster","natural_size":{"width":1024,
                                           "height":768},"size_from_file":false,"records":0})");
    QTest::addRow("standard input") << u"-"_s << wmf
                                    << QByteArray(
                                           R"({"file":"-","status":"ok","natural_size":{"width":490,"height":414}})");
    QTest::addRow("a broken file") << u"broken.wmf"_s << wmf.left(30)
                                   << QByteArray(R"({"file":"broken.wmf","status":"failed",
                                        "reason":"could not be read as a picture: the file is truncated"})");
}

void tst_Pipelines::info()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    if (name != u"-")
        write(name, bytes);
    const Run result = run({u"--info"_s, name}, name == u"-" ? bytes : QByteArray());
    const QJsonObject wanted = QJsonDocument::fromJson(expected).object();
    QVERIFY(!wanted.isEmpty());
    QVERIFY2(result.out.endsWith('\n') && result.out.count('\n') == 1, result.out.constData());
    const QJsonObject info = QJsonDocument::fromJson(result.out).object();
    for (auto field = wanted.begin(); field != wanted.end(); ++field)
        QVERIFY2(info.value(field.key()) == field.value(),
                 qPrintable(field.key() + u": "_s + QString::fromUtf8(result.out)));
    const bool failed = wanted.value(u"status"_s) == u"failed"_s;
    QCOMPARE(result.status, failed ? 1 : 0);
    QCOMPARE(result.err, failed ? name + u": "_s + wanted.value(u"reason"_s).toString() + u'\n' : QString());
    QVERIFY(QDir(m_dir->path()).entryList({u"*.bmp"_s}, QDir::Files).isEmpty()); // nothing converted
}

// Every picture of a folder is described, a bitmap beside its metafile too.
void tst_Pipelines::infoOnAFolder()
{
    QVERIFY(QDir().mkpath(path(u"pics/sub"_s)));
    copy(eye, u"pics/a.wmf"_s);
    QImage bitmap(8, 8, QImage::Format_RGB32);
    bitmap.fill(Qt::red);
    QVERIFY(bitmap.save(path(u"pics/a.bmp"_s), "BMP"));
    copy(circle, u"pics/sub/b.emf"_s);
    write(u"pics/notes.txt"_s, "hello");
    const Run result = run({u"--info"_s, u"-r"_s, u"pics"_s});
    QCOMPARE(result.err, QString());
    QCOMPARE(result.status, 0);
    QStringList described;
    for (const QByteArray &line : result.out.trimmed().split('\n'))
        described << QJsonDocument::fromJson(line).object().value(u"file"_s).toString();
    QCOMPARE(described, (QStringList {u"pics/a.bmp"_s, u"pics/a.wmf"_s, u"pics/sub/b.emf"_s}));
}

// A JSON line per file in the plan's order on standard output; progress and failures stay on
// standard error.
void tst_Pipelines::reportForABatch()
{
    QVERIFY(QDir().mkpath(path(u"pics"_s)));
    copy(eye, u"pics/a.wmf"_s);
    write(u"pics/b.wmf"_s, contents(testData(eye)).left(30));
    write(u"pics/c.wmf"_s, faultyWmf());
    const Run result = run({u"--report=json"_s, u"-j2"_s, u"-fpng"_s, u"pics"_s});
    QCOMPARE(result.status, 1);
    QCOMPARE(result.err, u"pics/b.wmf: could not be read as a picture: the file is truncated\n"_s);
    const QList<QByteArray> lines = result.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    QJsonObject a = QJsonDocument::fromJson(lines[0]).object();
    QVERIFY(a.value(u"milliseconds"_s).toInt(-1) >= 0);
    a.remove(u"milliseconds"_s);
    QCOMPARE(a, (QJsonObject {{u"source"_s, u"pics/a.wmf"_s},
                              {u"target"_s, u"pics/a.png"_s},
                              {u"status"_s, u"converted"_s},
                              {u"reason"_s, QJsonValue()},
                              {u"width"_s, 490},
                              {u"height"_s, 414},
                              {u"records_skipped"_s, 0}}));
    QCOMPARE(QJsonDocument::fromJson(lines[1]).object(),
             (QJsonObject {{u"source"_s, u"pics/b.wmf"_s},
                           {u"target"_s, u"pics/b.png"_s},
                           {u"status"_s, u"failed"_s},
                           {u"reason"_s, u"could not be read as a picture: the file is truncated"_s},
                           {u"width"_s, QJsonValue()},
                           {u"height"_s, QJsonValue()},
                           {u"milliseconds"_s, QJsonValue()},
                           {u"records_skipped"_s, QJsonValue()}}));
    const QJsonObject c = QJsonDocument::fromJson(lines[2]).object();
    QCOMPARE(c.value(u"status"_s), u"converted"_s);
    QCOMPARE(c.value(u"records_skipped"_s), 1);
    QVERIFY(QFile::exists(path(u"pics/a.png"_s)) && !QFile::exists(path(u"pics/b.png"_s)));
}

QTEST_MAIN(tst_Pipelines)
#include "tst_pipelines.moc"
