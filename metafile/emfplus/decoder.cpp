// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "emfplus/decoder.h"

#include "emfplus/emfplusobjects.h"
#include "emfplus/emfplusrecords.h"

namespace metafile::emfplus {

namespace {

constexpr const char *undecodable =
    "the EMF+ record is shorter than its fields, a count runs past it, or a value cannot be drawn";

template<typename T>
Outcome outcomeOf(const std::optional<T> &decoded)
{
    return decoded ? Outcome::Decoded : Outcome::Failed;
}

} // namespace

void Decoder::comment(QByteArrayView params)
{
    const CommentRecords walked = walkComment(params);
    for (const Record &r : walked.records)
        record(r);
    if (walked.problem)
        report(0, 0, Outcome::Failed, walked.problem);
}

void Decoder::finish()
{
    if (const char *problem = m_objects.unfinished())
        report(quint16(RecordType::Object), 0, Outcome::Failed, problem);
}

void Decoder::record(const Record &record)
{
    if (record.type == quint16(RecordType::Object)) {
        object(record.flags, record.data);
        return;
    }
    const Outcome outcome = decode(record);
    report(record.type, record.flags, outcome, outcome == Outcome::Failed ? undecodable : nullptr);
}

// Each record of an object is reported, the one that completes it as the object decoded.
void Decoder::object(quint16 flags, QByteArrayView data)
{
    const ObjectAssembler::Step step = m_objects.add(flags, data);
    if (step.problem)
        report(quint16(RecordType::Object), flags, Outcome::Failed, step.problem);
    if (step.object) {
        const bool decoded = decodeObject(step.object->type, step.object->bytes).has_value();
        report(quint16(RecordType::Object), flags, decoded ? Outcome::Decoded : Outcome::Failed,
               decoded ? nullptr : "the EMF+ object is shorter than its fields, or a count or value in it is wrong");
    } else if (!step.problem) {
        report(quint16(RecordType::Object), flags, Outcome::Decoded);
    }
}

// A flat dispatch: each record type to its decoder.
Outcome Decoder::decode(const Record &record)
{
    using T = RecordType;
    core::ByteReader r(record.data);
    const quint16 f = record.flags;
    switch (static_cast<RecordType>(record.type)) {
    case T::Header: return outcomeOf(decodeHeader(r, f));
    case T::Clear: return outcomeOf(decodeClear(r));
    case T::FillRects: return outcomeOf(decodeFillRects(r, f));
    case T::DrawRects: return outcomeOf(decodeDrawRects(r, f));
    case T::FillPolygon: return outcomeOf(decodeFillPolygon(r, f));
    case T::DrawLines: return outcomeOf(decodeDrawLines(r, f));
    case T::FillEllipse: return outcomeOf(decodeFillEllipse(r, f));
    case T::DrawEllipse: return outcomeOf(decodeDrawEllipse(r, f));
    case T::FillPie: return outcomeOf(decodeArc(r, f, true));
    case T::DrawPie:
    case T::DrawArc: return outcomeOf(decodeArc(r, f, false));
    case T::FillRegion: return outcomeOf(decodeFillRegion(r, f));
    case T::FillPath: return outcomeOf(decodeFillPath(r, f));
    case T::DrawPath: return outcomeOf(decodeDrawPath(r, f));
    case T::FillClosedCurve: return outcomeOf(decodeFillClosedCurve(r, f));
    case T::DrawClosedCurve: return outcomeOf(decodeDrawClosedCurve(r, f));
    case T::DrawCurve: return outcomeOf(decodeDrawCurve(r, f));
    case T::DrawBeziers: return outcomeOf(decodeDrawBeziers(r, f));
    case T::DrawImage: return outcomeOf(decodeDrawImage(r, f));
    case T::DrawImagePoints: return outcomeOf(decodeDrawImagePoints(r, f));
    case T::DrawString: return outcomeOf(decodeDrawString(r, f));
    case T::DrawDriverString: return outcomeOf(decodeDrawDriverString(r, f));
    case T::SetRenderingOrigin: return outcomeOf(decodeRenderingOrigin(r));
    case T::Save:
    case T::Restore:
    case T::BeginContainerNoParams:
    case T::EndContainer: return outcomeOf(decodeStackIndex(r));
    case T::BeginContainer: return outcomeOf(decodeBeginContainer(r, f));
    case T::SetWorldTransform: return outcomeOf(decodeWorldTransform(r));
    case T::MultiplyWorldTransform: return outcomeOf(decodeMultiplyTransform(r, f));
    case T::TranslateWorldTransform: return outcomeOf(decodeTranslateTransform(r, f));
    case T::ScaleWorldTransform: return outcomeOf(decodeScaleTransform(r, f));
    case T::RotateWorldTransform: return outcomeOf(decodeRotateTransform(r, f));
    case T::SetPageTransform: return outcomeOf(decodePageTransform(r, f));
    case T::SetClipRect: return outcomeOf(decodeClipRect(r, f));
    case T::SetClipPath:
    case T::SetClipRegion: return outcomeOf(decodeClipObject(f));
    case T::OffsetClip: return outcomeOf(decodeOffsetClip(r));
    case T::SerializableObject: return outcomeOf(decodeSerializableObject(r));
    case T::SetTsGraphics: return outcomeOf(decodeTsGraphics(r));
    case T::SetTsClip: return outcomeOf(decodeTsClip(r, f));
    // All in the flags, or no fields at all.
    case T::EndOfFile:
    case T::GetDc:
    case T::ResetWorldTransform:
    case T::ResetClip:
    case T::SetAntiAliasMode:
    case T::SetTextRenderingHint:
    case T::SetTextContrast:
    case T::SetInterpolationMode:
    case T::SetPixelOffsetMode:
    case T::SetCompositingMode:
    case T::SetCompositingQuality: return Outcome::Decoded;
    // Nothing a picture draws: private data, the reserved multi-format records, and a
    // record GDI+ never writes.
    case T::Comment:
    case T::MultiFormatStart:
    case T::MultiFormatSection:
    case T::MultiFormatEnd:
    case T::StrokeFillPath:
    case T::Object: break;
    }
    return Outcome::Ignored;
}

void Decoder::report(quint16 type, quint16 flags, Outcome outcome, const char *problem) const
{
    if (m_hook)
        m_hook(type, flags, outcome, problem);
}

} // namespace metafile::emfplus
