// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "emf/emfplayer.h"

#include "core/limits.h"
#include "core/recordwalk.h"
#include "emf/emffacts.h"
#include "emf/emfrecordtype.h"

namespace metafile::emf {

namespace {

gdi::PlayTarget playTarget(const core::MetafileData &data, const QRectF &target, const gdi::Patches &patches)
{
    gdi::PlayTarget play {target, data.frameOrigin, data.frameExtent, data.objectCount};
    play.enhanced = true;
    play.referenceDpi = data.referenceDpi;
    play.patches = patches;
    return play;
}

// CREATEDIBPATTERNBRUSHPT, and CREATEMONOBRUSH, whose monochrome pattern takes the text and
// background colours as a BS_PATTERN brush does.
void dibBrush(gdi::GdiDevice &device, const DibBrush &brush, bool mono)
{
    const quint16 style = mono ? gdi::BS_PATTERN : gdi::BS_DIBPATTERNPT;
    device.createPatternBrush(gdi::PatternBitmap {style, brush.dib, true, brush.usage}, brush.index);
}

} // namespace

Player::Player(QPainter &painter, const core::MetafileData &data, const QRectF &target, core::DiagnosticsHook hook,
               const gdi::Patches &patches, core::PlaySettings settings)
    : m_data(data)
    , m_report(std::move(hook))
    , m_ownBudget(m_report)
    , m_budget(settings.sharedBudget ? *settings.sharedBudget : m_ownBudget)
    , m_device(painter, playTarget(data, target, patches), m_report, m_budget, std::move(settings.nested))
    , m_plus(m_device, m_report)
    , m_drawsPlus(drawsEmfPlus(emfPlusContent(data), settings.emfPlus))
{ }

// Drawn from EMF+, the EMF records play only inside a GetDC section; the comments that
// carry EMF+ and the records that frame the file always.
core::PlayResult Player::play()
{
    const core::PlayResult result =
        playRecords(m_data, m_report, m_budget, [this](quint16 function, core::ByteReader &params) {
            const bool frame = function == quint16(RecordType::GdiComment) || function == quint16(RecordType::Header)
                            || function == quint16(RecordType::Eof);
            if (!m_drawsPlus || frame || m_device.plus().inGdiSection())
                dispatch(function, params);
        });
    if (m_drawsPlus)
        m_plus.finish();
    return m_report.result() == core::PlayResult::Ok ? result : m_report.result();
}

// A flat dispatch switch, one line a record.
void Player::dispatch(quint16 type, core::ByteReader &r) // NOLINT(readability-function-size)
{
    using T = RecordType;
    gdi::GdiDevice &d = m_device;
    gdi::DeviceContext &dc = d.context();
    gdi::Mapping &map = dc.mapping;
    gdi::Clipping &clip = d.clipping();
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
    case T::ModifyWorldTransform:
        apply(decodeModifyTransform(r), [&](const ModifyTransform &m) {
            if (!map.modifyWorldTransform(m.transform, m.mode))
                m_report.malformed("unknown world transform mode");
        });
        break;
    case T::SetBkColor: apply(decodeU32(r), [&](gdi::ColorRef c) { dc.bkColor = c; }); break;
    case T::SetTextColor: apply(decodeU32(r), [&](gdi::ColorRef c) { dc.textColor = c; }); break;
    case T::SetBkMode: apply(decodeU32(r), [&](quint32 mode) { dc.setBkMode(int(mode)); }); break;
    case T::SetRop2: apply(decodeU32(r), [&](quint32 rop2) { dc.setRop2(int(rop2)); }); break;
    case T::SetPolyFillMode: apply(decodeU32(r), [&](quint32 mode) { dc.setPolyFillMode(int(mode)); }); break;
    case T::SetStretchBltMode: apply(decodeU32(r), [&](quint32 mode) { dc.stretchBltMode = int(mode); }); break;
    case T::SetTextAlign: apply(decodeU32(r), [&](quint32 align) { dc.textAlign = quint16(align); }); break;
    case T::SetArcDirection: apply(decodeU32(r), [&](quint32 dir) { dc.setArcDirection(int(dir)); }); break;
    case T::SetLayout: apply(decodeU32(r), [&](quint32 layout) { d.setLayout(layout); }); break;
    case T::SetTextJustification:
        apply(decodePoint(r), [&](QPoint j) {
            dc.breakExtra = j.x();
            dc.breakCount = j.y();
        });
        break;
    case T::SelectObject: apply(decodeU32(r), [&](quint32 index) { d.selectObjectOrStock(index); }); break;
    case T::DeleteObject: apply(decodeU32(r), [&](quint32 index) { d.deleteObject(int(index)); }); break;
    case T::CreatePen: apply(decodePen(r), [&](auto pen) { d.createObject(pen.object, pen.index); }); break;
    case T::ExtCreatePen: apply(decodeExtPen(r), [&](auto pen) { d.createObject(pen.object, pen.index); }); break;
    case T::CreateBrushIndirect: apply(decodeBrush(r), [&](auto b) { d.createObject(b.object, b.index); }); break;
    case T::CreateDibPatternBrushPt: apply(decodeDibBrush(r), [&](const auto &b) { dibBrush(d, b, false); }); break;
    case T::CreateMonoBrush: apply(decodeDibBrush(r), [&](const auto &b) { dibBrush(d, b, true); }); break;
    case T::ExtCreateFontIndirectW: apply(decodeFont(r), [&](auto f) { d.createObject(f.object, f.index); }); break;
    case T::CreatePalette: apply(decodePalette(r), [&](auto p) { d.createObject(p.object, p.index); }); break;
    case T::SelectPalette: apply(decodeU32(r), [&](quint32 index) { d.selectPalette(int(index)); }); break;
    case T::SetPaletteEntries:
        apply(decodePaletteEntries(r), [&](const gdi::PaletteEntries &p) { d.setPaletteEntries(p); });
        break;
    case T::ResizePalette:
        apply(decodePoint(r), [&](QPoint p) { d.resizePalette(p.y()); }); // palette, count
        break;
    case T::ExtSelectClipRgn:
        apply(decodeClipRegion(r), [&](const auto &c) { clip.combineRecorded(c.rects, c.mode); });
        break;
    case T::IntersectClipRect: apply(decodeBox(r), [&](const gdi::Box &box) { clip.intersectRect(box); }); break;
    case T::ExcludeClipRect: apply(decodeBox(r), [&](const gdi::Box &box) { clip.excludeRect(box); }); break;
    case T::OffsetClipRgn: apply(decodePoint(r), [&](QPoint p) { clip.offset(p); }); break;
    case T::SetMetaRgn: clip.setMetaRegion(); break;
    case T::BeginPath: d.paths().beginPath(); break;
    case T::EndPath: d.paths().endPath(); break;
    case T::CloseFigure: d.paths().closeFigure(); break;
    case T::AbortPath: d.paths().abortPath(); break;
    case T::FillPath: d.paths().drawPath(true, false); break;
    case T::StrokeAndFillPath: d.paths().drawPath(true, true); break;
    case T::StrokePath: d.paths().drawPath(false, true); break;
    case T::FlattenPath: d.paths().flattenPath(); break;
    case T::WidenPath: d.paths().widenPath(); break;
    case T::SelectClipPath: apply(decodeU32(r), [&](quint32 mode) { clip.selectPath(int(mode)); }); break;
    case T::ExtTextOutW:
    case T::ExtTextOutA:
        apply(decodeExtTextOut(r, type == quint16(T::ExtTextOutW)), [&](const gdi::TextRun &t) { d.text().draw(t); });
        break;
    case T::SmallTextOut: apply(decodeSmallTextOut(r), [&](const gdi::TextRun &t) { d.text().draw(t); }); break;
    case T::PolyTextOutW:
    case T::PolyTextOutA:
        apply(decodePolyTextOut(r, type == quint16(T::PolyTextOutW)), [&](const std::vector<gdi::TextRun> &runs) {
            for (const gdi::TextRun &run : runs)
                d.text().draw(run);
        });
        break;
    case T::GdiComment:
        if (m_drawsPlus)
            m_plus.comment(r.rest());
        break;
    // GDI refuses a limit under 1 and keeps the one before.
    case T::SetMiterLimit:
        apply(decodeU32(r), [&](quint32 limit) {
            if (limit >= 1)
                dc.miterLimit = qMin(double(limit), core::limits::maxMiterLimit);
        });
        break;
    // Nothing to draw: font mapper hints, colour management, palette realisation on a
    // true-colour device, brush origins (patterns start at the picture's origin).
    case T::Header:
    case T::Eof:
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
    using gdi::PolyKind;
    gdi::LinePainter &lines = m_device.lines();
    gdi::ShapePainter &shapes = m_device.shapes();
    const auto region = [this](gdi::RegionDraw draw, const RegionFill &f) {
        m_device.regions().drawRecorded(draw, f.rects, f.brush, f.frame);
    };
    const bool small = type >= quint16(T::PolyBezier16) && type <= quint16(T::PolyDraw16);
    switch (static_cast<RecordType>(type)) {
    case T::Polyline:
    case T::Polyline16: apply(decodePoly(r, small), [&](const auto &p) { lines.poly(p, PolyKind::Polyline); }); break;
    case T::Polygon:
    case T::Polygon16: apply(decodePoly(r, small), [&](const auto &p) { lines.poly(p, PolyKind::Polygon); }); break;
    case T::PolyBezier:
    case T::PolyBezier16:
        apply(decodePoly(r, small), [&](const auto &p) { lines.poly(p, PolyKind::PolyBezier); });
        break;
    case T::PolylineTo:
    case T::PolylineTo16:
        apply(decodePoly(r, small), [&](const auto &p) { lines.poly(p, PolyKind::PolylineTo); });
        break;
    case T::PolyBezierTo:
    case T::PolyBezierTo16:
        apply(decodePoly(r, small), [&](const auto &p) { lines.poly(p, PolyKind::PolyBezierTo); });
        break;
    case T::PolyPolyline:
    case T::PolyPolyline16: apply(decodePolyPoly(r, small), [&](const auto &p) { lines.polyPoly(p, false); }); break;
    case T::PolyPolygon:
    case T::PolyPolygon16: apply(decodePolyPoly(r, small), [&](const auto &p) { lines.polyPoly(p, true); }); break;
    case T::PolyDraw:
    case T::PolyDraw16: apply(decodePolyDraw(r, small), [&](const gdi::PolyDraw &p) { lines.polyDraw(p); }); break;
    case T::MoveToEx: apply(decodePoint(r), [&](QPoint p) { lines.moveTo(p); }); break;
    case T::LineTo: apply(decodePoint(r), [&](QPoint p) { lines.lineTo(p); }); break;
    case T::Rectangle: apply(decodeBox(r), [&](const gdi::Box &box) { shapes.rectangle(box); }); break;
    case T::Ellipse: apply(decodeBox(r), [&](const gdi::Box &box) { shapes.ellipse(box); }); break;
    case T::RoundRect: apply(decodeRoundRect(r), [&](const gdi::RoundRect &shape) { shapes.roundRect(shape); }); break;
    case T::Arc: apply(decodeArc(r), [&](const gdi::ArcBox &a) { shapes.arc(a, gdi::ArcKind::Arc); }); break;
    case T::Chord: apply(decodeArc(r), [&](const gdi::ArcBox &a) { shapes.arc(a, gdi::ArcKind::Chord); }); break;
    case T::Pie: apply(decodeArc(r), [&](const gdi::ArcBox &a) { shapes.arc(a, gdi::ArcKind::Pie); }); break;
    case T::ArcTo: apply(decodeArc(r), [&](const gdi::ArcBox &a) { shapes.arcTo(a); }); break;
    case T::AngleArc: apply(decodeAngleArc(r), [&](const gdi::AngleArc &a) { shapes.angleArc(a); }); break;
    case T::SetPixelV: apply(decodePixel(r), [&](const gdi::Pixel &p) { shapes.setPixel(p); }); break;
    case T::ExtFloodFill:
        apply(decodePixel(r), [&](const gdi::Pixel &p) {
            const std::optional<quint32> mode = decodeU32(r);
            shapes.floodFill(p.point, p.color, mode.value_or(0) == 1);
        });
        break;
    case T::FillRgn:
        apply(decodeRegionFill(r, true, false), [&](const auto &f) { region(gdi::RegionDraw::Fill, f); });
        break;
    case T::FrameRgn:
        apply(decodeRegionFill(r, true, true), [&](const auto &f) { region(gdi::RegionDraw::Frame, f); });
        break;
    case T::InvertRgn:
        apply(decodeRegionFill(r, false, false), [&](const auto &f) { region(gdi::RegionDraw::Invert, f); });
        break;
    case T::PaintRgn:
        apply(decodeRegionFill(r, false, false), [&](const auto &f) { region(gdi::RegionDraw::Paint, f); });
        break;
    default: dispatchBitmaps(type, r); break;
    }
}

void Player::dispatchBitmaps(quint16 type, core::ByteReader &r)
{
    using T = RecordType;
    gdi::BitmapPainter &bitmaps = m_device.bitmaps();
    switch (static_cast<RecordType>(type)) {
    case T::BitBlt: apply(decodeBitBlt(r, false), [&](const DibBlit &b) { bitmaps.blit(b.bound()); }); break;
    case T::StretchBlt: apply(decodeBitBlt(r, true), [&](const DibBlit &b) { bitmaps.blit(b.bound()); }); break;
    case T::StretchDiBits: apply(decodeStretchDiBits(r), [&](const DibBlit &b) { bitmaps.blit(b.bound()); }); break;
    case T::SetDiBitsToDevice:
        apply(decodeSetDiBitsToDevice(r), [&](const DibBlit &b) {
            bitmaps.setDibToDevice(gdi::DibToDevice {b.bound(), b.startScan, b.scanCount});
        });
        break;
    case T::AlphaBlend:
        apply(decodeBlendBlt(r), [&](const DibBlit &b) { bitmaps.alphaBlend(b.bound(), b.blend); });
        break;
    case T::TransparentBlt:
        apply(decodeBlendBlt(r), [&](const DibBlit &b) { bitmaps.transparentBlt(b.bound(), b.blend); });
        break;
    case T::MaskBlt:
        apply(decodeMaskBlt(r), [&](const MaskBlit &b) { bitmaps.maskBlt(b.source.bound(), b.mask.view()); });
        break;
    case T::PlgBlt:
        apply(decodePlgBlt(r),
              [&](const ParallelogramBlit &b) { bitmaps.plgBlt(b.source.bound(), b.corners, b.mask.view()); });
        break;
    case T::GradientFill:
        apply(decodeGradientFill(r), [&](const gdi::GradientFill &f) { m_device.gradients().fill(f); });
        break;
    default: break; // unknown records, and those not played yet, are skipped
    }
}

} // namespace metafile::emf
