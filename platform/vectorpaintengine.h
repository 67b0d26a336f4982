// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// What the paint engines of the vector files (svgdevice.h, pdfdevice.h; their device is
// vectorfiledevice.h) share: the state QPainter
// hands over, kept with every clip as a path in the drawing's pixels, and every drawing reduced to
// one of three kinds: a shape (a path with the pen and brush), a picture (a bitmap in whole pixels,
// placed by a transform and cut to part of a pixel where its source asks), and glyphs (a run of
// text in a font). A drawing that the clip hides wholly is left out: that is how the GDI device
// hides the drawings a raster patch stands in for.
//
// QPainter leaves to the engine what it claims, and draws the rest (gradients, blend modes) into
// an image first; raster operations are not claimed, so the GDI device knows to patch them.

#include <QBrush>
#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPen>
#include <QSize>
#include <QTransform>

#include <optional>
#include <vector>

class VectorPaintEngine : public QPaintEngine
{
public:
    // `pixels`: the drawing's size, whose clips need not be kept.
    explicit VectorPaintEngine(QSize pixels);

    void updateState(const QPaintEngineState &state) final;
    void drawPath(const QPainterPath &path) final;
    void drawPolygon(const QPointF *points, int pointCount, PolygonDrawMode mode) final;
    void drawPixmap(const QRectF &rect, const QPixmap &pixmap, const QRectF &source) final;
    void drawImage(const QRectF &rect, const QImage &image, const QRectF &source,
                   Qt::ImageConversionFlags flags = Qt::AutoColor) final;
    void drawTextItem(const QPointF &origin, const QTextItem &item) final;

    // The file, whole once the painter has ended; empty when it could not be written.
    [[nodiscard]] virtual QByteArray bytes() const = 0;

protected:
    // The clip: the intersection of its paths (the drawing's pixels), none when empty.
    struct Clip
    {
        std::vector<QPainterPath> paths;
        bool hidesAll = false;
        quint64 generation = 0; // changes whenever the clip does
    };

    // A path with pen() and brush() under transform().
    virtual void drawShape(const QPainterPath &path) = 0;
    // `image` (whole pixels) placed by `place` onto the drawing's pixels, cut to `cut` (image
    // pixels) where its source ended inside a pixel.
    virtual void drawPicture(const QImage &image, const QTransform &place, const std::optional<QRectF> &cut) = 0;
    // `text` in `font` with the pen's colour, its baseline's start at `origin` under transform().
    virtual void drawGlyphs(const QPointF &origin, const QFont &font, const QString &text) = 0;

    [[nodiscard]] QSize pixels() const { return m_pixels; }
    [[nodiscard]] const QTransform &transform() const { return m_transform; }
    [[nodiscard]] const QPen &pen() const { return m_pen; }
    [[nodiscard]] const QBrush &brush() const { return m_brush; }
    [[nodiscard]] QPointF brushOrigin() const { return m_brushOrigin; }
    [[nodiscard]] double opacity() const { return m_opacity; }
    [[nodiscard]] bool antialiased() const { return m_antialias; }
    [[nodiscard]] bool smoothPictures() const { return m_smooth; }
    // The clip in force, or nothing.
    [[nodiscard]] const Clip *clip() const { return m_clipEnabled && !m_clip.paths.empty() ? &m_clip : nullptr; }

private:
    void combineClip(Qt::ClipOperation operation, const QPainterPath &devicePath);
    [[nodiscard]] bool hidden() const { return m_clipEnabled && m_clip.hidesAll; }

    QSize m_pixels;
    QTransform m_transform;
    QPen m_pen;
    QBrush m_brush;
    QPointF m_brushOrigin;
    double m_opacity = 1;
    bool m_antialias = false;
    bool m_smooth = false;
    bool m_clipEnabled = false;
    Clip m_clip;
};
