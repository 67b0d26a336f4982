// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Writes small metafiles made with the test builder into a folder, one per record family,
// so that the fuzzer starts from every kind of record and not only from whole drawings.
// Usage: make_seeds FOLDER

#include "emfbuilder.h"
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
    return 0;
}
