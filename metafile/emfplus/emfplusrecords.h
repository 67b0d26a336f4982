// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The records of EMF+ decoded into plain values, nothing drawn.
//
// Each decoder reads one record from its 16-bit flags and a ByteReader over exactly its
// data (the bytes its DataSize gives, after the 12-byte head) and returns its typed value,
// or nothing when the data is shorter than the fields, a count claims more than the data
// holds (checked by division before anything is read), an object index names no slot of
// the 64, or a float is not a finite number. Records whose every field is in the flags
// take the flags alone.
//
// Units: coordinates are world units; angles degrees, clockwise as GDI+ draws on a y-down
// page; colours ARGB (0xAARRGGBB).

#include "core/bytereader.h"
#include "gdi/plusobjects.h"

#include <QByteArrayView>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QRgb>
#include <QString>
#include <QTransform>

#include <array>
#include <optional>
#include <vector>

namespace metafile::emfplus {

// A brush as a drawing record names it: with the flags' S bit an inline solid colour,
// otherwise a brush object's slot.
using gdi::plus::BrushRef;

struct Header
{
    bool dual = false; // the file also holds a GDI drawing of the picture
    quint32 version = 0;
    bool videoDisplay = false; // recorded against a screen, not a printer
    quint32 dpiX = 96;
    quint32 dpiY = 96;
};

struct FillRects
{
    BrushRef brush;
    std::vector<QRectF> rects;
};
struct DrawRects
{
    int pen = 0;
    std::vector<QRectF> rects;
};
struct FillPolygon
{
    BrushRef brush;
    std::vector<QPointF> points;
};
struct DrawLines
{
    int pen = 0;
    bool closed = false;
    std::vector<QPointF> points;
};
struct FillEllipse
{
    BrushRef brush;
    QRectF rect;
};
struct DrawEllipse
{
    int pen = 0;
    QRectF rect;
};
// FillPie, DrawPie, DrawArc: the ellipse in `rect`, from `startAngle` over `sweepAngle`.
struct Arc
{
    BrushRef brush; // FillPie
    int pen = 0; // DrawPie, DrawArc
    double startAngle = 0;
    double sweepAngle = 0;
    QRectF rect;
};
struct FillRegion
{
    int region = 0;
    BrushRef brush;
};
struct FillPath
{
    int path = 0;
    BrushRef brush;
};
struct DrawPath
{
    int path = 0;
    int pen = 0;
};
// FillClosedCurve, DrawClosedCurve, DrawCurve: a cardinal spline through the points.
struct Curve
{
    BrushRef brush; // FillClosedCurve
    int pen = 0; // the drawing records
    bool winding = false; // FillClosedCurve: the winding rule, else alternate
    double tension = 0.5;
    quint32 offset = 0; // DrawCurve: the first point drawn from, and the segments drawn
    quint32 segments = 0;
    std::vector<QPointF> points;
};
struct DrawBeziers
{
    int pen = 0;
    std::vector<QPointF> points;
};
// DrawImage and DrawImagePoints: the source rectangle (in `sourceUnit`) onto a rectangle,
// or onto the parallelogram of three points: upper-left, upper-right, lower-left.
struct DrawImage
{
    int image = 0;
    quint32 attributes = 0; // an image attributes object's slot, when one is there
    quint32 sourceUnit = 0;
    QRectF source;
    std::array<QPointF, 3> corners;
    bool effect = false; // DrawImagePoints: an effect object (SerializableObject) applies
};
struct DrawString
{
    int font = 0;
    BrushRef brush;
    quint32 format = 0; // a string format object's slot, when one is there
    QRectF layout; // an empty width or height does not wrap or clip on that axis
    QString text;
};
struct DrawDriverString
{
    int font = 0;
    BrushRef brush;
    quint32 options = 0; // DriverStringOptions: cmap lookup 1, vertical 2, realized advance 4
    std::vector<quint16> glyphs; // characters with cmap lookup, else glyph indices
    std::vector<QPointF> positions; // of each glyph's origin, or only the first with realized advance
    std::optional<QTransform> transform;
};

// Save, Restore, BeginContainerNoParams, EndContainer.
struct StackIndex
{
    quint32 index = 0;
};
struct BeginContainer
{
    quint32 pageUnit = 0;
    QRectF destination; // the container maps `source` onto `destination`
    QRectF source;
    quint32 index = 0;
};

// MultiplyWorldTransform, TranslateWorldTransform, ScaleWorldTransform and
// RotateWorldTransform as the transform they combine with the world transform: after it
// with `append` (the A flag), before it otherwise.
struct TransformChange
{
    QTransform transform;
    bool append = false;
};
struct PageTransform
{
    quint32 unit = 0; // UnitType
    double scale = 1;
};

// SetClipRect, SetClipPath, SetClipRegion: the combine mode (replace, intersect, union,
// xor, exclude, complement) and the rectangle or the slot of the path or region.
struct ClipChange
{
    quint32 combineMode = 0;
    QRectF rect;
    int object = 0;
};

struct SerializableObject
{
    std::array<quint8, 16> guid {}; // the kind of effect, as its GUID's bytes
    QByteArrayView buffer; // the effect's parameters, viewing the record
};
struct TsGraphics
{
    quint8 antiAliasMode = 0;
    quint8 textRenderHint = 0;
    quint8 compositingMode = 0;
    quint8 compositingQuality = 0;
    QPoint renderOrigin;
    quint16 textContrast = 0;
    quint8 filterType = 0;
    quint8 pixelOffset = 0;
    QTransform worldToDevice;
};
struct TsClip
{
    std::vector<QRect> rects; // device pixels
};

std::optional<Header> decodeHeader(core::ByteReader &r, quint16 flags);
std::optional<QRgb> decodeClear(core::ByteReader &r);
std::optional<FillRects> decodeFillRects(core::ByteReader &r, quint16 flags);
std::optional<DrawRects> decodeDrawRects(core::ByteReader &r, quint16 flags);
std::optional<FillPolygon> decodeFillPolygon(core::ByteReader &r, quint16 flags);
std::optional<DrawLines> decodeDrawLines(core::ByteReader &r, quint16 flags);
std::optional<FillEllipse> decodeFillEllipse(core::ByteReader &r, quint16 flags);
std::optional<DrawEllipse> decodeDrawEllipse(core::ByteReader &r, quint16 flags);
// FillPie (`fill`), DrawPie and DrawArc.
std::optional<Arc> decodeArc(core::ByteReader &r, quint16 flags, bool fill);
std::optional<FillRegion> decodeFillRegion(core::ByteReader &r, quint16 flags);
std::optional<FillPath> decodeFillPath(core::ByteReader &r, quint16 flags);
std::optional<DrawPath> decodeDrawPath(core::ByteReader &r, quint16 flags);
std::optional<Curve> decodeFillClosedCurve(core::ByteReader &r, quint16 flags);
std::optional<Curve> decodeDrawClosedCurve(core::ByteReader &r, quint16 flags);
std::optional<Curve> decodeDrawCurve(core::ByteReader &r, quint16 flags);
std::optional<DrawBeziers> decodeDrawBeziers(core::ByteReader &r, quint16 flags);
std::optional<DrawImage> decodeDrawImage(core::ByteReader &r, quint16 flags);
std::optional<DrawImage> decodeDrawImagePoints(core::ByteReader &r, quint16 flags);
std::optional<DrawString> decodeDrawString(core::ByteReader &r, quint16 flags);
std::optional<DrawDriverString> decodeDrawDriverString(core::ByteReader &r, quint16 flags);

std::optional<QPoint> decodeRenderingOrigin(core::ByteReader &r);
std::optional<StackIndex> decodeStackIndex(core::ByteReader &r);
std::optional<BeginContainer> decodeBeginContainer(core::ByteReader &r, quint16 flags);
std::optional<QTransform> decodeWorldTransform(core::ByteReader &r);
std::optional<TransformChange> decodeMultiplyTransform(core::ByteReader &r, quint16 flags);
std::optional<TransformChange> decodeTranslateTransform(core::ByteReader &r, quint16 flags);
std::optional<TransformChange> decodeScaleTransform(core::ByteReader &r, quint16 flags);
std::optional<TransformChange> decodeRotateTransform(core::ByteReader &r, quint16 flags);
std::optional<PageTransform> decodePageTransform(core::ByteReader &r, quint16 flags);
std::optional<ClipChange> decodeClipRect(core::ByteReader &r, quint16 flags);
// SetClipPath and SetClipRegion: all in the flags.
std::optional<ClipChange> decodeClipObject(quint16 flags);
std::optional<QPointF> decodeOffsetClip(core::ByteReader &r);
std::optional<SerializableObject> decodeSerializableObject(core::ByteReader &r);
std::optional<TsGraphics> decodeTsGraphics(core::ByteReader &r);
std::optional<TsClip> decodeTsClip(core::ByteReader &r, quint16 flags);

// The property records keep their value in the flags: SetAntiAliasMode's smoothing mode in
// bits 1 to 7 with bit 0 saying whether to anti-alias; the others in the low byte (the
// text contrast in the low 12 bits).
struct AntiAlias
{
    quint8 smoothingMode = 0;
    bool antiAlias = false;
};
inline AntiAlias antiAliasMode(quint16 flags) { return {quint8((flags >> 1) & 0x7F), (flags & 1) != 0}; }
inline quint8 propertyValue(quint16 flags) { return quint8(flags & 0xFF); }
inline quint16 textContrast(quint16 flags) { return quint16(flags & 0x0FFF); }

} // namespace metafile::emfplus
