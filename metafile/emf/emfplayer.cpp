// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "emf/emfplayer.h"

#include "bitmap/dib.h"
#include "core/limits.h"
#include "core/recordwalk.h"
#include "emf/emfrecordtype.h"

namespace metafile::emf {

namespace {

// Where PlayEnhMetaFile puts the recording device's pixels: the frame (recording device
// pixels) scaled onto the target, whose top-left is the device's origin.
QTransform fitting(const core::MetafileData &data, const QRectF &target)
{
    const double sx = target.width() / data.frameExtent.width();
    const double sy = target.height() / data.frameExtent.height();
    return QTransform(sx, 0, 0, sy, -data.frameOrigin.x() * sx, -data.frameOrigin.y() * sy);
}

// The stock objects, by their index less 0x80000000.
constexpr quint32 stockBit = 0x80000000;
constexpr quint32 nullBrush = 5;
constexpr quint32 whitePen = 6;
constexpr quint32 nullPen = 8;
constexpr quint32 defaultPalette = 15;
constexpr quint32 dcPen = 19;

std::optional<gdi::Brush> stockBrush(quint32 stock)
{
    static constexpr gdi::ColorRef greys[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
    gdi::Brush brush;
    if (stock < 5)
        brush.color = greys[stock];
    else if (stock == nullBrush)
        brush.style = gdi::BS_NULL;
    else if (stock != 18) // DC_BRUSH: white unless SETDCBRUSHCOLOR, which EMF does not record
        return std::nullopt;
    return brush;
}

std::optional<gdi::Pen> stockPen(quint32 stock)
{
    gdi::Pen pen;
    if (stock == whitePen)
        pen.color = 0xFFFFFF;
    else if (stock == nullPen)
        pen.style = gdi::PS_NULL;
    else if (stock != whitePen + 1 && stock != dcPen) // BLACK_PEN, DC_PEN
        return std::nullopt;
    return pen;
}

// The stock fonts: the system's fonts at their usual sizes.
std::optional<text::LogFont> stockFont(quint32 stock)
{
    if (stock < 10 || stock > 17 || stock == defaultPalette)
        return std::nullopt;
    text::LogFont font;
    const bool fixed = stock == 10 || stock == 11 || stock == 16;
    font.height = stock == 17 ? -11 : 16;
    font.weight = stock == 13 || stock == 16 ? 700 : 400;
    font.pitchAndFamily = fixed ? 0x31 : 0x22;
    font.faceName = stock == 17 ? "MS Shell Dlg" : fixed ? "Courier" : "System";
    return font;
}

} // namespace

Player::Player(QPainter &painter, const core::MetafileData &data, const QRectF &target, core::DiagnosticsHook hook)
    : m_data(data)
    , m_report(std::move(hook))
    , m_device(painter, gdi::PlayTarget {target, data.frameOrigin, data.frameExtent, data.objectCount, false}, m_report)
{
    gdi::Mapping mapping;
    mapping.setDeviceDpi(data.referenceDpi);
    mapping.setDeviceTransform(fitting(data, target));
    m_device.context().mapping = mapping;
    // GDI plays an enhanced metafile in the advanced graphics mode, which its text records
    // may set otherwise for themselves.
    m_device.context().graphicsMode = gdi::GM_ADVANCED;
}

core::PlayResult Player::play()
{
    return playRecords(m_data, m_report, m_device.surface(),
                       [this](quint16 function, core::ByteReader &params) { dispatch(function, params); });
}

void Player::dispatch(quint16 type, core::ByteReader &r)
{
    using T = RecordType;
    gdi::GdiDevice &d = m_device;
    gdi::DeviceContext &dc = d.context();
    gdi::Mapping &map = dc.mapping;
    const auto ext = [](QPoint p) { return QSizeF(p.x(), p.y()); };
    switch (static_cast<RecordType>(type)) {
    case T::SaveDc: d.saveDc(); break;
    case T::RestoreDc: apply(decodeI32(r), [&](int level) { d.restoreDc(level); }); break;
    case T::SetMapMode: apply(decodeU32(r), [&](quint32 mode) { map.setMapMode(int(mode)); }); break;
    case T::SetWindowExtEx: apply(decodePoint(r), [&](QPoint p) { map.setWindowExtent(ext(p)); }); break;
    case T::SetWindowOrgEx: apply(decodePoint(r), [&](QPoint p) { map.setWindowOrigin(p); }); break;
    case T::SetViewportExtEx: apply(decodePoint(r), [&](QPoint p) { map.setViewportExtent(ext(p)); }); break;
    case T::SetViewportOrgEx: apply(decodePoint(r), [&](QPoint p) { map.setViewportOrigin(p); }); break;
    case T::ScaleViewportExtEx: apply(decodeExtentScale(r), [&](auto s) { map.scaleViewportExtent(s); }); break;
    case T::ScaleWindowExtEx: apply(decodeExtentScale(r), [&](auto s) { map.scaleWindowExtent(s); }); break;
    case T::SetWorldTransform: apply(decodeTransform(r), [&](const QTransform &t) { map.setWorldTransform(t); }); break;
    case T::ModifyWorldTransform: apply(decodeModifyTransform(r), [&](auto m) { modifyWorldTransform(m); }); break;
    case T::SetBkColor: apply(decodeU32(r), [&](gdi::ColorRef c) { dc.bkColor = c; }); break;
    case T::SetTextColor: apply(decodeU32(r), [&](gdi::ColorRef c) { dc.textColor = c; }); break;
    case T::SetBkMode: apply(decodeU32(r), [&](quint32 mode) { d.setBkMode(int(mode)); }); break;
    case T::SetRop2: apply(decodeU32(r), [&](quint32 rop2) { d.setRop2(int(rop2)); }); break;
    case T::SetPolyFillMode: apply(decodeU32(r), [&](quint32 mode) { d.setPolyFillMode(int(mode)); }); break;
    case T::SetStretchBltMode: apply(decodeU32(r), [&](quint32 mode) { dc.stretchBltMode = int(mode); }); break;
    case T::SetTextAlign: apply(decodeU32(r), [&](quint32 align) { dc.textAlign = quint16(align); }); break;
    case T::SetArcDirection: apply(decodeU32(r), [&](quint32 dir) { m_clockwise = dir == 2; }); break;
    case T::SetLayout: apply(decodeU32(r), [&](quint32 layout) { setLayout(layout); }); break;
    case T::SetTextJustification:
        apply(decodePoint(r), [&](QPoint j) {
            dc.breakExtra = j.x();
            dc.breakCount = j.y();
        });
        break;
    case T::SelectObject: apply(decodeU32(r), [&](quint32 index) { selectObject(index); }); break;
    case T::DeleteObject: apply(decodeU32(r), [&](quint32 index) { d.deleteObject(int(index)); }); break;
    case T::CreatePen: apply(decodePen(r), [&](auto pen) { d.createObjectAt(pen.index, pen.object); }); break;
    case T::ExtCreatePen: apply(decodeExtPen(r), [&](auto pen) { d.createObjectAt(pen.index, pen.object); }); break;
    case T::CreateBrushIndirect: apply(decodeBrush(r), [&](auto b) { d.createObjectAt(b.index, b.object); }); break;
    case T::CreateDibPatternBrushPt: apply(decodeDibBrush(r), [&](const auto &b) { createDibBrush(b, false); }); break;
    case T::CreateMonoBrush: apply(decodeDibBrush(r), [&](const auto &b) { createDibBrush(b, true); }); break;
    case T::ExtCreateFontIndirectW: apply(decodeFont(r), [&](auto f) { d.createObjectAt(f.index, f.object); }); break;
    case T::CreatePalette: apply(decodePalette(r), [&](auto p) { d.createObjectAt(p.index, p.object); }); break;
    case T::SelectPalette: apply(decodeU32(r), [&](quint32 index) { d.selectPalette(int(index)); }); break;
    case T::SetPaletteEntries:
        apply(decodePaletteEntries(r), [&](const auto &p) { d.setPaletteEntries(p.first, p.second); });
        break;
    case T::ResizePalette:
        apply(decodePoint(r), [&](QPoint p) { d.resizePalette(p.y()); }); // palette, count
        break;
    case T::ExtSelectClipRgn: apply(decodeClipRegion(r), [&](const auto &c) { selectClipRegion(c); }); break;
    case T::IntersectClipRect: apply(decodeBox(r), [&](const gdi::Box &box) { d.intersectClipRect(box); }); break;
    case T::ExcludeClipRect: apply(decodeBox(r), [&](const gdi::Box &box) { d.excludeClipRect(box); }); break;
    case T::OffsetClipRgn: apply(decodePoint(r), [&](QPoint p) { d.offsetClipRegion(p); }); break;
    case T::SetMetaRgn: m_metaRegion = dc.clip; break;
    case T::BeginPath: beginPath(); break;
    case T::EndPath: m_pathOpen = false; break;
    case T::CloseFigure:
        if (m_pathOpen) {
            m_path.closeSubpath();
            dc.position = m_figureStart;
        }
        break;
    case T::AbortPath:
        m_path = QPainterPath();
        m_pathOpen = m_pathReady = false;
        break;
    case T::FillPath: drawPath(true, false); break;
    case T::StrokeAndFillPath: drawPath(true, true); break;
    case T::StrokePath: drawPath(false, true); break;
    case T::FlattenPath: flattenPath(); break;
    case T::WidenPath: widenPath(); break;
    case T::SelectClipPath: apply(decodeU32(r), [&](quint32 mode) { selectClipPath(int(mode)); }); break;
    case T::ExtTextOutW:
    case T::ExtTextOutA:
        apply(decodeExtTextOut(r, type == quint16(T::ExtTextOutW)), [&](const gdi::TextRun &t) { text(t); });
        break;
    case T::SmallTextOut: apply(decodeSmallTextOut(r), [&](const gdi::TextRun &t) { text(t); }); break;
    case T::PolyTextOutW:
    case T::PolyTextOutA:
        apply(decodePolyTextOut(r, type == quint16(T::PolyTextOutW)), [&](const std::vector<gdi::TextRun> &runs) {
            for (const gdi::TextRun &run : runs)
                text(run);
        });
        break;
    // GDI refuses a limit under 1 and keeps the one before.
    case T::SetMiterLimit:
        apply(decodeU32(r), [&](quint32 limit) {
            if (limit >= 1)
                dc.miterLimit = qMin(double(limit), core::limits::maxMiterLimit);
        });
        break;
    // Nothing to draw: EMF+ and other comments, font mapper hints, colour management,
    // palette realisation on a true-colour device, brush origins (patterns start at the
    // picture's origin).
    case T::Header:
    case T::Eof:
    case T::GdiComment:
    case T::SetMapperFlags:
    case T::SetIcmMode:
    case T::SetColorAdjustment:
    case T::RealizePalette:
    case T::SetBrushOrgEx: break;
    default: dispatchDrawing(type, r); break;
    }
}

void Player::dispatchDrawing(quint16 type, core::ByteReader &r)
{
    using T = RecordType;
    gdi::GdiDevice &d = m_device;
    const bool small = type >= quint16(T::PolyBezier16) && type <= quint16(T::PolyDraw16);
    switch (static_cast<RecordType>(type)) {
    case T::Polyline:
    case T::Polyline16: apply(decodePoly(r, small), [&](const auto &p) { poly(p, PolyKind::Polyline); }); break;
    case T::Polygon:
    case T::Polygon16: apply(decodePoly(r, small), [&](const auto &p) { poly(p, PolyKind::Polygon); }); break;
    case T::PolyBezier:
    case T::PolyBezier16: apply(decodePoly(r, small), [&](const auto &p) { poly(p, PolyKind::PolyBezier); }); break;
    case T::PolylineTo:
    case T::PolylineTo16: apply(decodePoly(r, small), [&](const auto &p) { poly(p, PolyKind::PolylineTo); }); break;
    case T::PolyBezierTo:
    case T::PolyBezierTo16: apply(decodePoly(r, small), [&](const auto &p) { poly(p, PolyKind::PolyBezierTo); }); break;
    case T::PolyPolyline:
    case T::PolyPolyline16: apply(decodePolyPoly(r, small), [&](const auto &p) { polyPoly(p, false); }); break;
    case T::PolyPolygon:
    case T::PolyPolygon16: apply(decodePolyPoly(r, small), [&](const auto &p) { polyPoly(p, true); }); break;
    case T::PolyDraw:
    case T::PolyDraw16: apply(decodePolyDraw(r, small), [&](const PolyDraw &p) { polyDraw(p); }); break;
    case T::MoveToEx: apply(decodePoint(r), [&](QPoint p) { moveTo(p); }); break;
    case T::LineTo: apply(decodePoint(r), [&](QPoint p) { lineTo(p); }); break;
    case T::Rectangle: apply(decodeBox(r), [&](const gdi::Box &box) { rectangle(box); }); break;
    case T::Ellipse: apply(decodeBox(r), [&](const gdi::Box &box) { ellipse(box); }); break;
    case T::RoundRect: apply(decodeRoundRect(r), [&](const gdi::RoundRect &shape) { roundRect(shape); }); break;
    case T::Arc: apply(decodeArc(r), [&](const gdi::ArcBox &a) { arc(a, gdi::ArcKind::Arc); }); break;
    case T::Chord: apply(decodeArc(r), [&](const gdi::ArcBox &a) { arc(a, gdi::ArcKind::Chord); }); break;
    case T::Pie: apply(decodeArc(r), [&](const gdi::ArcBox &a) { arc(a, gdi::ArcKind::Pie); }); break;
    case T::ArcTo: apply(decodeArc(r), [&](const gdi::ArcBox &a) { arcTo(a); }); break;
    case T::AngleArc: apply(decodeAngleArc(r), [&](const AngleArc &a) { angleArc(a); }); break;
    case T::SetPixelV: apply(decodePixel(r), [&](const gdi::Pixel &p) { d.shapes().setPixel(p); }); break;
    case T::ExtFloodFill:
        apply(decodePixel(r), [&](const gdi::Pixel &p) {
            const std::optional<quint32> mode = decodeU32(r);
            d.shapes().floodFill(p.point, p.color, mode.value_or(0) == 1);
        });
        break;
    case T::FillRgn: apply(decodeRegionFill(r, true, false), [&](const auto &f) { fillRegion(f, type); }); break;
    case T::FrameRgn: apply(decodeRegionFill(r, true, true), [&](const auto &f) { fillRegion(f, type); }); break;
    case T::InvertRgn:
    case T::PaintRgn: apply(decodeRegionFill(r, false, false), [&](const auto &f) { fillRegion(f, type); }); break;
    default: dispatchBitmaps(type, r); break;
    }
}

void Player::dispatchBitmaps(quint16 type, core::ByteReader &r)
{
    using T = RecordType;
    switch (static_cast<RecordType>(type)) {
    case T::BitBlt: apply(decodeBitBlt(r, false), [&](const DibBlit &b) { blit(oriented(b)); }); break;
    case T::StretchBlt: apply(decodeBitBlt(r, true), [&](const DibBlit &b) { blit(oriented(b)); }); break;
    case T::StretchDiBits: apply(decodeStretchDiBits(r), [&](const DibBlit &b) { blit(b); }); break;
    case T::SetDiBitsToDevice:
        apply(decodeSetDiBitsToDevice(r), [&](const DibBlit &b) { setDiBitsToDevice(b); });
        break;
    case T::AlphaBlend: apply(decodeBlendBlt(r), [&](const DibBlit &b) { alphaBlend(oriented(b)); }); break;
    case T::TransparentBlt: apply(decodeBlendBlt(r), [&](const DibBlit &b) { transparentBlt(oriented(b)); }); break;
    case T::MaskBlt: apply(decodeMaskBlt(r), [&](const MaskBlit &b) { maskBlt(b); }); break;
    case T::PlgBlt: apply(decodePlgBlt(r), [&](const ParallelogramBlit &b) { plgBlt(b); }); break;
    case T::GradientFill: apply(decodeGradientFill(r), [&](const GradientFill &f) { gradientFill(f); }); break;
    default: break; // unknown records, and those not played yet, are skipped
    }
}

// --- state and objects -----------------------------------------------------------------

void Player::selectObject(quint32 index)
{
    gdi::DeviceContext &dc = m_device.context();
    if (!(index & stockBit)) {
        m_device.selectObject(int(qMin(index, quint32(core::limits::maxObjects))));
        return;
    }
    const quint32 stock = index & ~stockBit;
    if (const std::optional<gdi::Brush> brush = stockBrush(stock))
        dc.brush = *brush;
    else if (const std::optional<gdi::Pen> pen = stockPen(stock))
        dc.pen = *pen;
    else if (const std::optional<text::LogFont> font = stockFont(stock))
        dc.font = *font;
    else if (stock == defaultPalette)
        dc.palette = gdi::Palette();
}

// GDI's matrices act on row vectors, as Qt's do: "left" multiplication puts the new
// transform before the old one.
void Player::modifyWorldTransform(const ModifyTransform &modify)
{
    gdi::Mapping &mapping = m_device.context().mapping;
    const QTransform world = mapping.worldTransform();
    switch (modify.mode) {
    case 1: mapping.setWorldTransform(QTransform()); break;
    case 2: mapping.setWorldTransform(modify.transform * world); break;
    case 3: mapping.setWorldTransform(world * modify.transform); break;
    case 4: mapping.setWorldTransform(modify.transform); break;
    default: m_report.malformed("unknown world transform mode"); break;
    }
}

// The text painter takes the world transform as the run's graphics mode says: through the
// whole map in the advanced mode, only for the reference point in the compatible one.
void Player::text(const gdi::TextRun &run) { m_device.text().draw(run); }

// LAYOUT_RTL mirrors the whole device the picture is played on, as GDI mirrors the target
// DC: x becomes width - 1 - x in the target's pixels, so a box's right edge (exclusive)
// becomes the mirrored box's left edge. The mirror sits behind the fitting, in the device
// transform, so that everything drawn through the mapping follows it, clip regions in
// device pixels included; SAVEDC keeps it with the rest of the mapping. Text stays upright
// and bitmaps are mirrored unless the layout preserves them (see DeviceContext::layout).
void Player::setLayout(quint32 layout)
{
    gdi::DeviceContext &dc = m_device.context();
    const QRectF &target = m_device.target().rect;
    QTransform device = fitting(m_data, target);
    if (layout & gdi::LAYOUT_RTL)
        device *= QTransform(-1, 0, 0, 1, target.width() - 1, 0);
    dc.mapping.setDeviceTransform(device);
    dc.layout = layout;
}

// A pattern that does not decode leaves a hollow brush in the slot.
void Player::createDibBrush(const DibBrush &brush, bool mono)
{
    const bitmap::DecodedBitmap decoded = decodeDib(brush.dib, brush.usage, nullptr);
    gdi::Brush out;
    out.style = mono ? gdi::BS_PATTERN : gdi::BS_DIBPATTERNPT;
    if (decoded.image.isNull()) {
        out.style = gdi::BS_NULL;
        m_report.malformed("the brush's bitmap does not decode");
    } else {
        out.pattern = decoded.image.convertToFormat(QImage::Format_RGB32);
        // A monochrome brush takes the text and background colours, as on GDI.
        if (mono && decoded.monochrome)
            out.patternBits = decoded.bits;
    }
    m_device.createObjectAt(brush.index, std::move(out));
}

} // namespace metafile::emf
