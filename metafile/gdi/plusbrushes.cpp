// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/plusbrushes.h"

#include "core/limits.h"

#include <QLinearGradient>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>

namespace metafile::gdi::plus {

namespace {

// The percentage hatches (styles 6 to 17) spread their pixels evenly by an ordered
// (Bayer) dither; the patterned ones are drawn a row a byte.
constexpr std::array<int, 12> hatchPercents = {5, 10, 20, 25, 30, 40, 50, 60, 70, 75, 80, 90};
constexpr quint32 firstPercentHatch = 6;

constexpr std::array<std::array<quint8, 8>, 53> hatchRows = {{
    {0xFF, 0, 0, 0, 0, 0, 0, 0}, // horizontal
    {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}, // vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, // forward diagonal
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}, // backward diagonal
    {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}, // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}, // diagonal cross
    {},
    {},
    {},
    {},
    {},
    {},
    {},
    {},
    {},
    {},
    {},
    {}, // the percentages
    {0x88, 0x44, 0x22, 0x11, 0x88, 0x44, 0x22, 0x11}, // light downward diagonal
    {0x11, 0x22, 0x44, 0x88, 0x11, 0x22, 0x44, 0x88}, // light upward diagonal
    {0xCC, 0x66, 0x33, 0x99, 0xCC, 0x66, 0x33, 0x99}, // dark downward diagonal
    {0x33, 0x66, 0xCC, 0x99, 0x33, 0x66, 0xCC, 0x99}, // dark upward diagonal
    {0xE0, 0x70, 0x38, 0x1C, 0x0E, 0x07, 0x83, 0xC1}, // wide downward diagonal
    {0x07, 0x0E, 0x1C, 0x38, 0x70, 0xE0, 0xC1, 0x83}, // wide upward diagonal
    {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88}, // light vertical
    {0xFF, 0, 0, 0, 0xFF, 0, 0, 0}, // light horizontal
    {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}, // narrow vertical
    {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0}, // narrow horizontal
    {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC}, // dark vertical
    {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0}, // dark horizontal
    {0x88, 0x44, 0x22, 0x11, 0, 0, 0, 0}, // dashed downward diagonal
    {0x11, 0x22, 0x44, 0x88, 0, 0, 0, 0}, // dashed upward diagonal
    {0xF0, 0, 0, 0, 0x0F, 0, 0, 0}, // dashed horizontal
    {0x80, 0x80, 0x80, 0x80, 0x08, 0x08, 0x08, 0x08}, // dashed vertical
    {0x80, 0x08, 0x40, 0x02, 0x10, 0x01, 0x20, 0x04}, // small confetti
    {0xB1, 0x30, 0x03, 0x1B, 0xD8, 0xC0, 0x0C, 0x8D}, // large confetti
    {0x81, 0x42, 0x24, 0x18, 0x81, 0x42, 0x24, 0x18}, // zigzag
    {0x00, 0x18, 0xA4, 0x03, 0x00, 0x18, 0xA4, 0x03}, // wave
    {0x01, 0x02, 0x04, 0x08, 0x18, 0x24, 0x42, 0x81}, // diagonal brick
    {0xFF, 0x80, 0x80, 0x80, 0xFF, 0x08, 0x08, 0x08}, // horizontal brick
    {0x88, 0x54, 0x22, 0x45, 0x88, 0x14, 0x22, 0x51}, // weave
    {0xAA, 0x55, 0xAA, 0x55, 0xF0, 0xF0, 0xF0, 0xF0}, // plaid
    {0x00, 0x10, 0x08, 0x10, 0x00, 0x01, 0x80, 0x01}, // divot
    {0xAA, 0x00, 0x80, 0x00, 0x80, 0x00, 0x80, 0x00}, // dotted grid
    {0x80, 0x00, 0x22, 0x00, 0x08, 0x00, 0x22, 0x00}, // dotted diamond
    {0x03, 0x84, 0x48, 0x30, 0x0C, 0x02, 0x01, 0x01}, // shingle
    {0xFF, 0x66, 0xFF, 0x99, 0xFF, 0x66, 0xFF, 0x99}, // trellis
    {0x77, 0x89, 0x8F, 0x8F, 0x77, 0x98, 0xF8, 0xF8}, // sphere
    {0xFF, 0x88, 0x88, 0x88, 0xFF, 0x88, 0x88, 0x88}, // small grid
    {0x99, 0x66, 0x66, 0x99, 0x99, 0x66, 0x66, 0x99}, // small checkerboard
    {0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F}, // large checkerboard
    {0x41, 0x22, 0x14, 0x08, 0x14, 0x22, 0x41, 0x80}, // outlined diamond
    {0x10, 0x38, 0x7C, 0xFE, 0x7C, 0x38, 0x10, 0x00}, // solid diamond
}};

// The threshold of pixel (x, y) in the 8 x 8 ordered dither, 0 to 63.
int bayer(int x, int y)
{
    int value = 0;
    for (int bit = 0; bit < 3; ++bit) {
        const int xb = (x >> bit) & 1;
        const int yb = (y >> bit) & 1;
        value |= (((xb ^ yb) << 1) | yb) << (2 * (2 - bit));
    }
    return value;
}

QColor mix(QRgb from, QRgb to, double factor)
{
    const double f = std::clamp(factor, 0.0, 1.0);
    const auto channel = [f](int a, int b) { return int(std::lround(a + (b - a) * f)); };
    return QColor(channel(qRed(from), qRed(to)), channel(qGreen(from), qGreen(to)), channel(qBlue(from), qBlue(to)),
                  channel(qAlpha(from), qAlpha(to)));
}

QImage hatchTile(const HatchBrush &hatch)
{
    const std::array<quint8, 8> rows = hatchPattern(hatch.style);
    QImage tile(8, 8, QImage::Format_ARGB32);
    for (int y = 0; y < 8; ++y) {
        auto *line = reinterpret_cast<QRgb *>(tile.scanLine(y));
        for (int x = 0; x < 8; ++x)
            line[x] = (rows[size_t(y)] & (0x80 >> x)) ? hatch.foreground : hatch.background;
    }
    return tile;
}

QGradient::Spread spreadOf(quint32 wrapMode)
{
    constexpr quint32 tile = 0;
    constexpr quint32 clamp = 4;
    if (wrapMode == tile)
        return QGradient::RepeatSpread;
    return wrapMode == clamp ? QGradient::PadSpread : QGradient::ReflectSpread;
}

// Stops from a blend between two colours: preset colours as they are, factors mixing
// `from` into `to`.
QGradientStops stopsOf(const std::optional<Blend> &blend, QRgb from, QRgb to)
{
    QGradientStops stops;
    if (blend && !blend->colors.empty()) {
        for (size_t i = 0; i < blend->positions.size() && i < blend->colors.size(); ++i)
            stops.append({std::clamp(blend->positions[i], 0.0, 1.0), argb(blend->colors[i])});
    } else if (blend && !blend->factors.empty()) {
        for (size_t i = 0; i < blend->positions.size() && i < blend->factors.size(); ++i)
            stops.append({std::clamp(blend->positions[i], 0.0, 1.0), mix(from, to, blend->factors[i])});
    }
    if (stops.isEmpty())
        stops = {{0.0, argb(from)}, {1.0, argb(to)}};
    std::stable_sort(stops.begin(), stops.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    return stops;
}

std::optional<Fill> linearFill(const LinearGradientBrush &brush, const BrushSpace &space)
{
    const QRectF rect = brush.rect;
    QLinearGradient gradient(rect.topLeft(), QPointF(rect.right(), rect.top()));
    if (rect.width() == 0)
        return Fill {QBrush(argb(brush.startColor)), std::nullopt};
    gradient.setStops(stopsOf(brush.blend, brush.startColor, brush.endColor));
    gradient.setSpread(spreadOf(brush.wrapMode));
    QBrush qbrush(gradient);
    qbrush.setTransform(brush.transform.value_or(QTransform()) * space.worldToDevice);
    return Fill {qbrush, std::nullopt};
}

// The tile a texture repeats: the image, with its mirror images beside and below it for
// the flipping wrap modes.
QImage textureTile(const QImage &image, quint32 wrapMode)
{
    const bool flipX = wrapMode == 1 || wrapMode == 3;
    const bool flipY = wrapMode == 2 || wrapMode == 3;
    if (!flipX && !flipY)
        return image;
    QImage tile(image.width() * (flipX ? 2 : 1), image.height() * (flipY ? 2 : 1), QImage::Format_ARGB32);
    if (tile.isNull())
        return image;
    for (int y = 0; y < tile.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(tile.scanLine(y));
        const int sy = y < image.height() ? y : 2 * image.height() - 1 - y;
        const auto *source = reinterpret_cast<const QRgb *>(image.constScanLine(sy));
        for (int x = 0; x < tile.width(); ++x)
            line[x] = source[x < image.width() ? x : 2 * image.width() - 1 - x];
    }
    return tile;
}

std::optional<Fill> textureFill(const TextureBrush &brush, const BrushSpace &space)
{
    if (!space.texture || space.texture->isNull())
        return std::nullopt;
    constexpr quint32 clamp = 4;
    const QTransform toDevice = brush.transform.value_or(QTransform()) * space.worldToDevice;
    QBrush qbrush(textureTile(space.texture->convertToFormat(QImage::Format_ARGB32), brush.wrapMode));
    qbrush.setTransform(toDevice);
    Fill fill {qbrush, std::nullopt};
    if (brush.wrapMode == clamp) {
        QPainterPath once;
        once.addRect(QRectF(QPointF(0, 0), space.texture->size()));
        fill.within = toDevice.map(once);
    }
    return fill;
}

} // namespace

std::array<quint8, 8> hatchPattern(quint32 style)
{
    if (style >= hatchRows.size())
        return hatchRows[0];
    if (style < firstPercentHatch || style >= firstPercentHatch + hatchPercents.size())
        return hatchRows[style];
    const int lit = int(std::lround(hatchPercents[style - firstPercentHatch] * 64 / 100.0));
    std::array<quint8, 8> rows {};
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if (bayer(x, y) < lit)
                rows[size_t(y)] |= quint8(0x80 >> x);
        }
    }
    return rows;
}

std::optional<Fill> fillOf(const Brush &brush, const BrushSpace &space, core::WorkBudget &budget)
{
    if (const auto *solid = std::get_if<SolidBrush>(&brush))
        return Fill {QBrush(argb(solid->color)), std::nullopt};
    if (const auto *hatch = std::get_if<HatchBrush>(&brush)) {
        QBrush qbrush(hatchTile(*hatch));
        qbrush.setTransform(QTransform::fromTranslate(space.hatchOrigin.x(), space.hatchOrigin.y()));
        return Fill {qbrush, std::nullopt};
    }
    if (const auto *texture = std::get_if<TextureBrush>(&brush))
        return textureFill(*texture, space);
    if (const auto *linear = std::get_if<LinearGradientBrush>(&brush))
        return linearFill(*linear, space);
    return pathGradientFill(std::get<PathGradientBrush>(brush), space, budget);
}

} // namespace metafile::gdi::plus
