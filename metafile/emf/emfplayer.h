// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Plays the records of a loaded Enhanced Metafile on the GDI device: each record is decoded
// (emfrecords.h) and handed to the device call it stands for.
//
// The picture is fitted as PlayEnhMetaFile fits it: the header's frame, in the recording
// device's pixels, onto the target rectangle, through the mapping's device transform; the
// metafile's own world transform, window and viewport sit in front of it.
//
// A partly broken file: a record whose fields, counts or offsets run past it is skipped and
// the play goes on (Malformed); a record walk that broke off plays up to that point; a limit
// ends the play at once (LimitExceeded). EMF+ records in comments are decoded but not drawn
// (and what does not decode is not reported), so a dual file plays its GDI records; unknown
// records are skipped.

#include "core/bytereader.h"
#include "core/metafiledata.h"
#include "core/playreport.h"
#include "emf/emfrecords.h"
#include "emfplus/decoder.h"
#include "gdi/gdidevice.h"

#include <QPainter>
#include <QPainterPath>
#include <QRectF>

#include <optional>
#include <utility>

namespace metafile::emf {

class Player
{
public:
    Player(QPainter &painter, const core::MetafileData &data, const QRectF &target, core::DiagnosticsHook hook = {});

    [[nodiscard]] core::PlayResult play();

private:
    void dispatch(quint16 type, core::ByteReader &r);
    void dispatchDrawing(quint16 type, core::ByteReader &r);
    void dispatchBitmaps(quint16 type, core::ByteReader &r);

    // State and objects.
    void selectObject(quint32 index);
    void modifyWorldTransform(const ModifyTransform &modify);
    void createDibBrush(const DibBrush &brush, bool mono);
    void text(const gdi::TextRun &run);
    void setLayout(quint32 layout);

    // Shapes, through the current path while one is open.
    enum class PolyKind { Polyline, Polygon, PolyBezier, PolylineTo, PolyBezierTo };
    void poly(const std::vector<QPoint> &points, PolyKind kind);
    void polyPoly(const std::vector<std::vector<QPoint>> &polygons, bool closed);
    void polyDraw(const PolyDraw &draw);
    void lineTo(QPoint point);
    void moveTo(QPoint point);
    void rectangle(const gdi::Box &box);
    void ellipse(const gdi::Box &box);
    void roundRect(const gdi::RoundRect &shape);
    void arc(gdi::ArcBox arc, gdi::ArcKind kind);
    void arcTo(gdi::ArcBox arc);
    void angleArc(const AngleArc &arc);
    // A figure (device pixels) into the open path, or filled and stroked.
    void figure(const QPainterPath &path, bool fill, bool stroke);
    [[nodiscard]] QPointF device(QPointF logical) const;
    [[nodiscard]] bool turned() const;
    [[nodiscard]] QPainterPath mapped(const QPainterPath &logical) const;
    [[nodiscard]] bool spendPoints(size_t count);
    void gradientFill(const GradientFill &fill);
    void gradientTriangle(const GradientFill &fill, const std::array<quint32, 3> &shape,
                          const std::vector<QPoint> &points, const QRect &visible);

    // Paths.
    void beginPath();
    void drawPath(bool fill, bool stroke);
    void selectClipPath(int mode);
    void widenPath();
    void flattenPath();

    // Clipping and regions.
    void combineClip(const QRegion &region, int mode);
    void selectClipRegion(const ClipRegion &clip);
    [[nodiscard]] QRegion deviceRegion(const RegionRects &rects) const;
    void fillRegion(const RegionFill &fill, quint16 type);

    // Bitmaps.
    [[nodiscard]] DibBlit oriented(DibBlit blit) const;
    void blit(DibBlit blit);
    void setDiBitsToDevice(DibBlit blit);
    void alphaBlend(const DibBlit &blit);
    void transparentBlt(const DibBlit &blit);
    void drawImage(const QImage &image, const DibBlit &blit, double opacity);
    void maskBlt(const MaskBlit &masked);
    void plgBlt(const ParallelogramBlit &plg);

    template<typename Record, typename Call>
    void apply(const std::optional<Record> &record, Call call)
    {
        m_report.apply(record, std::move(call));
    }

    const core::MetafileData &m_data;
    core::PlayReport m_report;
    gdi::GdiDevice m_device;
    bool m_clockwise = false; // SETARCDIRECTION
    std::optional<QRegion> m_metaRegion; // SETMETARGN: what every later clip stays inside
    QPainterPath m_path; // device pixels
    bool m_pathOpen = false;
    bool m_pathReady = false;
    QPointF m_figureStart; // logical units, for CLOSEFIGURE's current position
    emfplus::Decoder m_plus; // EMF+ in comments: decoded, not drawn yet
};

} // namespace metafile::emf
