// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Metafiles read as any Qt application reads pictures, through QImageReader with the built
// plugin on the library path, against the pictures the converter writes of the same files. The
// application has a font of its own with odd properties, as a host's theme may give it: the
// metafile's text must not take them.

#include "gzip.h"

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <array>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString chart = u"emf/aspose-cells__Chart.emf"_s; // text and bars, 320 x 170 at 96 dpi
const QString eye = u"wmf/aspose__eye.wmf"_s; // placeable, 490 x 414
const QString plainWmf = u"wmf-text/dotnet__gdiwmfboundariesbug.wmf"_s; // no placeable header, 324 x 252
const QStringList transparent {u"--background=transparent"_s};

QByteArray testData(const QString &relative)
{
    QFile file(qEnvironmentVariable("PICTORATE_TEST_DATA") + u'/' + relative);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The converter's picture of `bytes`, sent through its standard streams, in ARGB32.
QImage converted(const QByteArray &bytes, const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(PICTORATE_CONVERT),
                  QStringList {u"--stdout"_s, u"-f"_s, u"png"_s} + arguments << u"-"_s);
    process.write(bytes);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QImage::fromData(process.readAllStandardOutput()).convertToFormat(QImage::Format_ARGB32);
}

// Pixels whose channels differ by more than a few levels.
int differingPixels(const QImage &a, const QImage &b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            count += std::max({qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q)), qAbs(qBlue(p) - qBlue(q)),
                               qAbs(qAlpha(p) - qAlpha(q))})
                   > 8;
        }
    return count;
}

} // namespace

class tst_ImagePlugin : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    // First, so that threads are the first to draw text in the process.
    void fourThreadsAtOnce();
    void pictures_data();
    void pictures();
    void parts_data();
    void parts();
    void badFiles_data();
    void badFiles();

private:
    QString write(const QString &name, const QByteArray &bytes) const;
    QTemporaryDir m_dir;
};

void tst_ImagePlugin::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QCoreApplication::addLibraryPath(QStringLiteral(PICTORATE_PLUGIN_DIR));
    QFont font(u"DejaVu Sans"_s, 10);
    font.setStyleName(u"Bold"_s);
    font.setStretch(QFont::Expanded);
    font.setCapitalization(QFont::AllUppercase);
    font.setLetterSpacing(QFont::PercentageSpacing, 150);
    QGuiApplication::setFont(font);
}

QString tst_ImagePlugin::write(const QString &name, const QByteArray &bytes) const
{
    QFile file(m_dir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName() : QString();
}

// Qt's readers run in thread pools: four threads reading the same files in turn at once.
void tst_ImagePlugin::fourThreadsAtOnce()
{
    const std::array<QString, 4> files {chart, eye, plainWmf, chart};
    std::array<QString, 4> paths;
    std::array<QImage, 4> expected;
    for (size_t i = 0; i < files.size(); ++i) {
        const QByteArray bytes = testData(files[i]);
        paths[i] = i == 3 ? write(u"d.emz"_s, testsupport::gzip(bytes)) : write(files[i].section(u'/', -1), bytes);
        expected[i] = converted(bytes, transparent);
    }
    std::array<std::array<QImage, 4>, 4> read;
    std::vector<std::unique_ptr<QThread>> threads;
    for (size_t t = 0; t < 4; ++t) {
        threads.emplace_back(QThread::create([&, t] {
            for (size_t n = 0; n < paths.size(); ++n)
                read[t][(t + n) % 4] = QImageReader(paths[(t + n) % 4]).read().convertToFormat(QImage::Format_ARGB32);
        }));
        threads.back()->start();
    }
    for (const auto &thread : threads)
        QVERIFY(thread->wait(120000));
    for (size_t t = 0; t < 4; ++t)
        for (size_t i = 0; i < 4; ++i)
            QVERIFY2(read[t][i] == expected[i], qPrintable(u"thread %1, %2"_s.arg(t).arg(paths[i])));
}

void tst_ImagePlugin::pictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("format"); // told by the content, whatever the name
    QTest::addColumn<QSize>("natural");
    QTest::addColumn<QSize>("scaled");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QStringList>("converterArguments");
    const QColor clear = Qt::transparent;
    QTest::newRow("EMF with text") << u"chart.emf"_s << testData(chart) << "emf"_ba << QSize(320, 170) << QSize()
                                   << clear << transparent;
    QTest::newRow("placeable WMF on white") << u"eye.wmf"_s << testData(eye) << "wmf"_ba << QSize(490, 414) << QSize()
                                            << QColor(Qt::white) << QStringList();
    QTest::newRow("WMF without a placeable header")
        << u"plain.wmf"_s << testData(plainWmf) << "wmf"_ba << QSize(324, 252) << QSize() << clear << transparent;
    QTest::newRow(".emz") << u"chart.emz"_s << testsupport::gzip(testData(chart)) << "emz"_ba << QSize(320, 170)
                          << QSize() << clear << transparent;
    QTest::newRow(".wmz scaled, on half-clear blue")
        << u"eye.wmz"_s << testsupport::gzip(testData(eye)) << "wmz"_ba << QSize(490, 414) << QSize(245, 300)
        << QColor(0, 0, 255, 128) << QStringList {u"--size=245x300"_s, u"--background=#800000ff"_s};
    // Drawn at four times its size as a vector picture: the converter's own picture at that size.
    QTest::newRow("EMF at four times its size")
        << u"chart4.emf"_s << testData(chart) << "emf"_ba << QSize(320, 170) << QSize(1280, 680) << clear
        << transparent + QStringList {u"--size=1280x680"_s};
    QTest::newRow("EMF named .png") << u"emf.png"_s << testData(chart) << "emf"_ba << QSize(320, 170) << QSize()
                                    << clear << transparent;
    QTest::newRow("WMZ named .wmf") << u"wmz.wmf"_s << testsupport::gzip(testData(eye)) << "wmz"_ba << QSize(490, 414)
                                    << QSize() << clear << transparent;
}

void tst_ImagePlugin::pictures()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, format);
    QFETCH(QSize, natural);
    QFETCH(QSize, scaled);
    QFETCH(QColor, background);
    QFETCH(QStringList, converterArguments);
    QImageReader reader(write(name, bytes));
    QVERIFY(reader.canRead());
    QCOMPARE(reader.format(), format);
    QCOMPARE(reader.size(), natural);
    reader.setScaledSize(scaled);
    reader.setBackgroundColor(background);
    const QImage::Format promised = reader.imageFormat();
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.format(), promised);
    QCOMPARE(image.size(), scaled.isValid() ? scaled : natural);
    QCOMPARE(image.convertToFormat(QImage::Format_ARGB32), converted(bytes, converterArguments));
}

void tst_ImagePlugin::parts_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QRect>("clip");
    QTest::addColumn<QSize>("scaled");
    QTest::addColumn<QRect>("scaledClip");
    QTest::addColumn<QSize>("whole"); // the converter's picture of the whole
    QTest::addColumn<QRect>("part"); // and the part of it that the reader draws
    QTest::newRow("clip rect") << eye << QRect(100, 50, 200, 150) << QSize() << QRect() << QSize(490, 414)
                               << QRect(100, 50, 200, 150);
    QTest::newRow("clip rect, scaled twice") << eye << QRect(100, 50, 200, 150) << QSize(400, 300) << QRect()
                                             << QSize(980, 828) << QRect(200, 100, 400, 300);
    QTest::newRow("scaled clip rect") << chart << QRect() << QSize(640, 340) << QRect(320, 0, 320, 170)
                                      << QSize(640, 340) << QRect(320, 0, 320, 170);
    QTest::newRow("clip, scale and scaled clip")
        << chart << QRect(160, 0, 160, 170) << QSize(320, 340) << QRect(0, 170, 320, 170) << QSize(640, 340)
        << QRect(320, 170, 320, 170);
    QTest::newRow("clip rect past the edge")
        << eye << QRect(400, 300, 200, 200) << QSize() << QRect() << QSize(490, 414) << QRect(400, 300, 200, 200);
}

void tst_ImagePlugin::parts()
{
    QFETCH(QString, file);
    QFETCH(QRect, clip);
    QFETCH(QSize, scaled);
    QFETCH(QRect, scaledClip);
    QFETCH(QSize, whole);
    QFETCH(QRect, part);
    QImageReader reader(write(u"part."_s + file.section(u'.', -1), testData(file)));
    reader.setClipRect(clip);
    reader.setScaledSize(scaled);
    reader.setScaledClipRect(scaledClip);
    const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), part.size());
    const QStringList size {u"--size=%1x%2"_s.arg(whole.width()).arg(whole.height())};
    // A part is played on its own: an anti-aliased edge may round otherwise where it is cut.
    QCOMPARE_LE(differingPixels(image, converted(testData(file), transparent + size).copy(part)),
                part.width() * part.height() / 200);
}

void tst_ImagePlugin::badFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("scaled");
    QTest::addColumn<bool>("canRead");
    QTest::addColumn<QString>("reason"); // the plugin's warning, or the reader's error when it cannot read
    QByteArray bomb = testData(chart).left(200);
    bomb.append(QByteArray(65 * 1024 * 1024, '\0'));
    QTest::newRow("EMF header cut short") << u"short.emf"_s << testData(chart).left(100) << QSize() << true
                                          << u"short.emf: could not be read as a picture: the file is truncated"_s;
    QTest::newRow("placeable WMF cut short")
        << u"short.wmf"_s << testData(eye).left(30) << QSize() << true << u"the file is truncated"_s;
    QTest::newRow("EMZ inflating past the cap")
        << u"bomb.emz"_s << testsupport::gzip(bomb) << QSize() << true << u"inflates to more than 64 MiB"_s;
    QTest::newRow("past the allocation limit") << u"huge.emf"_s << testData(chart) << QSize(20000, 20000) << true
                                               << u"20000 x 20000 pixels is more than .* allocation limit"_s;
    QTest::newRow("text named .emf") << u"text.emf"_s << QByteArray("not a picture") << QSize() << false
                                     << u"Unsupported image format"_s;
}

void tst_ImagePlugin::badFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, scaled);
    QFETCH(bool, canRead);
    QFETCH(QString, reason);
    QImageReader reader(write(name, bytes));
    reader.setScaledSize(scaled);
    QCOMPARE(reader.canRead(), canRead);
    if (canRead)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(reason));
    QVERIFY(reader.read().isNull());
    QCOMPARE(reader.error(), canRead ? QImageReader::InvalidDataError : QImageReader::UnsupportedFormatError);
    if (!canRead)
        QCOMPARE(reader.errorString(), reason);
}

QTEST_MAIN(tst_ImagePlugin)
#include "tst_imageplugin.moc"
