// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Enhanced Metafile playback by record family, from small pictures built in the test and
// probed pixel by pixel: state and mapping, world transforms, objects, shapes, paths,
// clipping, gradients and bitmaps (text: tst_emftext).

#include "colours.h"
#include "emfbuilder.h"
#include "render.h"

#include <QTest>

#include <initializer_list>

using testsupport::pixel;

namespace {

using B = EmfBuilder;

struct Probe
{
    QPoint point;
    QRgb colour;
};
using Probes = QList<Probe>;

constexpr quint32 nullPen = B::stockObject + 8;
constexpr quint32 blackBrush = B::stockObject + 4;
constexpr int rgnCopy = 5;
constexpr quint32 setRop2 = 20;
constexpr int maskPen = 9; // R2_MASKPEN: the pen AND the canvas
constexpr int gradientRectH = 0;
constexpr int gradientRectV = 1;
constexpr int gradientTriangle = 2;
// MASKBLT's operations: the foreground ROP3 in the low bytes, the background's index high.
constexpr quint32 srcCopy = 0xCC0020;
constexpr quint32 keep = 0xAA0029; // the destination as it is
constexpr quint32 rop4(quint32 foreground, quint32 background) { return (background << 8 & 0xFF000000) | foreground; }

// An RGNDATA of one rectangle, device pixels.
QByteArray regionData(const QRect &r)
{
    return B::ints({32, 1, 1, 16, r.left(), r.top(), r.right() + 1, r.bottom() + 1, r.left(), r.top(), r.right() + 1,
                    r.bottom() + 1});
}

// Plays `bytes` and compares each probe's pixel, within `tolerance` on each channel.
void checkProbes(const QByteArray &bytes, const Probes &probes, int tolerance)
{
    const testsupport::Rendered out = testsupport::render(bytes);
    QCOMPARE(out.result, metafile::PlayResult::Ok);
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

EmfBuilder red()
{
    EmfBuilder b;
    b.fillWith(1, colorref::red);
    return b;
}

} // namespace

Q_DECLARE_METATYPE(Probe)

class TestEmfPlayer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void probes_data();
    void probes();
    void gradients_data();
    void gradients();
};

void TestEmfPlayer::probes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Probes>("probes");
    const QRgb r = qrgb::red;
    const QRgb w = qrgb::white;
    const QRect whole(0, 0, 100, 100);

    QTest::newRow("rectangle in the selected brush")
        << red().rectangle(QRect(10, 10, 40, 40)).bytes() << Probes {{{30, 30}, r}, {{60, 60}, w}, {{5, 5}, w}};
    // GDI combines the pixels of the line alone; an anti-aliased edge must not combine its
    // neighbours in full.
    QTest::newRow("a slanted line by a raster operation combines one pixel a row")
        << EmfBuilder()
               .record(B::CreatePen, {1, 0, 0, 0, colorref::blue})
               .selectObject(1)
               .record(setRop2, {maskPen})
               .moveTo(10, 10)
               .lineTo(30, 30)
               .bytes()
        << Probes {{{20, 20}, qrgb::blue}, {{21, 20}, w}, {{20, 21}, w}, {{19, 20}, w}};
    QTest::newRow("world transform scales")
        << red().setWorldTransform(2, 0, 0, 2, 0, 0).rectangle(QRect(10, 10, 20, 20)).bytes()
        << Probes {{{50, 50}, r}, {{25, 25}, r}, {{15, 15}, w}, {{65, 65}, w}};
    QTest::newRow("modify world transform: left multiply scales first")
        << red()
               .setWorldTransform(1, 0, 0, 1, 10, 0)
               .modifyWorldTransform(2, 0, 0, 2, 0, 0, 2)
               .rectangle(QRect(0, 0, 20, 20))
               .bytes()
        << Probes {{{12, 30}, r}, {{48, 30}, r}, {{5, 30}, w}, {{55, 30}, w}};
    QTest::newRow("modify world transform: right multiply moves first")
        << red()
               .setWorldTransform(1, 0, 0, 1, 10, 0)
               .modifyWorldTransform(2, 0, 0, 2, 0, 0, 3)
               .rectangle(QRect(0, 0, 20, 20))
               .bytes()
        << Probes {{{22, 30}, r}, {{58, 30}, r}, {{15, 30}, w}, {{65, 30}, w}};
    QTest::newRow("modify world transform: identity") << red()
                                                             .setWorldTransform(3, 0, 0, 3, 0, 0)
                                                             .modifyWorldTransform(0, 0, 0, 0, 0, 0, 1)
                                                             .rectangle(QRect(0, 0, 20, 20))
                                                             .bytes()
                                                      << Probes {{{10, 10}, r}, {{30, 30}, w}};
    QTest::newRow("modify world transform: set")
        << red().modifyWorldTransform(1, 0, 0, 1, 50, 50, 4).rectangle(QRect(0, 0, 20, 20)).bytes()
        << Probes {{{60, 60}, r}, {{10, 10}, w}};
    QTest::newRow("a turning world transform turns the box, not its bounding box")
        << red().setWorldTransform(0.7071f, 0.7071f, -0.7071f, 0.7071f, 50, 0).rectangle(QRect(0, 0, 40, 40)).bytes()
        << Probes {{{50, 28}, r}, {{50, 50}, r}, {{25, 5}, w}, {{75, 5}, w}};
    // GDI's pen covers the whole box of an ellipse one or two pixels across.
    QTest::newRow("an ellipse two pixels across is a block, three a ring")
        << EmfBuilder()
               .record(B::SelectObject, {blackBrush})
               .ellipse(QRect(10, 10, 1, 1))
               .record(B::SelectObject, {B::stockObject})
               .ellipse(QRect(20, 10, 2, 2))
               .bytes()
        << Probes {{{10, 10}, qrgb::black}, {{11, 11}, qrgb::black}, {{12, 10}, w},
                   {{10, 12}, w},           {{20, 10}, qrgb::black}, {{22, 12}, qrgb::black},
                   {{21, 11}, w},           {{23, 11}, w},           {{21, 13}, w}};
    QTest::newRow("a turning world transform turns an ellipse")
        << red().setWorldTransform(0.7071f, 0.7071f, -0.7071f, 0.7071f, 50, 0).ellipse(QRect(0, 0, 40, 40)).bytes()
        << Probes {{{50, 28}, r}, {{25, 5}, w}};
    QTest::newRow("anisotropic window and viewport") << red()
                                                            .record(B::SetMapMode, {8})
                                                            .record(B::SetWindowExtEx, {10, 10})
                                                            .record(B::SetViewportExtEx, {100, 100})
                                                            .rectangle(QRect(0, 0, 5, 5))
                                                            .bytes()
                                                     << Probes {{{45, 45}, r}, {{55, 55}, w}};
    QTest::newRow("restoring a saved context brings its transform back") << red()
                                                                                .record(B::SaveDc, {})
                                                                                .setWorldTransform(3, 0, 0, 3, 0, 0)
                                                                                .record(B::RestoreDc, {-1})
                                                                                .rectangle(QRect(10, 10, 20, 20))
                                                                                .bytes()
                                                                         << Probes {{{20, 20}, r}, {{40, 40}, w}};
    // What SAVEDC keeps besides the plain attributes, and the meta region's hold on the clip,
    // as GDI's render of the same records shows them.
    const auto pie = [](EmfBuilder b) { return b.record(B::Pie, {10, 10, 90, 90, 100, 50, 50, 0}).bytes(); };
    const auto clipRegion = [](EmfBuilder &b, const QRect &rect) -> EmfBuilder & {
        return b.raw(B::ExtSelectClipRgn, B::ints({48, rgnCopy}) + regionData(rect));
    };
    QTest::newRow("pie counter-clockwise from the first ray")
        << pie(red().selectObject(nullPen)) << Probes {{{70, 30}, r}, {{30, 70}, w}};
    QTest::newRow("pie clockwise after SETARCDIRECTION")
        << pie(red().selectObject(nullPen).record(B::SetArcDirection, {2})) << Probes {{{70, 30}, w}, {{30, 70}, r}};
    QTest::newRow("RESTOREDC brings the arc direction back") << pie(
        red().selectObject(nullPen).record(B::SaveDc, {}).record(B::SetArcDirection, {2}).record(B::RestoreDc, {-1}))
                                                             << Probes {{{70, 30}, r}, {{30, 70}, w}};
    {
        EmfBuilder b = red();
        b.record(B::SaveDc, {});
        clipRegion(b, QRect(0, 0, 50, 100)).record(B::SetMetaRgn, {}).record(B::RestoreDc, {-1});
        QTest::newRow("RESTOREDC brings the meta region back")
            << clipRegion(b, QRect(50, 0, 50, 100)).rectangle(QRect(0, 0, 101, 101)).bytes()
            << Probes {{{75, 50}, r}, {{25, 50}, w}};
    }
    QTest::newRow("RESTOREDC brings the path back") << red()
                                                           .selectObject(nullPen)
                                                           .record(B::BeginPath, {})
                                                           .rectangle(QRect(20, 20, 40, 40))
                                                           .record(B::EndPath, {})
                                                           .record(B::SaveDc, {})
                                                           .record(B::AbortPath, {})
                                                           .record(B::RestoreDc, {-1})
                                                           .record(B::FillPath, {0, 0, 0, 0})
                                                           .bytes()
                                                    << Probes {{{30, 30}, r}, {{70, 30}, w}};
    {
        EmfBuilder b = red();
        clipRegion(b, QRect(0, 0, 50, 100)).record(B::SetMetaRgn, {});
        QTest::newRow("OFFSETCLIPRGN moves the clip within the meta region")
            << clipRegion(b, QRect(0, 0, 50, 50))
                   .record(B::OffsetClipRgn, {25, 0})
                   .rectangle(QRect(0, 0, 101, 101))
                   .bytes()
            << Probes {{{40, 25}, r}, {{60, 25}, w}, {{30, 70}, w}};
    }
    QTest::newRow("stock black brush and null pen")
        << EmfBuilder().selectObject(blackBrush).selectObject(nullPen).rectangle(QRect(10, 10, 40, 40)).bytes()
        << Probes {{{11, 11}, qrgb::black}, {{30, 30}, qrgb::black}, {{60, 60}, w}};
    QTest::newRow("a slot deleted and created again holds the new object")
        << red().deleteObject(1).createBrush(1, colorref::blue).selectObject(1).rectangle(QRect(10, 10, 40, 40)).bytes()
        << Probes {{{30, 30}, qrgb::blue}};
    QTest::newRow("wide pen") << EmfBuilder()
                                     .createPen(1, 0, 10, colorref::red)
                                     .selectObject(1)
                                     .poly(B::Polyline, {{10, 50}, {90, 50}})
                                     .bytes()
                              << Probes {{{50, 50}, r}, {{50, 53}, r}, {{50, 60}, w}};
    QTest::newRow("cosmetic extended pen is one pixel wide")
        << EmfBuilder()
               .raw(B::ExtCreatePen, B::ints({1, 0, 0, 0, 0, 0, 10, 0, colorref::red, 0, 0}))
               .selectObject(1)
               .poly(B::Polyline, {{10, 50}, {90, 50}})
               .bytes()
        << Probes {{{50, 50}, r}, {{50, 53}, w}};
    QTest::newRow("geometric extended pen keeps its width")
        << EmfBuilder()
               .raw(B::ExtCreatePen, B::ints({1, 0, 0, 0, 0, 0x10000, 10, 0, colorref::red, 0, 0}))
               .selectObject(1)
               .poly(B::Polyline, {{10, 50}, {90, 50}})
               .bytes()
        << Probes {{{50, 50}, r}, {{50, 53}, r}};
    // PS_USERSTYLE: dash and gap lengths in logical units for a geometric pen (flat caps
    // here), in style units of 3 pixels for a cosmetic one; an odd count repeats with dashes
    // and gaps swapped; the gaps stay empty in opaque mode.
    const auto userStyle = [](EmfBuilder b, int style, int width, std::initializer_list<qint64> lengths, int from) {
        QByteArray pen = B::ints({1, 0, 0, 0, 0, style, width, 0, colorref::red, 0, qint64(lengths.size())});
        return b.raw(B::ExtCreatePen, pen + B::ints(lengths))
            .selectObject(1)
            .poly(B::Polyline, {{from, 50}, {100 - from, 50}})
            .bytes();
    };
    constexpr int geometricFlatUser = 0x10207;
    QTest::newRow("geometric user style") << userStyle(EmfBuilder(), geometricFlatUser, 10, {20, 20}, 10)
                                          << Probes {{{20, 50}, r}, {{40, 50}, w}, {{60, 50}, r}, {{80, 50}, w}};
    QTest::newRow("user style with an odd count")
        << userStyle(EmfBuilder(), geometricFlatUser, 4, {10, 20, 30}, 0)
        << Probes {{{5, 50}, r}, {{20, 50}, w}, {{45, 50}, r}, {{65, 50}, w}, {{80, 50}, r}, {{95, 50}, w}};
    QTest::newRow("cosmetic user style in style units")
        << userStyle(EmfBuilder(), 7, 1, {3, 2}, 10) << Probes {{{15, 50}, r}, {{22, 50}, w}, {{30, 50}, r}};
    QTest::newRow("user style gaps stay empty in opaque mode")
        << userStyle(EmfBuilder().record(18, {2}).record(25, {colorref::green}), geometricFlatUser, 10, {20, 20}, 10)
        << Probes {{{20, 50}, r}, {{40, 50}, w}};
    // A 10-pixel mitred pen turning through 14.6 degrees at (50, 40): its miter is 7.9 pen
    // widths from inner to outer corner, under GDI's default limit of 10, and its tip 39
    // pixels above the turn.
    const auto sharpTurn = [](int miterLimit) {
        constexpr int geometricMitred = 0x12000;
        constexpr int setMiterLimit = 58;
        EmfBuilder b;
        if (miterLimit)
            b.record(setMiterLimit, {miterLimit});
        return b.raw(B::ExtCreatePen, B::ints({1, 0, 0, 0, 0, geometricMitred, 10, 0, colorref::red, 0, 0}))
            .selectObject(1)
            .poly(B::Polyline, {{41, 110}, {50, 40}, {59, 110}})
            .bytes();
    };
    QTest::newRow("mitred join within the default limit") << sharpTurn(0) << Probes {{{50, 10}, r}};
    QTest::newRow("mitred join past SETMITERLIMIT is bevelled")
        << sharpTurn(7) << Probes {{{50, 10}, w}, {{50, 42}, r}};
    // GDI plays an enhanced metafile in the advanced graphics mode, where a rectangle takes in
    // its right and bottom edges: without a pen the brush fills up to them, so a rectangle
    // narrower than a pixel fills one wherever its edges round to different pixels. Here the
    // frame is 137 units drawn 100 pixels wide: x 15 and 16 round to 11 and 12, x 5 and 6
    // both to 4, y 50 and 51 to 36 and 37.
    const auto shrunk = [](EmfBuilder b) {
        b.frame(QRect(QPoint(0, 0), QPoint(13700, 13700)));
        return b;
    };
    QTest::newRow("a rectangle a unit wide fills a pixel at 0.73")
        << shrunk(red()).record(B::Rectangle, {15, 10, 16, 60}).bytes()
        << Probes {{{11, 20}, r}, {{10, 20}, w}, {{12, 20}, w}};
    QTest::newRow("a rectangle a unit wide whose edges round together fills nothing")
        << shrunk(red()).record(B::Rectangle, {5, 10, 6, 60}).bytes() << Probes {{{4, 20}, w}, {{3, 20}, w}};
    QTest::newRow("a rectangle a unit high fills a pixel at 0.73")
        << shrunk(red()).record(B::Rectangle, {10, 50, 60, 51}).bytes()
        << Probes {{{20, 36}, r}, {{20, 35}, w}, {{20, 37}, w}};
    QTest::newRow("a rectangle's pen runs through its right and bottom edges")
        << EmfBuilder()
               .createPen(2, 0, 0, colorref::black)
               .selectObject(2)
               .record(B::Rectangle, {10, 10, 20, 20})
               .bytes()
        << Probes {{{10, 15}, qrgb::black}, {{20, 15}, qrgb::black}, {{15, 20}, qrgb::black},
                   {{21, 15}, w},           {{15, 21}, w},           {{15, 15}, w}};
    // A fill that shares an edge with the one before gets a second pass over both to close
    // the seam, which must keep the clip the one before was filled in.
    QTest::newRow("a fill abutting the last one keeps that one's clip")
        << red()
               .record(B::IntersectClipRect, {0, 0, 50, 100})
               .poly(B::Polygon, {{0, 0}, {100, 0}, {100, 50}, {0, 50}})
               .record(B::ExtSelectClipRgn, {0, rgnCopy})
               .poly(B::Polygon, {{0, 50}, {100, 50}, {100, 100}, {0, 100}})
               .bytes()
        << Probes {{{25, 25}, r}, {{75, 25}, w}, {{75, 75}, r}};
    QTest::newRow("16-bit polygon") << red().poly(B::Polygon16, {{10, 10}, {90, 10}, {90, 90}, {10, 90}}, true).bytes()
                                    << Probes {{{50, 50}, r}, {{5, 5}, w}};
    QTest::newRow("poly-polygon with a hole")
        << red()
               .raw(B::PolyPolygon,
                    B::bounds() + B::ints({2, 8, 4, 4, 10, 10, 90, 10, 90, 90, 10, 90, 40, 40, 60, 40, 60, 60, 40, 60}))
               .bytes()
        << Probes {{{20, 20}, r}, {{50, 50}, w}};
    QTest::newRow("path of two figures fills each and nothing between")
        << red()
               .record(B::BeginPath, {})
               .moveTo(10, 10)
               .lineTo(40, 10)
               .lineTo(10, 40)
               .record(B::CloseFigure, {})
               .moveTo(60, 60)
               .poly(B::PolylineTo, {{90, 60}, {60, 90}})
               .record(B::CloseFigure, {})
               .record(B::EndPath, {})
               .record(B::FillPath, {0, 0, 0, 0})
               .bytes()
        << Probes {{{15, 15}, r}, {{65, 65}, r}, {{40, 55}, w}, {{50, 50}, w}, {{35, 35}, w}};
    QTest::newRow("clip path") << red()
                                      .record(B::BeginPath, {})
                                      .rectangle(QRect(0, 0, 50, 50))
                                      .record(B::EndPath, {})
                                      .record(B::SelectClipPath, {rgnCopy})
                                      .rectangle(whole)
                                      .bytes()
                               << Probes {{{25, 25}, r}, {{75, 75}, w}, {{75, 25}, w}};
    // GDI's region from a path holds the pixels whose top-left corner lies inside the path
    // through its device points: the first row and column, not the last.
    QTest::newRow("a clip path holds its first row and column")
        << red()
               .record(B::BeginPath, {})
               .moveTo(10, 10)
               .poly(B::PolylineTo, {{30, 10}, {30, 30}, {10, 30}})
               .record(B::CloseFigure, {})
               .record(B::EndPath, {})
               .record(B::SelectClipPath, {rgnCopy})
               .rectangle(whole)
               .bytes()
        << Probes {{{10, 10}, r}, {{29, 29}, r}, {{9, 20}, w}, {{20, 9}, w}, {{30, 20}, w}, {{20, 30}, w}};
    QTest::newRow("clip region, then the default clip again")
        << red()
               .raw(B::ExtSelectClipRgn, B::ints({48, rgnCopy}) + regionData(QRect(0, 0, 50, 50)))
               .rectangle(QRect(0, 0, 100, 50))
               .record(B::ExtSelectClipRgn, {0, rgnCopy})
               .rectangle(QRect(0, 50, 100, 50))
               .bytes()
        << Probes {{{25, 25}, r}, {{75, 25}, w}, {{75, 75}, r}};
    QTest::newRow("intersect clip rectangle")
        << red().record(B::IntersectClipRect, {50, 50, 100, 100}).rectangle(whole).bytes()
        << Probes {{{25, 25}, w}, {{75, 75}, r}};
    QTest::newRow("stretched bitmap")
        << EmfBuilder()
               .raw(B::StretchDiBits, B::bounds() + B::ints({0, 0, 0, 0, 2, 1, 80, 40, 120, 8, 0, 0xCC0020, 100, 50})
                                          + B::dib24(2, {colorref::red, colorref::blue}).bytes)
               .bytes()
        << Probes {{{25, 25}, r}, {{75, 25}, qrgb::blue}, {{50, 75}, w}};
    // GDI shrinks a bitmap in the stretch modes that keep whole pixels by combining the
    // source pixels whose centres fall in one target pixel: by AND in BLACKONWHITE, the
    // default, by OR in WHITEONBLACK, the last one in COLORONCOLOR. Ten pixels onto three:
    // 0-2, 3-6 and 7-9 each make one.
    const auto shrunkBitmap = [](EmfBuilder b, int column, quint32 colour, quint32 rest) {
        QList<quint32> row(10, rest);
        row[column] = colour;
        return b
            .raw(B::StretchDiBits, B::bounds() + B::ints({10, 10, 0, 0, 10, 1, 80, 40, 120, 32, 0, 0xCC0020, 3, 3})
                                       + B::dib24(10, row).bytes)
            .bytes();
    };
    const QRgb k = qrgb::black;
    QTest::newRow("a bitmap shrunk by default keeps a black column one pixel wide")
        << shrunkBitmap(EmfBuilder(), 3, colorref::black, colorref::white)
        << Probes {{{11, 11}, k}, {{10, 11}, w}, {{12, 11}, w}};
    QTest::newRow("a bitmap shrunk by default makes red and green black")
        << EmfBuilder()
               .raw(B::StretchDiBits, B::bounds() + B::ints({10, 10, 0, 0, 2, 1, 80, 40, 120, 8, 0, 0xCC0020, 1, 1})
                                          + B::dib24(2, {colorref::red, colorref::green}).bytes)
               .bytes()
        << Probes {{{10, 10}, k}};
    QTest::newRow("a bitmap shrunk white on black keeps a white column")
        << shrunkBitmap(EmfBuilder().record(B::SetStretchBltMode, {2}), 3, colorref::white, colorref::black)
        << Probes {{{11, 11}, w}, {{10, 11}, k}, {{12, 11}, k}};
    QTest::newRow("a bitmap shrunk colour on colour keeps the last pixel of each")
        << shrunkBitmap(EmfBuilder().record(B::SetStretchBltMode, {3}), 2, colorref::black, colorref::white)
        << Probes {{{10, 11}, k}, {{11, 11}, w}};
    // COLORONCOLOR keeps the first row of each run it drops (the last column, above), and a
    // source pixel's centre on the edge between two destination pixels goes to the first
    // (nine columns onto eight: 3 and 4 make one).
    // Ten rows onto three: 0-2, 3-6 and 7-9 keep 0, 3 and 7.
    const auto column = [](EmfBuilder b, int black, int top, int height) {
        QList<quint32> rows(10, colorref::white);
        rows[black] = colorref::black;
        return b
            .raw(B::StretchDiBits, B::bounds()
                                       + B::ints({10, top, 0, 0, 1, 10, 80, 40, 120, 40, 0, 0xCC0020, 1, height})
                                       + B::dib24(1, rows).bytes)
            .bytes();
    };
    const B colourOnColour = EmfBuilder().record(B::SetStretchBltMode, {3});
    QTest::newRow("a bitmap shrunk colour on colour keeps the first row of each")
        << column(colourOnColour, 3, 10, 3) << Probes {{{10, 11}, k}, {{10, 10}, w}, {{10, 12}, w}};
    QTest::newRow("a bitmap shrunk colour on colour drops the later rows")
        << column(colourOnColour, 6, 10, 3) << Probes {{{10, 11}, w}};
    QTest::newRow("a mirrored bitmap is shrunk as it stands, then mirrored")
        << column(colourOnColour, 0, 13, -3) << Probes {{{10, 13}, k}, {{10, 11}, w}, {{10, 12}, w}, {{10, 14}, w}};
    {
        QList<quint32> row(9, colorref::white);
        row[4] = colorref::black;
        QTest::newRow("a source pixel centred between two destination pixels goes to the first")
            << EmfBuilder()
                   .raw(B::StretchDiBits, B::bounds()
                                              + B::ints({10, 10, 0, 0, 9, 1, 80, 40, 120, 28, 0, 0xCC0020, 8, 1})
                                              + B::dib24(9, row).bytes)
                   .bytes()
            << Probes {{{13, 10}, k}, {{14, 10}, w}};
    }
    // A destination running backwards covers the pixels from its far edge plus one up to its
    // corner's: red and blue from x 60 back 40 pixels fill 21 to 60, mirrored.
    QTest::newRow("a mirrored bitmap covers the pixels from its corner back")
        << EmfBuilder()
               .raw(B::StretchDiBits, B::bounds() + B::ints({60, 10, 0, 0, 2, 1, 80, 40, 120, 8, 0, 0xCC0020, -40, 30})
                                          + B::dib24(2, {colorref::red, colorref::blue}).bytes)
               .bytes()
        << Probes {{{20, 20}, w}, {{21, 20}, qrgb::blue}, {{40, 20}, qrgb::blue}, {{41, 20}, r},         {{60, 20}, r},
                   {{61, 20}, w}, {{30, 9}, w},           {{30, 10}, qrgb::blue}, {{30, 39}, qrgb::blue}};
    QTest::newRow("a mirrored brush blit covers the pixels from its corner back")
        << red()
               .raw(76, B::bounds() + B::ints({60, 10, -40, 30, 0xF00021, 0, 0}) + B::floats({1, 0, 0, 1, 0, 0})
                            + B::ints({0, 0, 0, 0, 0, 0}))
               .bytes()
        << Probes {{{20, 20}, w}, {{21, 20}, r}, {{60, 20}, r}, {{61, 20}, w}};
    // The header's part of the record may run past the colour table (here by 8 bytes); the
    // bits are where their own offset says, not right after the table.
    QTest::newRow("bitmap header with room to spare")
        << EmfBuilder()
               .raw(B::StretchDiBits, B::bounds() + B::ints({0, 0, 0, 0, 2, 1, 80, 56, 136, 4, 0, 0xCC0020, 100, 50})
                                          + B::ints({40, 2, 1, 0x10001, 0, 4, 0, 0, 2, 0}) // 1 bit, 2 colours
                                          + B::ints({0xFF0000, 0x0000FF, 0, 0}) // red, blue, then slack
                                          + B::ints({0x40}))
               .bytes()
        << Probes {{{25, 25}, r}, {{75, 25}, qrgb::blue}, {{50, 75}, w}};
    const auto stretchedBitmap = [](EmfBuilder b) {
        return b
            .raw(B::StretchDiBits, B::bounds() + B::ints({0, 0, 0, 0, 2, 1, 80, 40, 120, 8, 0, 0xCC0020, 100, 50})
                                       + B::dib24(2, {colorref::red, colorref::blue}).bytes)
            .bytes();
    };
    // A right-to-left layout mirrors the device: x becomes 99 - x, and the box [10, 40)
    // covers [59, 89).
    QTest::newRow("layout right to left mirrors a box")
        << red().setLayout(1).rectangle(QRect(10, 10, 30, 20)).bytes()
        << Probes {{{60, 20}, r}, {{87, 20}, r}, {{25, 20}, w}, {{92, 20}, w}, {{57, 20}, w}};
    QTest::newRow("layout left to right again")
        << red().setLayout(1).setLayout(0).rectangle(QRect(10, 10, 30, 20)).bytes()
        << Probes {{{25, 20}, r}, {{75, 20}, w}};
    QTest::newRow("restoring a saved context brings its layout back")
        << red().record(B::SaveDc, {}).setLayout(1).record(B::RestoreDc, {-1}).rectangle(QRect(10, 10, 30, 20)).bytes()
        << Probes {{{25, 20}, r}, {{75, 20}, w}};
    // STRETCHBLT of the same bitmap: BITBLT's layout, then the source's extents.
    const auto stretchBlt = [](EmfBuilder b) {
        return b
            .raw(77, B::bounds() + B::ints({0, 0, 100, 50, 0xCC0020, 0, 0}) + B::floats({1, 0, 0, 1, 0, 0})
                         + B::ints({0, 0, 108, 40, 148, 8, 2, 1}) + B::dib24(2, {colorref::red, colorref::blue}).bytes)
            .bytes();
    };
    QTest::newRow("layout right to left mirrors a blit")
        << stretchBlt(EmfBuilder().setLayout(1)) << Probes {{{25, 25}, qrgb::blue}, {{75, 25}, r}};
    QTest::newRow("layout right to left keeps a preserved blit unmirrored")
        << stretchBlt(EmfBuilder().setLayout(9)) << Probes {{{25, 25}, r}, {{75, 25}, qrgb::blue}};
    QTest::newRow("layout right to left mirrors a stretched DIB, preserved or not")
        << stretchedBitmap(EmfBuilder().setLayout(9)) << Probes {{{25, 25}, qrgb::blue}, {{75, 25}, r}};
    // SETDIBITSTODEVICE of 10 red and 10 blue pixels at x 10: placed at the mirrored pixels
    // [70, 90), the bits themselves unmirrored.
    QList<quint32> halves(10, colorref::red);
    halves += QList<quint32>(10, colorref::blue);
    const auto copiedBitmap = [&](quint32 layout) {
        return EmfBuilder()
            .setLayout(layout)
            .raw(80,
                 B::bounds() + B::ints({10, 10, 0, 0, 20, 1, 76, 40, 116, 60, 0, 0, 1}) + B::dib24(20, halves).bytes)
            .bytes();
    };
    QTest::newRow("layout right to left moves copied bits")
        << copiedBitmap(1) << Probes {{{70, 10}, r}, {{79, 10}, r}, {{80, 10}, qrgb::blue}, {{89, 10}, qrgb::blue},
                                      {{69, 10}, w}, {{90, 10}, w}, {{15, 10}, w}};
    {
        QByteArray dib = B::ints({40, 2, 1});
        B::appendU16(dib, 1);
        B::appendU16(dib, 32);
        dib += B::ints({0, 0, 0, 0, 0, 0}) + B::ints({0, 0xFF0000FF}); // transparent, opaque blue
        QTest::newRow("alpha blend with the bitmap's own alpha")
            << red()
                   .rectangle(whole)
                   .raw(114, B::bounds() + B::ints({0, 0, 100, 100, 0x01FF0000, 0, 0}) + B::floats({1, 0, 0, 1, 0, 0})
                                 + B::ints({0, 0, 108, 40, 148, 8, 2, 1}) + dib)
                   .bytes()
            << Probes {{{25, 50}, r}, {{75, 50}, qrgb::blue}};
    }
    // ALPHABLEND stretches as COLORONCOLOR does in every stretch mode, HALFTONE too: ten
    // columns onto three keep 2, 6 and 9, all blue here, never the red one at 1; onto thirty,
    // three whole pixels each.
    const auto blended = [](EmfBuilder b, int width = 3) {
        QByteArray dib = B::ints({40, 10, 1});
        B::appendU16(dib, 1);
        B::appendU16(dib, 32);
        dib += B::ints({0, 0, 0, 0, 0, 0});
        for (int x = 0; x < 10; ++x)
            dib += B::ints({x == 1 ? 0xFFFF0000 : 0xFF0000FF});
        return b
            .raw(114, B::bounds() + B::ints({10, 10, width, 1, 0x00FF0000, 0, 0}) + B::floats({1, 0, 0, 1, 0, 0})
                          + B::ints({0, 0, 108, 40, 148, 40, 10, 1}) + dib)
            .bytes();
    };
    const Probes blue {{{10, 10}, qrgb::blue}, {{11, 10}, qrgb::blue}, {{12, 10}, qrgb::blue}};
    QTest::newRow("alpha blend shrunk keeps whole pixels") << blended(EmfBuilder()) << blue;
    QTest::newRow("alpha blend shrunk in halftone mode keeps whole pixels too")
        << blended(EmfBuilder().record(B::SetStretchBltMode, {4})) << blue;
    QTest::newRow("alpha blend stretched in halftone mode keeps whole pixels")
        << blended(EmfBuilder().record(B::SetStretchBltMode, {4}), 30)
        << Probes {{{12, 10}, qrgb::blue}, {{13, 10}, r}, {{15, 10}, r}, {{16, 10}, qrgb::blue}};
    {
        // Two pixels, red and blue, under a mask that picks the first: 50 device pixels a
        // bitmap pixel.
        const B::Dib source = B::dib24(2, {colorref::red, colorref::blue});
        const auto masked = [&](quint32 rop, const B::Dib &mask, QPoint corner) {
            EmfBuilder b;
            b.fillWith(1, colorref::green).rectangle(whole).setWorldTransform(50, 0, 0, 50, 0, 0);
            return b.maskBlt(QRect(0, 0, 2, 1), rop, source, QPoint(0, 0), mask, corner).bytes();
        };
        const QRgb g = qrgb::green;
        QTest::newRow("mask blit: source where the mask is 1, destination where 0")
            << masked(rop4(srcCopy, keep), B::mono({"10"}), {}) << Probes {{{25, 25}, r}, {{75, 25}, g}, {{50, 75}, g}};
        QTest::newRow("mask blit: the background operation where the mask is 0")
            << masked(rop4(keep, srcCopy), B::mono({"10"}), {})
            << Probes {{{25, 25}, g}, {{75, 25}, qrgb::blue}, {{50, 75}, g}};
        QTest::newRow("mask blit: the mask from its corner on")
            << masked(rop4(srcCopy, keep), B::mono({"0010"}), {2, 0}) << Probes {{{25, 25}, r}, {{75, 25}, g}};
        QTest::newRow("mask blit: bottom-up mask rows in display order")
            << masked(rop4(srcCopy, keep), B::mono({"01", "10"}), {0, 1}) << Probes {{{25, 25}, r}, {{75, 25}, g}};
        QTest::newRow("mask blit: another operation per pixel")
            << masked(rop4(0x660046, keep), B::mono({"10"}), {}) // SRCINVERT: red over green is yellow
            << Probes {{{25, 25}, qrgb::yellow}, {{75, 25}, g}};
        QTest::newRow("mask blit without a mask: the foreground operation")
            << masked(rop4(srcCopy, keep), B::Dib {QByteArray(), 0}, {})
            << Probes {{{25, 25}, r}, {{75, 25}, qrgb::blue}};
    }
    {
        // Red, blue over green, yellow onto parallelograms, probed at each pixel's centre.
        const B::Dib four = B::dib24(2, {colorref::red, colorref::blue, colorref::green, colorref::yellow});
        const QRect all(0, 0, 2, 2);
        QTest::newRow("parallelogram blit sheared")
            << EmfBuilder().plgBlt({{20, 10}, {80, 10}, {40, 90}}, all, four).bytes()
            << Probes {{{40, 30}, r}, {{70, 30}, qrgb::blue}, {{50, 70}, qrgb::green}, {{80, 70}, qrgb::yellow},
                       {{15, 80}, w}, {{95, 20}, w}};
        QTest::newRow("parallelogram blit turned a quarter")
            << EmfBuilder().plgBlt({{90, 10}, {90, 90}, {10, 10}}, all, four).bytes()
            << Probes {{{70, 30}, r}, {{70, 70}, qrgb::blue}, {{30, 30}, qrgb::green}, {{30, 70}, qrgb::yellow}};
        QTest::newRow("parallelogram blit of a part, through the world transform")
            << EmfBuilder()
                   .setWorldTransform(10, 0, 0, 10, 0, 0)
                   .plgBlt({{1, 1}, {9, 1}, {1, 9}}, QRect(1, 1, 1, 1), four)
                   .bytes()
            << Probes {{{50, 50}, qrgb::yellow}, {{5, 5}, w}, {{95, 95}, w}};
        QTest::newRow("parallelogram blit through a mask")
            << EmfBuilder().plgBlt({{20, 10}, {80, 10}, {40, 90}}, all, four, B::mono({"10", "01"}), {}).bytes()
            << Probes {{{40, 30}, r}, {{70, 30}, w}, {{50, 70}, w}, {{80, 70}, qrgb::yellow}};
    }
    QTest::newRow("opaque text rectangle in the background colour")
        << EmfBuilder().record(25, {colorref::green}).textOut(50, 50, QString(), 2, QRect(50, 50, 40, 40)).bytes()
        << Probes {{{70, 70}, qrgb::green}, {{30, 30}, w}};
}

void TestEmfPlayer::probes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Probes, probes);
    checkProbes(bytes, probes, 0);
}

// GRADIENTFILL, probed at the ends and the middle: colours within a step of the expected.
void TestEmfPlayer::gradients_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Probes>("probes");
    const QRgb w = qrgb::white;
    const QRgb purple = qRgb(0x7F, 0, 0x7F);
    const B::Vertex redAt10 {10, 10, colorref::red};
    QTest::newRow("horizontal rectangle")
        << EmfBuilder().gradientFill(gradientRectH, {redAt10, {90, 60, colorref::blue}}, {{0, 1}}).bytes()
        << Probes {{{10, 30}, qrgb::red}, {{50, 30}, purple}, {{89, 30}, qrgb::blue}, {{9, 30}, w},
                   {{90, 30}, w},         {{50, 9}, w},       {{50, 60}, w}};
    QTest::newRow("vertical rectangle")
        << EmfBuilder()
               .gradientFill(gradientRectV, {{10, 10, colorref::green}, {90, 90, colorref::red}}, {{0, 1}})
               .bytes()
        << Probes {{{50, 10}, qrgb::green}, {{50, 50}, qRgb(0x7F, 0x7F, 0)}, {{50, 89}, qrgb::red}, {{50, 92}, w}};
    QTest::newRow("rectangle from its lower-right corner: the colours stay with their vertices")
        << EmfBuilder().gradientFill(gradientRectH, {{90, 60, colorref::blue}, redAt10}, {{0, 1}}).bytes()
        << Probes {{{10, 30}, qrgb::red}, {{89, 30}, qrgb::blue}};
    QTest::newRow("two rectangles over shared vertices")
        << EmfBuilder()
               .gradientFill(gradientRectH,
                             {redAt10, {50, 50, colorref::red}, {50, 10, colorref::blue}, {90, 50, colorref::blue}},
                             {{0, 1}, {2, 3}})
               .bytes()
        << Probes {{{30, 30}, qrgb::red}, {{70, 30}, qrgb::blue}, {{50, 70}, w}};
    QTest::newRow("rectangle through the world transform")
        << EmfBuilder()
               .setWorldTransform(2, 0, 0, 2, 0, 0)
               .gradientFill(gradientRectH, {{5, 5, colorref::red}, {45, 30, colorref::blue}}, {{0, 1}})
               .bytes()
        << Probes {{{10, 30}, qrgb::red}, {{50, 30}, purple}, {{89, 30}, qrgb::blue}, {{50, 65}, w}};
    const QList<B::Vertex> corners {redAt10, {90, 10, colorref::green}, {10, 90, colorref::blue}};
    QTest::newRow("triangle: each corner its vertex's colour, the middle a blend")
        << EmfBuilder().gradientFill(gradientTriangle, corners, {{0, 1, 2}}).bytes()
        << Probes {{{10, 10}, qrgb::red},  {{89, 10}, qrgb::green},
                   {{10, 89}, qrgb::blue}, {{37, 37}, qRgb(85, 85, 85)},
                   {{70, 70}, w},          {{50, 49}, qRgb(0, 128, 128)},
                   {{50, 50}, w}};
    QTest::newRow("triangle mirrored by the mapping")
        << EmfBuilder()
               .setWorldTransform(-1, 0, 0, 1, 100, 0)
               .gradientFill(gradientTriangle, corners, {{0, 1, 2}})
               .bytes()
        << Probes {{{89, 10}, qrgb::red}, {{10, 10}, qrgb::green}, {{89, 89}, qrgb::blue}, {{30, 70}, w}};
    QTest::newRow("two triangles of one colour leave no seam")
        << EmfBuilder()
               .gradientFill(
                   gradientTriangle,
                   {{10, 10, colorref::red}, {90, 10, colorref::red}, {90, 90, colorref::red}, {10, 90, colorref::red}},
                   {{0, 1, 2}, {0, 2, 3}})
               .bytes()
        << Probes {{{50, 50}, qrgb::red}, {{30, 30}, qrgb::red}, {{20, 21}, qrgb::red}, {{21, 20}, qrgb::red},
                   {{70, 71}, qrgb::red}, {{89, 89}, qrgb::red}, {{90, 50}, w}};
    QTest::newRow("clipped") << EmfBuilder()
                                    .record(B::IntersectClipRect, {0, 0, 50, 100})
                                    .gradientFill(gradientRectH, {redAt10, {90, 60, colorref::blue}}, {{0, 1}})
                                    .bytes()
                             << Probes {{{10, 30}, qrgb::red}, {{60, 30}, w}};
}

void TestEmfPlayer::gradients()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Probes, probes);
    checkProbes(bytes, probes, 8);
}

QTEST_MAIN(TestEmfPlayer)
#include "tst_emfplayer.moc"
