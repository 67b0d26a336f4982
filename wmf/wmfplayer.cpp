#include "wmfplayer.h"

#include "wmflimits.h"

#include <QPaintEngine>
#include <QPainter>

#include <cmath>

namespace wmf {

namespace {

// The fixed map modes in device pixels per logical unit on a 96 dpi device, the
// resolution GDI reports for a screen-compatible memory context.
constexpr double deviceDpi = 96.0;

double unitsPerInch(int mapMode)
{
    switch (mapMode) {
    case gdi::MM_LOMETRIC: return 254.0;
    case gdi::MM_HIMETRIC: return 2540.0;
    case gdi::MM_LOENGLISH: return 100.0;
    case gdi::MM_HIENGLISH: return 1000.0;
    case gdi::MM_TWIPS: return 1440.0;
    case gdi::MM_ISOTROPIC: return 254.0; // GDI starts isotropic mode at 0.1 mm units
    default: return deviceDpi;
    }
}

// The 20 reserved colours of the system palette, which PALETTEINDEX refers to while no
// palette of the file is selected.
constexpr QRgb defaultPalette[] = {
    0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff800080, 0xff008080,
    0xffc0c0c0, 0xffc0dcc0, 0xffa6caf0, 0xfffffbf0, 0xffa0a0a4, 0xff808080, 0xffff0000,
    0xff00ff00, 0xffffff00, 0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff,
};

} // namespace

Player::Player(QPainter &painter, const MetafileData &data, const QRectF &target, bool scanMode)
    : m_painter(painter)
    , m_data(data)
    , m_target(target)
    , m_scanMode(scanMode)
{
    m_baseTransform = painter.worldTransform();
    m_objects.resize(static_cast<size_t>(qBound(0, data.objectCount, limits::maxObjects)));
    if (!scanMode) {
        // The way a picture is fitted into a rectangle on GDI: an anisotropic window
        // over the picture's frame and a viewport over the rectangle. The file's own
        // window and map mode records then act on that context.
        m_dc.mapMode = gdi::MM_ANISOTROPIC;
        m_dc.windowOrg = data.frameOrigin;
        m_dc.windowExt = data.frameExtent;
        m_dc.viewportExt = target.size();
    }
}

PlayResult Player::play()
{
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, true);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    m_painter.setWorldTransform(QTransform::fromTranslate(m_target.left(), m_target.top()) * m_baseTransform);
    if (m_scanMode) {
        m_painter.setClipping(false);
        m_outerClip = QPainterPath();
        m_outerClip->addRect(-1e7, -1e7, 2e7, 2e7);
    } else {
        const bool outerClip = m_painter.hasClipping();
        m_painter.setClipRect(QRectF(QPointF(0, 0), m_target.size()), Qt::IntersectClip);
        if (outerClip)
            m_outerClip = m_painter.clipPath();
    }
    m_painter.setBackgroundMode(Qt::TransparentMode);
    const QByteArrayView bytes(m_data.bytes);
    for (const RecordRef &record : m_data.records) {
        ByteReader params(bytes.sliced(record.offset, record.payloadSize));
        dispatch(record.function, params);
        if (!params.ok() && m_result == PlayResult::Ok)
            m_result = PlayResult::Malformed;
        if (m_result == PlayResult::LimitExceeded || !spendWork(1))
            break;
    }
    m_painter.restore();
    if (m_result == PlayResult::Ok)
        m_result = m_data.walkResult;
    return m_result;
}

bool Player::spendWork(qint64 units)
{
    m_work += qMax<qint64>(units, 0);
    if (m_work <= limits::maxWorkUnits)
        return true;
    m_result = PlayResult::LimitExceeded;
    return false;
}

void Player::dispatch(quint16 function, ByteReader &r)
{
    using T = RecordType;
    switch (static_cast<RecordType>(function)) {
    case T::SaveDc: saveDc(); break;
    case T::RestoreDc: restoreDc(r); break;
    case T::SetMapMode: setMapMode(r); break;
    case T::SetWindowOrg: setWindowOrg(r); break;
    case T::SetWindowExt: setWindowExt(r); break;
    case T::SetViewportOrg: setViewportOrg(r); break;
    case T::SetViewportExt: setViewportExt(r); break;
    case T::OffsetWindowOrg: offsetWindowOrg(r); break;
    case T::OffsetViewportOrg: offsetViewportOrg(r); break;
    case T::ScaleWindowExt: scaleWindowExt(r); break;
    case T::ScaleViewportExt: scaleViewportExt(r); break;
    case T::SetBkColor: setBkColor(r); break;
    case T::SetTextColor: setTextColor(r); break;
    case T::SetBkMode: setBkMode(r); break;
    case T::SetRop2: setRop2(r); break;
    case T::SetPolyFillMode: setPolyFillMode(r); break;
    case T::SetStretchBltMode: setStretchBltMode(r); break;
    case T::SetTextAlign: setTextAlign(r); break;
    case T::CreatePenIndirect: createPenIndirect(r); break;
    case T::CreateBrushIndirect: createBrushIndirect(r); break;
    case T::CreatePatternBrush: createPatternBrush(r); break;
    case T::DibCreatePatternBrush: dibCreatePatternBrush(r); break;
    case T::CreateFontIndirect: createFontIndirect(r); break;
    case T::CreatePalette: createPalette(r); break;
    case T::CreateRegion: createRegion(r); break;
    case T::SelectObject: selectObject(r); break;
    case T::DeleteObject: deleteObject(r); break;
    case T::SelectPalette: selectPalette(r); break;
    case T::SetPalEntries: setPalEntries(r); break;
    case T::ResizePalette: resizePalette(r); break;
    case T::AnimatePalette: animatePalette(r); break;
    case T::MoveTo: moveTo(r); break;
    case T::LineTo: lineTo(r); break;
    case T::Polyline: polyline(r); break;
    case T::Polygon: polygon(r); break;
    case T::PolyPolygon: polyPolygon(r); break;
    case T::Rectangle: rectangle(r); break;
    case T::RoundRect: roundRect(r); break;
    case T::Ellipse: ellipse(r); break;
    case T::Arc:
    case T::Pie:
    case T::Chord: arcFamily(r, static_cast<RecordType>(function)); break;
    case T::SetPixel: setPixel(r); break;
    case T::PatBlt: patBlt(r); break;
    case T::FloodFill: floodFill(r, false); break;
    case T::ExtFloodFill: floodFill(r, true); break;
    case T::SelectClipRegion: selectClipRegion(r); break;
    case T::IntersectClipRect: intersectClipRect(r); break;
    case T::ExcludeClipRect: excludeClipRect(r); break;
    case T::OffsetClipRgn: offsetClipRgn(r); break;
    case T::FillRegion: fillRegion(r); break;
    case T::FrameRegion: frameRegion(r); break;
    case T::InvertRegion: invertRegion(r); break;
    case T::PaintRegion: paintRegion(r); break;
    case T::TextOut: textOut(r); break;
    case T::ExtTextOut: extTextOut(r); break;
    case T::SetTextCharExtra: setTextCharExtra(r); break;
    case T::SetTextJustification: setTextJustification(r); break;
    case T::BitBlt:
    case T::StretchBlt:
    case T::DibBitBlt:
    case T::DibStretchBlt: blit(r, static_cast<RecordType>(function)); break;
    case T::StretchDib: stretchDib(r); break;
    case T::SetDibToDev: setDibToDev(r); break;
    // Nothing to do on a true-colour device without a window: palette realisation,
    // printer escapes, font mapper hints, relative/absolute mode (which GDI ignores),
    // right-to-left layout (a mirrored device, which a picture never asks for in practice).
    case T::RealizePalette:
    case T::Escape:
    case T::SetMapperFlags:
    case T::SetRelAbs:
    case T::SetLayout:
    case T::Eof: break;
    }
    // Unknown functions fall through the switch and are skipped.
}

// --- device context state -------------------------------------------------------------

void Player::saveDc()
{
    if (m_saved.size() >= static_cast<size_t>(limits::maxSaveDepth)) {
        m_result = PlayResult::LimitExceeded;
        return;
    }
    m_saved.push_back(m_dc);
}

void Player::restoreDc(ByteReader &r)
{
    const int level = r.readI16();
    if (!r.ok())
        return;
    const int depth = static_cast<int>(m_saved.size());
    // Negative: that many levels back; positive: the level SAVEDC returned (1 first).
    const int keep = level < 0 ? depth + level : level - 1;
    if (level == 0 || keep < 0 || keep >= depth)
        return;
    const bool clipChanged = m_saved[static_cast<size_t>(keep)].clip != m_dc.clip;
    m_dc = m_saved[static_cast<size_t>(keep)];
    m_saved.resize(static_cast<size_t>(keep));
    if (clipChanged)
        m_clipApplied = false;
}

void Player::setMapMode(ByteReader &r)
{
    const int mode = r.readU16();
    if (!r.ok() || mode < gdi::MM_TEXT || mode > gdi::MM_ANISOTROPIC)
        return;
    if (mode == m_dc.mapMode && mode >= gdi::MM_ISOTROPIC)
        return;
    m_dc.mapMode = mode;
    if (mode == gdi::MM_ANISOTROPIC)
        return; // keeps the extents in force
    if (mode == gdi::MM_TEXT) {
        m_dc.windowExt = QSizeF(1, 1);
        m_dc.viewportExt = QSizeF(1, 1);
        return;
    }
    // The metric and English modes run y upwards.
    const double units = unitsPerInch(mode);
    m_dc.windowExt = QSizeF(units, units);
    m_dc.viewportExt = QSizeF(deviceDpi, -deviceDpi);
}

void Player::setWindowOrg(ByteReader &r)
{
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    if (r.ok())
        m_dc.windowOrg = QPointF(x, y);
}

void Player::setViewportOrg(ByteReader &r)
{
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    if (r.ok())
        m_dc.viewportOrg = QPointF(x, y);
}

namespace {
// Repeated offsets add up without end; the origin stops at the edge of what GDI can map.
QPointF offsetOrigin(QPointF origin, qint16 x, qint16 y)
{
    return QPointF(qBound(-limits::maxExtent, origin.x() + x, limits::maxExtent),
                   qBound(-limits::maxExtent, origin.y() + y, limits::maxExtent));
}
} // namespace

void Player::offsetWindowOrg(ByteReader &r)
{
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    if (r.ok())
        m_dc.windowOrg = offsetOrigin(m_dc.windowOrg, x, y);
}

void Player::offsetViewportOrg(ByteReader &r)
{
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    if (r.ok())
        m_dc.viewportOrg = offsetOrigin(m_dc.viewportOrg, x, y);
}

// GDI ignores extents outside the two scalable modes and refuses zero extents.
void Player::setWindowExt(ByteReader &r)
{
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    if (!r.ok() || x == 0 || y == 0 || m_dc.mapMode < gdi::MM_ISOTROPIC)
        return;
    m_dc.windowExt = QSizeF(x, y);
    fixIsotropic();
}

void Player::setViewportExt(ByteReader &r)
{
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    if (!r.ok() || x == 0 || y == 0 || m_dc.mapMode < gdi::MM_ISOTROPIC)
        return;
    m_dc.viewportExt = QSizeF(x, y);
    fixIsotropic();
}

namespace {
// new = ext * num / denom on each axis, in whole units as GDI computes; nothing if a
// denominator or a result is zero, or a result is larger than GDI can map (repeated
// scaling would otherwise reach infinity).
std::optional<QSizeF> scaled(QSizeF ext, ByteReader &r)
{
    const qint16 yDenom = r.readI16();
    const qint16 yNum = r.readI16();
    const qint16 xDenom = r.readI16();
    const qint16 xNum = r.readI16();
    if (!r.ok() || xDenom == 0 || yDenom == 0)
        return std::nullopt;
    const double w = std::trunc(ext.width() * xNum / xDenom);
    const double h = std::trunc(ext.height() * yNum / yDenom);
    if (w == 0 || h == 0 || !(std::abs(w) <= limits::maxExtent) || !(std::abs(h) <= limits::maxExtent))
        return std::nullopt;
    return QSizeF(w, h);
}
} // namespace

void Player::scaleWindowExt(ByteReader &r)
{
    const std::optional<QSizeF> ext = scaled(m_dc.windowExt, r);
    if (!ext || m_dc.mapMode < gdi::MM_ISOTROPIC)
        return;
    m_dc.windowExt = *ext;
    fixIsotropic();
}

void Player::scaleViewportExt(ByteReader &r)
{
    const std::optional<QSizeF> ext = scaled(m_dc.viewportExt, r);
    if (!ext || m_dc.mapMode < gdi::MM_ISOTROPIC)
        return;
    m_dc.viewportExt = *ext;
    fixIsotropic();
}

// Isotropic mode shrinks the larger viewport scale so that a logical unit is as long
// on both axes; the signs of the extents are kept.
void Player::fixIsotropic()
{
    if (m_dc.mapMode != gdi::MM_ISOTROPIC)
        return;
    const double xScale = std::abs(m_dc.viewportExt.width() / m_dc.windowExt.width());
    const double yScale = std::abs(m_dc.viewportExt.height() / m_dc.windowExt.height());
    if (xScale > yScale) {
        const double w = std::floor(m_dc.viewportExt.width() * yScale / xScale + 0.5);
        m_dc.viewportExt.setWidth(w != 0 ? w : std::copysign(1.0, m_dc.viewportExt.width()));
    } else {
        const double h = std::floor(m_dc.viewportExt.height() * xScale / yScale + 0.5);
        m_dc.viewportExt.setHeight(h != 0 ? h : std::copysign(1.0, m_dc.viewportExt.height()));
    }
}

QTransform Player::deviceTransform() const
{
    const double sx = m_dc.viewportExt.width() / m_dc.windowExt.width();
    const double sy = m_dc.viewportExt.height() / m_dc.windowExt.height();
    return QTransform(sx, 0, 0, sy, m_dc.viewportOrg.x() - m_dc.windowOrg.x() * sx,
                      m_dc.viewportOrg.y() - m_dc.windowOrg.y() * sy);
}

namespace {
// A device coordinate rounded to a whole pixel and pinned inside GDI's device space; a
// value that is not a number (from a degenerate mapping) goes to the origin.
double wholeDevicePixel(double value)
{
    if (std::isnan(value))
        return 0;
    return std::floor(qBound(-limits::maxDeviceCoordinate, value, limits::maxDeviceCoordinate) + 0.5);
}
} // namespace

QPointF Player::toDevice(QPointF logical) const
{
    const QPointF p = deviceTransform().map(logical);
    return QPointF(wholeDevicePixel(p.x()), wholeDevicePixel(p.y()));
}

QRectF Player::toDeviceRect(const QRectF &logical) const
{
    return QRectF(toDevice(logical.topLeft()), toDevice(logical.bottomRight())).normalized();
}

void Player::setBkColor(ByteReader &r)
{
    const ColorRef c = r.readU32();
    if (r.ok())
        m_dc.bkColor = c;
}

void Player::setTextColor(ByteReader &r)
{
    const ColorRef c = r.readU32();
    if (r.ok())
        m_dc.textColor = c;
}

void Player::setBkMode(ByteReader &r)
{
    const int mode = r.readU16();
    if (r.ok() && (mode == gdi::TRANSPARENT || mode == gdi::OPAQUE))
        m_dc.bkMode = mode;
}

void Player::setRop2(ByteReader &r)
{
    const int rop = r.readU16();
    if (r.ok() && rop >= gdi::R2_BLACK && rop <= gdi::R2_WHITE)
        m_dc.rop2 = rop;
}

void Player::setPolyFillMode(ByteReader &r)
{
    const int mode = r.readU16();
    if (r.ok() && (mode == gdi::ALTERNATE || mode == gdi::WINDING))
        m_dc.polyFillMode = mode;
}

void Player::setStretchBltMode(ByteReader &r)
{
    const int mode = r.readU16();
    if (r.ok())
        m_dc.stretchBltMode = mode;
}

void Player::setTextAlign(ByteReader &r)
{
    const quint16 align = r.readU16();
    if (r.ok())
        m_dc.textAlign = align;
}

QColor Player::color(ColorRef ref) const
{
    const int rop = m_dc.rop2;
    if (rop == gdi::R2_BLACK)
        return Qt::black;
    if (rop == gdi::R2_WHITE)
        return Qt::white;
    // GDI tests the palette-index bit alone, whatever else the high byte holds.
    if (ref & 0x01000000) {
        const int index = ref & 0xFFFF;
        const QList<QRgb> &entries = m_dc.palette.entries;
        if (!entries.isEmpty())
            return QColor(index < entries.size() ? entries[index] : entries[0]);
        return QColor(index < 20 ? defaultPalette[index] : defaultPalette[0]);
    }
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

// The 16 binary raster operations. Qt's raster operations match GDI's bit operations
// on opaque pixels; only the anti-aliased edge pixels, which GDI does not have, are
// blended by coverage. R2_BLACK and R2_WHITE draw in black and white (see color()), and
// R2_NOP draws nothing. Painters on devices without raster operations (printers, PDF)
// fall back to plain copying.
bool Player::prepareDrawing()
{
    ++m_drawings;
    static constexpr QPainter::CompositionMode modes[17] = {
        QPainter::CompositionMode_SourceOver,
        QPainter::CompositionMode_SourceOver, // R2_BLACK
        QPainter::RasterOp_NotSourceAndNotDestination, // R2_NOTMERGEPEN
        QPainter::RasterOp_NotSourceAndDestination, // R2_MASKNOTPEN
        QPainter::RasterOp_NotSource, // R2_NOTCOPYPEN
        QPainter::RasterOp_SourceAndNotDestination, // R2_MASKPENNOT
        QPainter::RasterOp_NotDestination, // R2_NOT
        QPainter::RasterOp_SourceXorDestination, // R2_XORPEN
        QPainter::RasterOp_NotSourceOrNotDestination, // R2_NOTMASKPEN
        QPainter::RasterOp_SourceAndDestination, // R2_MASKPEN
        QPainter::RasterOp_NotSourceXorDestination, // R2_NOTXORPEN
        QPainter::CompositionMode_SourceOver, // R2_NOP
        QPainter::RasterOp_NotSourceOrDestination, // R2_MERGENOTPEN
        QPainter::CompositionMode_SourceOver, // R2_COPYPEN
        QPainter::RasterOp_SourceOrNotDestination, // R2_MERGEPENNOT
        QPainter::RasterOp_SourceOrDestination, // R2_MERGEPEN
        QPainter::CompositionMode_SourceOver, // R2_WHITE
    };
    const bool rasterOps = m_painter.paintEngine() && m_painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
    const QPainter::CompositionMode mode = modes[qBound(0, m_dc.rop2, 16)];
    m_painter.setCompositionMode(rasterOps ? mode : QPainter::CompositionMode_SourceOver);
    if (!m_clipApplied) {
        if (m_outerClip)
            m_painter.setClipPath(*m_outerClip);
        else
            m_painter.setClipRect(QRectF(QPointF(0, 0), m_target.size()));
        if (m_dc.clip)
            m_painter.setClipRegion(*m_dc.clip, Qt::IntersectClip);
        m_clipApplied = true;
    }
    return m_dc.rop2 != gdi::R2_NOP;
}

void Player::setClip(std::optional<QRegion> clip)
{
    m_dc.clip = std::move(clip);
    m_clipApplied = false;
}

} // namespace wmf
