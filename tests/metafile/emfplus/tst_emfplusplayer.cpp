// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// EMF+ playback by record family, from small pictures built in the test and probed pixel by
// pixel: figures, brushes and pens, transforms, states and containers, clipping, images and
// nested metafiles, text, the layer a play draws and GetDC sections; then the records a
// broken file holds, and the pictures that draw nothing.
//
// The EMF the records ride in maps one EMF+ pixel onto one pixel of the 100 x 100 picture.
// GDI+ puts pixel centres on whole coordinates, so a figure from 10 to 50 covers the pixels
// 10 to 49 when drawn without smoothing.

#include "colours.h"
#include "emfplusbuilder.h"
#include "render.h"
#include "wmfbuilder.h"

#include <QBuffer>
#include <QFile>
#include <QTest>

#include <cmath>

using testsupport::pixel;
using Layer = metafile::EmfPlusLayer;
using namespace Qt::StringLiterals;

namespace {

using B = EmfPlusBuilder;
using E = EmfBuilder;

struct Probe
{
    QPoint point;
    QRgb colour;
};
using Probes = QList<Probe>;

constexpr quint32 red = 0xFFFF0000;
constexpr quint32 blue = 0xFF0000FF;
constexpr quint32 green = 0xFF00FF00;
constexpr QRgb w = qrgb::white;
constexpr QRgb r = qrgb::red;
constexpr QRgb b = qrgb::blue;
constexpr QRgb k = qrgb::black;
// Clip combinations.
constexpr quint16 replace = 0;
constexpr quint16 unite = 2;
constexpr quint16 exclude = 4;
// Units.
constexpr quint16 unitPixel = 2;
constexpr quint16 unitInch = 4;
// Path point types: a start, lines, and the close flag.
const QByteArray triangleTypes("\x00\x01\x81", 3);

QByteArray ints(std::initializer_list<qint64> values) { return E::ints(values); }
QByteArray floats(std::initializer_list<float> values) { return E::floats(values); }

QByteArray fillRect(const QRectF &rect, quint32 colour = red)
{
    return B::recordBytes(B::FillRects, B::solid, ints({colour, 1}) + B::rectF(rect));
}

// A 32-bit ARGB bitmap of one colour.
QByteArray solidPixels(int width, int height, quint32 colour)
{
    QByteArray pixels;
    for (int i = 0; i < width * height; ++i)
        E::appendU32(pixels, colour);
    return B::rawImage(width, height, width * 4, 0x0026200A, pixels);
}

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// An EMF+ picture of its records in one comment.
QByteArray picture(const QList<QByteArray> &records, bool dual = false)
{
    QByteArray all = B::recordBytes(B::Header, dual ? 1 : 0, ints({B::version, 1, 96, 96}));
    for (const QByteArray &record : records)
        all += record;
    E emf;
    emf.raw(E::GdiComment, B::comment(all));
    return emf.bytes();
}

QByteArray rec(quint16 type, quint16 flags, const QByteArray &data = {}) { return B::recordBytes(type, flags, data); }
QByteArray object(quint16 kind, int slot, const QByteArray &data)
{
    return rec(B::Object, quint16((kind << 8) | slot), data);
}
QByteArray redPen(int slot, float width, quint32 flags = 0, const QByteArray &options = {})
{
    return object(B::Pen, slot, B::pen(width, red, flags, options));
}

void checkProbes(const testsupport::Rendered &out, const Probes &probes, int tolerance)
{
    for (const Probe &probe : probes) {
        const QRgb actual = pixel(out.image, probe.point.x(), probe.point.y());
        QVERIFY2(testsupport::near(actual, probe.colour, tolerance),
                 qPrintable(QStringLiteral("at %1,%2: %3 instead of %4")
                                .arg(probe.point.x())
                                .arg(probe.point.y())
                                .arg(actual, 8, 16)
                                .arg(probe.colour, 8, 16)));
    }
}

// The bounding box of the pixels that are not white.
QRect ink(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (pixel(image, x, y) != qrgb::white)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

} // namespace

Q_DECLARE_METATYPE(Probe)
Q_DECLARE_METATYPE(Layer)

class TestEmfPlusPlayer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void probes_data();
    void probes();
    void text_data();
    void text();
    void layers_data();
    void layers();
    void badRecords_data();
    void badRecords();
    void drawsNothing_data();
    void drawsNothing();
};

// NOLINTNEXTLINE(readability-function-size): one row a case
void TestEmfPlusPlayer::probes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Probes>("probes");
    QTest::addColumn<int>("tolerance");
    const QByteArray fill = fillRect({10, 10, 40, 40});
    const QByteArray whole = fillRect({0, 0, 100, 100});
    const QByteArray square = B::pointsF({{20, 20}, {80, 20}, {80, 80}, {20, 80}});

    // --- figures and their brushes and pens ---
    QTest::newRow("fill rects in a colour")
        << picture({fill}) << Probes {{{30, 30}, r}, {{10, 10}, r}, {{50, 50}, w}} << 0;
    QTest::newRow("fill rects with a brush object") << picture(
        {object(B::Brush, 0, B::solidBrush(blue)), rec(B::FillRects, 0, ints({0, 1}) + B::rectF({10, 10, 40, 40}))})
                                                    << Probes {{{30, 30}, b}} << 0;
    QTest::newRow("an empty brush slot draws nothing")
        << picture({rec(B::FillRects, 0, ints({5, 1}) + B::rectF({10, 10, 40, 40}))}) << Probes {{{30, 30}, w}} << 0;
    QTest::newRow("compressed rects") << picture(
        {rec(B::FillRects, B::solid | B::compressed, ints({red, 1}) + B::shorts({10, 10, 40, 40}))})
                                      << Probes {{{30, 30}, r}, {{55, 30}, w}} << 0;
    QTest::newRow("draw rects with a pen of world width")
        << picture({redPen(1, 4), rec(B::DrawRects, 1, ints({1}) + B::rectF({20, 20, 60, 60}))})
        << Probes {{{20, 50}, r}, {{50, 21}, r}, {{50, 50}, w}, {{16, 50}, w}} << 0;
    QTest::newRow("fill polygon") << picture(
        {rec(B::FillPolygon, B::solid, ints({red, 3}) + B::pointsF({{10, 10}, {90, 10}, {10, 90}}))})
                                  << Probes {{{20, 20}, r}, {{80, 80}, w}} << 0;
    QTest::newRow("draw lines, closed") << picture(
        {redPen(1, 6), rec(B::DrawLines, 0x2001, ints({3}) + B::pointsF({{10, 10}, {90, 10}, {90, 90}}))})
                                        << Probes {{{50, 10}, r}, {{90, 50}, r}, {{50, 50}, r}, {{20, 60}, w}} << 0;
    QTest::newRow("fill ellipse") << picture({rec(B::FillEllipse, B::solid, ints({red}) + B::rectF({10, 10, 80, 80}))})
                                  << Probes {{{50, 50}, r}, {{14, 14}, w}} << 0;
    QTest::newRow("fill pie: clockwise from three o'clock")
        << picture({rec(B::FillPie, B::solid, ints({red}) + floats({0, 90}) + B::rectF({10, 10, 80, 80}))})
        << Probes {{{70, 70}, r}, {{30, 30}, w}, {{70, 30}, w}, {{30, 70}, w}} << 0;
    QTest::newRow("draw pie: its wedge's edges and arc")
        << picture({redPen(1, 4), rec(B::DrawPie, 1, floats({0, 90}) + B::rectF({10, 10, 80, 80}))})
        << Probes {{{70, 50}, r}, {{50, 70}, r}, {{70, 70}, w}, {{30, 30}, w}} << 0;
    QTest::newRow("draw ellipse: its outline only")
        << picture({redPen(1, 4), rec(B::DrawEllipse, 1, B::rectF({10, 10, 80, 80}))})
        << Probes {{{10, 50}, r}, {{50, 90}, r}, {{50, 50}, w}} << 0;
    QTest::newRow("draw closed curve: a loop through its points")
        << picture({redPen(1, 4), rec(B::DrawClosedCurve, 1, floats({0.5}) + ints({4}) + square)})
        << Probes {{{20, 20}, r}, {{80, 80}, r}, {{50, 50}, w}, {{5, 5}, w}} << 0;
    QTest::newRow("draw arc: the upper left quarter")
        << picture({redPen(1, 6), rec(B::DrawArc, 1, floats({180, 90}) + B::rectF({10, 10, 80, 80}))})
        << Probes {{{22, 22}, r}, {{78, 78}, w}, {{50, 50}, w}} << 0;
    QTest::newRow("fill region object") << picture(
        {object(B::Region, 2, B::rectRegion({10, 10, 40, 40})), rec(B::FillRegion, B::solid | 2, ints({red}))})
                                        << Probes {{{30, 30}, r}, {{60, 60}, w}} << 0;
    QTest::newRow("fill path object") << picture(
        {object(B::Path, 3, B::path({{10, 10}, {90, 10}, {10, 90}}, triangleTypes)),
         rec(B::FillPath, B::solid | 3, ints({red}))})
                                      << Probes {{{20, 20}, r}, {{80, 80}, w}} << 0;
    QTest::newRow("draw path object") << picture(
        {redPen(1, 4), object(B::Path, 3, B::path({{10, 10}, {90, 10}, {10, 90}}, triangleTypes)),
         rec(B::DrawPath, 3, ints({1}))})
                                      << Probes {{{50, 10}, r}, {{10, 50}, r}, {{50, 50}, r}, {{20, 20}, w}} << 0;
    QTest::newRow("fill closed curve") << picture(
        {rec(B::FillClosedCurve, B::solid, ints({red}) + floats({0.5}) + ints({4}) + square)})
                                       << Probes {{{50, 50}, r}, {{5, 5}, w}} << 0;
    QTest::newRow("draw curve through its points")
        << picture({redPen(1, 4),
                    rec(B::DrawCurve, 1, floats({0.5}) + ints({0, 2, 3}) + B::pointsF({{10, 60}, {50, 20}, {90, 60}}))})
        << Probes {{{50, 20}, r}, {{50, 60}, w}} << 0;
    QTest::newRow("draw beziers") << picture(
        {redPen(1, 4), rec(B::DrawBeziers, 1, ints({4}) + B::pointsF({{10, 90}, {10, 10}, {90, 10}, {90, 90}}))})
                                  << Probes {{{50, 30}, r}, {{50, 60}, w}} << 0;
    QTest::newRow("clear") << picture({rec(B::Clear, 0, ints({green}))})
                           << Probes {{{5, 5}, qrgb::green}, {{95, 95}, qrgb::green}} << 0;
    QTest::newRow("alpha blends over the canvas")
        << picture({fillRect({0, 0, 100, 100}, 0x800000FF)}) << Probes {{{50, 50}, qRgb(127, 127, 255)}} << 2;
    QTest::newRow("hatch brush: a line every eight pixels")
        << picture({object(B::Brush, 0, B::hatchBrush(0, 0xFF000000, 0xFFFFFFFF)),
                    rec(B::FillRects, 0, ints({0, 1}) + B::rectF({0, 0, 100, 100}))})
        << Probes {{{50, 16}, qrgb::black}, {{50, 20}, w}} << 0;
    QTest::newRow("linear gradient along the rectangle")
        << picture({object(B::Brush, 0, B::linearGradient({0, 0, 100, 100}, red, blue)),
                    rec(B::FillRects, 0, ints({0, 1}) + B::rectF({0, 0, 100, 100}))})
        << Probes {{{2, 50}, r}, {{97, 50}, b}, {{50, 10}, qRgb(127, 0, 128)}} << 8;
    QTest::newRow("path gradient from the centre")
        << picture({object(B::Brush, 0, B::pathGradient({50, 50}, red, blue, {{0, 0}, {100, 0}, {100, 100}, {0, 100}})),
                    rec(B::FillRects, 0, ints({0, 1}) + B::rectF({0, 0, 100, 100}))})
        << Probes {{{50, 50}, r}, {{1, 50}, b}, {{75, 50}, qRgb(127, 0, 128)}} << 12;
    QTest::newRow("texture brush tiles its image")
        << picture({object(B::Brush, 0, B::textureBrush(solidPixels(20, 20, 0xFF0000FF))),
                    rec(B::FillRects, 0, ints({0, 1}) + B::rectF({0, 0, 100, 100}))})
        << Probes {{{50, 50}, b}, {{5, 95}, b}} << 0;
    QTest::newRow("dashed pen leaves gaps")
        << picture({redPen(1, 4, 0x20, ints({1})), rec(B::DrawLines, 1, ints({2}) + B::pointsF({{0, 50}, {100, 50}}))})
        << Probes {{{6, 50}, r}, {{14, 50}, w}, {{22, 50}, r}} << 0;
    const QByteArray across = rec(B::DrawLines, 1, ints({2}) + B::pointsF({{20, 50}, {80, 50}}));
    QTest::newRow("flat caps end at the points")
        << picture({redPen(1, 10), across}) << Probes {{{22, 50}, r}, {{17, 50}, w}, {{83, 50}, w}} << 0;
    QTest::newRow("square caps reach half the width past them")
        << picture({redPen(1, 10, 0x06, ints({1, 1})), across}) << Probes {{{17, 50}, r}, {{83, 50}, r}} << 0;
    QTest::newRow("a custom dash array in pen widths")
        << picture({redPen(1, 4, 0x120, ints({5, 2}) + floats({1, 3})),
                    rec(B::DrawLines, 1, ints({2}) + B::pointsF({{0, 50}, {100, 50}}))})
        << Probes {{{2, 50}, r}, {{10, 50}, w}, {{18, 50}, r}} << 0;
    // 1.5875 mm is 6 pixels at the header's 96 dots per inch; as world units it would be 1.6.
    QTest::newRow("a pen's width in millimetres")
        << picture({object(B::Pen, 1, ints({B::version, 0, 0, 6}) + floats({1.5875f}) + B::solidBrush(red)), across})
        << Probes {{{50, 52}, r}, {{50, 48}, r}, {{50, 44}, w}} << 0;
    QTest::newRow("smoothing: a half-covered pixel") << picture({rec(B::SetAntiAliasMode, 0x9), fill})
                                                     << Probes {{{50, 30}, qRgb(255, 127, 127)}, {{30, 30}, r}} << 8;
    QTest::newRow("without smoothing the pixel is white") << picture({fill}) << Probes {{{50, 30}, w}} << 0;
    QTest::newRow("half pixel offset puts the edges on pixel edges")
        << picture({rec(B::SetAntiAliasMode, 0x9), rec(B::SetPixelOffsetMode, 4), fill})
        << Probes {{{49, 30}, r}, {{50, 30}, w}, {{10, 30}, r}, {{9, 30}, w}} << 0;

    // --- transforms, states and containers ---
    QTest::newRow("world transform moves")
        << picture({rec(B::SetWorldTransform, 0, floats({1, 0, 0, 1, 40, 40})), fillRect({0, 0, 20, 20})})
        << Probes {{{50, 50}, r}, {{10, 10}, w}} << 0;
    QTest::newRow("reset world transform")
        << picture({rec(B::TranslateWorldTransform, 0, floats({50, 50})), rec(B::ResetWorldTransform, 0), fill})
        << Probes {{{30, 30}, r}, {{70, 70}, w}} << 0;
    QTest::newRow("multiply world transform before it")
        << picture({rec(B::TranslateWorldTransform, 0, floats({10, 0})),
                    rec(B::MultiplyWorldTransform, 0, floats({2, 0, 0, 2, 0, 0})), fillRect({0, 0, 10, 10})})
        << Probes {{{25, 15}, r}, {{5, 5}, w}} << 0;
    QTest::newRow("scale before a translation")
        << picture({rec(B::TranslateWorldTransform, 0, floats({10, 0})), rec(B::ScaleWorldTransform, 0, floats({2, 2})),
                    fillRect({0, 0, 10, 10})})
        << Probes {{{25, 15}, r}, {{5, 5}, w}, {{35, 5}, w}} << 0;
    QTest::newRow("appended scale scales the translation")
        << picture({rec(B::TranslateWorldTransform, 0, floats({10, 0})),
                    rec(B::ScaleWorldTransform, 0x2000, floats({2, 2})), fillRect({0, 0, 10, 10})})
        << Probes {{{30, 15}, r}, {{15, 5}, w}} << 0;
    QTest::newRow("rotation turns clockwise on the page")
        << picture({rec(B::TranslateWorldTransform, 0, floats({50, 50})), rec(B::RotateWorldTransform, 0, floats({90})),
                    fillRect({0, 0, 40, 10})})
        << Probes {{{45, 70}, r}, {{70, 55}, w}} << 0;
    QTest::newRow("page unit of inches at 96 dpi")
        << picture({rec(B::SetPageTransform, unitInch, floats({1})), fillRect({0, 0, 0.5f, 0.5f})})
        << Probes {{{40, 40}, r}, {{55, 55}, w}} << 0;
    QTest::newRow("page scale") << picture(
        {rec(B::SetPageTransform, unitPixel, floats({2})), fillRect({10, 10, 10, 10})})
                                << Probes {{{30, 30}, r}, {{15, 15}, w}, {{45, 45}, w}} << 0;
    QTest::newRow("restore brings the transform back")
        << picture({rec(B::Save, 0, ints({1})), rec(B::TranslateWorldTransform, 0, floats({50, 50})),
                    rec(B::Restore, 0, ints({1})), fill})
        << Probes {{{30, 30}, r}, {{70, 70}, w}} << 0;
    QTest::newRow("restore of an index never saved changes nothing")
        << picture({rec(B::Save, 0, ints({1})), rec(B::TranslateWorldTransform, 0, floats({50, 50})),
                    rec(B::Restore, 0, ints({7})), fillRect({0, 0, 20, 20})})
        << Probes {{{60, 60}, r}, {{10, 10}, w}} << 0;
    QTest::newRow("container maps its source onto its destination") << picture(
        {rec(B::BeginContainer, unitPixel << 8, B::rectF({0, 0, 100, 100}) + B::rectF({0, 0, 50, 50}) + ints({1})),
         fillRect({10, 10, 20, 20})}) << Probes {{{50, 50}, r}, {{15, 15}, w}, {{65, 65}, w}}
                                                                    << 0;
    QTest::newRow("end container brings the state back")
        << picture({rec(B::BeginContainerNoParams, 0, ints({1})), rec(B::TranslateWorldTransform, 0, floats({50, 50})),
                    rec(B::EndContainer, 0, ints({1})), fill})
        << Probes {{{30, 30}, r}, {{70, 70}, w}} << 0;

    // --- clipping ---
    QTest::newRow("clip rect") << picture({rec(B::SetClipRect, replace << 8, B::rectF({0, 0, 50, 100})), whole})
                               << Probes {{{25, 50}, r}, {{75, 50}, w}} << 0;
    QTest::newRow("clip intersected with a rect")
        << picture({rec(B::SetClipRect, replace << 8, B::rectF({0, 0, 50, 100})),
                    rec(B::SetClipRect, 1 << 8, B::rectF({0, 0, 100, 50})), whole})
        << Probes {{{25, 25}, r}, {{75, 25}, w}, {{25, 75}, w}} << 0;
    QTest::newRow("clip xor two rects") << picture({rec(B::SetClipRect, replace << 8, B::rectF({0, 0, 50, 100})),
                                                    rec(B::SetClipRect, 3 << 8, B::rectF({0, 0, 100, 50})), whole})
                                        << Probes {{{25, 25}, w}, {{75, 25}, r}, {{25, 75}, r}, {{75, 75}, w}} << 0;
    QTest::newRow("clip excluding a rect")
        << picture({rec(B::SetClipRect, exclude << 8, B::rectF({0, 0, 50, 100})), whole})
        << Probes {{{25, 50}, w}, {{75, 50}, r}} << 0;
    QTest::newRow("clip path") << picture(
        {object(B::Path, 3, B::path({{0, 0}, {100, 0}, {0, 100}}, triangleTypes)), rec(B::SetClipPath, 3, {}), whole})
                               << Probes {{{20, 20}, r}, {{80, 80}, w}} << 0;
    QTest::newRow("clip region united with a rect")
        << picture({rec(B::SetClipRect, replace << 8, B::rectF({0, 0, 20, 20})),
                    object(B::Region, 2, B::rectRegion({80, 80, 20, 20})),
                    rec(B::SetClipRegion, quint16(unite << 8 | 2), {}), whole})
        << Probes {{{10, 10}, r}, {{90, 90}, r}, {{50, 50}, w}} << 0;
    QTest::newRow("reset clip") << picture(
        {rec(B::SetClipRect, replace << 8, B::rectF({0, 0, 20, 20})), rec(B::ResetClip, 0), whole})
                                << Probes {{{50, 50}, r}} << 0;
    QTest::newRow("offset clip") << picture(
        {rec(B::SetClipRect, replace << 8, B::rectF({0, 0, 20, 20})), rec(B::OffsetClip, 0, floats({50, 50})), whole})
                                 << Probes {{{60, 60}, r}, {{10, 10}, w}} << 0;
    QTest::newRow("restore brings the clip back")
        << picture({rec(B::Save, 0, ints({1})), rec(B::SetClipRect, replace << 8, B::rectF({0, 0, 20, 20})),
                    rec(B::Restore, 0, ints({1})), whole})
        << Probes {{{50, 50}, r}} << 0;

    // --- images ---
    QTest::newRow("raw pixels onto a rectangle") << picture(
        {object(B::Image, 4, solidPixels(10, 10, 0xFF00FF00)),
         rec(B::DrawImage, 4, ints({0xFFFFFFFF, unitPixel}) + B::rectF({0, 0, 10, 10}) + B::rectF({20, 20, 40, 40}))})
                                                 << Probes {{{40, 40}, qrgb::green}, {{10, 10}, w}, {{70, 70}, w}} << 0;
    QImage bluePng(4, 4, QImage::Format_RGB32);
    bluePng.fill(Qt::blue);
    QTest::newRow("PNG onto a parallelogram")
        << picture({object(B::Image, 4, B::compressedImage(png(bluePng))),
                    rec(B::DrawImagePoints, 4,
                        ints({0xFFFFFFFF, unitPixel}) + B::rectF({0, 0, 4, 4}) + ints({3})
                            + B::pointsF({{50, 50}, {90, 50}, {50, 90}}))})
        << Probes {{{70, 70}, b}, {{40, 40}, w}} << 0;
    const QByteArray nested = E().fillWith(1, colorref::red).rectangle(QRect(0, 0, 100, 100)).bytes();
    QTest::newRow("a metafile image plays into its place") << picture(
        {object(B::Image, 4, B::metafileImage(3, nested)),
         rec(B::DrawImage, 4, ints({0xFFFFFFFF, unitPixel}) + B::rectF({0, 0, 100, 100}) + B::rectF({20, 20, 60, 60}))})
                                                           << Probes {{{50, 50}, r}, {{10, 10}, w}, {{90, 90}, w}} << 0;
    // The source rectangle of a placeable metafile is its box in its own units, whatever its
    // units per inch: here a box of 200 units at 1440 an inch, filled red all over.
    WmfBuilder box;
    box.createBrush(0, colorref::red).selectObject(0).rectangle(1000, 1000, 1201, 1201);
    QTest::newRow("a placeable metafile image: its box is the source")
        << picture({object(B::Image, 4, B::metafileImage(2, box.placeable(QRect(1000, 1000, 200, 200)))),
                    rec(B::DrawImage, 4,
                        ints({0xFFFFFFFF, unitPixel}) + B::rectF({1000, 1000, 200, 200}) + B::rectF({20, 20, 60, 60}))})
        << Probes {{{22, 22}, r}, {{77, 77}, r}, {{10, 10}, w}, {{90, 90}, w}} << 0;
    QTest::newRow("a part of a metafile image") << picture(
        {object(B::Image, 4, B::metafileImage(3, nested)),
         rec(B::DrawImage, 4, ints({0xFFFFFFFF, unitPixel}) + B::rectF({0, 0, 50, 100}) + B::rectF({0, 0, 100, 100}))})
                                                << Probes {{{50, 50}, r}, {{95, 50}, r}} << 0;

    // --- a real EMF+-only file: filled and outlined shapes where GDI+ draws them ---
    QFile figures(qEnvironmentVariable("PICTORATE_TEST_DATA") + u"/emfplus/aspose-imaging__TestEmfPlusFigures.emf"_s);
    if (figures.open(QIODevice::ReadOnly)) {
        QTest::newRow("Aspose's EMF+ figures")
            << figures.readAll()
            << Probes {{{20, 22}, k}, {{20, 38}, k}, {{20, 30}, w}, {{66, 77}, b}, {{95, 95}, w}, {{5, 95}, w}} << 60;
    }

    // --- GDI records after GetDC draw in the EMF+ picture, inside its clip ---
    B getDc;
    getDc.header();
    getDc.record(B::SetClipRect, replace << 8, B::rectF({0, 0, 50, 100})).record(B::GetDc, 0).endComment();
    getDc.emf().fillWith(1, colorref::blue).rectangle(QRect(0, 0, 100, 100));
    getDc.record(B::EndOfFile, 0).endComment();
    getDc.emf().fillWith(2, colorref::red).rectangle(QRect(0, 0, 100, 100));
    QTest::newRow("GetDC: GDI draws inside the clip until the next EMF+ records")
        << getDc.bytes() << Probes {{{25, 50}, b}, {{75, 50}, w}} << 0;
}

void TestEmfPlusPlayer::probes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Probes, probes);
    QFETCH(int, tolerance);
    const testsupport::Rendered out = testsupport::render(bytes);
    QCOMPARE(out.result, metafile::PlayResult::Ok);
    checkProbes(out, probes, tolerance);
}

namespace {

// Text records: font slot 1 (`face` at `em` pixels), then the record.
QByteArray withFont(const QByteArray &record, const QString &face = QStringLiteral("Arial"), float em = 20,
                    const QByteArray &format = {})
{
    QList<QByteArray> records {object(
        B::Font, 1, E::ints({B::version}) + floats({em}) + ints({unitPixel, 0, 0, face.size()}) + B::utf16(face))};
    if (!format.isEmpty())
        records.append(object(B::StringFormat, 2, format));
    records.append(record);
    return picture(records);
}

QByteArray drawString(const QString &text, const QRectF &box, quint32 format = 0xFFFFFFFF)
{
    return rec(B::DrawString, B::solid | 1, ints({0xFF000000, format, text.size()}) + B::rectF(box) + B::utf16(text));
}

QByteArray driverString(const QList<quint16> &glyphs, const QList<QPointF> &positions, quint32 options)
{
    QByteArray glyphBytes;
    for (const quint16 glyph : glyphs)
        E::appendU16(glyphBytes, glyph);
    return rec(B::DrawDriverString, B::solid | 1,
               ints({0xFF000000, options, 0, glyphs.size()}) + glyphBytes + B::pointsF(positions));
}

constexpr quint32 noWrap = 0x1000;
constexpr quint32 noClip = 0x4000;
constexpr quint32 cmapLookup = 1;
constexpr quint32 realizedAdvance = 4;

} // namespace

// Where the ink of a text record lies: inside `within`, its centre inside `centre`, and at
// least `minHeight` pixels tall; an empty `within` means no ink at all.
void TestEmfPlusPlayer::text_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QRect>("within");
    QTest::addColumn<QRect>("centre");
    QTest::addColumn<int>("minHeight");
    const QRectF box(10, 10, 80, 40);
    QTest::newRow("string near in its box, after a sixth of the em")
        << withFont(drawString(u"Hi"_s, box)) << QRect(13, 10, 77, 40) << QRect(13, 10, 20, 20) << 10;
    QTest::newRow("string centred") << withFont(drawString(u"Hi"_s, box, 2), u"Arial"_s, 20, B::stringFormat(0, 1, 0))
                                    << QRect(10, 10, 80, 40) << QRect(45, 10, 10, 20) << 10;
    QTest::newRow("string far") << withFont(drawString(u"Hi"_s, box, 2), u"Arial"_s, 20, B::stringFormat(0, 2, 0))
                                << QRect(10, 10, 80, 40) << QRect(70, 10, 20, 20) << 10;
    QTest::newRow("lines centred in the box's height")
        << withFont(drawString(u"Hi"_s, box, 2), u"Arial"_s, 20, B::stringFormat(0, 0, 1)) << QRect(10, 10, 80, 40)
        << QRect(10, 25, 30, 10) << 10;
    QTest::newRow("words wrap in a narrow box")
        << withFont(drawString(u"aaa bbb ccc ddd"_s, {10, 10, 45, 80}), u"Arial"_s, 15) << QRect(10, 10, 45, 80)
        << QRect(10, 10, 45, 80) << 30;
    QTest::newRow("clipped to its box") << withFont(drawString(u"WWWWWWWW"_s, {10, 10, 30, 30}, 2), u"Arial"_s, 20,
                                                    B::stringFormat(noWrap, 0, 0))
                                        << QRect(10, 10, 30, 30) << QRect(10, 10, 30, 30) << 10;
    QTest::newRow("NoClip lets it out") << withFont(drawString(u"WWWWWWWW"_s, {10, 10, 30, 30}, 2), u"Arial"_s, 20,
                                                    B::stringFormat(noWrap | noClip, 0, 0))
                                        << QRect(0, 0, 100, 100) << QRect(45, 10, 55, 30) << 10;
    QTest::newRow("a box without size: the point is the start")
        << withFont(drawString(u"Hi"_s, {30, 30, 0, 0})) << QRect(30, 30, 40, 30) << QRect(30, 30, 30, 30) << 10;
    QTest::newRow("driver string: characters at their places")
        << withFont(driverString({'H', 'i'}, {{20, 50}, {36, 50}}, cmapLookup)) << QRect(20, 30, 25, 22)
        << QRect(20, 30, 25, 22) << 10;
    QTest::newRow("driver string: one place and the advances") << withFont(
        driverString({'H', 'H', 'H', 'H'}, {{10, 50}, {0, 0}, {0, 0}, {0, 0}}, cmapLookup | realizedAdvance))
                                                               << QRect(10, 30, 70, 22) << QRect(30, 30, 30, 22) << 10;
    QTest::newRow("driver string: glyph indices of a face in the standard order")
        << withFont(driverString(QList<quint16>(E::standardGlyphs(u"HH"_s)), {{20, 50}, {40, 50}}, 0))
        << QRect(20, 30, 40, 22) << QRect(20, 30, 40, 22) << 10;
    QTest::newRow("driver string: glyph indices of another face draw nothing")
        << withFont(driverString({43, 43}, {{20, 50}, {40, 50}}, 0), u"Calibri"_s) << QRect() << QRect() << 0;
}

void TestEmfPlusPlayer::text()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QRect, within);
    QFETCH(QRect, centre);
    QFETCH(int, minHeight);
    const testsupport::Rendered out = testsupport::render(bytes);
    QCOMPARE(out.result, metafile::PlayResult::Ok);
    const QRect drawn = ink(out.image);
    if (within.isEmpty()) {
        QVERIFY2(drawn.isEmpty(), qPrintable(QStringLiteral("ink at %1,%2").arg(drawn.x()).arg(drawn.y())));
        return;
    }
    const auto text = [](const QRect &rect) {
        return QStringLiteral("%1,%2 %3x%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
    };
    QVERIFY2(within.contains(drawn), qPrintable(text(drawn)));
    QVERIFY2(centre.contains(drawn.center()), qPrintable(text(drawn)));
    QVERIFY2(drawn.height() >= minHeight, qPrintable(text(drawn)));
}

// A file whose EMF+ records fill the left half red and whose GDI records fill the right
// half blue, with the header saying whether the GDI records draw the picture too.
void TestEmfPlusPlayer::layers_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Layer>("layer");
    QTest::addColumn<Probes>("probes");
    const auto twoLayers = [](bool dual) {
        B builder;
        builder.header(dual).record(B::FillRects, B::solid, ints({red, 1}) + B::rectF({0, 0, 50, 100})).endComment();
        builder.emf().fillWith(1, colorref::blue).rectangle(QRect(50, 0, 50, 100));
        builder.record(B::EndOfFile, 0);
        return builder.bytes();
    };
    const Probes gdi {{{25, 50}, w}, {{75, 50}, b}};
    const Probes emfPlus {{{25, 50}, r}, {{75, 50}, w}};
    QTest::newRow("dual, auto: the GDI drawing, as GDI draws it") << twoLayers(true) << Layer::Auto << gdi;
    QTest::newRow("dual, prefer: the EMF+ drawing") << twoLayers(true) << Layer::Prefer << emfPlus;
    QTest::newRow("dual, ignore") << twoLayers(true) << Layer::Ignore << gdi;
    QTest::newRow("EMF+ only, auto: the EMF+ drawing") << twoLayers(false) << Layer::Auto << emfPlus;
    QTest::newRow("EMF+ only, prefer") << twoLayers(false) << Layer::Prefer << emfPlus;
    QTest::newRow("EMF+ only, ignore: the GDI records") << twoLayers(false) << Layer::Ignore << gdi;
    QTest::newRow("plain EMF, prefer: its GDI records")
        << E().fillWith(1, colorref::blue).rectangle(QRect(50, 0, 50, 100)).bytes() << Layer::Prefer << gdi;
}

void TestEmfPlusPlayer::layers()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Layer, layer);
    QFETCH(Probes, probes);
    testsupport::RenderOptions options;
    options.layer = layer;
    const testsupport::Rendered out = testsupport::render(bytes, options);
    QCOMPARE(out.result, metafile::PlayResult::Ok);
    checkProbes(out, probes, 0);
}

namespace {

// A metafile image nested `depth` deep, each level drawing the next over its whole frame
// and the innermost filling it red.
QByteArray nestedImages(int depth)
{
    if (depth == 0)
        return E().fillWith(1, colorref::red).rectangle(QRect(0, 0, 100, 100)).bytes();
    return picture({object(B::Image, 4, B::metafileImage(4, nestedImages(depth - 1))),
                    rec(B::DrawImage, 4,
                        ints({0xFFFFFFFF, unitPixel}) + B::rectF({0, 0, 100, 100}) + B::rectF({0, 0, 100, 100}))});
}

QByteArray manySaves(int count)
{
    QList<QByteArray> records;
    for (int i = 0; i < count; ++i)
        records.append(rec(B::Save, 0, ints({i})));
    return picture(records);
}

} // namespace

// Each row: the play's result and the records it names, in order, by their names.
void TestEmfPlusPlayer::badRecords_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<metafile::PlayResult>("result");
    QTest::addColumn<QStringList>("named");
    using R = metafile::PlayResult;
    QTest::newRow("fill rects cut short")
        << picture({rec(B::FillRects, B::solid, ints({red, 2}) + B::rectF({0, 0, 9, 9}))}) << R::Malformed
        << QStringList {u"EmfPlusFillRects"_s};
    QTest::newRow("a count past the record")
        << picture({rec(B::DrawLines, 1, ints({1000}) + B::pointsF({{0, 0}, {9, 9}}))}) << R::Malformed
        << QStringList {u"EmfPlusDrawLines"_s};
    QTest::newRow("a brush object past the table")
        << picture({rec(B::FillRects, 0, ints({64, 1}) + B::rectF({0, 0, 9, 9}))}) << R::Malformed
        << QStringList {u"EmfPlusFillRects"_s};
    QTest::newRow("an object of no kind GDI+ has")
        << picture({object(12, 1, ints({B::version}))}) << R::Malformed << QStringList {u"EmfPlusObject"_s};
    QTest::newRow("an object slot past the table")
        << picture({object(B::Brush, 64, B::solidBrush(red))}) << R::Malformed << QStringList {u"EmfPlusObject"_s};
    QTest::newRow("a path whose points run past it")
        << picture({object(B::Path, 1, ints({B::version, 1000, 0}) + B::pointsF({{0, 0}}))}) << R::Malformed
        << QStringList {u"EmfPlusObject"_s};
    QTest::newRow("a bitmap wider than any picture")
        << picture({object(B::Image, 1, B::rawImage(100000, 1, 400000, 0x0026200A, {}))}) << R::Malformed
        << QStringList {u"EmfPlusObject"_s};
    QTest::newRow("an object whose parts never come whole")
        << B().header().continuedObject(B::Brush, 1, B::solidBrush(red), 8, 64).bytes() << R::Malformed
        << QStringList {u"EmfPlusObject"_s};
    QByteArray shortHead = B::recordBytes(B::FillRects, B::solid, {});
    shortHead[4] = 8; // a size smaller than the record's own head
    QTest::newRow("a record smaller than its head")
        << picture({shortHead}) << R::Malformed << QStringList {u"EMR_GDICOMMENT"_s};
    QTest::newRow("a page unit of world units") << picture({rec(B::SetPageTransform, 0, floats({1}))}) << R::Malformed
                                                << QStringList {u"EmfPlusSetPageTransform"_s};
    QTest::newRow("a transform that cannot be inverted")
        << picture({rec(B::SetWorldTransform, 0, floats({0, 0, 0, 0, 0, 0}))}) << R::Malformed
        << QStringList {u"EmfPlusSetWorldTransform"_s};
    QTest::newRow("saves past the limit") << manySaves(1030) << R::LimitExceeded << QStringList {u"EmfPlusSave"_s};
    QTest::newRow("an unknown record type is passed over")
        << picture({rec(0x4100, 0), fillRect({0, 0, 9, 9})}) << R::Ok << QStringList();
    QTest::newRow("an effect is passed over")
        << picture({rec(B::SerializableObject, 0, QByteArray(16, '\0') + ints({0}))}) << R::Ok << QStringList();
    QTest::newRow("empty slots draw nothing")
        << picture({rec(B::DrawPath, 3, ints({1})), rec(B::FillRegion, B::solid | 9, ints({red}))}) << R::Ok
        << QStringList();
    QTest::newRow("coordinates far past any picture")
        << picture({fillRect({-1e30f, -1e30f, 2e30f, 2e30f}), fillRect({1e20f, 0, 1e20f, 1e20f})}) << R::Ok
        << QStringList();
    QTest::newRow("a dash array of zero lengths")
        << picture({redPen(1, 4, 0x120, ints({5, 2}) + floats({0, 0})),
                    rec(B::DrawLines, 1, ints({2}) + B::pointsF({{0, 50}, {100, 50}}))})
        << R::Ok << QStringList();
    QTest::newRow("a compressed image that is no picture") << picture(
        {object(B::Image, 1, B::compressedImage("no picture at all")),
         rec(B::DrawImage, 1, ints({0xFFFFFFFF, unitPixel}) + B::rectF({0, 0, 9, 9}) + B::rectF({0, 0, 90, 90}))})
                                                           << R::Ok << QStringList();
    QTest::newRow("a font of no size draws nothing")
        << picture({object(B::Font, 1, B::font(0, u"Arial"_s)), drawString(u"Hi"_s, {0, 0, 90, 90})}) << R::Ok
        << QStringList();
    QTest::newRow("metafile images nested past the limit") << nestedImages(8) << R::Ok << QStringList();
}

void TestEmfPlusPlayer::badRecords()
{
    QFETCH(QByteArray, bytes);
    QFETCH(metafile::PlayResult, result);
    QFETCH(QStringList, named);
    testsupport::RenderOptions options;
    options.layer = Layer::Prefer;
    const testsupport::Rendered out = testsupport::render(bytes, options);
    const std::optional<metafile::Document> document = metafile::Document::load(bytes);
    QVERIFY(document);
    QStringList names;
    for (const metafile::Diagnostic &diagnostic : out.diagnostics)
        names.append(document->recordName(diagnostic.function));
    QCOMPARE(names, named);
    QCOMPARE(out.result, result);
}

void TestEmfPlusPlayer::drawsNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Layer>("layer");
    QTest::addColumn<bool>("nothing");
    B dual;
    dual.header(true).endComment();
    dual.emf().fillWith(1, colorref::blue).rectangle(QRect(0, 0, 50, 50));
    QTest::newRow("an empty enhanced metafile") << E().bytes() << Layer::Auto << true;
    QTest::newRow("EMF+ records none of which draw")
        << picture({rec(B::FillRects, B::solid, ints({red, 5}))}) << Layer::Auto << true;
    QTest::newRow("EMF+ that draws") << picture({fillRect({0, 0, 9, 9})}) << Layer::Auto << false;
    QTest::newRow("EMF+ only, drawn from its GDI records")
        << picture({fillRect({0, 0, 9, 9})}) << Layer::Ignore << true;
    QTest::newRow("a dual file's GDI drawing") << dual.bytes() << Layer::Auto << false;
    QTest::newRow("a dual file's empty EMF+ drawing") << dual.bytes() << Layer::Prefer << true;
    QTest::newRow("a figure wholly off the picture") << picture({fillRect({500, 500, 9, 9})}) << Layer::Auto << true;
}

void TestEmfPlusPlayer::drawsNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Layer, layer);
    QFETCH(bool, nothing);
    std::optional<metafile::Document> document = metafile::Document::load(bytes);
    QVERIFY(document);
    document->setEmfPlusLayer(layer);
    QCOMPARE(document->drawsNothing(), nothing);
}

QTEST_MAIN(TestEmfPlusPlayer)
#include "tst_emfplusplayer.moc"
