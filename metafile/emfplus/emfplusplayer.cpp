// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "emfplus/emfplusplayer.h"

#include "emfplus/emfplusfacts.h"
#include "emfplus/emfplusobjects.h"
#include "emfplus/emfplusrecords.h"
#include "gdi/plusgeometry.h"

namespace metafile::emfplus {

namespace {

constexpr const char *undecodable =
    "the EMF+ record is shorter than its fields, a count runs past it, or a value cannot be drawn";
constexpr const char *badObject = "the EMF+ object is shorter than its fields, or a count or value in it is wrong";

using gdi::plus::ArcShape;

QPainterPath filledBy(QPainterPath path, bool winding)
{
    path.setFillRule(winding ? Qt::WindingFill : Qt::OddEvenFill);
    return path;
}

} // namespace

Player::Player(gdi::GdiDevice &device, core::PlayReport &report, RecordHook hook)
    : m_device(device)
    , m_report(report)
    , m_hook(std::move(hook))
{ }

bool Player::comment(QByteArrayView params)
{
    const CommentRecords walked = walkComment(params);
    if (!walked.emfPlus)
        return false;
    // EMF+ records end a GetDC section: GDI records after them are the GDI layer's again.
    m_device.plus().endGdiSection();
    const quint16 outer = m_report.function();
    for (const Record &r : walked.records) {
        record(r);
        if (m_report.stopped())
            break;
    }
    m_report.setFunction(outer); // a broken framing is the comment's fault
    if (walked.problem)
        fault(0, 0, walked.problem);
    return true;
}

void Player::finish()
{
    if (const char *problem = m_objects.unfinished())
        fault(quint16(RecordType::Object), 0, problem);
}

void Player::fault(quint16 type, quint16 flags, const char *problem)
{
    if (type != 0)
        m_report.setFunction(type);
    m_report.malformed(problem);
    if (m_hook)
        m_hook(type, flags, Outcome::Failed, problem);
}

void Player::record(const Record &record)
{
    m_report.setFunction(record.type);
    if (record.type == quint16(RecordType::Object)) {
        object(record.flags, record.data);
        return;
    }
    const Outcome outcome = dispatch(record);
    if (outcome == Outcome::Failed)
        fault(record.type, record.flags, undecodable);
    else if (m_hook)
        m_hook(record.type, record.flags, outcome, nullptr);
}

// Each record of an object is reported, the one that completes it as the object decoded.
void Player::object(quint16 flags, QByteArrayView data)
{
    const ObjectAssembler::Step step = m_objects.add(flags, data);
    if (step.problem)
        fault(quint16(RecordType::Object), flags, step.problem);
    if (!step.object) {
        if (!step.problem && m_hook)
            m_hook(quint16(RecordType::Object), flags, Outcome::Decoded, nullptr);
        return;
    }
    std::optional<Object> decoded = decodeObject(step.object->type, step.object->bytes);
    if (!decoded) {
        fault(quint16(RecordType::Object), flags, badObject);
        return;
    }
    m_device.plus().objects().set(step.object->index, std::move(*decoded));
    if (m_hook)
        m_hook(quint16(RecordType::Object), flags, Outcome::Decoded, nullptr);
}

// A flat dispatch switch, one line a record: the state records here, the drawing ones in
// dispatchDrawing().
Outcome Player::dispatch(const Record &record) // NOLINT(readability-function-size)
{
    using T = RecordType;
    core::ByteReader r(record.data);
    const quint16 f = record.flags;
    gdi::PlusState &state = m_device.plus();
    gdi::PlusContext &c = state.context();
    const auto change = [&](const TransformChange &t) { state.combineWorldTransform(t.transform, t.append); };
    if (isNeverDrawn(record.type))
        return Outcome::Ignored;
    switch (static_cast<RecordType>(record.type)) {
    case T::Header:
        return apply(decodeHeader(r, f), [&](const Header &h) { state.setResolution(QSizeF(h.dpiX, h.dpiY)); });
    case T::GetDc: state.beginGdiSection(); return Outcome::Decoded;
    case T::SetRenderingOrigin: return apply(decodeRenderingOrigin(r), [&](QPoint p) { c.renderingOrigin = p; });
    case T::SetAntiAliasMode: c.antiAlias = antiAliasMode(f).antiAlias; return Outcome::Decoded;
    case T::SetTextRenderingHint: c.textHint = propertyValue(f); return Outcome::Decoded;
    case T::SetInterpolationMode: c.interpolation = propertyValue(f); return Outcome::Decoded;
    case T::SetPixelOffsetMode: c.pixelOffset = propertyValue(f); return Outcome::Decoded;
    case T::SetCompositingMode: c.compositing = propertyValue(f); return Outcome::Decoded;
    case T::Save: return apply(decodeStackIndex(r), [&](StackIndex s) { state.save(s.index); });
    case T::Restore:
    case T::EndContainer: return apply(decodeStackIndex(r), [&](StackIndex s) { state.restore(s.index); });
    case T::BeginContainerNoParams:
        return apply(decodeStackIndex(r), [&](StackIndex s) { state.beginContainer(s.index); });
    case T::BeginContainer:
        return apply(decodeBeginContainer(r, f), [&](const BeginContainer &b) {
            state.beginContainer(b.index, b.destination, b.source, b.pageUnit);
        });
    case T::SetWorldTransform:
        return apply(decodeWorldTransform(r), [&](const QTransform &t) { state.setWorldTransform(t); });
    case T::ResetWorldTransform: state.setWorldTransform(QTransform()); return Outcome::Decoded;
    case T::MultiplyWorldTransform: return apply(decodeMultiplyTransform(r, f), change);
    case T::TranslateWorldTransform: return apply(decodeTranslateTransform(r, f), change);
    case T::ScaleWorldTransform: return apply(decodeScaleTransform(r, f), change);
    case T::RotateWorldTransform: return apply(decodeRotateTransform(r, f), change);
    case T::SetPageTransform:
        return apply(decodePageTransform(r, f), [&](PageTransform p) { state.setPageTransform(p.unit, p.scale); });
    case T::ResetClip: state.resetClip(); return Outcome::Decoded;
    case T::SetClipRect:
        return apply(decodeClipRect(r, f), [&](const ClipChange &x) { state.setClipRect(x.rect, x.combineMode); });
    case T::SetClipPath:
        return apply(decodeClipObject(f), [&](const ClipChange &x) { state.setClipPath(x.object, x.combineMode); });
    case T::SetClipRegion:
        return apply(decodeClipObject(f), [&](const ClipChange &x) { state.setClipRegion(x.object, x.combineMode); });
    case T::OffsetClip: return apply(decodeOffsetClip(r), [&](QPointF p) { state.offsetClip(p); });
    // Nothing the picture shows: the end, text contrast and compositing quality on a
    // true-colour canvas.
    case T::EndOfFile:
    case T::SetTextContrast:
    case T::SetCompositingQuality: return Outcome::Decoded;
    case T::Object: return Outcome::Ignored; // taken by the assembler
    default: return dispatchDrawing(record);
    }
}

Outcome Player::dispatchDrawing(const Record &record) // NOLINT(readability-function-size)
{
    using T = RecordType;
    namespace plus = gdi::plus;
    core::ByteReader r(record.data);
    const quint16 f = record.flags;
    gdi::PlusPainter &d = m_device.plusShapes();
    gdi::PlusTextPainter &text = m_device.plusText();
    const auto image = [&](const DrawImage &x) {
        m_device.plusImages().draw(x.image, x.sourceUnit, x.source, x.corners);
    };
    switch (static_cast<RecordType>(record.type)) {
    case T::Clear: return apply(decodeClear(r), [&](QRgb colour) { d.clear(colour); });
    case T::FillRects:
        return apply(decodeFillRects(r, f), [&](const FillRects &x) { d.fill(plus::rectsPath(x.rects), x.brush); });
    case T::DrawRects:
        return apply(decodeDrawRects(r, f), [&](const DrawRects &x) { d.stroke(plus::rectsPath(x.rects), x.pen); });
    case T::FillPolygon:
        return apply(decodeFillPolygon(r, f),
                     [&](const FillPolygon &x) { d.fill(plus::polygonPath(x.points, true), x.brush); });
    case T::DrawLines:
        return apply(decodeDrawLines(r, f),
                     [&](const DrawLines &x) { d.stroke(plus::polygonPath(x.points, x.closed), x.pen); });
    case T::FillEllipse:
        return apply(decodeFillEllipse(r, f),
                     [&](const FillEllipse &x) { d.fill(plus::ellipsePath(x.rect), x.brush); });
    case T::DrawEllipse:
        return apply(decodeDrawEllipse(r, f),
                     [&](const DrawEllipse &x) { d.stroke(plus::ellipsePath(x.rect), x.pen); });
    case T::FillPie:
        return apply(decodeArc(r, f, true), [&](const Arc &x) {
            d.fill(plus::arcPath(x.rect, x.startAngle, x.sweepAngle, ArcShape::Pie), x.brush);
        });
    case T::DrawPie:
        return apply(decodeArc(r, f, false), [&](const Arc &x) {
            d.stroke(plus::arcPath(x.rect, x.startAngle, x.sweepAngle, ArcShape::Pie), x.pen);
        });
    case T::DrawArc:
        return apply(decodeArc(r, f, false), [&](const Arc &x) {
            d.stroke(plus::arcPath(x.rect, x.startAngle, x.sweepAngle, ArcShape::Arc), x.pen);
        });
    case T::FillRegion:
        return apply(decodeFillRegion(r, f), [&](const FillRegion &x) { d.fillRegion(x.region, x.brush); });
    case T::FillPath: return apply(decodeFillPath(r, f), [&](const FillPath &x) { d.fillPath(x.path, x.brush); });
    case T::DrawPath: return apply(decodeDrawPath(r, f), [&](const DrawPath &x) { d.drawPath(x.path, x.pen); });
    case T::FillClosedCurve:
        return apply(decodeFillClosedCurve(r, f), [&](const Curve &x) {
            d.fill(filledBy(plus::curvePath(x.points, x.tension, true), x.winding), x.brush);
        });
    case T::DrawClosedCurve:
        return apply(decodeDrawClosedCurve(r, f),
                     [&](const Curve &x) { d.stroke(plus::curvePath(x.points, x.tension, true), x.pen); });
    case T::DrawCurve:
        return apply(decodeDrawCurve(r, f), [&](const Curve &x) {
            d.stroke(plus::curvePath(x.points, x.tension, false, x.offset, x.segments), x.pen);
        });
    case T::DrawBeziers:
        return apply(decodeDrawBeziers(r, f),
                     [&](const DrawBeziers &x) { d.stroke(plus::bezierPath(x.points), x.pen); });
    case T::DrawImage: return apply(decodeDrawImage(r, f), image);
    case T::DrawImagePoints: return apply(decodeDrawImagePoints(r, f), image);
    case T::DrawString:
        return apply(decodeDrawString(r, f),
                     [&](const DrawString &x) { text.drawString(x.font, x.brush, x.format, x.layout, x.text); });
    case T::DrawDriverString:
        return apply(decodeDrawDriverString(r, f), [&](const DrawDriverString &x) {
            text.drawDriverString(x.font, x.brush, gdi::DriverGlyphs {x.options, x.glyphs, x.positions, x.transform});
        });
    default: return Outcome::Ignored; // a type GDI+ does not define
    }
}

} // namespace metafile::emfplus
