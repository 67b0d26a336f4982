// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The picture service's pipeline parts: the PNG writer (palette, truecolour, alpha, chunks) and
// pictures read from a stream. The other formats and backgrounds are tried through the
// converter (tests/cli/tst_pipelines.cpp).

#include "picture.h"
#include "pngdeflate.h"
#include "pngwriter.h"
#include "wmfbuilder.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace {

// `count` colours, one a pixel from the top left on, the rest of the image the first.
QImage withColours(int count, QSize size = QSize(64, 64))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 200));
    for (int i = 0; i < count; ++i)
        image.setPixel(i % size.width(), i / size.width(), qRgb(i & 0xFF, (i >> 8) & 0xFF, 200));
    return image;
}

QImage noise(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, QRandomGenerator::global()->generate() | 0xFF000000);
    }
    return image;
}

QImage translucent()
{
    QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, QColor(200, 100, 50, x * 6));
    }
    return image;
}

// Two rows of a first pixel of its own, then `run` of one colour, then one more; 300 other
// colours in the rows after them make the picture truecolour when `truecolour`.
QImage runs(int run, bool truecolour)
{
    const int width = run + 2;
    QImage image(width, truecolour ? 2 + (300 + width - 1) / width : 2, QImage::Format_RGB32);
    image.fill(qRgb(10, 20, 30));
    for (int y = 0; y < 2; ++y) {
        image.setPixel(0, y, qRgb(1, 2, 3));
        image.setPixel(run + 1, y, qRgb(4, 5, 6));
    }
    for (int i = 0; truecolour && i < 300; ++i)
        image.setPixel(i % width, 2 + i / width, qRgb(i & 0xFF, i >> 8, 99));
    return image;
}

QByteArray png(const QImage &image, QSizeF twips = {}, int level = pngDeflateLevel)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return writePng(image, buffer, twips, level) ? bytes : QByteArray();
}

// Whether the IDAT chunks hold one zlib stream that inflates to its end with its checksum
// right: a reader that stops at the last row would not notice a wrong one.
bool inflatesWhole(const QByteArray &bytes, QSize size)
{
    QByteArray stream;
    for (qsizetype at = 8; at + 12 <= bytes.size();) {
        const quint32 length = quint32(quint8(bytes[at])) << 24 | quint32(quint8(bytes[at + 1])) << 16
                             | quint32(quint8(bytes[at + 2])) << 8 | quint8(bytes[at + 3]);
        if (bytes.mid(at + 4, 4) == "IDAT")
            stream += bytes.mid(at + 8, qsizetype(length));
        at += 12 + qsizetype(length);
    }
    QByteArray rows(qsizetype(size.height()) * (qsizetype(size.width()) * 4 + 1), '\0');
    auto rowsSize = uLongf(rows.size());
    return uncompress(reinterpret_cast<Bytef *>(rows.data()), &rowsSize,
                      reinterpret_cast<const Bytef *>(stream.constData()), uLong(stream.size()))
        == Z_OK;
}

// The PNG's chunk types in order.
QStringList chunks(const QByteArray &bytes)
{
    QStringList types;
    for (qsizetype at = 8; at + 8 <= bytes.size();) {
        const quint32 length = quint32(quint8(bytes[at])) << 24 | quint32(quint8(bytes[at + 1])) << 16
                             | quint32(quint8(bytes[at + 2])) << 8 | quint8(bytes[at + 3]);
        types << QString::fromLatin1(bytes.mid(at + 4, 4));
        at += 12 + qsizetype(length);
    }
    types.removeDuplicates();
    return types;
}

} // namespace

class tst_PictureFormats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pngRoundTrip_data();
    void pngRoundTrip();
    void pngRecordsThePhysicalSize();
    void runDeflaterRoundTrip_data();
    void runDeflaterRoundTrip();
    void fromAStream_data();
    void fromAStream();
};

void tst_PictureFormats::pngRoundTrip_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<int>("colourType"); // 2 truecolour, 3 indexed, 6 truecolour with alpha
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("atMostBytes"); // 0: any size
    const QStringList indexed {u"IHDR"_s, u"PLTE"_s, u"IDAT"_s, u"IEND"_s};
    const QStringList truecolour {u"IHDR"_s, u"IDAT"_s, u"IEND"_s};
    const int runs = pngRunLevel;
    QTest::addRow("one pixel") << withColours(1, QSize(1, 1)) << 3 << indexed << runs << 0;
    QTest::addRow("two colours") << withColours(2) << 3 << indexed << runs << 0;
    QTest::addRow("256 colours, the most a palette holds") << withColours(256) << 3 << indexed << runs << 0;
    QTest::addRow("257 colours") << withColours(257) << 2 << truecolour << runs << 0;
    QImage lastPixel = withColours(1);
    lastPixel.setPixel(63, 63, qRgb(1, 2, 3));
    QTest::addRow("a second colour in the last pixel") << lastPixel << 3 << indexed << runs << 0;
    QTest::addRow("noise past one IDAT chunk and one block of codes")
        << noise(QSize(300, 400)) << 2 << truecolour << runs << 0;
    QTest::addRow("translucent") << translucent() << 6 << truecolour << runs << 0;
    QTest::addRow("an indexed image") << withColours(3).convertToFormat(QImage::Format_Indexed8) << 3 << indexed << runs
                                      << 0;
    // Runs around the longest one deflate codes (258 bytes) and the shortest (3).
    for (const int run : {3, 4, 257, 258, 259, 260, 261, 516, 517}) {
        QTest::addRow("a run of %d, indexed", run) << ::runs(run, false) << 3 << indexed << runs << 0;
        QTest::addRow("a run of %d, truecolour", run) << ::runs(run, true) << 2 << truecolour << runs << 0;
    }
    // A flat picture is its rows repeated: two or three bytes a row, as zlib makes it.
    QTest::addRow("one colour, 1024 x 768") << withColours(1, QSize(1024, 768)) << 3 << indexed << runs << 2500;
    QTest::addRow("one colour, 1024 x 768, zlib") << withColours(1, QSize(1024, 768)) << 3 << indexed << 6 << 2500;
    QTest::addRow("noise, zlib") << noise(QSize(300, 400)) << 2 << truecolour << 6 << 0;
    QTest::addRow("translucent, zlib") << translucent() << 6 << truecolour << 1 << 0;
}

// What Qt's reader decodes is the picture, pixel for pixel, in the colour type it calls for.
void tst_PictureFormats::pngRoundTrip()
{
    QFETCH(QImage, image);
    QFETCH(int, colourType);
    QFETCH(QStringList, chunks);
    QFETCH(int, level);
    QFETCH(int, atMostBytes);
    const QByteArray bytes = png(image, {}, level);
    QVERIFY(bytes.startsWith("\x89PNG\r\n\x1A\n"));
    QCOMPARE(int(bytes[25]), colourType);
    QCOMPARE(::chunks(bytes), chunks);
    QVERIFY(inflatesWhole(bytes, image.size()));
    if (atMostBytes > 0)
        QCOMPARE_LE(bytes.size(), atMostBytes);
    QImage read;
    QVERIFY(read.loadFromData(bytes, "PNG"));
    QCOMPARE(read.convertToFormat(QImage::Format_ARGB32), image.convertToFormat(QImage::Format_ARGB32));
}

void tst_PictureFormats::pngRecordsThePhysicalSize()
{
    QImage read;
    // 200 pixels on 3000 twips: 96 dots per inch, 3780 a metre.
    QVERIFY(read.loadFromData(png(withColours(2, QSize(200, 100)), QSizeF(3000, 750)), "PNG"));
    QCOMPARE(read.dotsPerMeterX(), 3780);
    QCOMPARE(read.dotsPerMeterY(), 7559);
    QVERIFY(!chunks(png(withColours(2))).contains(u"pHYs"_s));
}

// The run deflater's stream, inflated by zlib (which checks its Adler-32), gives back the
// bytes it was given; each piece is handed over in a call of its own, a negative one as that
// many zeros.
void tst_PictureFormats::runDeflaterRoundTrip_data()
{
    QTest::addColumn<int>("pixelBytes");
    QTest::addColumn<QList<QByteArray>>("pieces");
    const auto zeros = [](int count) { return QByteArray::number(-count); };
    QByteArray noise(200000, '\0');
    for (char &byte : noise)
        byte = char(QRandomGenerator::global()->bounded(256));
    QByteArray stripes;
    for (int i = 0; i < 3000; ++i)
        stripes += QByteArray("\x01\x02\x03", 3);
    QTest::addRow("nothing") << 1 << QList<QByteArray> {};
    QTest::addRow("one byte") << 1 << QList<QByteArray> {"\x07"};
    QTest::addRow("a run in a call of its own, then zeros") << 3 << QList<QByteArray> {stripes, zeros(5), "x"};
    QTest::addRow("zeros first, fewer than a run") << 4 << QList<QByteArray> {zeros(2), "ab", zeros(1)};
    QTest::addRow("zeros past every run length") << 1 << QList<QByteArray> {zeros(258 * 3 + 1), zeros(259)};
    QTest::addRow("noise past several blocks") << 3 << QList<QByteArray> {noise};
    QTest::addRow("noise past a block's tokens, then a mebibyte of zeros")
        << 1 << QList<QByteArray> {noise.left(70000), zeros(1 << 20)};
    QTest::addRow("rows of four-byte pixels")
        << 4 << QList<QByteArray> {"\x02", QByteArray(4096, 'z'), "\x02", zeros(4096)};
}

void tst_PictureFormats::runDeflaterRoundTrip()
{
    QFETCH(int, pixelBytes);
    QFETCH(QList<QByteArray>, pieces);
    RunDeflater deflater(pixelBytes);
    QByteArray given;
    for (const QByteArray &piece : pieces) {
        bool isCount = false;
        const int zeroCount = piece.startsWith('-') ? -piece.toInt(&isCount) : 0;
        if (isCount) {
            deflater.addZeros(size_t(zeroCount));
            given += QByteArray(zeroCount, '\0');
        } else {
            deflater.add(reinterpret_cast<const unsigned char *>(piece.constData()), size_t(piece.size()));
            given += piece;
        }
    }
    deflater.finish();
    const std::vector<unsigned char> &stream = deflater.output();
    QByteArray inflated(given.size() + 1, '\0');
    auto inflatedSize = uLongf(inflated.size());
    QCOMPARE(uncompress(reinterpret_cast<Bytef *>(inflated.data()), &inflatedSize, stream.data(), uLong(stream.size())),
             Z_OK);
    inflated.truncate(qsizetype(inflatedSize));
    QCOMPARE(inflated, given);
}

void tst_PictureFormats::fromAStream_data()
{
    QTest::addColumn<QString>("source"); // "pipe" with `bytes`, or a path opened as the stream
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error"); // empty: a picture
    WmfBuilder b;
    b.setWindowExt(10, 10).rectangle(1, 1, 5, 5);
    QTest::addRow("a metafile through a pipe") << u"pipe"_s << b.bytes() << QString();
    QTest::addRow("nothing through a pipe") << u"pipe"_s << QByteArray() << u"the file is empty"_s;
    QTest::addRow("words through a pipe")
        << u"pipe"_s << QByteArray("hello") << u"it is not a picture this program can read"_s;
    // A device without end: read up to the largest picture and a byte, then refused.
    QTest::addRow("a device without end") << u"/dev/zero"_s << QByteArray() << u"the file is too large for a picture"_s;
}

void tst_PictureFormats::fromAStream()
{
    QFETCH(QString, source);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    int descriptor = -1;
    if (source == u"pipe") {
        int ends[2];
        QVERIFY(::pipe(ends) == 0);
        QCOMPARE(::write(ends[1], bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
        ::close(ends[1]);
        descriptor = ends[0];
    } else {
        descriptor = ::open(QFile::encodeName(source).constData(), O_RDONLY);
    }
    QVERIFY(descriptor >= 0);
    QString why;
    const std::optional<Picture> picture = LoadPictureFromDescriptor(descriptor, &why);
    ::close(descriptor);
    QCOMPARE(why, error);
    QCOMPARE(picture.has_value(), error.isEmpty());
    if (picture)
        QVERIFY(picture->isMetafile());
}

QTEST_MAIN(tst_PictureFormats)
#include "tst_pictureformats.moc"
