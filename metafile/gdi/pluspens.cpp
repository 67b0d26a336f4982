// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/pluspens.h"

#include "gdi/plusgeometry.h"

#include <QLineF>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace metafile::gdi::plus {

namespace {

// LineCapType values.
constexpr qint32 capFlat = 0;
constexpr qint32 capSquare = 1;
constexpr qint32 capRound = 2;
constexpr qint32 capTriangle = 3;
constexpr qint32 capSquareAnchor = 0x11;
constexpr qint32 capRoundAnchor = 0x12;
constexpr qint32 capDiamondAnchor = 0x13;
constexpr qint32 capArrowAnchor = 0x14;
constexpr qint32 capCustom = 0xFF;

// The longest custom dash array drawn as it is; a longer one is cut to this many entries.
constexpr size_t maxDashEntries = 64;

// An end of an open figure: where it is, which way it points out of the line, and the
// elements that hold its point (and the control point before it on a curve).
struct End
{
    QPointF at;
    QPointF out; // unit vector
    int element = -1;
    int control = -1;
};

QPointF unit(QPointF v)
{
    const double length = std::hypot(v.x(), v.y());
    return length > 0 ? v / length : QPointF(1, 0);
}

// The shape of a cap at `end`, `w` the pen's width; `inset` is how far the line's end moves
// back under it. Axes of the cap: across the line (x) and out of it (y), in pen widths.
QPainterPath capShape(qint32 cap, const End &end, double w, const std::optional<CustomLineCap> &custom, double *inset,
                      bool *outlined)
{
    const QPointF d = end.out;
    const QPointF n(-d.y(), d.x());
    const auto at = [&](double x, double y) { return end.at + n * (x * w) + d * (y * w); };
    QPainterPath shape;
    *inset = 0;
    *outlined = false;
    switch (cap) {
    case capSquare: shape.addPolygon(QPolygonF({at(-0.5, 0), at(-0.5, 0.5), at(0.5, 0.5), at(0.5, 0)})); break;
    case capRound: shape.addEllipse(end.at, w / 2, w / 2); break;
    case capTriangle: shape.addPolygon(QPolygonF({at(-0.5, 0), at(0, 0.5), at(0.5, 0)})); break;
    case capSquareAnchor: shape.addPolygon(QPolygonF({at(-1, -1), at(-1, 1), at(1, 1), at(1, -1)})); break;
    case capRoundAnchor: shape.addEllipse(end.at, w, w); break;
    case capDiamondAnchor: shape.addPolygon(QPolygonF({at(0, -1), at(-1, 0), at(0, 1), at(1, 0)})); break;
    case capArrowAnchor:
        shape.addPolygon(QPolygonF({at(0, 0), at(-1, -2), at(1, -2)}));
        *inset = w;
        break;
    case capCustom:
        if (!custom)
            break;
        if (custom->arrow) {
            const double half = custom->arrowWidth / 2;
            const double height = custom->arrowHeight;
            shape.addPolygon(
                QPolygonF({at(0, 0), at(-half, -height), at(0, custom->middleInset - height), at(half, -height)}));
            shape.closeSubpath();
            *outlined = !custom->filled;
            *inset = custom->filled ? std::max(0.0, (height - custom->middleInset) * w) : 0;
        } else {
            const double scale = custom->widthScale > 0 ? custom->widthScale : 1;
            const QTransform place(n.x() * w * scale, n.y() * w * scale, d.x() * w * scale, d.y() * w * scale,
                                   end.at.x(), end.at.y());
            if (custom->fillPath)
                shape = place.map(pathOf(*custom->fillPath));
            else if (custom->outlinePath)
                shape = place.map(pathOf(*custom->outlinePath));
            *outlined = !custom->fillPath;
            *inset = std::max(0.0, custom->baseInset * w * scale);
        }
        break;
    default: break;
    }
    return shape;
}

Qt::PenCapStyle qtCap(qint32 cap)
{
    if (cap == capSquare)
        return Qt::SquareCap;
    return cap == capRound ? Qt::RoundCap : Qt::FlatCap;
}

Qt::PenJoinStyle qtJoin(quint32 join)
{
    switch (join) {
    case 1: return Qt::BevelJoin;
    case 2: return Qt::RoundJoin;
    case 3: return Qt::SvgMiterJoin;
    default: return Qt::MiterJoin;
    }
}

// The ends of the open figures of `path`.
std::vector<End> openEnds(const QPainterPath &path)
{
    std::vector<End> ends;
    const int count = path.elementCount();
    for (int first = 0; first < count;) {
        int last = first + 1;
        while (last < count && path.elementAt(last).type != QPainterPath::MoveToElement)
            ++last;
        const QPointF start = path.elementAt(first);
        const QPointF finish = path.elementAt(last - 1);
        if (last - first > 1 && start != finish) {
            int next = first + 1;
            while (next < last - 1 && QPointF(path.elementAt(next)) == start)
                ++next;
            int before = last - 2;
            while (before > first && QPointF(path.elementAt(before)) == finish)
                --before;
            const bool curve = path.elementAt(last - 1).type == QPainterPath::CurveToDataElement;
            ends.push_back({start, unit(start - QPointF(path.elementAt(next))), first, -1});
            ends.push_back({finish, unit(finish - QPointF(path.elementAt(before))), last - 1, curve ? last - 2 : -1});
        }
        first = last;
    }
    return ends;
}

} // namespace

QList<qreal> dashPattern(const Pen &pen)
{
    switch (pen.lineStyle) {
    case 1: return {3, 1};
    case 2: return {1, 1};
    case 3: return {3, 1, 1, 1};
    case 4: return {3, 1, 1, 1, 1, 1};
    case 5: break;
    default: return {};
    }
    QList<qreal> dashes;
    double total = 0;
    for (size_t i = 0; i < pen.dashes.size() && i < maxDashEntries; ++i) {
        const double length = std::clamp(std::abs(pen.dashes[i]), 0.0, 1.0e4);
        dashes.append(std::max(length, 0.01));
        total += length;
    }
    // Qt needs dash and gap in pairs; a pattern of nothing draws solid.
    if (dashes.size() % 2)
        dashes.append(dashes.back());
    return total > 0.01 ? dashes : QList<qreal>();
}

PenShapes penShapes(const Pen &pen, const QPainterPath &devicePath, double width, const QBrush &brush)
{
    PenShapes shapes;
    shapes.line = devicePath;
    const QList<qreal> dashes = dashPattern(pen);
    const bool sameBasicCaps = pen.startCap == pen.endCap && pen.startCap >= capFlat && pen.startCap <= capRound;
    Qt::PenCapStyle cap = sameBasicCaps ? qtCap(pen.startCap) : Qt::FlatCap;
    if (!dashes.isEmpty())
        cap = pen.dashCap == capRound ? Qt::RoundCap : Qt::FlatCap;
    shapes.pen = QPen(brush, width, Qt::SolidLine, cap, qtJoin(pen.join));
    shapes.pen.setMiterLimit(std::clamp(pen.miterLimit, 1.0, 1000.0));
    if (!dashes.isEmpty()) {
        shapes.pen.setDashPattern(dashes);
        shapes.pen.setDashOffset(std::isfinite(pen.dashOffset) ? pen.dashOffset : 0);
    }
    if (sameBasicCaps && dashes.isEmpty())
        return shapes;
    const std::vector<End> ends = openEnds(devicePath);
    for (size_t i = 0; i < ends.size(); ++i) {
        const End &end = ends[i];
        const bool start = i % 2 == 0;
        double inset = 0;
        bool outlined = false;
        const QPainterPath shape = capShape(start ? pen.startCap : pen.endCap, end, width,
                                            start ? pen.customStartCap : pen.customEndCap, &inset, &outlined);
        (outlined ? shapes.outlinedCaps : shapes.filledCaps).addPath(shape);
        if (inset > 0) {
            const QPointF back = end.at - end.out * inset;
            shapes.line.setElementPositionAt(end.element, back.x(), back.y());
            if (end.control >= 0) {
                const QPointF control = QPointF(devicePath.elementAt(end.control)) - end.out * inset;
                shapes.line.setElementPositionAt(end.control, control.x(), control.y());
            }
        }
    }
    return shapes;
}

} // namespace metafile::gdi::plus
