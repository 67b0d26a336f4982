// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Builds Windows Metafile bytes in tests: records are added in call order, bytes()
// wraps them in a header (and optionally a placeable header) and ends with META_EOF.
// Helpers take coordinates in natural order (x before y, left before right) and write
// them in the reversed order the format stores.

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QtGlobal>

#include <initializer_list>

class WmfBuilder
{
public:
    // A record of 16-bit parameters.
    WmfBuilder &record(quint16 function, std::initializer_list<int> words)
    {
        QByteArray params;
        for (int word : words)
            appendU16(params, quint16(word));
        return raw(function, params);
    }

    // A record with the given parameter bytes (padded to a whole word).
    WmfBuilder &raw(quint16 function, QByteArray params)
    {
        if (params.size() % 2)
            params.append('\0');
        QByteArray record;
        appendU32(record, quint32(3 + params.size() / 2));
        appendU16(record, function);
        m_records += record + params;
        m_maxRecordWords = qMax(m_maxRecordWords, quint32(3 + params.size() / 2));
        return *this;
    }

    // Bytes appended as they are, for records with a wrong size field.
    WmfBuilder &bytesAsIs(const QByteArray &bytes)
    {
        m_records += bytes;
        return *this;
    }

    WmfBuilder &objects(int count)
    {
        m_objectCount = count;
        return *this;
    }

    static void appendU16(QByteArray &out, quint16 value) { out.append(char(value & 0xFF)).append(char(value >> 8)); }
    static void appendU32(QByteArray &out, quint32 value)
    {
        appendU16(out, quint16(value & 0xFFFF));
        appendU16(out, quint16(value >> 16));
    }
    static QByteArray words(std::initializer_list<int> values)
    {
        QByteArray out;
        for (int value : values)
            appendU16(out, quint16(value));
        return out;
    }
    static int low(quint32 value) { return int(value & 0xFFFF); }
    static int high(quint32 value) { return int(value >> 16); }

    // --- state ---------------------------------------------------------------------
    WmfBuilder &setMapMode(int mode) { return record(0x0103, {mode}); }
    WmfBuilder &setWindowOrg(int x, int y) { return record(0x020B, {y, x}); }
    WmfBuilder &setWindowExt(int w, int h) { return record(0x020C, {h, w}); }
    WmfBuilder &setViewportOrg(int x, int y) { return record(0x020D, {y, x}); }
    WmfBuilder &setViewportExt(int w, int h) { return record(0x020E, {h, w}); }
    WmfBuilder &offsetWindowOrg(int x, int y) { return record(0x020F, {y, x}); }
    WmfBuilder &offsetViewportOrg(int x, int y) { return record(0x0211, {y, x}); }
    WmfBuilder &scaleWindowExt(int xNum, int xDenom, int yNum, int yDenom)
    {
        return record(0x0410, {yDenom, yNum, xDenom, xNum});
    }
    WmfBuilder &scaleViewportExt(int xNum, int xDenom, int yNum, int yDenom)
    {
        return record(0x0412, {yDenom, yNum, xDenom, xNum});
    }
    WmfBuilder &saveDc() { return record(0x001E, {}); }
    WmfBuilder &restoreDc(int level) { return record(0x0127, {level}); }
    WmfBuilder &setBkMode(int mode) { return record(0x0102, {mode}); }
    WmfBuilder &setBkColor(quint32 c) { return record(0x0201, {low(c), high(c)}); }
    WmfBuilder &setTextColor(quint32 c) { return record(0x0209, {low(c), high(c)}); }
    WmfBuilder &setRop2(int rop) { return record(0x0104, {rop}); }
    WmfBuilder &setPolyFillMode(int mode) { return record(0x0106, {mode}); }

    // --- objects -------------------------------------------------------------------
    WmfBuilder &createPen(int style, int width, quint32 c)
    {
        return record(0x02FA, {style, width, 0, low(c), high(c)});
    }
    WmfBuilder &createBrush(int style, quint32 c, int hatch = 0)
    {
        return record(0x02FC, {style, low(c), high(c), hatch});
    }
    WmfBuilder &createPalette(const QList<quint32> &colors) // 0x00BBGGRR each
    {
        QByteArray params = words({0x0300, int(colors.size())});
        for (quint32 c : colors)
            appendU32(params, c & 0xFFFFFF);
        return raw(0x00F7, params);
    }
    WmfBuilder &setPalEntries(int start, const QList<quint32> &colors)
    {
        QByteArray params = words({start, int(colors.size())});
        for (quint32 c : colors)
            appendU32(params, c & 0xFFFFFF);
        return raw(0x0037, params);
    }
    // Rectangles of one band each, in the order given.
    WmfBuilder &createRegion(const QList<QRect> &rects)
    {
        QByteArray scans;
        for (const QRect &r : rects)
            scans += words({2, r.top(), r.bottom() + 1, r.left(), r.right() + 1, 2});
        QRect box;
        for (const QRect &r : rects)
            box |= r;
        QByteArray params = words({0, 6, 0, 0, int(22 + scans.size()), int(rects.size()), 4, box.left(), box.top(),
                                   box.right() + 1, box.bottom() + 1});
        return raw(0x06FF, params + scans);
    }
    WmfBuilder &selectObject(int index) { return record(0x012D, {index}); }
    WmfBuilder &deleteObject(int index) { return record(0x01F0, {index}); }
    WmfBuilder &selectPalette(int index) { return record(0x0234, {index}); }

    // --- drawing -------------------------------------------------------------------
    WmfBuilder &moveTo(int x, int y) { return record(0x0214, {y, x}); }
    WmfBuilder &lineTo(int x, int y) { return record(0x0213, {y, x}); }
    WmfBuilder &rectangle(int l, int t, int r, int b) { return record(0x041B, {b, r, t, l}); }
    WmfBuilder &ellipse(int l, int t, int r, int b) { return record(0x0418, {b, r, t, l}); }
    WmfBuilder &roundRect(int l, int t, int r, int b, int w, int h) { return record(0x061C, {h, w, b, r, t, l}); }
    // ARC 0x0817, PIE 0x081A, CHORD 0x0830.
    WmfBuilder &arcFamily(quint16 function, QRect box, QPoint start, QPoint end)
    {
        return record(function, {end.y(), end.x(), start.y(), start.x(), box.bottom() + 1, box.right() + 1, box.top(),
                                 box.left()});
    }
    WmfBuilder &polygon(const QList<QPoint> &points) { return pointRecord(0x0324, points); }
    WmfBuilder &polyline(const QList<QPoint> &points) { return pointRecord(0x0325, points); }
    WmfBuilder &polyPolygon(const QList<QList<QPoint>> &polygons)
    {
        QByteArray params = words({int(polygons.size())});
        for (const QList<QPoint> &polygon : polygons)
            appendU16(params, quint16(polygon.size()));
        for (const QList<QPoint> &polygon : polygons)
            for (const QPoint &p : polygon)
                params += words({p.x(), p.y()});
        return raw(0x0538, params);
    }
    WmfBuilder &setPixel(int x, int y, quint32 c) { return record(0x041F, {low(c), high(c), y, x}); }
    WmfBuilder &patBlt(int x, int y, int w, int h, quint32 rop)
    {
        return record(0x061D, {low(rop), high(rop), h, w, y, x});
    }
    WmfBuilder &intersectClipRect(int l, int t, int r, int b) { return record(0x0416, {b, r, t, l}); }

    // --- text ----------------------------------------------------------------------------

    // CREATEFONTINDIRECT's LogFont with the fields the tests vary; the face is cut to 31
    // bytes and NUL-padded to 32.
    static QByteArray logFont(int height, const QByteArray &face = "Arial", int escapement = 0, int charSet = 0,
                              int weight = 400, bool underline = false)
    {
        QByteArray params = words({height, 0, escapement, escapement, weight});
        params.append(char(0)).append(char(underline)).append(char(0)).append(char(charSet));
        params.append(QByteArray(4, '\0'));
        params.append(face.left(31)).append(QByteArray(32 - qMin<qsizetype>(face.size(), 31), '\0'));
        return params;
    }
    WmfBuilder &createFont(int height, const QByteArray &face = "Arial", int escapement = 0, int charSet = 0)
    {
        return raw(0x02FB, logFont(height, face, escapement, charSet));
    }

    static QByteArray textOutParams(int x, int y, const QByteArray &text)
    {
        QByteArray params = words({int(text.size())}) + text;
        if (text.size() % 2)
            params.append('\0');
        return params + words({y, x});
    }
    WmfBuilder &textOut(int x, int y, const QByteArray &text) { return raw(0x0521, textOutParams(x, y, text)); }

    // With ETO_OPAQUE (2) or ETO_CLIPPED (4) in `options`, `rect` follows the fixed fields.
    static QByteArray extTextOutParams(int x, int y, const QByteArray &text, const QList<int> &dx = {}, int options = 0,
                                       QRect rect = {})
    {
        QByteArray params = words({y, x, int(text.size()), options});
        if (options & 0x06)
            params += words({rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1});
        params += text;
        if (text.size() % 2)
            params.append('\0');
        for (int d : dx)
            appendU16(params, quint16(d));
        return params;
    }
    WmfBuilder &extTextOut(int x, int y, const QByteArray &text, const QList<int> &dx = {}, int options = 0,
                           QRect rect = {})
    {
        return raw(0x0A32, extTextOutParams(x, y, text, dx, options, rect));
    }
    WmfBuilder &excludeClipRect(int l, int t, int r, int b) { return record(0x0415, {b, r, t, l}); }

    // The whole file. The placeable header's box is in logical units, by default 1440 per inch.
    QByteArray bytes() const { return header() + m_records + words({3, 0, 0}); }
    QByteArray placeable(QRect box, int unitsPerInch = 1440) const
    {
        QByteArray out;
        appendU32(out, 0x9AC6CDD7);
        out += words({0, box.left(), box.top(), box.right() + 1, box.bottom() + 1, unitsPerInch, 0, 0});
        quint16 checksum = 0;
        for (int i = 0; i < 20; i += 2)
            checksum ^= quint16(quint8(out[i]) | (quint8(out[i + 1]) << 8));
        appendU16(out, checksum);
        return out + bytes();
    }

private:
    WmfBuilder &pointRecord(quint16 function, const QList<QPoint> &points)
    {
        QByteArray params = words({int(points.size())});
        for (const QPoint &p : points)
            params += words({p.x(), p.y()});
        return raw(function, params);
    }

    QByteArray header() const
    {
        QByteArray out = words({1, 9, 0x0300});
        appendU32(out, quint32(9 + m_records.size() / 2 + 3));
        appendU16(out, quint16(m_objectCount));
        appendU32(out, m_maxRecordWords);
        appendU16(out, 0);
        return out;
    }

    QByteArray m_records;
    int m_objectCount = 16;
    quint32 m_maxRecordWords = 3;
};
