// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Builds Enhanced Metafile bytes in tests: records are added in call order, bytes() puts
// the header in front and EMR_EOF at the end. By default the recording device has one
// pixel per millimetre and the frame is 100 x 100 of its pixels, so a picture rendered at
// 100 x 100 maps logical units (MM_TEXT) one to one onto the image's pixels.

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QtGlobal>

#include <cstring>
#include <initializer_list>

class EmfBuilder
{
public:
    // Record types the helpers and tests use.
    enum Type : quint32 {
        Polygon = 3,
        Polyline = 4,
        PolyBezierTo = 5,
        PolylineTo = 6,
        PolyPolygon = 8,
        SetWindowExtEx = 9,
        SetWindowOrgEx = 10,
        SetViewportExtEx = 11,
        SetViewportOrgEx = 12,
        SetPixelV = 15,
        SetMapMode = 17,
        SetBkMode = 18,
        SetPolyFillMode = 19,
        SetStretchBltMode = 21,
        SetTextColor = 24,
        MoveToEx = 27,
        OffsetClipRgn = 26,
        SetMetaRgn = 28,
        IntersectClipRect = 30,
        SaveDc = 33,
        RestoreDc = 34,
        SetWorldTransform = 35,
        ModifyWorldTransform = 36,
        SelectObject = 37,
        CreatePen = 38,
        CreateBrushIndirect = 39,
        DeleteObject = 40,
        Ellipse = 42,
        Rectangle = 43,
        Pie = 47,
        LineTo = 54,
        SetArcDirection = 57,
        BeginPath = 59,
        EndPath = 60,
        CloseFigure = 61,
        FillPath = 62,
        SelectClipPath = 67,
        AbortPath = 68,
        GdiComment = 70,
        ExtSelectClipRgn = 75,
        StretchDiBits = 81,
        ExtCreateFontIndirectW = 82,
        ExtTextOutW = 84,
        Polygon16 = 86,
        PolyPolygon16 = 91,
        MaskBlt = 78,
        PlgBlt = 79,
        ExtCreatePen = 95,
        PolyTextOutW = 97,
        SmallTextOut = 108,
        SetLayout = 115,
        GradientFill = 118,
    };
    // Text options.
    static constexpr int etoGlyphIndex = 0x0010;
    static constexpr int etoNoRect = 0x0100;
    static constexpr int etoSmallChars = 0x0200;
    static constexpr quint32 stockObject = 0x80000000;

    // A record from its parameter bytes (padded to whole 32-bit words).
    EmfBuilder &raw(quint32 type, QByteArray params)
    {
        while (params.size() % 4)
            params.append('\0');
        QByteArray record;
        appendU32(record, type);
        appendU32(record, quint32(8 + params.size()));
        m_records += record + params;
        ++m_count;
        return *this;
    }
    // A record of 32-bit values.
    EmfBuilder &record(quint32 type, std::initializer_list<qint64> values) { return raw(type, ints(values)); }
    // Bytes appended as they are, for records with a wrong size field.
    EmfBuilder &bytesAsIs(const QByteArray &bytes)
    {
        m_records += bytes;
        return *this;
    }
    EmfBuilder &handles(int count)
    {
        m_handles = count;
        return *this;
    }
    EmfBuilder &frame(const QRect &hundredthsOfMillimetre)
    {
        m_frame = hundredthsOfMillimetre;
        return *this;
    }

    static void appendU32(QByteArray &out, quint32 value)
    {
        for (int i = 0; i < 4; ++i)
            out.append(char((value >> (8 * i)) & 0xFF));
    }
    static void appendU16(QByteArray &out, quint16 value) { out.append(char(value & 0xFF)).append(char(value >> 8)); }
    static QByteArray ints(std::initializer_list<qint64> values)
    {
        QByteArray out;
        for (qint64 value : values)
            appendU32(out, quint32(value));
        return out;
    }
    static QByteArray floats(std::initializer_list<float> values)
    {
        QByteArray out;
        for (float value : values) {
            quint32 bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            appendU32(out, bits);
        }
        return out;
    }
    static QByteArray bounds() { return ints({0, 0, 0, 0}); }

    // --- state and objects ------------------------------------------------------------
    EmfBuilder &selectObject(quint32 index) { return record(SelectObject, {index}); }
    EmfBuilder &deleteObject(quint32 index) { return record(DeleteObject, {index}); }
    EmfBuilder &createPen(int index, int style, int width, quint32 color)
    {
        return record(CreatePen, {index, style, width, 0, color});
    }
    EmfBuilder &createBrush(int index, quint32 color, int style = 0, int hatch = 0)
    {
        return record(CreateBrushIndirect, {index, style, color, hatch});
    }
    // A solid brush into `index`, selected, and the null pen selected.
    EmfBuilder &fillWith(int index, quint32 color)
    {
        createBrush(index, color).selectObject(quint32(index));
        return selectObject(stockObject + 8);
    }
    EmfBuilder &setWorldTransform(float m11, float m12, float m21, float m22, float dx, float dy)
    {
        return raw(SetWorldTransform, floats({m11, m12, m21, m22, dx, dy}));
    }
    EmfBuilder &modifyWorldTransform(float m11, float m12, float m21, float m22, float dx, float dy, int mode)
    {
        return raw(ModifyWorldTransform, floats({m11, m12, m21, m22, dx, dy}) + ints({mode}));
    }
    // A LOGFONT of `height` and `face`; `width` 0 for the face's own width; escapement and
    // orientation in tenths of a degree.
    EmfBuilder &font(int index, int height, const QString &face, int width = 0, int escapement = 0, int orientation = 0)
    {
        QByteArray params = ints({index, height, width, escapement, orientation, 400});
        params += QByteArray(8, '\0'); // italic ... pitch and family
        for (int i = 0; i < 32; ++i)
            appendU16(params, i < face.size() ? face[i].unicode() : 0);
        return raw(ExtCreateFontIndirectW, params);
    }

    // --- drawing --------------------------------------------------------------------------
    EmfBuilder &rectangle(const QRect &box)
    {
        return record(Rectangle, {box.left(), box.top(), box.right() + 1, box.bottom() + 1});
    }
    EmfBuilder &ellipse(const QRect &box)
    {
        return record(Ellipse, {box.left(), box.top(), box.right() + 1, box.bottom() + 1});
    }
    EmfBuilder &moveTo(int x, int y) { return record(MoveToEx, {x, y}); }
    EmfBuilder &lineTo(int x, int y) { return record(LineTo, {x, y}); }
    EmfBuilder &poly(quint32 type, const QList<QPoint> &points, bool small = false)
    {
        QByteArray params = bounds() + ints({points.size()});
        for (QPoint p : points) {
            if (small) {
                appendU16(params, quint16(p.x()));
                appendU16(params, quint16(p.y()));
            } else {
                params += ints({p.x(), p.y()});
            }
        }
        return raw(type, params);
    }
    // The graphics mode the text records that follow carry (GM_ADVANCED 2 by default).
    EmfBuilder &textMode(int mode)
    {
        m_textMode = mode;
        return *this;
    }
    // EXTTEXTOUTW with the string right after the record's fixed part.
    EmfBuilder &textOut(int x, int y, const QString &text, int options = 0, const QRect &rect = {})
    {
        return textOut(x, y, units(text), options, rect);
    }
    // EXTTEXTOUTW of 16-bit units: characters, or glyph indices with etoGlyphIndex; a
    // spacing array after them when `dx` is given.
    EmfBuilder &textOut(int x, int y, const QList<quint16> &text, int options = 0, const QRect &rect = {},
                        const QList<int> &dx = {})
    {
        const int offString = 8 + 16 + 12 + 40;
        const qsizetype offDx = dx.isEmpty() ? 0 : offString + (text.size() * 2 + 3) / 4 * 4;
        QByteArray params = bounds() + ints({m_textMode}) + floats({1, 1})
                          + emrText(x, y, text.size(), offString, options, rect, offDx);
        for (quint16 unit : text)
            appendU16(params, unit);
        while (params.size() % 4)
            params.append('\0');
        for (int step : dx)
            appendU32(params, quint32(step));
        return raw(ExtTextOutW, params);
    }
    // SMALLTEXTOUT: 16-bit units, or with etoSmallChars their low bytes; no rectangle with
    // etoNoRect.
    EmfBuilder &smallTextOut(int x, int y, const QList<quint16> &text, int options = etoNoRect)
    {
        QByteArray params = ints({x, y, text.size(), options, m_textMode}) + floats({1, 1});
        if (!(options & etoNoRect))
            params += ints({0, 0, 0, 0});
        for (quint16 unit : text) {
            if (options & etoSmallChars)
                params.append(char(unit & 0xFF));
            else
                appendU16(params, unit);
        }
        return raw(SmallTextOut, params);
    }
    struct PolyString
    {
        QPoint reference;
        QString text;
        qint64 offString = -1; // from the record's start; -1: where the builder puts the text
    };
    // POLYTEXTOUTW: the EMRTEXT of every string, then the strings and their spacing arrays
    // (10 logical units a character).
    EmfBuilder &polyTextOut(const QList<PolyString> &strings)
    {
        const qsizetype fixed = 8 + 16 + 12 + 4 + 40 * strings.size();
        QByteArray params = bounds() + ints({m_textMode}) + floats({1, 1}) + ints({strings.size()});
        QByteArray tail;
        for (const PolyString &string : strings) {
            const qint64 offString = string.offString >= 0 ? string.offString : fixed + tail.size();
            for (QChar c : string.text)
                appendU16(tail, c.unicode());
            while (tail.size() % 4)
                tail.append('\0');
            const qint64 offDx = fixed + tail.size();
            for (qsizetype i = 0; i < string.text.size(); ++i)
                appendU32(tail, 10);
            params += emrText(string.reference.x(), string.reference.y(), string.text.size(), offString, 0, {}, offDx);
        }
        return raw(PolyTextOutW, params + tail);
    }
    EmfBuilder &setLayout(quint32 layout) { return record(SetLayout, {layout}); }

    // EMRTEXT: reference point, count, string offset, options, rectangle, spacing offset.
    static QByteArray emrText(int x, int y, qint64 count, qint64 offString, int options, const QRect &rect,
                              qint64 offDx)
    {
        return ints(
            {x, y, count, offString, options, rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1, offDx});
    }
    static QList<quint16> units(const QString &text)
    {
        QList<quint16> out;
        for (QChar c : text)
            out.append(c.unicode());
        return out;
    }
    // The glyph indices of ASCII text in a face with the standard Macintosh glyph order.
    static QList<quint16> standardGlyphs(const QString &text)
    {
        QList<quint16> out;
        for (QChar c : text)
            out.append(quint16(c.unicode() - 29));
        return out;
    }

    // --- gradients and bitmaps -----------------------------------------------------------
    // A TRIVERTEX from a COLORREF: each 8-bit colour the high byte of its 16-bit channel.
    struct Vertex
    {
        int x = 0;
        int y = 0;
        quint32 color = 0;
    };
    // GRADIENTFILL: mode 0 (rectangles, horizontal), 1 (vertical) or 2 (triangles); each
    // shape its vertex indices.
    EmfBuilder &gradientFill(int mode, const QList<Vertex> &vertices, const QList<QList<qint64>> &shapes)
    {
        QByteArray params = bounds() + ints({vertices.size(), shapes.size(), mode});
        for (const Vertex &v : vertices) {
            params += ints({v.x, v.y});
            appendU16(params, quint16((v.color & 0xFF) << 8));
            appendU16(params, quint16(v.color & 0xFF00));
            appendU16(params, quint16((v.color >> 8) & 0xFF00));
            appendU16(params, 0);
        }
        for (const QList<qint64> &shape : shapes) {
            for (qint64 index : shape)
                appendU32(params, quint32(index));
        }
        return raw(GradientFill, params);
    }

    // A packed DIB and the size of its header and colour table.
    struct Dib
    {
        QByteArray bytes;
        int headerBytes = 40;
    };
    // 24 bits a pixel, bottom-up; the pixels as COLORREFs, top row first.
    static Dib dib24(int width, const QList<quint32> &topDownPixels)
    {
        const int height = int(topDownPixels.size()) / width;
        QByteArray out = infoHeader(width, height, 24);
        for (int y = height - 1; y >= 0; --y) {
            QByteArray row;
            for (int x = 0; x < width; ++x) {
                const quint32 c = topDownPixels[y * width + x];
                row.append(char((c >> 16) & 0xFF)).append(char((c >> 8) & 0xFF)).append(char(c & 0xFF));
            }
            while (row.size() % 4)
                row.append('\0');
            out += row;
        }
        return {out, 40};
    }
    // 1 bit a pixel, bottom-up, black for 0 and white for 1; the rows as "0" and "1"
    // characters, top row first.
    static Dib mono(const QList<QByteArray> &topDownRows)
    {
        const int width = int(topDownRows.value(0).size());
        QByteArray out = infoHeader(width, int(topDownRows.size()), 1) + ints({0x000000, 0xFFFFFF});
        for (qsizetype y = topDownRows.size() - 1; y >= 0; --y) {
            QByteArray row((width + 31) / 32 * 4, '\0');
            for (int x = 0; x < width; ++x) {
                if (topDownRows[y][x] == '1')
                    row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
            }
            out += row;
        }
        return {out, 48};
    }
    // MASKBLT of `source` at `sourceCorner` onto `target` through `mask` from `maskCorner`
    // (an empty mask: none).
    EmfBuilder &maskBlt(const QRect &target, quint32 rop4, const Dib &source, QPoint sourceCorner, const Dib &mask,
                        QPoint maskCorner)
    {
        constexpr int fixed = 128; // from the record's start
        const int maskAt = fixed + int(source.bytes.size());
        QByteArray params = bounds() + ints({target.x(), target.y(), target.width(), target.height(), rop4})
                          + ints({sourceCorner.x(), sourceCorner.y()}) + floats({1, 0, 0, 1, 0, 0}) + ints({0})
                          + bitmapFields(fixed, source) + ints({maskCorner.x(), maskCorner.y()})
                          + bitmapFields(maskAt, mask);
        return raw(MaskBlt, params + source.bytes + mask.bytes);
    }
    // PLGBLT of `source`'s rectangle onto the parallelogram of `corners` (upper-left,
    // upper-right, lower-left) through `mask` (an empty mask: none) from `maskCorner`.
    EmfBuilder &plgBlt(const QList<QPoint> &corners, const QRect &source, const Dib &bitmap)
    {
        return plgBlt(corners, source, bitmap, Dib {QByteArray(), 0}, QPoint());
    }
    EmfBuilder &plgBlt(const QList<QPoint> &corners, const QRect &source, const Dib &bitmap, const Dib &mask,
                       QPoint maskCorner)
    {
        constexpr int fixed = 140;
        const int maskAt = fixed + int(bitmap.bytes.size());
        QByteArray params = bounds();
        for (QPoint p : corners)
            params += ints({p.x(), p.y()});
        params += ints({source.x(), source.y(), source.width(), source.height()}) + floats({1, 0, 0, 1, 0, 0})
                + ints({0}) + bitmapFields(fixed, bitmap) + ints({maskCorner.x(), maskCorner.y()})
                + bitmapFields(maskAt, mask);
        return raw(PlgBlt, params + bitmap.bytes + mask.bytes);
    }

    // The header in front of the records and EMR_EOF after them.
    QByteArray bytes() const
    {
        QByteArray eof;
        appendU32(eof, 14);
        appendU32(eof, 20);
        eof += ints({0, 16, 20});
        const qsizetype total = 88 + m_records.size() + eof.size();
        QByteArray out = ints({1, 88, 0, 0, 99, 99});
        out += ints({m_frame.left(), m_frame.top(), m_frame.right(), m_frame.bottom()});
        out += ints({0x464D4520, 0x10000, total, m_count + 2});
        appendU16(out, quint16(m_handles));
        appendU16(out, 0);
        out += ints({0, 0, 0, 1000, 1000, 1000, 1000});
        return out + m_records + eof;
    }

private:
    static QByteArray infoHeader(int width, int height, int bits)
    {
        QByteArray out = ints({40, width, height});
        appendU16(out, 1);
        appendU16(out, quint16(bits));
        return out + ints({0, 0, 0, 0, 0, 0});
    }
    // Colour usage, then offset and size of the header and of the bits, for a DIB placed
    // `at` bytes from the record's start; all zero without a DIB.
    static QByteArray bitmapFields(int at, const Dib &dib)
    {
        if (dib.bytes.isEmpty())
            return ints({0, 0, 0, 0, 0});
        return ints({0, at, dib.headerBytes, at + dib.headerBytes, dib.bytes.size() - dib.headerBytes});
    }

    QByteArray m_records;
    QRect m_frame {QPoint(0, 0), QPoint(10000, 10000)};
    int m_handles = 16;
    int m_count = 0;
    int m_textMode = 2;
};
