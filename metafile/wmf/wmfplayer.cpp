// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "wmf/wmfplayer.h"

#include "core/recordwalk.h"
#include "wmf/wmfrecordtype.h"

namespace metafile::wmf {

namespace {

gdi::PatternBitmap patternBitmap(const PatternBrush &brush)
{
    return gdi::PatternBitmap {brush.isDib ? gdi::BS_DIBPATTERNPT : gdi::BS_PATTERN, brush.bitmap, brush.isDib,
                               brush.usage};
}

} // namespace

Player::Player(QPainter &painter, const core::MetafileData &data, const QRectF &target, bool scanMode,
               core::DiagnosticsHook hook, const gdi::Patches &patches, core::WorkBudget *sharedBudget)
    : m_data(data)
    , m_report(std::move(hook))
    , m_ownBudget(m_report)
    , m_budget(sharedBudget ? *sharedBudget : m_ownBudget)
    , m_device(painter,
               gdi::PlayTarget {target, data.frameOrigin, data.frameExtent, data.objectCount, scanMode, false,
                                QSizeF(96, 96), patches},
               m_report, m_budget)
{ }

core::PlayResult Player::play()
{
    return playRecords(m_data, m_report, m_budget,
                       [this](quint16 function, core::ByteReader &params) { dispatch(function, params); });
}

// A region record too short even for its header still takes its slot (with an empty
// region), as on GDI, so that the indices of later objects stay right.
void Player::createRegion(core::ByteReader &r)
{
    DecodedRegion region = decodeRegion(r);
    if (!region.complete)
        m_report.malformed("the region's scans break off");
    m_device.createRegion(std::move(region.rects));
}

// A flat dispatch switch, one line a record.
void Player::dispatch(quint16 function, core::ByteReader &r) // NOLINT(readability-function-size)
{
    using T = RecordType;
    gdi::GdiDevice &d = m_device;
    gdi::DeviceContext &dc = m_device.context();
    gdi::Mapping &map = dc.mapping;
    gdi::LinePainter &lines = d.lines();
    gdi::ShapePainter &shapes = d.shapes();
    gdi::Clipping &clip = d.clipping();
    const auto ext = [](QPoint p) { return QSizeF(p.x(), p.y()); };
    switch (static_cast<RecordType>(function)) {
    case T::SaveDc: d.saveDc(); break;
    case T::RestoreDc: apply(decodeI16(r), [&](int level) { d.restoreDc(level); }); break;
    case T::SetMapMode: apply(decodeU16(r), [&](int mode) { map.setMapMode(mode); }); break;
    case T::SetWindowOrg: apply(decodePoint(r), [&](QPoint p) { map.setWindowOrigin(p); }); break;
    case T::SetWindowExt: apply(decodePoint(r), [&](QPoint p) { map.setWindowExtent(ext(p)); }); break;
    case T::SetViewportOrg: apply(decodePoint(r), [&](QPoint p) { map.setViewportOrigin(p); }); break;
    case T::SetViewportExt: apply(decodePoint(r), [&](QPoint p) { map.setViewportExtent(ext(p)); }); break;
    case T::OffsetWindowOrg: apply(decodePoint(r), [&](QPoint p) { map.offsetWindowOrigin(p); }); break;
    case T::OffsetViewportOrg: apply(decodePoint(r), [&](QPoint p) { map.offsetViewportOrigin(p); }); break;
    case T::ScaleWindowExt: apply(decodeExtentScale(r), [&](auto s) { map.scaleWindowExtent(s); }); break;
    case T::ScaleViewportExt: apply(decodeExtentScale(r), [&](auto s) { map.scaleViewportExtent(s); }); break;
    case T::SetBkColor: apply(decodeU32(r), [&](gdi::ColorRef c) { dc.bkColor = c; }); break;
    case T::SetTextColor: apply(decodeU32(r), [&](gdi::ColorRef c) { dc.textColor = c; }); break;
    case T::SetBkMode: apply(decodeU16(r), [&](int mode) { dc.setBkMode(mode); }); break;
    case T::SetRop2: apply(decodeU16(r), [&](int rop2) { dc.setRop2(rop2); }); break;
    case T::SetPolyFillMode: apply(decodeU16(r), [&](int mode) { dc.setPolyFillMode(mode); }); break;
    case T::SetStretchBltMode: apply(decodeU16(r), [&](int mode) { dc.stretchBltMode = mode; }); break;
    case T::SetTextAlign: apply(decodeU16(r), [&](int align) { dc.textAlign = quint16(align); }); break;
    case T::SetTextCharExtra: apply(decodeI16(r), [&](int extra) { dc.textCharExtra = extra; }); break;
    case T::SetTextJustification:
        apply(decodeTextJustification(r), [&](const gdi::Justification &j) {
            dc.breakExtra = j.extra;
            dc.breakCount = j.count;
        });
        break;
    case T::CreatePenIndirect: apply(decodePen(r), [&](const gdi::Pen &pen) { d.createObject(pen); }); break;
    case T::CreateBrushIndirect: apply(decodeBrush(r), [&](const gdi::Brush &brush) { d.createObject(brush); }); break;
    case T::CreatePatternBrush:
        apply(decodePatternBrush(r), [&](const PatternBrush &b) { d.createPatternBrush(patternBitmap(b)); });
        break;
    case T::DibCreatePatternBrush:
        apply(decodeDibPatternBrush(r), [&](const PatternBrush &b) { d.createPatternBrush(patternBitmap(b)); });
        break;
    case T::CreateFontIndirect: apply(decodeFont(r), [&](const text::LogFont &font) { d.createObject(font); }); break;
    case T::CreatePalette:
        apply(decodePalette(r), [&](const gdi::Palette &palette) { d.createObject(palette); });
        break;
    case T::CreateRegion: createRegion(r); break;
    case T::SelectObject: apply(decodeU16(r), [&](int index) { d.selectObject(index); }); break;
    case T::DeleteObject: apply(decodeU16(r), [&](int index) { d.deleteObject(index); }); break;
    case T::SelectPalette: apply(decodeU16(r), [&](int index) { d.selectPalette(index); }); break;
    case T::SetPalEntries:
    case T::AnimatePalette:
        apply(decodePaletteEntries(r), [&](const gdi::PaletteEntries &p) { d.setPaletteEntries(p); });
        break;
    case T::ResizePalette: apply(decodeU16(r), [&](int count) { d.resizePalette(count); }); break;
    case T::MoveTo: apply(decodePoint(r), [&](QPoint p) { lines.moveTo(p); }); break;
    case T::LineTo: apply(decodePoint(r), [&](QPoint p) { lines.lineTo(p); }); break;
    case T::Polyline:
        apply(decodePolyline(r), [&](const auto &points) { lines.poly(points, gdi::PolyKind::Polyline); });
        break;
    case T::Polygon:
        apply(decodePolyline(r), [&](const auto &points) { lines.poly(points, gdi::PolyKind::Polygon); });
        break;
    case T::PolyPolygon: apply(decodePolyPolygon(r), [&](const auto &p) { lines.polyPoly(p, true); }); break;
    case T::Rectangle: apply(decodeBox(r), [&](const gdi::Box &box) { shapes.rectangle(box); }); break;
    case T::RoundRect: apply(decodeRoundRect(r), [&](const auto &shape) { shapes.roundRect(shape); }); break;
    case T::Ellipse: apply(decodeBox(r), [&](const gdi::Box &box) { shapes.ellipse(box); }); break;
    case T::Arc: apply(decodeArc(r), [&](const gdi::ArcBox &arc) { shapes.arc(arc, gdi::ArcKind::Arc); }); break;
    case T::Pie: apply(decodeArc(r), [&](const gdi::ArcBox &arc) { shapes.arc(arc, gdi::ArcKind::Pie); }); break;
    case T::Chord: apply(decodeArc(r), [&](const gdi::ArcBox &arc) { shapes.arc(arc, gdi::ArcKind::Chord); }); break;
    case T::SetPixel: apply(decodeSetPixel(r), [&](const gdi::Pixel &pixel) { shapes.setPixel(pixel); }); break;
    case T::FloodFill:
    case T::ExtFloodFill:
        apply(decodeFloodFill(r, function == quint16(T::ExtFloodFill)),
              [&](const FloodFill &f) { shapes.floodFill(f.point, f.color, f.surface); });
        break;
    case T::SelectClipRegion: apply(decodeU16(r), [&](int index) { clip.selectRegion(index); }); break;
    case T::IntersectClipRect: apply(decodeBox(r), [&](const gdi::Box &box) { clip.intersectRect(box); }); break;
    case T::ExcludeClipRect: apply(decodeBox(r), [&](const gdi::Box &box) { clip.excludeRect(box); }); break;
    case T::OffsetClipRgn: apply(decodePoint(r), [&](QPoint p) { clip.offset(p); }); break;
    case T::FillRegion:
        apply(decodeFillRegion(r), [&](const RegionFill &f) { d.regions().fillRegion(f.region, f.brush); });
        break;
    case T::FrameRegion:
        apply(decodeFrameRegion(r), [&](const RegionFill &f) { d.regions().frameRegion(f.region, f.brush, f.frame); });
        break;
    case T::InvertRegion: apply(decodeU16(r), [&](int index) { d.regions().invertRegion(index); }); break;
    case T::PaintRegion: apply(decodeU16(r), [&](int index) { d.regions().paintRegion(index); }); break;
    case T::TextOut: apply(decodeTextOut(r), [&](const gdi::TextRun &text) { d.text().draw(text); }); break;
    case T::ExtTextOut: apply(decodeExtTextOut(r), [&](const gdi::TextRun &text) { d.text().draw(text); }); break;
    case T::PatBlt: apply(decodePatBlt(r), [&](const gdi::Blit &blit) { d.bitmaps().blit(blit); }); break;
    case T::BitBlt:
    case T::StretchBlt:
    case T::DibBitBlt:
    case T::DibStretchBlt: {
        const bool stretch = function == quint16(T::StretchBlt) || function == quint16(T::DibStretchBlt);
        const bool dib = function == quint16(T::DibBitBlt) || function == quint16(T::DibStretchBlt);
        apply(decodeBlit(r, stretch, dib ? gdi::BitmapKind::Dib : gdi::BitmapKind::Bitmap16),
              [&](const gdi::Blit &blit) { d.bitmaps().blit(blit); });
        break;
    }
    case T::StretchDib: apply(decodeStretchDib(r), [&](const gdi::Blit &blit) { d.bitmaps().blit(blit); }); break;
    case T::SetDibToDev: apply(decodeSetDibToDev(r), [&](const auto &c) { d.bitmaps().setDibToDevice(c); }); break;
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

} // namespace metafile::wmf
