// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Builds EMF+ in tests: records (a 12-byte head of type, flags, size and data size, then
// the data padded to whole 32-bit words) gathered into the EMR_COMMENTs of a real Enhanced
// Metafile made by EmfBuilder. Records go into the current comment; endComment() closes it
// into the EMF, so GDI records can follow, and bytes() closes the last one and writes the
// file. The statics make the parts on their own: a record's data, a comment's parameters,
// and objects as their Object records carry them (the graphics version first).

#include "emfbuilder.h"

#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

class EmfPlusBuilder
{
public:
    // Record types the helpers and tests use.
    enum Type : quint16 {
        Header = 0x4001,
        EndOfFile = 0x4002,
        Comment = 0x4003,
        GetDc = 0x4004,
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
        SetAntiAliasMode = 0x401E,
        SetPixelOffsetMode = 0x4022,
        SetCompositingMode = 0x4023,
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
        SerializableObject = 0x4038,
    };
    // Record flags.
    static constexpr quint16 solid = 0x8000; // the brush field is a colour
    static constexpr quint16 compressed = 0x4000;
    enum ObjectKind : quint16 { Brush = 1, Pen, Path, Region, Image, Font, StringFormat, ImageAttributes };
    static constexpr quint32 version = 0xDBC01002; // what GDI+ 1.1 writes
    static constexpr quint16 continued = 0x8000;

    // A record in the current comment.
    EmfPlusBuilder &record(quint16 type, quint16 flags, const QByteArray &data = {})
    {
        m_comment += recordBytes(type, flags, data);
        return *this;
    }
    // EmfPlusHeader at 96 dpi; `dual` when the file also holds the GDI drawing.
    EmfPlusBuilder &header(bool dual = false)
    {
        return record(Header, dual ? 1 : 0, EmfBuilder::ints({version, 1, 96, 96}));
    }
    // An Object record defining `kind` in `slot`.
    EmfPlusBuilder &object(quint16 kind, int slot, const QByteArray &data)
    {
        return record(Object, quint16((kind << 8) | slot), data);
    }
    // An object in parts of `part` bytes, each record declaring `declared` as the total
    // (its true size unless given) and each closing a comment of its own, as GDI+ does.
    EmfPlusBuilder &continuedObject(quint16 kind, int slot, const QByteArray &data, qsizetype part,
                                    qint64 declared = -1)
    {
        const qint64 total = declared >= 0 ? declared : data.size();
        for (qsizetype at = 0; at < data.size(); at += part) {
            record(Object, quint16(continued | (kind << 8) | slot), EmfBuilder::ints({total}) + data.mid(at, part));
            endComment();
        }
        return *this;
    }
    // Closes the current comment into the EMF.
    EmfPlusBuilder &endComment()
    {
        if (!m_comment.isEmpty())
            m_emf.raw(EmfBuilder::GdiComment, comment(m_comment));
        m_comment.clear();
        return *this;
    }
    // The EMF the comments go into, for GDI records between them.
    EmfBuilder &emf() { return m_emf; }
    QByteArray bytes()
    {
        endComment();
        return m_emf.bytes();
    }

    // --- parts -----------------------------------------------------------------------------
    static QByteArray recordBytes(quint16 type, quint16 flags, QByteArray data)
    {
        while (data.size() % 4)
            data.append('\0');
        QByteArray out;
        EmfBuilder::appendU16(out, type);
        EmfBuilder::appendU16(out, flags);
        return out + EmfBuilder::ints({12 + data.size(), data.size()}) + data;
    }
    // An EMR_COMMENT's parameters: the data size, "EMF+", the records.
    static QByteArray comment(const QByteArray &records)
    {
        return EmfBuilder::ints({4 + records.size()}) + QByteArray("EMF+") + records;
    }
    static QByteArray rectF(const QRectF &r)
    {
        return EmfBuilder::floats({float(r.x()), float(r.y()), float(r.width()), float(r.height())});
    }
    static QByteArray pointsF(const QList<QPointF> &points)
    {
        QByteArray out;
        for (const QPointF &p : points)
            out += EmfBuilder::floats({float(p.x()), float(p.y())});
        return out;
    }
    static QByteArray shorts(std::initializer_list<int> values)
    {
        QByteArray out;
        for (const int value : values)
            EmfBuilder::appendU16(out, quint16(value));
        return out;
    }
    static QByteArray utf16(const QString &text)
    {
        QByteArray out;
        for (const QChar c : text)
            EmfBuilder::appendU16(out, c.unicode());
        return out;
    }
    static QByteArray identity() { return EmfBuilder::floats({1, 0, 0, 1, 0, 0}); }

    // --- objects -----------------------------------------------------------------------------
    static QByteArray solidBrush(quint32 color) { return EmfBuilder::ints({version, 0, color}); }
    // A pen of `width` world units with the optional fields that `flags` announce in `options`.
    static QByteArray pen(float width, quint32 color, quint32 flags = 0, const QByteArray &options = {})
    {
        return EmfBuilder::ints({version, 0, flags, 0}) + EmfBuilder::floats({width}) + options + solidBrush(color);
    }
    // A path of float points and their types.
    static QByteArray path(const QList<QPointF> &points, const QByteArray &types)
    {
        QByteArray out = EmfBuilder::ints({version, points.size(), 0}) + pointsF(points) + types;
        while (out.size() % 4)
            out.append('\0');
        return out;
    }
    static QByteArray rectRegion(const QRectF &rect)
    {
        return EmfBuilder::ints({version, 0, 0x10000000}) + rectF(rect);
    }
    static QByteArray font(float emSize, const QString &family)
    {
        return EmfBuilder::ints({version}) + EmfBuilder::floats({emSize}) + EmfBuilder::ints({3, 1, 0, family.size()})
             + utf16(family);
    }
    // A compressed bitmap: an image file (PNG, JPEG) whose size GDI+ leaves zero.
    static QByteArray compressedImage(const QByteArray &file)
    {
        return EmfBuilder::ints({version, 1, 0, 0, 0, 0, 1}) + file;
    }
    static QByteArray rawImage(int width, int height, int stride, quint32 format, const QByteArray &pixels)
    {
        return EmfBuilder::ints({version, 1, width, height, stride, format, 0}) + pixels;
    }
    // A metafile image: `type` 1 WMF, 2 placeable WMF, 3 EMF, 4 EMF+ only, 5 EMF+ dual.
    static QByteArray metafileImage(quint32 type, const QByteArray &file)
    {
        return EmfBuilder::ints({version, 2, type, file.size()}) + file;
    }
    static QByteArray hatchBrush(quint32 style, quint32 foreground, quint32 background)
    {
        return EmfBuilder::ints({version, 1, style, foreground, background});
    }
    // A linear gradient along `rect`'s width, from `start` to `end`, tiled.
    static QByteArray linearGradient(const QRectF &rect, quint32 start, quint32 end, quint32 wrap = 0)
    {
        return EmfBuilder::ints({version, 4, 0, wrap}) + rectF(rect) + EmfBuilder::ints({start, end, 0, 0});
    }
    // A path gradient over a boundary of points, from `centre` to one surrounding colour.
    static QByteArray pathGradient(const QPointF &centre, quint32 centreColour, quint32 surround,
                                   const QList<QPointF> &boundary)
    {
        return EmfBuilder::ints({version, 3, 0, 0, centreColour}) + pointsF({centre})
             + EmfBuilder::ints({1, surround, boundary.size()}) + pointsF(boundary);
    }
    static QByteArray textureBrush(const QByteArray &image, quint32 wrap = 0)
    {
        return EmfBuilder::ints({version, 2, 0, wrap}) + image;
    }
    // A string format: flags, alignment and line alignment, margins and tracking as GDI+'s
    // typographic format has them (none).
    static QByteArray stringFormat(quint32 flags, quint32 alignment, quint32 lineAlignment)
    {
        return EmfBuilder::ints({version, flags, 0, alignment, lineAlignment, 0, 0}) + EmfBuilder::floats({0})
             + EmfBuilder::ints({0}) + EmfBuilder::floats({0, 0, 1}) + EmfBuilder::ints({0, 0, 0});
    }

private:
    EmfBuilder m_emf;
    QByteArray m_comment;
};
