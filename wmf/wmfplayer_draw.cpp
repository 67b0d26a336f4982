// Lines, polygons, rectangles, ellipses, arcs, pixels, PATBLT and flood fills.

#include "wmflimits.h"
#include "wmfplayer.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace wmf {

namespace {

// The cost of filling `path` with anti-aliasing on Qt's raster engine (see
// limits::maxAntialiasCostPerPath): per device row, the cells each edge adds there (one
// for a level edge, otherwise a cell for every pixel it crosses, times `sides`, widened by
// `extraWidth`), squared and summed. Stops counting once past the limit.
double antialiasCost(const QPainter &painter, const QPainterPath &path, double extraWidth, double sides)
{
    const QPaintDevice *device = painter.device();
    const int rows = device ? device->height() : 0;
    const int columns = device ? device->width() : 0;
    if (rows <= 0 || columns <= 0 || path.elementCount() < 16)
        return 0;
    const QTransform toDevice = painter.deviceTransform();
    std::vector<double> change(size_t(rows) + 1, 0.0);
    QPointF previous = toDevice.map(QPointF(path.elementAt(0)));
    for (int i = 1; i < path.elementCount(); ++i) {
        const QPointF next = toDevice.map(QPointF(path.elementAt(i)));
        const double top = qMax(0.0, qMin(previous.y(), next.y()));
        const double bottom = qMin(double(rows), qMax(previous.y(), next.y()) + 1);
        const double width = std::abs(next.x() - previous.x());
        const double height = std::abs(next.y() - previous.y());
        previous = next;
        if (!(top < bottom)) // off the device, or not a number
            continue;
        // A level edge leaves one cell; a slanted one a cell for every pixel it crosses.
        const double crossed = height == 0 ? 0 : width / qMax(height, 1.0);
        const double perRow = qMin(double(columns), crossed + 1 + extraWidth);
        change[size_t(top)] += perRow * sides;
        change[size_t(bottom)] -= perRow * sides;
    }
    double cells = 0;
    double cost = 0;
    for (int row = 0; row < rows; ++row) {
        cells += change[size_t(row)];
        cost += cells * cells;
        if (cost > limits::maxAntialiasCostPerPath)
            break;
    }
    return cost;
}

// Turns anti-aliasing off for one drawing.
class AntialiasGuard
{
public:
    AntialiasGuard(QPainter &painter, bool affordable)
        : m_painter(painter)
        , m_restore(!affordable && painter.testRenderHint(QPainter::Antialiasing))
    {
        if (m_restore)
            m_painter.setRenderHint(QPainter::Antialiasing, false);
    }
    ~AntialiasGuard()
    {
        if (m_restore)
            m_painter.setRenderHint(QPainter::Antialiasing, true);
    }
    AntialiasGuard(const AntialiasGuard &) = delete;
    AntialiasGuard &operator=(const AntialiasGuard &) = delete;

private:
    QPainter &m_painter;
    bool m_restore;
};

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

void fillAliased(QPainter &painter, const QPainterPath &devicePath, const QBrush &fill)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillPath(devicePath, fill);
    painter.setRenderHint(QPainter::Antialiasing, true);
}

} // namespace

// Whether `devicePath` may be drawn with anti-aliasing; charges its cost to the play.
bool Player::antialiasAffordable(const QPainterPath &devicePath, double extraWidth, double sides)
{
    if (m_antialiasCost > limits::maxAntialiasCostPerPlay)
        return false;
    const double cost = antialiasCost(m_painter, devicePath, extraWidth, sides);
    if (cost > limits::maxAntialiasCostPerPath)
        return false;
    m_antialiasCost += cost;
    return m_antialiasCost <= limits::maxAntialiasCostPerPlay;
}

// --- pens and brushes -------------------------------------------------------------------

// GDI turns a logical pen width into device pixels along x and never goes below one
// pixel; width 0 is always exactly one pixel.
double Player::penDeviceWidth() const
{
    if (m_dc.pen.width == 0)
        return 1.0;
    const double width = std::floor(std::abs(m_dc.pen.width * deviceTransform().m11()) + 0.5);
    return qMax(1.0, width);
}

QPen Player::makePen() const
{
    const int style = m_dc.pen.style & gdi::PS_STYLE_MASK;
    if (style == gdi::PS_NULL)
        return Qt::NoPen;
    const double width = penDeviceWidth();
    QPen pen(color(m_dc.pen.color), width);
    switch (m_dc.pen.style & gdi::PS_ENDCAP_MASK) {
    case gdi::PS_ENDCAP_SQUARE: pen.setCapStyle(Qt::SquareCap); break;
    case gdi::PS_ENDCAP_FLAT: pen.setCapStyle(Qt::FlatCap); break;
    default: pen.setCapStyle(width > 1 ? Qt::RoundCap : Qt::FlatCap); break;
    }
    switch (m_dc.pen.style & gdi::PS_JOIN_MASK) {
    case gdi::PS_JOIN_BEVEL: pen.setJoinStyle(Qt::BevelJoin); break;
    case gdi::PS_JOIN_MITER: pen.setJoinStyle(Qt::MiterJoin); break;
    default: pen.setJoinStyle(width > 1 ? Qt::RoundJoin : Qt::MiterJoin); break;
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

QBrush Player::makeBrush(const Brush &brush) const
{
    switch (brush.style) {
    case gdi::BS_NULL: return Qt::NoBrush;
    case gdi::BS_HATCHED: {
        static constexpr Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                     Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        if (brush.hatch > gdi::HS_DIAGCROSS)
            return color(brush.color);
        return QBrush(color(brush.color), hatches[brush.hatch]);
    }
    case gdi::BS_PATTERN:
    case gdi::BS_DIBPATTERN:
    case gdi::BS_DIBPATTERNPT: return patternBrush(brush);
    default: return color(brush.color);
    }
}

// Hatches leave gaps that GDI fills with the background colour in opaque mode.
void Player::fillWithBrush(const QPainterPath &devicePath, const Brush &brush)
{
    if (brush.style == gdi::BS_NULL || !spendWork(devicePath.elementCount()))
        return;
    const AntialiasGuard antialias(m_painter, antialiasAffordable(devicePath, 0, 1));
    if (brush.style == gdi::BS_HATCHED && m_dc.bkMode == gdi::OPAQUE)
        m_painter.fillPath(devicePath, color(m_dc.bkColor));
    const QBrush fill = makeBrush(brush);
    const bool seal = sealable(m_painter, fill);
    // The fill before this one was the last drawing (prepareDrawing() counts one for this).
    const bool abutting =
        seal && m_lastFill && m_lastFill->drawing + 1 == m_drawings && shareAnEdge(m_lastFill->devicePath, devicePath);
    if (abutting)
        fillAliased(m_painter, m_lastFill->devicePath, m_lastFill->brush);
    m_painter.fillPath(devicePath, fill);
    if (abutting)
        fillAliased(m_painter, devicePath, fill);
    m_lastFill.reset();
    if (seal)
        m_lastFill = LastFill {devicePath, fill, m_drawings};
}

void Player::fillAndStroke(const QPainterPath &devicePath, bool fill, bool stroke)
{
    if (!prepareDrawing())
        return;
    if (fill)
        fillWithBrush(devicePath, m_dc.brush);
    if (!stroke || (m_dc.pen.style & gdi::PS_STYLE_MASK) == gdi::PS_NULL || !spendWork(devicePath.elementCount()))
        return;
    m_lastFill.reset(); // drawn over by the stroke
    const QPen pen = makePen();
    // Geometry runs through pixel centres, where a line of odd width covers whole pixels;
    // a line of even width covers whole pixels when it runs along pixel edges.
    const bool evenWidth = std::fmod(pen.widthF(), 2.0) == 0;
    const QPainterPath path = evenWidth ? devicePath.translated(-0.5, -0.5) : devicePath;
    // A stroke's outline has two sides for every edge, each as wide as the pen.
    const AntialiasGuard antialias(m_painter, antialiasAffordable(path, pen.widthF(), 2));
    // The gaps of a styled line take the background colour in opaque mode.
    if (pen.style() == Qt::CustomDashLine && m_dc.bkMode == gdi::OPAQUE) {
        QPen gaps = pen;
        gaps.setStyle(Qt::SolidLine);
        gaps.setColor(color(m_dc.bkColor));
        m_painter.strokePath(path, gaps);
    }
    m_painter.strokePath(path, pen);
}

// --- records ----------------------------------------------------------------------------

std::optional<std::vector<QPointF>> Player::readPoints(ByteReader &r, int count)
{
    if (count < 0 || count > limits::maxPointsPerPolygon || count > r.remaining() / 4)
        return std::nullopt; // count claims more points than the record holds
    m_points += count;
    if (m_points > limits::maxTotalPoints) {
        m_result = PlayResult::LimitExceeded;
        return std::nullopt;
    }
    std::vector<QPointF> points;
    points.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const qint16 x = r.readI16();
        const qint16 y = r.readI16();
        points.push_back(toPixelCentre(QPointF(x, y)));
    }
    return points;
}

namespace {
QPainterPath pathThrough(const std::vector<QPointF> &points, bool closed)
{
    QPainterPath path;
    if (points.empty())
        return path;
    path.moveTo(points.front());
    for (size_t i = 1; i < points.size(); ++i)
        path.lineTo(points[i]);
    if (closed)
        path.closeSubpath();
    return path;
}
} // namespace

void Player::moveTo(ByteReader &r)
{
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    if (r.ok())
        m_dc.position = QPointF(x, y);
}

void Player::lineTo(ByteReader &r)
{
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    if (!r.ok())
        return;
    QPainterPath path(toPixelCentre(m_dc.position));
    path.lineTo(toPixelCentre(QPointF(x, y)));
    m_dc.position = QPointF(x, y);
    fillAndStroke(path, false, true);
}

void Player::polyline(ByteReader &r)
{
    const int count = r.readI16();
    const auto points = readPoints(r, count);
    if (!points) {
        r.skip(r.remaining() + 1);
        return;
    }
    if (r.ok() && points->size() >= 2)
        fillAndStroke(pathThrough(*points, false), false, true);
}

void Player::polygon(ByteReader &r)
{
    const int count = r.readI16();
    const auto points = readPoints(r, count);
    if (!points) {
        r.skip(r.remaining() + 1);
        return;
    }
    if (!r.ok() || points->size() < 2)
        return;
    QPainterPath path = pathThrough(*points, true);
    path.setFillRule(m_dc.polyFillMode == gdi::WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    fillAndStroke(path, true, true);
}

void Player::polyPolygon(ByteReader &r)
{
    const int polygons = r.readU16();
    if (polygons > r.remaining() / 2) {
        r.skip(r.remaining() + 1); // more counts than the record holds
        return;
    }
    std::vector<int> counts;
    for (int i = 0; i < polygons; ++i)
        counts.push_back(r.readU16());
    QPainterPath path;
    path.setFillRule(m_dc.polyFillMode == gdi::WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    for (int count : counts) {
        const auto points = readPoints(r, count);
        if (!points) {
            r.skip(r.remaining() + 1);
            return;
        }
        path.addPath(pathThrough(*points, true));
    }
    if (r.ok())
        fillAndStroke(path, true, true);
}

// Reads bottom, right, top, left and gives the box the outline runs through, in device
// pixels. GDI leaves out the right and bottom edges of the box, so the outline's pixel
// centres run from left to right - 1; an inside-frame pen is pulled inside the box.
QRectF Player::shapeBox(ByteReader &r)
{
    const qint16 bottom = r.readI16();
    const qint16 right = r.readI16();
    const qint16 top = r.readI16();
    const qint16 left = r.readI16();
    QRectF box = toDeviceRect(QRectF(QPointF(left, top), QPointF(right, bottom)));
    box.adjust(0.5, 0.5, -0.5, -0.5);
    const double width = penDeviceWidth();
    if ((m_dc.pen.style & gdi::PS_STYLE_MASK) == gdi::PS_INSIDEFRAME && width > 1) {
        const double inset = qMin((width - 1) / 2, qMin(box.width(), box.height()) / 2);
        box.adjust(inset, inset, -inset, -inset);
    }
    return box;
}

void Player::rectangle(ByteReader &r)
{
    const QRectF box = shapeBox(r);
    if (!r.ok() || box.width() < 0 || box.height() < 0)
        return;
    QPainterPath path;
    path.addRect(box);
    fillAndStroke(path, true, true);
}

void Player::roundRect(ByteReader &r)
{
    const qint16 height = r.readI16();
    const qint16 width = r.readI16();
    const QRectF box = shapeBox(r);
    if (!r.ok() || box.width() < 0 || box.height() < 0)
        return;
    const QTransform t = deviceTransform();
    const double rx = qMin(std::abs(width * t.m11()) / 2, box.width() / 2);
    const double ry = qMin(std::abs(height * t.m22()) / 2, box.height() / 2);
    QPainterPath path;
    path.addRoundedRect(box, rx, ry);
    fillAndStroke(path, true, true);
}

void Player::ellipse(ByteReader &r)
{
    const QRectF box = shapeBox(r);
    if (!r.ok() || box.width() < 0 || box.height() < 0)
        return;
    QPainterPath path;
    path.addEllipse(box);
    fillAndStroke(path, true, true);
}

namespace {
// The parameter angle (degrees, Qt's convention: counter-clockwise, y up) of the point
// where the ray from the box's centre through `p` meets the ellipse.
double ellipseAngle(const QRectF &box, QPointF p)
{
    const QPointF c = box.center();
    const double rx = qMax(box.width() / 2, 1e-9);
    const double ry = qMax(box.height() / 2, 1e-9);
    return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180.0 / std::numbers::pi;
}
} // namespace

// GDI draws arcs counter-clockwise as seen on the device, also when the mapping mirrors
// an axis (Wine's GDI agrees). Equal start and end directions give the whole ellipse.
void Player::arcFamily(ByteReader &r, RecordType type)
{
    const qint16 yEnd = r.readI16();
    const qint16 xEnd = r.readI16();
    const qint16 yStart = r.readI16();
    const qint16 xStart = r.readI16();
    const QRectF box = shapeBox(r);
    if (!r.ok() || box.width() < 0 || box.height() < 0)
        return;
    const double start = ellipseAngle(box, toPixelCentre(QPointF(xStart, yStart)));
    const double end = ellipseAngle(box, toPixelCentre(QPointF(xEnd, yEnd)));
    double sweep = end - start;
    while (sweep <= 0)
        sweep += 360;
    QPainterPath path;
    if (type == RecordType::Pie)
        path.moveTo(box.center());
    else
        path.arcMoveTo(box, start);
    path.arcTo(box, start, sweep);
    if (type != RecordType::Arc)
        path.closeSubpath();
    fillAndStroke(path, type != RecordType::Arc, true);
}

void Player::setPixel(ByteReader &r)
{
    const ColorRef ref = r.readU32();
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    if (!r.ok() || !prepareDrawing())
        return;
    m_painter.fillRect(QRectF(toDevice(QPointF(x, y)), QSizeF(1, 1)), color(ref));
}

void Player::patBlt(ByteReader &r)
{
    const quint32 rop = r.readU32();
    const qint16 height = r.readI16();
    const qint16 width = r.readI16();
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    if (r.ok())
        fillDeviceRect(toDeviceRect(QRectF(x, y, width, height)), rop);
}

// Flood fills read the picture drawn so far, which only an image target can give. The
// fill spreads through 4-connected pixels: up to a border colour (FLOODFILL and
// EXTFLOODFILL's FLOODFILLBORDER) or over one surface colour (FLOODFILLSURFACE).
void Player::floodFill(ByteReader &r, bool extended)
{
    const int mode = extended ? r.readU16() : 0;
    const ColorRef ref = r.readU32();
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    if (!r.ok() || !prepareDrawing() || m_painter.device()->devType() != QInternal::Image)
        return;
    const QImage &image = *static_cast<QImage *>(m_painter.device());
    const QTransform toImage = m_painter.deviceTransform();
    if (!toImage.isAffine() || toImage.m12() != 0 || toImage.m21() != 0
        || qint64(image.width()) * image.height() > limits::maxFloodFillPixels)
        return;
    const QPointF centre = toImage.map(toPixelCentre(QPointF(x, y)));
    // Checked as a real number first: a seed far off the image is no int.
    if (!QRectF(image.rect()).contains(centre))
        return;
    const QPoint seed(int(std::floor(centre.x())), int(std::floor(centre.y())));
    if (!image.rect().contains(seed))
        return;
    const QRgb target = color(ref).rgb() & 0xFFFFFF;
    const bool surface = mode == 1;
    auto fillable = [&](int px, int py) {
        const bool same = (image.pixel(px, py) & 0xFFFFFF) == target;
        return surface ? same : !same;
    };
    if (!fillable(seed.x(), seed.y()))
        return;
    std::vector<quint8> seen(size_t(image.width()) * size_t(image.height()), 0);
    std::vector<QPoint> stack {seed};
    std::vector<QRect> spans;
    // Scanline fill: each popped seed grows into a horizontal run, and each run pushes
    // one seed per fillable stretch of the rows above and below.
    while (!stack.empty()) {
        const QPoint p = stack.back();
        stack.pop_back();
        const size_t row = size_t(p.y()) * size_t(image.width());
        if (seen[row + size_t(p.x())] || !fillable(p.x(), p.y()))
            continue;
        int left = p.x(), right = p.x();
        while (left > 0 && !seen[row + size_t(left - 1)] && fillable(left - 1, p.y()))
            --left;
        while (right + 1 < image.width() && !seen[row + size_t(right + 1)] && fillable(right + 1, p.y()))
            ++right;
        std::fill(seen.begin() + qsizetype(row) + left, seen.begin() + qsizetype(row) + right + 1, 1);
        spans.emplace_back(left, p.y(), right - left + 1, 1);
        if (!spendWork(3 * (right - left + 1)))
            return;
        for (int ny : {p.y() - 1, p.y() + 1}) {
            if (ny < 0 || ny >= image.height())
                continue;
            const size_t nrow = size_t(ny) * size_t(image.width());
            bool inRun = false;
            for (int px = left; px <= right; ++px) {
                const bool open = !seen[nrow + size_t(px)] && fillable(px, ny);
                if (open && !inRun)
                    stack.emplace_back(px, ny);
                inRun = open;
            }
        }
    }
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const QRect &span : spans)
        path.addRect(span);
    path = toImage.inverted().map(path);
    fillWithBrush(path, m_dc.brush);
}

} // namespace wmf
