// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/fills.h"

#include "core/limits.h"
#include "gdi/surface.h"

#include <QLineF>
#include <QPaintEngine>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace metafile::gdi {

namespace {

// Two anti-aliased shapes that share an edge each cover the pixels along it only partly,
// and the background shows through as a light hairline (the bands of a gradient drawn as
// adjacent polygons); GDI fills aliased and has no such seam. Where a fill shares an edge
// with the one just before it, both get a second, aliased pass: every pixel whose centre
// lies inside a shape takes its full colour, as on GDI, so the two close up. Fills without
// such a neighbour keep their plain anti-aliased edges (a second pass would make every
// shape half a pixel heavier than GDI draws it). Only for opaque solid colours copied onto
// the picture, which a second pass cannot change anywhere else.
bool sealable(const QPainter &painter, const QBrush &fill)
{
    return painter.testRenderHint(QPainter::Antialiasing) && fill.style() == Qt::SolidPattern
        && fill.color().alpha() == 255 && painter.compositionMode() == QPainter::CompositionMode_SourceOver;
}

// Qt combines every pixel an anti-aliased edge touches in full by a raster operation, as if
// the shape covered it, so that a one-pixel line would combine two or three pixels across.
// Shapes drawn by a raster operation are drawn aliased, on the pixels GDI combines.
bool smoothable(const QPainter &painter) { return painter.compositionMode() < QPainter::RasterOp_SourceOrDestination; }

// Whether two device paths have an edge in common (the same two points, in either order).
// Paths with very many points are not compared: a gradient's bands are small polygons.
bool shareAnEdge(const QPainterPath &first, const QPainterPath &second)
{
    constexpr int kMaxElements = 4096;
    if (first.elementCount() > kMaxElements || second.elementCount() > kMaxElements)
        return false;
    auto key = [](QPointF a, QPointF b) {
        // 1/64 pixel is closer than any two distinct points of a metafile's coordinates.
        const auto snap = [](double v) { return qint64(std::llround(v * 64)); };
        const std::array<qint64, 2> p {snap(a.x()), snap(a.y())};
        const std::array<qint64, 2> q {snap(b.x()), snap(b.y())};
        const auto [low, high] = std::minmax(p, q);
        return std::array<qint64, 4> {low[0], low[1], high[0], high[1]};
    };
    std::vector<std::array<qint64, 4>> edges;
    edges.reserve(size_t(first.elementCount()));
    for (int i = 1; i < first.elementCount(); ++i) {
        if (first.elementAt(i).isLineTo())
            edges.push_back(key(first.elementAt(i - 1), first.elementAt(i)));
    }
    std::sort(edges.begin(), edges.end());
    for (int i = 1; i < second.elementCount(); ++i) {
        if (second.elementAt(i).isLineTo()
            && std::binary_search(edges.begin(), edges.end(), key(second.elementAt(i - 1), second.elementAt(i))))
            return true;
    }
    return false;
}

// GDI fills the pixels whose top-left corner lies inside a polygon, counting its left and
// top edges in and its right and bottom edges out. Shapes arrive here through pixel
// centres, which is where those corners sample a slanted edge; but an upright or level
// edge then runs through the middle of a pixel column or row, and smoothing leaves that
// column half covered where GDI fills it whole or not at all. Moved back by half a pixel
// onto pixel edges, such edges bound whole pixels, exactly as GDI fills them; slanted
// edges stay on their lines, their ends sliding along them. Paths with curves are left
// alone.
QPainterPath onPixelEdges(const QPainterPath &path)
{
    const int count = path.elementCount();
    for (int i = 0; i < count; ++i) {
        if (path.elementAt(i).isCurveTo())
            return path;
    }
    QPainterPath moved;
    moved.setFillRule(path.fillRule());
    std::vector<QPointF> ring;
    // The corner where the edge from `from` to `p` meets the edge from `p` to `to`, each
    // upright or level one moved back by half a pixel. Where a slanted edge would have to
    // slide more than a pixel (it runs nearly along the moved edge), the corner moves
    // straight instead and tilts it a little.
    const auto corner = [](QPointF from, QPointF p, QPointF to) {
        const QPointF in = p - from;
        const QPointF out = to - p;
        const bool upright = in.x() == 0 || out.x() == 0;
        const bool level = in.y() == 0 || out.y() == 0;
        if (upright == level)
            return upright ? p - QPointF(0.5, 0.5) : p;
        const QPointF slanted = upright ? (in.x() == 0 ? out : in) : (in.y() == 0 ? out : in);
        const double across = upright ? slanted.x() : slanted.y();
        const double length = std::hypot(slanted.x(), slanted.y());
        if (std::abs(across) * 2 < length)
            return p - (upright ? QPointF(0.5, 0) : QPointF(0, 0.5));
        return p + slanted * (-0.5 / across);
    };
    const auto addRing = [&] {
        while (ring.size() > 1 && ring.front() == ring.back())
            ring.pop_back();
        const size_t n = ring.size();
        for (size_t i = 0; i < n; ++i) {
            const QPointF p = n < 3 ? ring[i] : corner(ring[(i + n - 1) % n], ring[i], ring[(i + 1) % n]);
            if (i == 0)
                moved.moveTo(p);
            else
                moved.lineTo(p);
        }
        if (n > 0)
            moved.closeSubpath();
        ring.clear();
    };
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo())
            addRing();
        const QPointF p(e.x, e.y);
        if (ring.empty() || ring.back() != p)
            ring.push_back(p);
    }
    addRing();
    return moved;
}

// The part of a line inside `area` (Liang-Barsky); false when none of it is.
bool clipLine(QLineF &line, const QRectF &area)
{
    const double dx = line.dx();
    const double dy = line.dy();
    const std::array<double, 4> along {-dx, dx, -dy, dy};
    const std::array<double, 4> room {line.x1() - area.left(), area.right() - line.x1(), line.y1() - area.top(),
                                      area.bottom() - line.y1()};
    double from = 0;
    double to = 1;
    for (size_t i = 0; i < along.size(); ++i) {
        if (along[i] == 0) {
            if (room[i] < 0)
                return false;
            continue;
        }
        const double t = room[i] / along[i];
        if (along[i] < 0)
            from = std::max(from, t);
        else
            to = std::min(to, t);
        if (from > to)
            return false;
    }
    line = QLineF(line.pointAt(from), line.pointAt(to));
    return true;
}

// How much of a path runs inside `area`, its curves flattened.
double lengthInside(const QPainterPath &path, const QRectF &area)
{
    double total = 0;
    for (const QPolygonF &polygon : path.toSubpathPolygons()) {
        for (qsizetype i = 1; i < polygon.size(); ++i) {
            QLineF line(polygon[i - 1], polygon[i]);
            if (clipLine(line, area))
                total += line.length();
        }
    }
    return total;
}

// The pixels `path` covers on the canvas when it is one upright rectangle whose edges fall on
// pixel edges there (most fills once onPixelEdges() has moved them).
std::optional<QRect> pixelRect(const QPainterPath &path, const QTransform &toCanvas)
{
    const int count = path.elementCount();
    if ((count != 4 && count != 5) || toCanvas.type() > QTransform::TxScale)
        return std::nullopt;
    std::array<QPointF, 4> corners {};
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element &element = path.elementAt(i);
        if (element.type != (i == 0 ? QPainterPath::MoveToElement : QPainterPath::LineToElement))
            return std::nullopt;
        const QPointF p = toCanvas.map(QPointF(element));
        if (p.x() != std::round(p.x()) || p.y() != std::round(p.y()))
            return std::nullopt;
        if (i < 4)
            corners[size_t(i)] = p;
        else if (p != corners[0])
            return std::nullopt;
    }
    const bool across = corners[0].y() == corners[1].y() && corners[1].x() == corners[2].x()
                     && corners[2].y() == corners[3].y() && corners[3].x() == corners[0].x();
    const bool down = corners[0].x() == corners[1].x() && corners[1].y() == corners[2].y()
                   && corners[2].x() == corners[3].x() && corners[3].y() == corners[0].y();
    if (!across && !down)
        return std::nullopt;
    const QRectF box = QRectF(corners[0], corners[2]).normalized();
    if (std::abs(box.left()) > 1e9 || std::abs(box.top()) > 1e9 || std::abs(box.right()) > 1e9
        || std::abs(box.bottom()) > 1e9)
        return std::nullopt;
    return box.toRect();
}

// Fills `path` with `fill`. A solid fill of whole pixels of a rectangle goes to the raster
// engine as a rectangle, many times cheaper than rasterising its outline, for the same pixels.
void fillOnCanvas(QPainter &painter, const QPainterPath &path, const QBrush &fill)
{
    const QPaintEngine *engine = painter.paintEngine();
    if (fill.style() == Qt::SolidPattern && engine && engine->type() == QPaintEngine::Raster) {
        if (const std::optional<QRect> rect = pixelRect(path, painter.combinedTransform())) {
            painter.save();
            painter.resetTransform();
            painter.fillRect(*rect, fill);
            painter.restore();
            return;
        }
    }
    painter.fillPath(path, fill);
}

void fillAliased(QPainter &painter, const QPainterPath &devicePath, const QBrush &fill)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    fillOnCanvas(painter, devicePath, fill);
    painter.setRenderHint(QPainter::Antialiasing, true);
}

} // namespace

bool Fills::prepare(int rop2) { return m_surface.prepare(m_dc.clip, m_dc.metaRegion, rop2); }

QColor Fills::ink(ColorRef ref, int rop2) const { return withRop2(colorOf(ref, m_dc.palette), rop2); }

// GDI turns a logical pen width into device pixels along x and never goes below one
// pixel; width 0 is always exactly one pixel.
double Fills::penWidth() const
{
    if (m_dc.pen.width == 0)
        return 1.0;
    const double width = std::floor(std::abs(m_dc.pen.width * m_dc.mapping.transform().m11()) + 0.5);
    return qMax(1.0, width);
}

QPen Fills::pen() const
{
    const int style = m_dc.pen.style & gdi::PS_STYLE_MASK;
    if (style == gdi::PS_NULL)
        return Qt::NoPen;
    const double width = penWidth();
    QPen pen(ink(m_dc.pen.color, m_dc.rop2), width);
    switch (m_dc.pen.style & gdi::PS_ENDCAP_MASK) {
    case gdi::PS_ENDCAP_SQUARE: pen.setCapStyle(Qt::SquareCap); break;
    case gdi::PS_ENDCAP_FLAT: pen.setCapStyle(Qt::FlatCap); break;
    default: pen.setCapStyle(width > 1 ? Qt::RoundCap : Qt::FlatCap); break;
    }
    switch (m_dc.pen.style & gdi::PS_JOIN_MASK) {
    case gdi::PS_JOIN_BEVEL: pen.setJoinStyle(Qt::BevelJoin); break;
    case gdi::PS_JOIN_MITER:
        // Qt's SVG miter measures its limit as GDI does, from the inner to the outer corner
        // in pen widths, and bevels a join past it as GDI does (its plain miter measures
        // from the joined point and cuts the tip off).
        pen.setJoinStyle(Qt::SvgMiterJoin);
        pen.setMiterLimit(m_dc.miterLimit);
        break;
    default: pen.setJoinStyle(width > 1 ? Qt::RoundJoin : Qt::MiterJoin); break;
    }
    if (style == gdi::PS_USERSTYLE) {
        const QList<qreal> dashes = userDashes(width);
        if (!dashes.isEmpty())
            pen.setDashPattern(dashes);
        return pen;
    }
    // Dashes are for one-pixel pens only; GDI draws wider styled pens solid. The dash
    // lengths are GDI's, in pixels.
    if (width <= 1 && style >= gdi::PS_DASH && style <= gdi::PS_DASHDOTDOT) {
        static const QList<qreal> dashes[] = {{18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};
        pen.setDashPattern(dashes[style - gdi::PS_DASH]);
        pen.setCapStyle(Qt::FlatCap);
    }
    return pen;
}

// A user style's lengths as a dash pattern in pen widths, Qt's unit. A geometric pen's
// lengths are logical units; a cosmetic pen's are the display's style units of 3 pixels, in
// which its standard dash is 6 on and 2 off. An odd count runs on with dashes and gaps
// swapped, as GDI repeats it. Empty where the pattern is too fine to draw as dashes.
QList<qreal> Fills::userDashes(double widthPixels) const
{
    constexpr double styleUnitPixels = 3;
    const double unit = m_dc.pen.width == 0 ? styleUnitPixels : std::abs(m_dc.mapping.transform().m11());
    QList<qreal> dashes;
    double total = 0;
    for (quint32 length : m_dc.pen.userStyle) {
        dashes.push_back(length * unit / widthPixels);
        total += length * unit;
    }
    if (dashes.size() % 2)
        dashes += dashes;
    return total >= 1 && std::isfinite(total) ? dashes : QList<qreal>();
}

QBrush Fills::brush(const Brush &brush, int rop2) const
{
    switch (brush.style) {
    case gdi::BS_NULL: return Qt::NoBrush;
    case gdi::BS_HATCHED: {
        static constexpr Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                     Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        if (brush.hatch > gdi::HS_DIAGCROSS)
            return ink(brush.color, rop2);
        return QBrush(ink(brush.color, rop2), hatches[brush.hatch]);
    }
    case gdi::BS_PATTERN:
    case gdi::BS_DIBPATTERN:
    case gdi::BS_DIBPATTERNPT: {
        const QImage tile = brushTile(brush, rop2);
        return tile.isNull() ? QBrush(Qt::NoBrush) : QBrush(tile);
    }
    default: return ink(brush.color, rop2);
    }
}

QImage Fills::brushTile(const Brush &brush, int rop2) const
{
    switch (brush.style) {
    case gdi::BS_NULL: return {};
    case gdi::BS_HATCHED: {
        QImage tile(8, 8, QImage::Format_RGB32);
        tile.fill(ink(m_dc.bkColor, rop2));
        QPainter painter(&tile);
        painter.fillRect(tile.rect(), this->brush(brush, rop2));
        return tile;
    }
    case gdi::BS_PATTERN:
    case gdi::BS_DIBPATTERN:
    case gdi::BS_DIBPATTERNPT: {
        if (brush.patternBits.isNull())
            return brush.pattern;
        // GDI draws a monochrome pattern in the text colour where a bit is 0 and in the
        // background colour where it is 1.
        QImage tile = brush.patternBits;
        tile.setColorTable({ink(m_dc.textColor, rop2).rgb(), ink(m_dc.bkColor, rop2).rgb()});
        return tile.convertToFormat(QImage::Format_RGB32);
    }
    default: {
        QImage tile(1, 1, QImage::Format_RGB32);
        tile.fill(ink(brush.color, rop2));
        return tile;
    }
    }
}

void Fills::fillPath(const QPainterPath &devicePath, const Brush &brush, int rop2)
{
    fillShape(devicePath, devicePath, brush, rop2);
}

// `painted` is `devicePath` as drawn; the seam between two fills is found on the paths as
// given, where abutting shapes share their edges point for point.
void Fills::fillShape(const QPainterPath &devicePath, const QPainterPath &painted, const Brush &brush, int rop2)
{
    if (brush.style == gdi::BS_NULL || !m_budget.spendWork(devicePath.elementCount()))
        return;
    QPainter &painter = m_surface.painter();
    const AntialiasGuard antialias(painter, smoothable(painter) && m_surface.antialiasAffordable(painted, 0, 1));
    if (brush.style == gdi::BS_HATCHED && m_dc.bkMode == gdi::OPAQUE)
        fillOnCanvas(painter, painted, ink(m_dc.bkColor, rop2));
    const QBrush fill = this->brush(brush, rop2);
    const bool seal = sealable(painter, fill);
    // The fill before this one was the last drawing (prepare() counted one for this).
    // Only in the same clip: the second pass over the last fill goes through the clip in force.
    const bool abutting = seal && m_lastFill && m_lastFill->drawing + 1 == m_surface.drawings()
                       && m_lastFill->clip == m_dc.clip && m_lastFill->metaRegion == m_dc.metaRegion
                       && shareAnEdge(m_lastFill->devicePath, devicePath);
    if (abutting) {
        m_surface.markRasterOnly();
        fillAliased(painter, m_lastFill->painted, m_lastFill->brush);
    }
    fillOnCanvas(painter, painted, fill);
    if (abutting)
        fillAliased(painter, painted, fill);
    m_lastFill.reset();
    if (seal)
        m_lastFill = LastFill {devicePath, painted, fill, m_surface.drawings(), m_dc.clip, m_dc.metaRegion};
}

void Fills::fillAndStroke(const QPainterPath &devicePath, bool fill, bool stroke)
{
    if (!prepare(m_dc.rop2))
        return;
    if (fill && m_dc.brush.style != gdi::BS_NULL)
        fillShape(devicePath, onPixelEdges(devicePath), m_dc.brush, m_dc.rop2);
    if (!stroke || (m_dc.pen.style & gdi::PS_STYLE_MASK) == gdi::PS_NULL
        || !m_budget.spendWork(devicePath.elementCount()))
        return;
    m_lastFill.reset(); // drawn over by the stroke
    QPen pen = this->pen();
    // Geometry runs through pixel centres, where a line of odd width covers whole pixels;
    // a line of even width covers whole pixels when it runs along pixel edges.
    const bool evenWidth = std::fmod(pen.widthF(), 2.0) == 0;
    const QPainterPath path = evenWidth ? devicePath.translated(-0.5, -0.5) : devicePath;
    if (pen.style() == Qt::CustomDashLine && !affordDashes(path, pen))
        return;
    QPainter &painter = m_surface.painter();
    // A stroke's outline has two sides for every edge, each as wide as the pen.
    const AntialiasGuard antialias(painter,
                                   smoothable(painter) && m_surface.antialiasAffordable(path, pen.widthF(), 2));
    // The gaps of a styled line take the background colour in opaque mode; a user style's
    // stay empty, as on GDI.
    if (pen.style() == Qt::CustomDashLine && m_dc.bkMode == gdi::OPAQUE
        && (m_dc.pen.style & gdi::PS_STYLE_MASK) != gdi::PS_USERSTYLE) {
        QPen gaps = pen;
        gaps.setStyle(Qt::SolidLine);
        gaps.setColor(ink(m_dc.bkColor, m_dc.rop2));
        painter.strokePath(path, gaps);
    }
    painter.strokePath(path, pen);
}

// Charges the dashes of `pen` along the part of `devicePath` on the canvas, by the rows
// their edges cross; a stroke with more than a stroke's share of them, or any in scan mode,
// is drawn solid instead. False once the play's work is spent.
bool Fills::affordDashes(const QPainterPath &devicePath, QPen &pen)
{
    const QList<qreal> pattern = pen.dashPattern();
    double period = 0;
    for (qreal length : pattern)
        period += length;
    const double width = std::max(1.0, pen.widthF());
    period *= width;
    const double margin = width + 1;
    const QRectF canvas = QRectF(QPointF(0, 0), m_surface.size()).adjusted(-margin, -margin, margin, margin);
    const double dashes = lengthInside(devicePath, canvas) / std::max(period, 1.0) * (double(pattern.size()) / 2);
    const double rows = dashes * (width + 2);
    if (m_surface.scanMode() || !(rows <= core::limits::maxDashRowsPerStroke)) {
        pen.setStyle(Qt::SolidLine);
        return true;
    }
    return m_budget.spendWork(qint64(rows) * core::limits::workPerDashRow);
}

} // namespace metafile::gdi
