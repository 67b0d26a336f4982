// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "emf/emffacts.h"

#include "emf/emfrecords.h"
#include "emf/emfrecordtype.h"
#include "emfplus/commentwalk.h"
#include "emfplus/emfplusfacts.h"
#include "text/fontmap.h"

#include <array>

namespace metafile::emf {

namespace {

constexpr quint32 emfPlusSignature = 0x2B464D45; // "EMF+"
constexpr quint16 emfPlusHeaderType = 0x4001;
constexpr quint16 emfPlusDualFlag = 0x0001;
constexpr qsizetype emfPlusRecordHeadBytes = 12; // type, flags, size, data size

// The name of a record the player plays, or nothing. The switch names every type of
// RecordType, the player's own list, and the compiler holds the two together.
const char *playedName(quint32 type) // NOLINT(readability-function-size)
{
    if (type > 0xFFFF)
        return nullptr;
    using T = RecordType;
    switch (static_cast<RecordType>(type)) {
    case T::Header: return "EMR_HEADER";
    case T::PolyBezier: return "EMR_POLYBEZIER";
    case T::Polygon: return "EMR_POLYGON";
    case T::Polyline: return "EMR_POLYLINE";
    case T::PolyBezierTo: return "EMR_POLYBEZIERTO";
    case T::PolylineTo: return "EMR_POLYLINETO";
    case T::PolyPolyline: return "EMR_POLYPOLYLINE";
    case T::PolyPolygon: return "EMR_POLYPOLYGON";
    case T::SetWindowExtEx: return "EMR_SETWINDOWEXTEX";
    case T::SetWindowOrgEx: return "EMR_SETWINDOWORGEX";
    case T::SetViewportExtEx: return "EMR_SETVIEWPORTEXTEX";
    case T::SetViewportOrgEx: return "EMR_SETVIEWPORTORGEX";
    case T::SetBrushOrgEx: return "EMR_SETBRUSHORGEX";
    case T::Eof: return "EMR_EOF";
    case T::SetPixelV: return "EMR_SETPIXELV";
    case T::SetMapperFlags: return "EMR_SETMAPPERFLAGS";
    case T::SetMapMode: return "EMR_SETMAPMODE";
    case T::SetBkMode: return "EMR_SETBKMODE";
    case T::SetPolyFillMode: return "EMR_SETPOLYFILLMODE";
    case T::SetRop2: return "EMR_SETROP2";
    case T::SetStretchBltMode: return "EMR_SETSTRETCHBLTMODE";
    case T::SetTextAlign: return "EMR_SETTEXTALIGN";
    case T::SetColorAdjustment: return "EMR_SETCOLORADJUSTMENT";
    case T::SetTextColor: return "EMR_SETTEXTCOLOR";
    case T::SetBkColor: return "EMR_SETBKCOLOR";
    case T::OffsetClipRgn: return "EMR_OFFSETCLIPRGN";
    case T::MoveToEx: return "EMR_MOVETOEX";
    case T::SetMetaRgn: return "EMR_SETMETARGN";
    case T::ExcludeClipRect: return "EMR_EXCLUDECLIPRECT";
    case T::IntersectClipRect: return "EMR_INTERSECTCLIPRECT";
    case T::ScaleViewportExtEx: return "EMR_SCALEVIEWPORTEXTEX";
    case T::ScaleWindowExtEx: return "EMR_SCALEWINDOWEXTEX";
    case T::SaveDc: return "EMR_SAVEDC";
    case T::RestoreDc: return "EMR_RESTOREDC";
    case T::SetWorldTransform: return "EMR_SETWORLDTRANSFORM";
    case T::ModifyWorldTransform: return "EMR_MODIFYWORLDTRANSFORM";
    case T::SelectObject: return "EMR_SELECTOBJECT";
    case T::CreatePen: return "EMR_CREATEPEN";
    case T::CreateBrushIndirect: return "EMR_CREATEBRUSHINDIRECT";
    case T::DeleteObject: return "EMR_DELETEOBJECT";
    case T::AngleArc: return "EMR_ANGLEARC";
    case T::Ellipse: return "EMR_ELLIPSE";
    case T::Rectangle: return "EMR_RECTANGLE";
    case T::RoundRect: return "EMR_ROUNDRECT";
    case T::Arc: return "EMR_ARC";
    case T::Chord: return "EMR_CHORD";
    case T::Pie: return "EMR_PIE";
    case T::SelectPalette: return "EMR_SELECTPALETTE";
    case T::CreatePalette: return "EMR_CREATEPALETTE";
    case T::SetPaletteEntries: return "EMR_SETPALETTEENTRIES";
    case T::ResizePalette: return "EMR_RESIZEPALETTE";
    case T::RealizePalette: return "EMR_REALIZEPALETTE";
    case T::ExtFloodFill: return "EMR_EXTFLOODFILL";
    case T::LineTo: return "EMR_LINETO";
    case T::ArcTo: return "EMR_ARCTO";
    case T::PolyDraw: return "EMR_POLYDRAW";
    case T::SetArcDirection: return "EMR_SETARCDIRECTION";
    case T::SetMiterLimit: return "EMR_SETMITERLIMIT";
    case T::BeginPath: return "EMR_BEGINPATH";
    case T::EndPath: return "EMR_ENDPATH";
    case T::CloseFigure: return "EMR_CLOSEFIGURE";
    case T::FillPath: return "EMR_FILLPATH";
    case T::StrokeAndFillPath: return "EMR_STROKEANDFILLPATH";
    case T::StrokePath: return "EMR_STROKEPATH";
    case T::FlattenPath: return "EMR_FLATTENPATH";
    case T::WidenPath: return "EMR_WIDENPATH";
    case T::SelectClipPath: return "EMR_SELECTCLIPPATH";
    case T::AbortPath: return "EMR_ABORTPATH";
    case T::GdiComment: return "EMR_GDICOMMENT";
    case T::FillRgn: return "EMR_FILLRGN";
    case T::FrameRgn: return "EMR_FRAMERGN";
    case T::InvertRgn: return "EMR_INVERTRGN";
    case T::PaintRgn: return "EMR_PAINTRGN";
    case T::ExtSelectClipRgn: return "EMR_EXTSELECTCLIPRGN";
    case T::BitBlt: return "EMR_BITBLT";
    case T::StretchBlt: return "EMR_STRETCHBLT";
    case T::MaskBlt: return "EMR_MASKBLT";
    case T::PlgBlt: return "EMR_PLGBLT";
    case T::SetDiBitsToDevice: return "EMR_SETDIBITSTODEVICE";
    case T::StretchDiBits: return "EMR_STRETCHDIBITS";
    case T::ExtCreateFontIndirectW: return "EMR_EXTCREATEFONTINDIRECTW";
    case T::ExtTextOutA: return "EMR_EXTTEXTOUTA";
    case T::ExtTextOutW: return "EMR_EXTTEXTOUTW";
    case T::PolyBezier16: return "EMR_POLYBEZIER16";
    case T::Polygon16: return "EMR_POLYGON16";
    case T::Polyline16: return "EMR_POLYLINE16";
    case T::PolyBezierTo16: return "EMR_POLYBEZIERTO16";
    case T::PolylineTo16: return "EMR_POLYLINETO16";
    case T::PolyPolyline16: return "EMR_POLYPOLYLINE16";
    case T::PolyPolygon16: return "EMR_POLYPOLYGON16";
    case T::PolyDraw16: return "EMR_POLYDRAW16";
    case T::CreateMonoBrush: return "EMR_CREATEMONOBRUSH";
    case T::CreateDibPatternBrushPt: return "EMR_CREATEDIBPATTERNBRUSHPT";
    case T::ExtCreatePen: return "EMR_EXTCREATEPEN";
    case T::PolyTextOutA: return "EMR_POLYTEXTOUTA";
    case T::PolyTextOutW: return "EMR_POLYTEXTOUTW";
    case T::SetIcmMode: return "EMR_SETICMMODE";
    case T::SmallTextOut: return "EMR_SMALLTEXTOUT";
    case T::AlphaBlend: return "EMR_ALPHABLEND";
    case T::SetLayout: return "EMR_SETLAYOUT";
    case T::TransparentBlt: return "EMR_TRANSPARENTBLT";
    case T::GradientFill: return "EMR_GRADIENTFILL";
    case T::SetTextJustification: return "EMR_SETTEXTJUSTIFICATION";
    }
    return nullptr;
}

struct KnownRecord
{
    quint32 type;
    const char *name;
};

// The other records Windows writes: colour management, OpenGL, printer escapes and font
// engine hints, none of which change what a picture shows on a screen.
constexpr std::array<KnownRecord, 16> unplayedRecords {{
    {99, "EMR_CREATECOLORSPACE"},
    {100, "EMR_SETCOLORSPACE"},
    {101, "EMR_DELETECOLORSPACE"},
    {102, "EMR_GLSRECORD"},
    {103, "EMR_GLSBOUNDEDRECORD"},
    {104, "EMR_PIXELFORMAT"},
    {105, "EMR_DRAWESCAPE"},
    {106, "EMR_EXTESCAPE"},
    {109, "EMR_FORCEUFIMAPPING"},
    {110, "EMR_NAMEDESCAPE"},
    {111, "EMR_COLORCORRECTPALETTE"},
    {112, "EMR_SETICMPROFILEA"},
    {113, "EMR_SETICMPROFILEW"},
    {119, "EMR_SETLINKEDUFIS"},
    {121, "EMR_COLORMATCHTOTARGETW"},
    {122, "EMR_CREATECOLORSPACEW"},
}};

// Counts the EMF+ records in one comment's data and reads the dual flag of an EMF+ header
// among them. Each record's size is checked against what is left, so a bad size ends the count.
void countEmfPlus(core::ByteReader comment, core::Facts &facts)
{
    const quint32 dataBytes = comment.readU32();
    if (!comment.ok() || dataBytes < 4 || dataBytes > quint64(comment.remaining()))
        return;
    core::ByteReader data = comment.take(qsizetype(dataBytes));
    if (data.readU32() != emfPlusSignature)
        return;
    while (data.remaining() >= emfPlusRecordHeadBytes) {
        const quint16 type = data.readU16();
        const quint16 flags = data.readU16();
        const quint32 size = data.readU32();
        if (size < emfPlusRecordHeadBytes || size - 8 > quint64(data.remaining()))
            return;
        ++facts.emfPlusRecords;
        if (type == emfPlusHeaderType && facts.emfPlusRecords == 1)
            facts.emfPlusDual = (flags & emfPlusDualFlag) != 0;
        data.skip(qsizetype(size) - 8);
    }
}

} // namespace

QString recordName(quint16 function)
{
    if (const char *name = playedName(function))
        return QString::fromLatin1(name);
    for (const KnownRecord &record : unplayedRecords) {
        if (record.type == function)
            return QString::fromLatin1(record.name);
    }
    return QStringLiteral("0x") + QString::number(function, 16).toUpper().rightJustified(8, u'0');
}

bool isPlayed(quint16 function) { return playedName(function) != nullptr; }

EmfPlusContent emfPlusContent(const core::MetafileData &data)
{
    const QByteArrayView bytes(data.bytes);
    for (const core::RecordRef &record : data.records) {
        if (record.function != quint16(RecordType::GdiComment))
            continue;
        const emfplus::CommentRecords walked = emfplus::walkComment(bytes.sliced(record.offset, record.payloadSize));
        if (!walked.emfPlus || walked.records.empty())
            continue;
        const emfplus::Record &first = walked.records.front();
        return {true, first.type == emfPlusHeaderType && (first.flags & emfPlusDualFlag)};
    }
    return {};
}

bool drawsEmfPlus(EmfPlusContent content, core::EmfPlusLayer layer)
{
    if (!content.present || layer == core::EmfPlusLayer::Ignore)
        return false;
    return layer == core::EmfPlusLayer::Prefer || !content.dual;
}

core::Facts describe(const core::MetafileData &data, core::EmfPlusLayer layer)
{
    core::Facts facts;
    facts.emfPlusDrawn = drawsEmfPlus(emfPlusContent(data), layer);
    facts.records = qsizetype(data.records.size());
    const QByteArrayView bytes(data.bytes);
    for (const core::RecordRef &record : data.records) {
        if (!isPlayed(record.function)) {
            core::countRecord(facts.skipped, recordName(record.function));
            continue;
        }
        core::ByteReader params(bytes.sliced(record.offset, record.payloadSize));
        if (record.function == quint16(RecordType::GdiComment)) {
            emfplus::countSkipped(params.rest(), facts.emfPlusDrawn, facts.emfPlusSkipped);
            countEmfPlus(params, facts);
        } else if (record.function == quint16(RecordType::ExtCreateFontIndirectW)) {
            if (const auto font = decodeFont(params))
                core::addFont(facts.fonts, {text::requestedFace(font->object), text::familyForLogFont(font->object)});
        }
    }
    return facts;
}

} // namespace metafile::emf
