// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Record and object types of EMF+, the GDI+ records an Enhanced Metafile carries in its
// comments, and the bits of a record's 16-bit flags that several records share.

#include <QtGlobal>

namespace metafile::emfplus {

enum class RecordType : quint16 {
    Header = 0x4001,
    EndOfFile = 0x4002,
    Comment = 0x4003,
    GetDc = 0x4004,
    MultiFormatStart = 0x4005,
    MultiFormatSection = 0x4006,
    MultiFormatEnd = 0x4007,
    Object = 0x4008,
    Clear = 0x4009,
    FillRects = 0x400A,
    DrawRects = 0x400B,
    FillPolygon = 0x400C,
    DrawLines = 0x400D,
    FillEllipse = 0x400E,
    DrawEllipse = 0x400F,
    FillPie = 0x4010,
    DrawPie = 0x4011,
    DrawArc = 0x4012,
    FillRegion = 0x4013,
    FillPath = 0x4014,
    DrawPath = 0x4015,
    FillClosedCurve = 0x4016,
    DrawClosedCurve = 0x4017,
    DrawCurve = 0x4018,
    DrawBeziers = 0x4019,
    DrawImage = 0x401A,
    DrawImagePoints = 0x401B,
    DrawString = 0x401C,
    SetRenderingOrigin = 0x401D,
    SetAntiAliasMode = 0x401E,
    SetTextRenderingHint = 0x401F,
    SetTextContrast = 0x4020,
    SetInterpolationMode = 0x4021,
    SetPixelOffsetMode = 0x4022,
    SetCompositingMode = 0x4023,
    SetCompositingQuality = 0x4024,
    Save = 0x4025,
    Restore = 0x4026,
    BeginContainer = 0x4027,
    BeginContainerNoParams = 0x4028,
    EndContainer = 0x4029,
    SetWorldTransform = 0x402A,
    ResetWorldTransform = 0x402B,
    MultiplyWorldTransform = 0x402C,
    TranslateWorldTransform = 0x402D,
    ScaleWorldTransform = 0x402E,
    RotateWorldTransform = 0x402F,
    SetPageTransform = 0x4030,
    ResetClip = 0x4031,
    SetClipRect = 0x4032,
    SetClipPath = 0x4033,
    SetClipRegion = 0x4034,
    OffsetClip = 0x4035,
    DrawDriverString = 0x4036,
    StrokeFillPath = 0x4037,
    SerializableObject = 0x4038,
    SetTsGraphics = 0x4039,
    SetTsClip = 0x403A,
};

// The kind of object an Object record defines, in bits 8 to 14 of its flags.
enum class ObjectType : quint8 {
    Invalid = 0,
    Brush = 1,
    Pen = 2,
    Path = 3,
    Region = 4,
    Image = 5,
    Font = 6,
    StringFormat = 7,
    ImageAttributes = 8,
    CustomLineCap = 9,
};

namespace flag {
// Bits of a record's flags, named as the records use them.
constexpr quint16 solidColor = 0x8000; // S: the brush field is an ARGB colour, not an object index
constexpr quint16 compressed = 0x4000; // C: points and rectangles in 16-bit integers
constexpr quint16 closed = 0x2000; // L (DrawLines): a line back to the first point
constexpr quint16 winding = 0x2000; // W (FillClosedCurve): the winding fill rule
constexpr quint16 effect = 0x2000; // E (DrawImagePoints): an effect object applies
constexpr quint16 append = 0x2000; // A (transform records): the new transform goes after the old
constexpr quint16 relative = 0x0800; // P: each point relative to the one before, 7 or 15 bits
constexpr quint16 continued = 0x8000; // C (Object): the object continues in the next record
constexpr quint16 dual = 0x0001; // D (Header): the file also holds a GDI drawing of the picture
constexpr quint16 objectIdMask = 0x00FF;
} // namespace flag

} // namespace metafile::emfplus
