// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "svgmarkup.h"

#include "pngwriter.h"

#include <QBuffer>
#include <QPainter>

#include <cmath>

namespace {

// Embedded pictures are written once and kept: deflated harder than the converter's PNG files.
constexpr int embeddedPngLevel = 6;

} // namespace

QByteArray svgAttribute(const char *name, const QByteArray &value)
{
    return QByteArray(" ") + name + "=\"" + value + '"';
}

QByteArray svgNumber(double value)
{
    if (!std::isfinite(value))
        return QByteArrayLiteral("0");
    const double whole = std::round(value);
    if (std::abs(value - whole) < 0.0005 && std::abs(whole) < 1e15)
        return QByteArray::number(qint64(whole));
    QByteArray text = QByteArray::number(value, 'f', 3);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text == "-0" ? QByteArrayLiteral("0") : text;
}

QByteArray svgPathData(const QPainterPath &path)
{
    QByteArray data;
    const auto point = [&data](char command, double x, double y) {
        data += command;
        data += svgNumber(x);
        data += ' ';
        data += svgNumber(y);
    };
    // The last point of a figure back at its start closes it, joins and all.
    const auto closes = [&path](int last, QPointF start) {
        return (last + 1 == path.elementCount() || path.elementAt(last + 1).isMoveTo())
            && QPointF(path.elementAt(last)) == start;
    };
    QPointF start;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            start = e;
            point('M', e.x, e.y);
        } else if (e.isLineTo()) {
            if (closes(i, start))
                data += 'Z';
            else
                point('L', e.x, e.y);
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            point('C', e.x, e.y);
            data += ' ' + svgNumber(c2.x) + ' ' + svgNumber(c2.y) + ' ' + svgNumber(end.x) + ' ' + svgNumber(end.y);
            i += 2;
            if (closes(i, start))
                data += 'Z';
        }
    }
    return data;
}

QByteArray svgMatrix(const QTransform &t)
{
    return "matrix(" + svgNumber(t.m11()) + ' ' + svgNumber(t.m12()) + ' ' + svgNumber(t.m21()) + ' '
         + svgNumber(t.m22()) + ' ' + svgNumber(t.dx()) + ' ' + svgNumber(t.dy()) + ')';
}

QByteArray svgColor(const QColor &color) { return color.name(QColor::HexRgb).toLatin1(); }

QByteArray svgStroke(const QPen &pen)
{
    if (pen.style() == Qt::NoPen || pen.brush().style() == Qt::NoBrush)
        return svgAttribute("stroke", "none");
    const QColor color = pen.color();
    const double width = pen.widthF() > 0 ? pen.widthF() : 1.0;
    QByteArray out = svgAttribute("stroke", svgColor(color)) + svgAttribute("stroke-width", svgNumber(width));
    if (color.alpha() < 255)
        out += svgAttribute("stroke-opacity", svgNumber(color.alphaF()));
    switch (pen.capStyle()) {
    case Qt::SquareCap: out += svgAttribute("stroke-linecap", "square"); break;
    case Qt::RoundCap: out += svgAttribute("stroke-linecap", "round"); break;
    default: break; // butt, SVG's default
    }
    switch (pen.joinStyle()) {
    case Qt::BevelJoin: out += svgAttribute("stroke-linejoin", "bevel"); break;
    case Qt::RoundJoin: out += svgAttribute("stroke-linejoin", "round"); break;
    default: out += svgAttribute("stroke-miterlimit", svgNumber(std::max(1.0, pen.miterLimit()))); break;
    }
    if (pen.style() != Qt::SolidLine) {
        // Qt measures dashes in pen widths, SVG in the user space's units.
        QByteArray dashes;
        for (const qreal length : pen.dashPattern())
            dashes += (dashes.isEmpty() ? "" : " ") + svgNumber(length * width);
        if (!dashes.isEmpty())
            out += svgAttribute("stroke-dasharray", dashes);
        if (pen.dashOffset() != 0)
            out += svgAttribute("stroke-dashoffset", svgNumber(pen.dashOffset() * width));
    }
    if (pen.isCosmetic())
        out += svgAttribute("vector-effect", "non-scaling-stroke");
    return out;
}

QByteArray svgPatternTile(Qt::BrushStyle style)
{
    QImage tile(8, 8, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::transparent);
    {
        QPainter painter(&tile);
        painter.fillRect(tile.rect(), QBrush(Qt::black, style));
    }
    QByteArray data;
    for (int y = 0; y < tile.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(tile.constScanLine(y));
        for (int x = 0; x < tile.width();) {
            if (qAlpha(row[x]) < 128) {
                ++x;
                continue;
            }
            int end = x;
            while (end < tile.width() && qAlpha(row[end]) >= 128)
                ++end;
            data +=
                'M' + svgNumber(x) + ' ' + svgNumber(y) + 'h' + svgNumber(end - x) + "v1h" + svgNumber(x - end) + 'z';
            x = end;
        }
    }
    return data;
}

QByteArray svgPngData(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!writePng(image, buffer, {}, embeddedPngLevel))
        return {};
    return "data:image/png;base64," + png.toBase64();
}
