// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Writes small metafiles made with the test builder into a folder, one per record family,
// so that the fuzzer starts from every kind of record and not only from whole drawings.
// Usage: make_seeds FOLDER

#include "emfbuilder.h"
#include "emfplusbuilder.h"
#include "wmfbuilder.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <utility>
#include <vector>

namespace {

// A DIB of 2 x 2 pixels at 24 bits: BITMAPINFOHEADER, then two rows padded to 4 bytes.
QByteArray smallDib()
{
    QByteArray dib;
    WmfBuilder::appendU32(dib, 40);
    WmfBuilder::appendU32(dib, 2);
    WmfBuilder::appendU32(dib, 2);
    dib += WmfBuilder::words({1, 24});
    for (int i = 0; i < 6; ++i)
        WmfBuilder::appendU32(dib, 0);
    dib += QByteArray::fromHex("0000ff00ff000000"
                               "ff0000ffffff0000");
    return dib;
}

// An 8-bit RLE DIB of 4 x 2 pixels with a two-entry colour table.
QByteArray rleDib()
{
    QByteArray dib;
    WmfBuilder::appendU32(dib, 40);
    WmfBuilder::appendU32(dib, 4);
    WmfBuilder::appendU32(dib, 2);
    dib += WmfBuilder::words({1, 8});
    WmfBuilder::appendU32(dib, 1); // BI_RLE8
    for (int i = 0; i < 3; ++i)
        WmfBuilder::appendU32(dib, 0);
    WmfBuilder::appendU32(dib, 2);
    WmfBuilder::appendU32(dib, 0);
    dib += QByteArray::fromHex("00000000"
                               "ffffff00");
    dib += QByteArray::fromHex("0401"
                               "0000"
                               "0003"
                               "000100"
                               "0001");
    return dib;
}

QByteArray text(int x, int y, const QByteArray &string)
{
    QByteArray params = WmfBuilder::words({int(string.size())}) + string;
    if (params.size() % 2)
        params.append('\0');
    return params + WmfBuilder::words({y, x});
}

QByteArray extText(int x, int y, const QByteArray &string)
{
    QByteArray params = WmfBuilder::words({y, x, int(string.size()), 0x0004, 0, 0, 100, 40}) + string;
    if (params.size() % 2)
        params.append('\0');
    for (qsizetype i = 0; i < string.size(); ++i)
        params += WmfBuilder::words({9});
    return params;
}

QByteArray font(int height, const QByteArray &face, int charSet = 0)
{
    QByteArray params = WmfBuilder::words({height, 0, 0, 0, 400});
    params += QByteArray("\0\0\0", 3) + char(charSet) + QByteArray("\0\0\0\0", 4) + face + '\0';
    return params;
}

std::vector<std::pair<QString, QByteArray>> seeds()
{
    const QRect box(0, 0, 1000, 800);
    std::vector<std::pair<QString, QByteArray>> out;
    out.emplace_back(QStringLiteral("state"), WmfBuilder()
                                                  .setMapMode(8)
                                                  .setWindowOrg(10, 20)
                                                  .setWindowExt(1000, 800)
                                                  .setViewportOrg(5, 5)
                                                  .setViewportExt(500, -400)
                                                  .offsetWindowOrg(3, 4)
                                                  .offsetViewportOrg(-2, 1)
                                                  .scaleWindowExt(2, 1, 3, 2)
                                                  .scaleViewportExt(1, 2, 1, 3)
                                                  .setMapMode(7)
                                                  .setBkMode(2)
                                                  .setBkColor(0x00ff00)
                                                  .setTextColor(0x0000ff)
                                                  .setRop2(7)
                                                  .setPolyFillMode(2)
                                                  .saveDc()
                                                  .saveDc()
                                                  .restoreDc(-1)
                                                  .restoreDc(1)
                                                  .bytes());
    out.emplace_back(QStringLiteral("shapes"),
                     WmfBuilder()
                         .createPen(0, 3, 0x0000ff)
                         .selectObject(0)
                         .createBrush(2, 0x00ff00, 3)
                         .selectObject(1)
                         .moveTo(0, 0)
                         .lineTo(900, 700)
                         .rectangle(10, 10, 300, 200)
                         .ellipse(100, 100, 500, 400)
                         .roundRect(20, 300, 400, 600, 50, 40)
                         .arcFamily(0x0817, QRect(0, 0, 400, 300), QPoint(400, 0), QPoint(0, 300))
                         .arcFamily(0x081A, QRect(500, 0, 400, 300), QPoint(900, 150), QPoint(500, 150))
                         .arcFamily(0x0830, QRect(500, 400, 400, 300), QPoint(500, 400), QPoint(900, 700))
                         .polygon({{10, 10}, {500, 50}, {250, 700}})
                         .polyline({{0, 0}, {100, 500}, {900, 100}})
                         .polyPolygon({{{0, 0}, {300, 0}, {300, 300}}, {{100, 100}, {200, 100}, {150, 250}}})
                         .setPixel(5, 5, 0xff0000)
                         .placeable(box));
    out.emplace_back(QStringLiteral("styled-pens"), WmfBuilder()
                                                        .createPen(1, 0, 0)
                                                        .selectObject(0)
                                                        .setBkMode(2)
                                                        .lineTo(900, 10)
                                                        .createPen(4, 1, 0x808080)
                                                        .selectObject(1)
                                                        .rectangle(50, 50, 800, 600)
                                                        .createPen(6, 25, 0xff)
                                                        .selectObject(2)
                                                        .ellipse(60, 60, 700, 500)
                                                        .placeable(box));
    out.emplace_back(QStringLiteral("objects"), WmfBuilder()
                                                    .objects(4)
                                                    .createPen(0, 1, 0)
                                                    .createBrush(0, 0xff)
                                                    .createPalette({0x0000ff, 0x00ff00, 0xff0000})
                                                    .selectPalette(2)
                                                    .setPalEntries(1, {0x123456})
                                                    .deleteObject(0)
                                                    .createBrush(1, 0)
                                                    .selectObject(0)
                                                    .deleteObject(1)
                                                    .deleteObject(7)
                                                    .selectObject(9)
                                                    .createPen(5, 0, 0)
                                                    .createPen(0, 0, 0)
                                                    .createPen(0, 0, 0)
                                                    .rectangle(0, 0, 500, 500)
                                                    .placeable(box));
    out.emplace_back(QStringLiteral("regions"),
                     WmfBuilder()
                         .createRegion({QRect(10, 10, 100, 50), QRect(10, 80, 300, 40), QRect(50, 200, 20, 20)})
                         .createBrush(0, 0x00ff00)
                         .record(0x0228, {0, 1})
                         .record(0x0429, {0, 1, 5, 5})
                         .record(0x012A, {0})
                         .record(0x012B, {0})
                         .record(0x012C, {0})
                         .rectangle(0, 0, 900, 700)
                         .intersectClipRect(0, 0, 400, 400)
                         .excludeClipRect(100, 100, 200, 200)
                         .record(0x0220, {10, 10})
                         .ellipse(0, 0, 800, 800)
                         .placeable(box));
    out.emplace_back(QStringLiteral("blits"),
                     WmfBuilder()
                         .createBrush(2, 0xff0000, 5)
                         .selectObject(0)
                         .patBlt(0, 0, 500, 400, 0x00F00021)
                         .patBlt(100, 100, 200, 200, 0x00550009)
                         .raw(0x0F43, WmfBuilder::words({0x0020, 0x00CC, 0, 2, 2, 0, 0, 400, 400, 10, 10}) + smallDib())
                         .raw(0x0B41, WmfBuilder::words({0x0020, 0x00CC, 2, 2, 0, 0, 300, 300, 500, 100}) + smallDib())
                         .raw(0x0940, WmfBuilder::words({0x0020, 0x00CC, 0, 0, 2, 2, 600, 600}) + smallDib())
                         .raw(0x0D33, WmfBuilder::words({0, 2, 0, 0, 0, 2, 2, 700, 50}) + smallDib())
                         .raw(0x0F43, WmfBuilder::words({0x0020, 0x00CC, 0, 2, 4, 0, 0, 200, 300, 300, 300}) + rleDib())
                         .raw(0x0142, WmfBuilder::words({5, 0}) + smallDib())
                         .selectObject(1)
                         .rectangle(0, 500, 900, 790)
                         .placeable(box));
    out.emplace_back(QStringLiteral("text"), WmfBuilder()
                                                 .raw(0x02FB, font(-40, "Arial"))
                                                 .selectObject(0)
                                                 .setTextColor(0xff)
                                                 .record(0x012E, {24})
                                                 .raw(0x0521, text(50, 100, "Hello"))
                                                 .record(0x0108, {3})
                                                 .record(0x020A, {2, 10})
                                                 .raw(0x0A32, extText(50, 300, "a b c"))
                                                 .raw(0x02FB, font(60, "Symbol", 2))
                                                 .selectObject(1)
                                                 .raw(0x0521, text(50, 500, "abg"))
                                                 .raw(0x02FB, font(-30, "MS Mincho", 128))
                                                 .selectObject(2)
                                                 .raw(0x0521, text(50, 700, "\x93\xfa\x96\x7b"))
                                                 .placeable(box));
    out.emplace_back(QStringLiteral("flood-fill"), WmfBuilder()
                                                       .createBrush(0, 0xff)
                                                       .selectObject(0)
                                                       .rectangle(100, 100, 500, 500)
                                                       .record(0x0419, {0xff, 0, 300, 300})
                                                       .record(0x0548, {1, 0xff, 0, 50, 50})
                                                       .placeable(box));
    out.emplace_back(QStringLiteral("no-frame"),
                     WmfBuilder().rectangle(-50, -50, 300, 200).ellipse(0, 0, 100, 100).bytes());
    return out;
}

// The same for Enhanced Metafiles: one picture per record family.
std::vector<std::pair<QString, QByteArray>> enhancedSeeds()
{
    using B = EmfBuilder;
    std::vector<std::pair<QString, QByteArray>> out;
    out.emplace_back(QStringLiteral("shapes"), B().fillWith(1, 0x0000FF)
                                                   .rectangle(QRect(10, 10, 30, 30))
                                                   .ellipse(QRect(50, 10, 40, 30))
                                                   .poly(B::Polygon16, {{10, 60}, {40, 90}, {10, 90}}, true)
                                                   .moveTo(50, 60)
                                                   .lineTo(90, 90)
                                                   .bytes());
    out.emplace_back(QStringLiteral("path-clip"), B().record(B::BeginPath, {})
                                                      .poly(B::Polygon, {{10, 10}, {90, 10}, {50, 90}})
                                                      .record(B::EndPath, {})
                                                      .record(B::SelectClipPath, {5})
                                                      .fillWith(1, 0x00FF00)
                                                      .rectangle(QRect(0, 0, 100, 100))
                                                      .bytes());
    out.emplace_back(QStringLiteral("world-text"),
                     B().setWorldTransform(0.8F, 0.6F, -0.6F, 0.8F, 20, 0)
                         .font(1, -20, QStringLiteral("Arial"))
                         .selectObject(1)
                         .textOut(10, 10, QStringLiteral("Text"))
                         .textOut(10, 40, B::standardGlyphs(QStringLiteral("Hx")), B::etoGlyphIndex)
                         .polyTextOut({{{10, 60}, QStringLiteral("ab")}})
                         .bytes());
    out.emplace_back(QStringLiteral("gradients"),
                     B().gradientFill(0, {{10, 10, 0xFF}, {90, 40, 0xFF0000}}, {{0, 1}})
                         .gradientFill(2, {{10, 50, 0xFF}, {90, 50, 0xFF00}, {50, 90, 0xFF0000}}, {{0, 1, 2}})
                         .bytes());
    const B::Dib picture = B::dib24(2, {0xFF, 0xFF00, 0xFF0000, 0xFFFFFF});
    const B::Dib mask = B::mono({"01", "10"});
    out.emplace_back(QStringLiteral("blits"),
                     B().maskBlt(QRect(10, 10, 40, 40), 0xCCAA0000, picture, {0, 0}, mask, {0, 0})
                         .plgBlt({{60, 10}, {90, 20}, {50, 40}}, QRect(0, 0, 2, 2), picture)
                         .setLayout(1)
                         .rectangle(QRect(10, 60, 20, 20))
                         .bytes());
    return out;
}

// EMF+ in the comments of Enhanced Metafiles: one picture per family of records, every kind
// of object, an object continued over several records, and a file of EMF+ alone.
using P = EmfPlusBuilder;
using E = EmfBuilder;
const QByteArray plusRect = P::rectF(QRectF(10, 10, 40, 30));
const QByteArray plusThree = E::ints({3}) + P::pointsF({{10, 10}, {90, 20}, {50, 90}});
const QByteArray plusPath = P::path({{10, 10}, {90, 10}, {90, 90}, {50, 60}}, QByteArray("\x00\x01\x03\x83", 4));

QByteArray plusShapes()
{
    const QByteArray &rect = plusRect;
    P b;
    b.header(true)
        .object(P::Brush, 0, P::solidBrush(0xFF2080C0))
        .object(P::Pen, 1, P::pen(2, 0xFF000000))
        .object(P::Path, 2, plusPath)
        .record(0x4009, 0, E::ints({0xFFFFFFFF}))
        .record(P::FillRects, 0x8000, E::ints({0x800000FF, 1}) + rect)
        .record(0x400B, 0x4001, E::ints({1}) + P::shorts({5, 5, 20, 20}))
        .record(0x400C, 0x0800, E::ints({0, 3}) + QByteArray::fromHex("0a0a2805817f0000"))
        .record(P::DrawLines, 0x6001, E::ints({3}) + P::shorts({0, 0, 50, 90, 90, 0}))
        .record(0x400E, 0x8000, E::ints({0xFF00FF00}) + rect)
        .record(0x400F, 1, rect)
        .record(0x4010, 0, E::ints({0}) + E::floats({0, 90}) + rect)
        .record(0x4011, 1, E::floats({90, 180}) + rect)
        .record(0x4012, 1, E::floats({-45, 270}) + rect)
        .record(P::FillPath, 0x8002, E::ints({0xFFFF0000}))
        .record(0x4015, 2, E::ints({1}))
        .record(0x4016, 0xA000, E::ints({0xFF0000FF}) + E::floats({0.5}) + plusThree)
        .record(0x4017, 1, E::floats({0.5}) + plusThree)
        .record(0x4018, 1, E::floats({0.5}) + E::ints({0, 2}) + plusThree)
        .record(0x4019, 1, E::ints({4}) + P::pointsF({{0, 0}, {30, 90}, {60, -20}, {90, 50}}))
        .record(P::EndOfFile, 0);
    return b.bytes();
}

// Transforms, containers, clipping and properties, then GetDC and a GDI rectangle.
QByteArray plusState()
{
    P b;
    b.header(true)
        .object(P::Path, 3, plusPath)
        .object(P::Region, 4, P::rectRegion(QRectF(0, 0, 60, 60)))
        .record(0x4030, 2, E::floats({1.5}))
        .record(P::SetWorldTransform, 0, E::floats({1, 0.2F, 0, 1, 5, 5}))
        .record(0x402C, 0x2000, E::floats({1, 0, 0, 1, 2, 2}))
        .record(0x402D, 0, E::floats({3, 3}))
        .record(0x402E, 0x2000, E::floats({0.9F, 1.1F}))
        .record(0x402F, 0, E::floats({15}))
        .record(0x4025, 0, E::ints({1}))
        .record(0x4027, 0x0200, plusRect + P::rectF(QRectF(0, 0, 100, 100)) + E::ints({2}))
        .record(0x4032, 0x0100, plusRect)
        .record(0x4033, 0x0303, {})
        .record(0x4034, 0x0104, {})
        .record(0x4035, 0, E::floats({2, 2}))
        .record(0x401E, 0x0009, {})
        .record(0x4022, 4, {})
        .record(P::FillRects, 0x8000, E::ints({0xFF808080, 1}) + plusRect)
        .record(0x4029, 0, E::ints({2}))
        .record(0x4026, 0, E::ints({1}))
        .record(0x4031, 0)
        .record(P::GetDc, 0)
        .endComment();
    b.emf().fillWith(1, 0x0000FF).rectangle(QRect(60, 60, 30, 30));
    return b.bytes();
}

// Every kind of object, drawn by the records that use them; no GDI drawing at all.
QByteArray plusObjects()
{
    const QByteArray v = E::ints({P::version});
    const QByteArray png =
        QByteArray::fromHex("89504e470d0a1a0a0000000d4948445200000002000000020802000000fdd49a73000000"
                            "164944415478da633c2127c7c0c0c0c4c0c0c0c0c000000d0401087fad825100000000"
                            "49454e44ae426082");
    P b;
    b.header(false)
        .object(P::Brush, 0, v + E::ints({1, 7, 0xFF000000, 0xFFFFFFFF}))
        .object(P::Brush, 1, v + E::ints({2, 2, 0}) + P::identity() + P::compressedImage(png))
        .object(P::Brush, 2,
                v + E::ints({4, 0x0A, 0}) + plusRect + E::ints({0xFFFF0000, 0xFF0000FF, 0, 0}) + P::identity()
                    + E::ints({2}) + E::floats({0, 1, 0, 1}))
        .object(P::Brush, 3,
                v + E::ints({3, 0x40, 0, 0xFFFFFFFF}) + E::floats({50, 50}) + E::ints({1, 0xFF000000}) + plusThree
                    + E::ints({2}) + E::floats({0.5, 0.5}))
        .object(
            P::Pen, 4,
            P::pen(3, 0xFF00FF00, 0x013E, E::ints({2, 3, 1}) + E::floats({4}) + E::ints({5, 2}) + E::floats({3, 1})))
        .object(P::Image, 5, P::rawImage(2, 2, 8, 0x00021808, QByteArray::fromHex("0000ff00ff000000ff000000ffffff00")))
        .object(P::Image, 6, P::rawImage(4, 1, 4, 0x00030101, E::ints({0, 2, 0xFF000000, 0xFFFFFFFF, 0x50})))
        .object(P::Font, 7, P::font(12, QStringLiteral("Arial")))
        .object(P::StringFormat, 8,
                v + E::ints({0x1000, 0, 1, 1, 0, 0}) + E::floats({0}) + E::ints({0}) + E::floats({0, 0, 1})
                    + E::ints({0, 0, 0}))
        .object(P::ImageAttributes, 9, v + E::ints({0, 0, 0, 0, 0}))
        .record(P::FillRects, 0, E::ints({0, 1}) + plusRect)
        .record(P::FillRects, 0, E::ints({1, 1}) + P::rectF(QRectF(50, 10, 40, 30)))
        .record(P::FillRects, 0, E::ints({2, 1}) + P::rectF(QRectF(10, 50, 40, 40)))
        .record(0x400E, 0, E::ints({3}) + P::rectF(QRectF(50, 50, 40, 40)))
        .record(P::DrawLines, 4, plusThree)
        .record(0x401A, 5, E::ints({9, 2}) + P::rectF(QRectF(0, 0, 2, 2)) + plusRect)
        .record(0x401B, 6, E::ints({0, 2}) + P::rectF(QRectF(0, 0, 4, 1)) + plusThree)
        .record(P::DrawString, 0x8007, E::ints({0xFF000000, 8, 5}) + plusRect + P::utf16(QStringLiteral("EMF+ ")))
        .record(0x4036, 0x8007,
                E::ints({0xFF0000FF, 1, 0, 2}) + P::shorts({0x45, 0x4D}) + P::pointsF({{10, 90}, {20, 90}}));
    return b.bytes();
}

std::vector<std::pair<QString, QByteArray>> plusSeeds()
{
    P continued;
    continued.header(true).endComment();
    continued.continuedObject(P::Image, 0, P::rawImage(8, 8, 32, 0x0026200A, QByteArray(256, '\x80')), 100)
        .record(0x401A, 0, E::ints({0, 2}) + P::rectF(QRectF(0, 0, 8, 8)) + plusRect)
        .record(P::EndOfFile, 0);
    return {{QStringLiteral("plus-shapes"), plusShapes()},
            {QStringLiteral("plus-state"), plusState()},
            {QStringLiteral("plus-objects"), plusObjects()},
            {QStringLiteral("plus-continued"), continued.bytes()}};
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "make_seeds: cannot make %s\n", argv[1]);
        return 1;
    }
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(folder.filePath(QStringLiteral("builder-") + name));
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
            return true;
        std::fprintf(stderr, "make_seeds: cannot write %s\n", qPrintable(file.fileName()));
        return false;
    };
    for (const auto &[name, bytes] : seeds()) {
        if (!write(name + QStringLiteral(".wmf"), bytes))
            return 1;
    }
    for (const auto &[name, bytes] : enhancedSeeds()) {
        if (!write(name + QStringLiteral(".emf"), bytes))
            return 1;
    }
    for (const auto &[name, bytes] : plusSeeds()) {
        if (!write(name + QStringLiteral(".emf"), bytes))
            return 1;
    }
    return 0;
}
