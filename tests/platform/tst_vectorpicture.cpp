// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// SVG and PDF files: the raster patches that stand in for what only pixels express (played
// through a painter without raster operations onto an image, the picture is the raster one to
// the pixel), the SVG elements each kind of drawing becomes, the PDF's text, and the files' sizes.

#include "colours.h"
#include "picture.h"
#include "relaypaintengine.h"
#include "renderpicture.h"
#include "svgmarkup.h"
#include "vectorfiledevice.h"
#include "vectorpicture.h"
#include "wmfbuilder.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;
using Build = std::function<void(WmfBuilder &)>;

namespace {

constexpr quint32 DSTINVERT = 0x00550009, SRCAND = 0x008800C6, SRCCOPY = 0x00CC0020, PATCOPY = 0x00F00021;

// A picture of 100 x 100 pixels at 96 dpi with a red brush and no pen selected, then `build`.
Picture pictureOf(const Build &build)
{
    WmfBuilder b;
    b.createPen(5, 0, 0).selectObject(0).createBrush(0, colorref::red).selectObject(1);
    build(b);
    return Picture(*metafile::Document::load(b.placeable(QRect(0, 0, 100, 100), 96)));
}

// A bitmap of `size` in 24 bits, the STRETCHDIB record's way.
void stretchDib(WmfBuilder &b, quint32 rop, QSize size, QRect target)
{
    QByteArray bits =
        WmfBuilder::words({40, 0, size.width(), 0, size.height(), 0, 1, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const int stride = (size.width() * 3 + 3) / 4 * 4;
    for (int i = 0; i < stride * size.height(); ++i)
        bits.append(char(i * 37 & 0xFF));
    b.raw(0x0F43, WmfBuilder::words({WmfBuilder::low(rop), WmfBuilder::high(rop), 0, size.height(), size.width(), 0, 0,
                                     target.height(), target.width(), target.y(), target.x()})
                      + bits);
}

// A painter without raster operations that hands its drawings on to an image: the path an SVG or
// PDF file takes, seen in pixels.
class ImageRelay : public RelayPaintEngine
{
public:
    explicit ImageRelay(QImage &image) : RelayPaintEngine(image.size()), m_image(image) { }
    [[nodiscard]] QByteArray bytes() const override { return {}; } // it writes no file

protected:
    QPaintDevice *openTarget() override { return &m_image; }

private:
    QImage &m_image;
};

// The picture played through the relay onto a white image, with `patches` or without any.
QImage relayed(const Picture &picture, const metafile::RasterPatches *patches)
{
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    VectorFileDevice device(std::make_unique<ImageRelay>(image), image.size(), QSizeF(image.size()) * 25.4 / 96);
    QPainter painter(&device);
    const QRectF target(0, 0, 100, 100);
    if (patches)
        picture.metafile()->playWithPatches(painter, target, *patches);
    else
        picture.metafile()->play(painter, target);
    painter.end();
    return image;
}

QString svgOf(const Picture &picture, QSize pixels = {100, 100}, QSizeF twips = {1500, 1500})
{
    const std::optional<VectorPicture> file = renderVector(picture, VectorFormat::Svg, pixels, twips, Qt::white);
    return file ? QString::fromUtf8(file->bytes) : QString();
}

QByteArray pdfOf(const Picture &picture, QSize pixels = {100, 100}, QSizeF twips = {1500, 1500})
{
    const std::optional<VectorPicture> file = renderVector(picture, VectorFormat::Pdf, pixels, twips, Qt::white);
    return file ? file->bytes : QByteArray();
}

// What a poppler tool says of `pdf`; skips the test where poppler-utils is missing.
QString poppler(const QString &tool, const QByteArray &pdf)
{
    if (QStandardPaths::findExecutable(tool).isEmpty())
        return QString();
    QTemporaryDir folder;
    QFile file(folder.filePath(u"picture.pdf"_s));
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
        return QString();
    file.close();
    QProcess process;
    process.start(tool, tool == u"pdftotext" ? QStringList {file.fileName(), u"-"_s} : QStringList {file.fileName()});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestVectorPicture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void patchesStandInForPixels_data();
    void patchesStandInForPixels();
    void svgElements_data();
    void svgElements();
    void pdfKeepsText_data();
    void pdfKeepsText();
    void fileSizes_data();
    void fileSizes();
    void markup_data();
    void markup();
    void noPictureIsRefused();
};

void TestVectorPicture::patchesStandInForPixels_data()
{
    QTest::addColumn<Build>("build");
    QTest::addColumn<int>("patches");
    // A painter without raster operations can still draw the seam pass: it draws aliased.
    QTest::addColumn<bool>("onlyPixels");
    const auto xorPen = [](WmfBuilder &b) { b.createPen(0, 3, colorref::blue).selectObject(2).setRop2(7); };
    QTest::addRow("a plain copy") << Build([](WmfBuilder &b) { b.rectangle(10, 10, 60, 60); }) << 0 << false;
    QTest::addRow("an XOR pen") << Build([&](WmfBuilder &b) { xorPen(b), b.moveTo(5, 5).lineTo(95, 80); }) << 1 << true;
    QTest::addRow("XOR drawings in a row, one patch")
        << Build([&](WmfBuilder &b) { xorPen(b), b.rectangle(10, 10, 60, 60).ellipse(30, 30, 90, 90); }) << 1 << true;
    QTest::addRow("a copy between XOR drawings, two") << Build([&](WmfBuilder &b) {
        xorPen(b), b.rectangle(10, 10, 60, 60).setRop2(13).rectangle(0, 70, 20, 90).setRop2(7).ellipse(30, 30, 90, 90);
    }) << 2 << true;
    QTest::addRow("R2_NOTCOPYPEN") << Build([](WmfBuilder &b) { b.setRop2(4).rectangle(10, 10, 60, 60); }) << 1 << true;
    QTest::addRow("R2_MASKPEN") << Build([](WmfBuilder &b) { b.setRop2(9).ellipse(10, 10, 60, 60); }) << 1 << true;
    QTest::addRow("R2_BLACK, a plain fill")
        << Build([](WmfBuilder &b) { b.setRop2(1).rectangle(10, 10, 60, 60); }) << 0 << false;
    QTest::addRow("R2_NOP") << Build([](WmfBuilder &b) { b.setRop2(11).rectangle(10, 10, 60, 60); }) << 0 << false;
    QTest::addRow("text under XOR stays text") << Build([](WmfBuilder &b) {
        QByteArray bilevel = WmfBuilder::logFont(-20); // NONANTIALIASED_QUALITY: no grey levels to compare
        bilevel[16] = 3;
        b.setRop2(7).raw(0x02FB, bilevel).selectObject(2).textOut(10, 40, "Text");
    }) << 0 << false;
    QTest::addRow("PATBLT PATCOPY") << Build([](WmfBuilder &b) { b.patBlt(10, 10, 50, 50, PATCOPY); }) << 0 << false;
    QTest::addRow("PATBLT DSTINVERT") << Build([](WmfBuilder &b) {
        b.rectangle(0, 0, 50, 50).patBlt(20, 20, 60, 60, DSTINVERT);
    }) << 1 << true;
    QTest::addRow("STRETCHDIB SRCCOPY") << Build([](WmfBuilder &b) {
        stretchDib(b, SRCCOPY, QSize(4, 3), QRect(10, 10, 80, 60));
    }) << 0 << false;
    QTest::addRow("STRETCHDIB SRCAND") << Build([](WmfBuilder &b) {
        b.rectangle(0, 0, 50, 50), stretchDib(b, SRCAND, QSize(4, 3), QRect(10, 10, 80, 60));
    }) << 1 << true;
    QTest::addRow("INVERTREGION") << Build([](WmfBuilder &b) {
        b.rectangle(0, 0, 50, 50).createRegion({QRect(20, 20, 60, 60)}).record(0x012A, {2});
    }) << 1 << true;
    QTest::addRow("FLOODFILL") << Build([](WmfBuilder &b) {
        b.createPen(0, 0, colorref::black).selectObject(2).rectangle(20, 20, 60, 60);
        b.createBrush(0, colorref::blue).selectObject(3).record(0x0419, {0, 0, 40, 40});
    }) << 1 << true;
    QTest::addRow("abutting fills close their seam") << Build([](WmfBuilder &b) {
        b.polygon({{10, 10}, {90, 20}, {20, 90}}).createBrush(0, colorref::green).selectObject(2);
        b.polygon({{90, 20}, {20, 90}, {95, 95}});
    }) << 1 << false;
    QTest::addRow("XOR clipped away, no pixels")
        << Build([&](WmfBuilder &b) { xorPen(b), b.intersectClipRect(0, 0, 10, 10).rectangle(40, 40, 90, 90); }) << 0
        << false;
}

// Played through a painter without raster operations, the drawings only pixels express are their
// patches and the rest shapes: the picture is the raster one, recorded whole or in bands of 7 rows.
void TestVectorPicture::patchesStandInForPixels()
{
    QFETCH(Build, build);
    QFETCH(int, patches);
    QFETCH(bool, onlyPixels);
    const Picture picture = pictureOf(build);
    const QImage raster = renderPicture(picture, QSize(100, 100));
    const std::optional<metafile::RasterPatches> whole =
        recordRasterPatches(*picture.metafile(), QSize(100, 100), Qt::white);
    QVERIFY(whole);
    QCOMPARE(whole->count(), patches);
    QCOMPARE(relayed(picture, &*whole), raster);
    const std::optional<metafile::RasterPatches> banded =
        recordRasterPatches(*picture.metafile(), QSize(100, 100), Qt::white, 100 * 4 * 7);
    QVERIFY(banded);
    // Each band plays alone, as a raster picture saved in bands does (a flood fill stays in its band).
    QImage rasterBands(100, 100, QImage::Format_RGB32);
    for (int top = 0; top < 100; top += 7)
        QPainter(&rasterBands)
            .drawImage(0, top,
                       renderPictureRegion(picture, QSize(100, 100), QRect(0, top, 100, std::min(7, 100 - top))));
    QCOMPARE(relayed(picture, &*banded), rasterBands);
    if (onlyPixels)
        QVERIFY2(relayed(picture, nullptr) != raster, "without its patches the picture should differ");
}

void TestVectorPicture::svgElements_data()
{
    QTest::addColumn<Build>("build");
    QTest::addColumn<QStringList>("expected"); // regular expressions
    QTest::addRow("a line") << Build([](WmfBuilder &b) {
        b.createPen(0, 0, colorref::blue).selectObject(2).moveTo(10, 20).lineTo(90, 20);
    }) << QStringList {uR"re(<path d="M10.5 20.5L90.5 20.5" fill="none" stroke="#0000ff" stroke-width="1")re"_s};
    QTest::addRow("a filled rectangle") << Build([](WmfBuilder &b) { b.rectangle(10, 10, 60, 40); })
                                        << QStringList {uR"re(<path d="M10 10L59 10L59 39L10 39Z" fill="#ff0000")re"_s};
    QTest::addRow("an ellipse keeps its curves")
        << Build([](WmfBuilder &b) { b.ellipse(10, 10, 60, 40); }) << QStringList {uR"re(<path d="M[^"]*C[^"]*Z")re"_s};
    QTest::addRow("a clip region is a clip path")
        << Build([](WmfBuilder &b) { b.intersectClipRect(20, 20, 50, 50).ellipse(10, 10, 90, 90); })
        << QStringList {uR"re(<clipPath id="(c\d+)"><path d="M20 20L50 20L50 50L20 50Z")re"_s,
                        uR"re(<g clip-path="url\(#c\d+\)">\n<path d="M[^"]*C)re"_s};
    QTest::addRow("a hatch is a pattern")
        << Build([](WmfBuilder &b) { b.createBrush(2, colorref::blue, 4).selectObject(2).rectangle(10, 10, 90, 90); })
        << QStringList {uR"re(<pattern id="(p\d+)" patternUnits="userSpaceOnUse" width="8" height="8")re"_s,
                        uR"re(fill="url\(#p\d+\)")re"_s};
    QTest::addRow("a bitmap at its own resolution")
        << Build([](WmfBuilder &b) { stretchDib(b, SRCCOPY, QSize(4, 3), QRect(10, 10, 80, 60)); })
        << QStringList {
               uR"re(<image id="i\d+" width="4" height="3" preserveAspectRatio="none" xlink:href="data:image/png;base64,)re"_s,
               uR"re(<use xlink:href="#i\d+" transform="matrix\(20 0 0 20 10 10\)")re"_s};
    QTest::addRow("text as glyph outlines")
        << Build([](WmfBuilder &b) { b.createFont(-20).selectObject(2).textOut(10, 40, "Tt"); })
        << QStringList {
               uR"re(<defs><path id="g\d+" d="M)re"_s,
               uR"re(<g filter="url\(#f\d+\)">\n<use xlink:href="#g\d+" fill="#000000"[^>]*/>\n(<defs>.*</defs>\n)?<use)re"_s,
               uR"re(<feFuncA type="table" tableValues="0 0.027 [^"]* 0.698 1"/>)re"_s};
    QTest::addRow("bi-level text, crisp") << Build([](WmfBuilder &b) {
        QByteArray bilevel = WmfBuilder::logFont(-20);
        bilevel[16] = 3; // NONANTIALIASED_QUALITY
        b.raw(0x02FB, bilevel).selectObject(2).textOut(10, 40, "T");
    }) << QStringList {uR"re(<use xlink:href="#g\d+" fill="#000000"[^>]* shape-rendering="crispEdges"/>)re"_s};
    QTest::addRow("a raster operation, a patch")
        << Build([](WmfBuilder &b) { b.rectangle(0, 0, 50, 50).patBlt(20, 20, 60, 60, DSTINVERT); })
        << QStringList {
               uR"re(<use xlink:href="#i\d+" transform="matrix\(1 0 0 1 20 20\)" image-rendering="optimizeSpeed"/>)re"_s};
}

void TestVectorPicture::svgElements()
{
    QFETCH(Build, build);
    QFETCH(QStringList, expected);
    const QString svg = svgOf(pictureOf(build));
    QVERIFY(svg.startsWith(u"<?xml"_s) && svg.endsWith(u"</svg>\n"_s));
    for (const QString &pattern : expected)
        QVERIFY2(QRegularExpression(pattern).match(svg).hasMatch(), qPrintable(pattern + u" in\n"_s + svg.left(3000)));
    QVERIFY(!svg.contains(u"<text"_s));
}

void TestVectorPicture::pdfKeepsText_data()
{
    QTest::addColumn<QByteArray>("face");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("embedded");
    QTest::addColumn<int>("height");
    QTest::addRow("Arial") << QByteArray("Arial") << QByteArray("Lorem ipsum") << u"LiberationSans"_s << -12;
    QTest::addRow("Times New Roman") << QByteArray("Times New Roman") << QByteArray("dolor sit") << u"LiberationSerif"_s
                                     << -12;
    QTest::addRow("Courier New") << QByteArray("Courier New") << QByteArray("amet") << u"LiberationMono"_s << -12;
    // Large enough for GDI's grey levels, which the raster play draws through the canvas.
    QTest::addRow("Arial, smoothed") << QByteArray("Arial") << QByteArray("Big") << u"LiberationSans"_s << -40;
}

// Text drawn with a real face is text in the PDF, its stand-in face embedded.
void TestVectorPicture::pdfKeepsText()
{
    QFETCH(QByteArray, face);
    QFETCH(QByteArray, text);
    QFETCH(QString, embedded);
    QFETCH(int, height);
    const QByteArray pdf = pdfOf(pictureOf(
        [&](WmfBuilder &b) { b.raw(0x02FB, WmfBuilder::logFont(height, face)).selectObject(2).textOut(5, 40, text); }));
    QVERIFY(pdf.startsWith("%PDF-"));
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QCOMPARE(poppler(u"pdftotext"_s, pdf).simplified(), QString::fromLatin1(text));
    const QString fonts = poppler(u"pdffonts"_s, pdf);
    QVERIFY2(fonts.contains(embedded) && fonts.contains(u" yes "_s), qPrintable(fonts));
}

void TestVectorPicture::fileSizes_data()
{
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<QSizeF>("twips");
    QTest::addColumn<QString>("svgSize");
    QTest::addColumn<QByteArray>("mediaBox");
    QTest::addRow("own size at 96 dpi") << QSize(100, 50) << QSizeF(1500, 750)
                                        << uR"re(width="100px" height="50px" viewBox="0 0 100 50")re"_s
                                        << QByteArray("/MediaBox [0 0 75.000000 38.000000]");
    QTest::addRow("at 300 dpi") << QSize(300, 150) << QSizeF(1440, 720)
                                << uR"re(width="96px" height="48px" viewBox="0 0 300 150")re"_s
                                << QByteArray("/MediaBox [0 0 72.000000 36.000000]");
    QTest::addRow("a size in pixels") << QSize(1024, 768) << QSizeF(15360, 11520)
                                      << uR"re(width="1024px" height="768px" viewBox="0 0 1024 768")re"_s
                                      << QByteArray("/MediaBox [0 0 768.000000 576.000000]");
}

// An SVG file is its size on paper in CSS pixels with a viewBox in its own; a PDF page is in points.
void TestVectorPicture::fileSizes()
{
    QFETCH(QSize, pixels);
    QFETCH(QSizeF, twips);
    QFETCH(QString, svgSize);
    QFETCH(QByteArray, mediaBox);
    const Picture picture = pictureOf([](WmfBuilder &b) { b.rectangle(10, 10, 60, 40); });
    QVERIFY2(svgOf(picture, pixels, twips).contains(svgSize), qPrintable(svgOf(picture, pixels, twips).left(300)));
    const QByteArray pdf = pdfOf(picture, pixels, twips);
    QVERIFY2(pdf.contains(mediaBox), pdf.left(600).constData());
}

void TestVectorPicture::markup_data()
{
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QByteArray>("expected");
    QTest::addRow("whole number") << svgNumber(12.0) << QByteArray("12");
    QTest::addRow("to a thousandth") << svgNumber(3.14159) << QByteArray("3.142");
    QTest::addRow("nearly whole") << svgNumber(-4.99999) << QByteArray("-5");
    QTest::addRow("minus nothing") << svgNumber(-0.0001) << QByteArray("0");
    QTest::addRow("not a number") << svgNumber(qQNaN()) << QByteArray("0");
    QPainterPath open;
    open.moveTo(0, 0);
    open.lineTo(10, 0);
    open.lineTo(10, 10);
    QPainterPath closed = open;
    closed.closeSubpath();
    QPainterPath round;
    round.addEllipse(QRectF(0, 0, 10, 10));
    QTest::addRow("an open figure") << svgPathData(open) << QByteArray("M0 0L10 0L10 10");
    QTest::addRow("a closed figure") << svgPathData(closed) << QByteArray("M0 0L10 0L10 10Z");
    QTest::addRow("a closed curve") << svgPathData(round).right(1) << QByteArray("Z");
    QTest::addRow("a colour") << svgColor(QColor(0x12, 0xAB, 0xEF, 10)) << QByteArray("#12abef");
    QTest::addRow("a dashed pen") << svgStroke(QPen(Qt::red, 2, Qt::DashLine))
                                  << QByteArray(R"( stroke="#ff0000" stroke-width="2" stroke-linecap="square")"
                                                R"( stroke-linejoin="bevel" stroke-dasharray="8 4")");
    QTest::addRow("no pen") << svgStroke(Qt::NoPen) << QByteArray(R"( stroke="none")");
    QTest::addRow("a cross hatch") << svgPatternTile(Qt::CrossPattern)
                                   << QByteArray("M4 0h1v1h-1zM4 1h1v1h-1zM4 2h1v1h-1zM0 3h8v1h-8z"
                                                 "M4 4h1v1h-1zM4 5h1v1h-1zM4 6h1v1h-1zM4 7h1v1h-1z");
}

void TestVectorPicture::markup()
{
    QFETCH(QByteArray, written);
    QFETCH(QByteArray, expected);
    QCOMPARE(written, expected);
}

void TestVectorPicture::noPictureIsRefused()
{
    QString error;
    QVERIFY(!renderVector(Picture(), VectorFormat::Svg, QSize(10, 10), QSizeF(150, 150), Qt::white, &error));
    QCOMPARE(error, u"there is no picture to save"_s);
}

QTEST_MAIN(TestVectorPicture)
#include "tst_vectorpicture.moc"
