// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "emfplus/emfplusfacts.h"

#include "emfplus/commentwalk.h"
#include "emfplus/emfplusrecordtype.h"

#include <array>

namespace metafile::emfplus {

namespace {

constexpr quint16 firstType = 0x4001;

// The names from Header (0x4001) on, in type order.
constexpr std::array<const char *, 58> names = {
    "Header",
    "EndOfFile",
    "Comment",
    "GetDC",
    "MultiFormatStart",
    "MultiFormatSection",
    "MultiFormatEnd",
    "Object",
    "Clear",
    "FillRects",
    "DrawRects",
    "FillPolygon",
    "DrawLines",
    "FillEllipse",
    "DrawEllipse",
    "FillPie",
    "DrawPie",
    "DrawArc",
    "FillRegion",
    "FillPath",
    "DrawPath",
    "FillClosedCurve",
    "DrawClosedCurve",
    "DrawCurve",
    "DrawBeziers",
    "DrawImage",
    "DrawImagePoints",
    "DrawString",
    "SetRenderingOrigin",
    "SetAntiAliasMode",
    "SetTextRenderingHint",
    "SetTextContrast",
    "SetInterpolationMode",
    "SetPixelOffsetMode",
    "SetCompositingMode",
    "SetCompositingQuality",
    "Save",
    "Restore",
    "BeginContainer",
    "BeginContainerNoParams",
    "EndContainer",
    "SetWorldTransform",
    "ResetWorldTransform",
    "MultiplyWorldTransform",
    "TranslateWorldTransform",
    "ScaleWorldTransform",
    "RotateWorldTransform",
    "SetPageTransform",
    "ResetClip",
    "SetClipRect",
    "SetClipPath",
    "SetClipRegion",
    "OffsetClip",
    "DrawDriverString",
    "StrokeFillPath",
    "SerializableObject",
    "SetTSGraphics",
    "SetTSClip",
};

} // namespace

QString recordName(quint16 type)
{
    if (type >= firstType && type - firstType < int(names.size()))
        return QStringLiteral("EmfPlus") + QLatin1String(names[type - firstType]);
    return QStringLiteral("EmfPlus0x") + QString::number(type, 16).toUpper().rightJustified(4, u'0');
}

bool isNeverDrawn(quint16 type)
{
    using T = RecordType;
    switch (static_cast<RecordType>(type)) {
    case T::Comment:
    case T::MultiFormatStart:
    case T::MultiFormatSection:
    case T::MultiFormatEnd:
    case T::StrokeFillPath:
    case T::SerializableObject:
    case T::SetTsGraphics:
    case T::SetTsClip: return true;
    default: return false;
    }
}

bool isPlayed(quint16 type) { return type >= firstType && type - firstType < int(names.size()) && !isNeverDrawn(type); }

void countSkipped(QByteArrayView params, bool layerDrawn, std::vector<core::RecordCount> &skipped)
{
    for (const Record &record : walkComment(params).records) {
        if (!layerDrawn || !isPlayed(record.type))
            core::countRecord(skipped, recordName(record.type));
    }
}

} // namespace metafile::emfplus
