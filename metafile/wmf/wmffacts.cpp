// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "wmf/wmffacts.h"

#include "text/fontmap.h"
#include "wmf/wmfrecords.h"
#include "wmf/wmfrecordtype.h"

#include <array>

namespace metafile::wmf {

namespace {

// The name of a record the player plays, or nothing. The switch names every function of
// RecordType, the player's own list, and the compiler holds the two together.
const char *playedName(quint16 function)
{
    using T = RecordType;
    switch (static_cast<RecordType>(function)) {
    case T::Eof: return "META_EOF";
    case T::RealizePalette: return "META_REALIZEPALETTE";
    case T::SetPalEntries: return "META_SETPALENTRIES";
    case T::SetBkMode: return "META_SETBKMODE";
    case T::SetMapMode: return "META_SETMAPMODE";
    case T::SetRop2: return "META_SETROP2";
    case T::SetRelAbs: return "META_SETRELABS";
    case T::SetPolyFillMode: return "META_SETPOLYFILLMODE";
    case T::SetStretchBltMode: return "META_SETSTRETCHBLTMODE";
    case T::SetTextCharExtra: return "META_SETTEXTCHAREXTRA";
    case T::RestoreDc: return "META_RESTOREDC";
    case T::ResizePalette: return "META_RESIZEPALETTE";
    case T::DibCreatePatternBrush: return "META_DIBCREATEPATTERNBRUSH";
    case T::SetLayout: return "META_SETLAYOUT";
    case T::SetBkColor: return "META_SETBKCOLOR";
    case T::SetTextColor: return "META_SETTEXTCOLOR";
    case T::OffsetViewportOrg: return "META_OFFSETVIEWPORTORG";
    case T::LineTo: return "META_LINETO";
    case T::MoveTo: return "META_MOVETO";
    case T::OffsetClipRgn: return "META_OFFSETCLIPRGN";
    case T::FillRegion: return "META_FILLREGION";
    case T::SetMapperFlags: return "META_SETMAPPERFLAGS";
    case T::SelectPalette: return "META_SELECTPALETTE";
    case T::SetTextJustification: return "META_SETTEXTJUSTIFICATION";
    case T::SetWindowOrg: return "META_SETWINDOWORG";
    case T::SetWindowExt: return "META_SETWINDOWEXT";
    case T::SetViewportOrg: return "META_SETVIEWPORTORG";
    case T::SetViewportExt: return "META_SETVIEWPORTEXT";
    case T::OffsetWindowOrg: return "META_OFFSETWINDOWORG";
    case T::Polygon: return "META_POLYGON";
    case T::Polyline: return "META_POLYLINE";
    case T::ScaleWindowExt: return "META_SCALEWINDOWEXT";
    case T::ScaleViewportExt: return "META_SCALEVIEWPORTEXT";
    case T::ExcludeClipRect: return "META_EXCLUDECLIPRECT";
    case T::IntersectClipRect: return "META_INTERSECTCLIPRECT";
    case T::Ellipse: return "META_ELLIPSE";
    case T::FloodFill: return "META_FLOODFILL";
    case T::Rectangle: return "META_RECTANGLE";
    case T::SetPixel: return "META_SETPIXEL";
    case T::FrameRegion: return "META_FRAMEREGION";
    case T::AnimatePalette: return "META_ANIMATEPALETTE";
    case T::TextOut: return "META_TEXTOUT";
    case T::PolyPolygon: return "META_POLYPOLYGON";
    case T::ExtFloodFill: return "META_EXTFLOODFILL";
    case T::RoundRect: return "META_ROUNDRECT";
    case T::PatBlt: return "META_PATBLT";
    case T::Escape: return "META_ESCAPE";
    case T::CreateRegion: return "META_CREATEREGION";
    case T::Arc: return "META_ARC";
    case T::Pie: return "META_PIE";
    case T::Chord: return "META_CHORD";
    case T::BitBlt: return "META_BITBLT";
    case T::DibBitBlt: return "META_DIBBITBLT";
    case T::ExtTextOut: return "META_EXTTEXTOUT";
    case T::StretchBlt: return "META_STRETCHBLT";
    case T::DibStretchBlt: return "META_DIBSTRETCHBLT";
    case T::SetDibToDev: return "META_SETDIBTODEV";
    case T::StretchDib: return "META_STRETCHDIB";
    case T::SaveDc: return "META_SAVEDC";
    case T::InvertRegion: return "META_INVERTREGION";
    case T::PaintRegion: return "META_PAINTREGION";
    case T::SelectClipRegion: return "META_SELECTCLIPREGION";
    case T::SelectObject: return "META_SELECTOBJECT";
    case T::SetTextAlign: return "META_SETTEXTALIGN";
    case T::DeleteObject: return "META_DELETEOBJECT";
    case T::CreatePalette: return "META_CREATEPALETTE";
    case T::CreatePatternBrush: return "META_CREATEPATTERNBRUSH";
    case T::CreatePenIndirect: return "META_CREATEPENINDIRECT";
    case T::CreateFontIndirect: return "META_CREATEFONTINDIRECT";
    case T::CreateBrushIndirect: return "META_CREATEBRUSHINDIRECT";
    }
    return nullptr;
}

struct KnownRecord
{
    quint16 function;
    const char *name;
};

// Windows 3.0's records that Windows itself no longer plays: device-dependent bitmaps and
// brushes, and text drawn into a rectangle.
constexpr std::array<KnownRecord, 4> unplayedRecords {{
    {0x00F8, "META_CREATEBRUSH"},
    {0x02FD, "META_CREATEBITMAPINDIRECT"},
    {0x062F, "META_DRAWTEXT"},
    {0x06FE, "META_CREATEBITMAP"},
}};

} // namespace

QString recordName(quint16 function)
{
    if (const char *name = playedName(function))
        return QString::fromLatin1(name);
    for (const KnownRecord &record : unplayedRecords) {
        if (record.function == function)
            return QString::fromLatin1(record.name);
    }
    return QStringLiteral("0x") + QString::number(function, 16).toUpper().rightJustified(4, u'0');
}

bool isPlayed(quint16 function) { return playedName(function) != nullptr; }

core::Facts describe(const core::MetafileData &data)
{
    core::Facts facts;
    facts.records = qsizetype(data.records.size());
    const QByteArrayView bytes(data.bytes);
    for (const core::RecordRef &record : data.records) {
        if (!isPlayed(record.function)) {
            core::countRecord(facts.skipped, recordName(record.function));
            continue;
        }
        if (record.function != quint16(RecordType::CreateFontIndirect))
            continue;
        core::ByteReader params(bytes.sliced(record.offset, record.payloadSize));
        if (const std::optional<text::LogFont> font = decodeFont(params))
            core::addFont(facts.fonts, {text::requestedFace(*font), text::familyForLogFont(*font)});
    }
    return facts;
}

} // namespace metafile::wmf
