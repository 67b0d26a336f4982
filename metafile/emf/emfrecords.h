// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The records of an Enhanced Metafile decoded into plain values, nothing drawn.
//
// Each decoder reads one record's parameters (the bytes after its type and size) from a
// ByteReader over exactly that record and returns its typed value, or nothing when the
// record is shorter than its fields, a count claims more than the record holds, or an
// offset and size point outside it. Offsets in EMF records count from the record's start,
// its 8-byte head included. Counts are checked by division against what remains.

#include "core/bytereader.h"
#include "gdi/devicecontext.h"
#include "gdi/drawcalls.h"
#include "gdi/mapping.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QPoint>
#include <QRect>
#include <QTransform>

#include <array>
#include <optional>
#include <vector>

namespace metafile::emf {

// An object record: the slot it goes into and the object.
template<typename T>
struct Indexed
{
    int index = 0;
    T object;
};

// CREATEDIBPATTERNBRUSHPT and CREATEMONOBRUSH: a packed DIB (header, colours, bits).
struct DibBrush
{
    int index = 0;
    bitmap::ColorUsage usage = bitmap::ColorUsage::DIB_RGB_COLORS;
    QByteArray dib;
};

struct ModifyTransform
{
    QTransform transform;
    quint32 mode = 0; // MWT_IDENTITY 1, MWT_LEFTMULTIPLY 2, MWT_RIGHTMULTIPLY 3, MWT_SET 4
};

struct ClipRegion
{
    int mode = gdi::RGN_COPY;
    std::vector<QRect> rects; // the recording device's pixels; none for RGN_COPY: the default clip
};

struct RegionFill
{
    int brush = 0;
    QSize frame; // FRAMERGN: the frame's width and height, logical units
    std::vector<QRect> rects; // the recording device's pixels
};

// A blit with its bitmap as a packed DIB, held here because an enhanced metafile gives the
// DIB's header and bits apart; bound() is the blit viewing it.
struct DibBlit
{
    gdi::Blit blit;
    QByteArray dib;
    int startScan = 0; // SETDIBITSTODEVICE: scan lines the bits hold
    int scanCount = 0;
    quint32 blend = 0; // ALPHABLEND: BLENDFUNCTION; TRANSPARENTBLT: the transparent colour
    [[nodiscard]] gdi::Blit bound() const
    {
        gdi::Blit viewing = blit;
        viewing.bitmap = dib;
        return viewing;
    }
};

// A monochrome mask beside a blit's source (MASKBLT, PLGBLT): a packed DIB whose bits of 1
// choose the foreground, and the corner of the part that lies over the destination, in
// the mask's pixels from its top-left. Without a DIB there is no mask.
struct MaskDib
{
    QByteArray dib;
    bitmap::ColorUsage usage = bitmap::ColorUsage::DIB_RGB_COLORS;
    QPoint origin;
    [[nodiscard]] gdi::Mask view() const { return gdi::Mask {dib, usage, origin}; }
};

// MASKBLT: a blit (its operation a ROP4: the foreground ROP3 in the low three bytes, the
// background operation's index in the high byte) and the mask.
struct MaskBlit
{
    DibBlit source;
    MaskDib mask;
};

// PLGBLT: the source rectangle of `source.blit.source` onto the parallelogram of three
// destination points (logical units): upper-left, upper-right, lower-left.
struct ParallelogramBlit
{
    DibBlit source;
    std::array<QPoint, 3> corners;
    MaskDib mask;
};

std::optional<qint32> decodeI32(core::ByteReader &r);
std::optional<quint32> decodeU32(core::ByteReader &r);
std::optional<QPoint> decodePoint(core::ByteReader &r);
std::optional<gdi::ExtentScale> decodeExtentScale(core::ByteReader &r);
std::optional<gdi::Box> decodeBox(core::ByteReader &r);
std::optional<QTransform> decodeTransform(core::ByteReader &r);
std::optional<ModifyTransform> decodeModifyTransform(core::ByteReader &r);

std::optional<Indexed<gdi::Pen>> decodePen(core::ByteReader &r);
std::optional<Indexed<gdi::Pen>> decodeExtPen(core::ByteReader &r);
std::optional<Indexed<gdi::Brush>> decodeBrush(core::ByteReader &r);
std::optional<DibBrush> decodeDibBrush(core::ByteReader &r);
std::optional<Indexed<text::LogFont>> decodeFont(core::ByteReader &r);
std::optional<Indexed<gdi::Palette>> decodePalette(core::ByteReader &r);
std::optional<gdi::PaletteEntries> decodePaletteEntries(core::ByteReader &r);

// POLYLINE, POLYGON, POLYBEZIER and their ...TO forms; `small` for the 16-bit records.
std::optional<std::vector<QPoint>> decodePoly(core::ByteReader &r, bool small);
std::optional<std::vector<std::vector<QPoint>>> decodePolyPoly(core::ByteReader &r, bool small);
std::optional<gdi::PolyDraw> decodePolyDraw(core::ByteReader &r, bool small);
std::optional<gdi::RoundRect> decodeRoundRect(core::ByteReader &r);
std::optional<gdi::ArcBox> decodeArc(core::ByteReader &r);
std::optional<gdi::AngleArc> decodeAngleArc(core::ByteReader &r);
std::optional<gdi::Pixel> decodePixel(core::ByteReader &r);

std::optional<ClipRegion> decodeClipRegion(core::ByteReader &r);
// FILLRGN (`frame` false), FRAMERGN, and INVERTRGN / PAINTRGN (`brush` false).
std::optional<RegionFill> decodeRegionFill(core::ByteReader &r, bool brush, bool frame);

// EXTTEXTOUTW (`wide`) and EXTTEXTOUTA; the run's bytes view the record.
std::optional<gdi::TextRun> decodeExtTextOut(core::ByteReader &r, bool wide);
std::optional<gdi::TextRun> decodeSmallTextOut(core::ByteReader &r);
// POLYTEXTOUTW (`wide`) and POLYTEXTOUTA: a run for each string.
std::optional<std::vector<gdi::TextRun>> decodePolyTextOut(core::ByteReader &r, bool wide);

std::optional<DibBlit> decodeBitBlt(core::ByteReader &r, bool stretch);
std::optional<DibBlit> decodeStretchDiBits(core::ByteReader &r);
std::optional<DibBlit> decodeSetDiBitsToDevice(core::ByteReader &r);
// ALPHABLEND and TRANSPARENTBLT, which share BITBLT's layout with source extents at the end.
std::optional<DibBlit> decodeBlendBlt(core::ByteReader &r);
std::optional<MaskBlit> decodeMaskBlt(core::ByteReader &r);
std::optional<ParallelogramBlit> decodePlgBlt(core::ByteReader &r);

std::optional<gdi::GradientFill> decodeGradientFill(core::ByteReader &r);

} // namespace metafile::emf
