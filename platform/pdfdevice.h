// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A PDF file drawn with QPainter: the paint device the converter writes PDF files with. It hands
// each drawing on to Qt's PDF writer (relaypaintengine.h) as the shape, picture or glyphs it is
// reduced to, which spares the writer what it gets wrong for GDI's pictures: a clip that hides all
// (the writer would draw bitmaps as if there were none), a bitmap's source that ends inside a
// pixel (it rounds it, moving the picture), and bitmaps written as JPEG (kept lossless here).
// The writer keeps text as text, with the face that drew it embedded as a subset of its glyphs.
//
// The page is the picture's size on paper in whole points, as Qt's writer gives pages; the
// drawing's pixels are spread over it.

#include <QByteArray>
#include <QPaintDevice>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <memory>

class PdfPaintEngine;

class PdfDevice : public QPaintDevice
{
public:
    // `pixels`: the drawing's size in its own units; `points`: the page's size (1/72 inch).
    PdfDevice(QSize pixels, QSizeF points, const QString &creator);
    ~PdfDevice() override;
    PdfDevice(const PdfDevice &) = delete;
    PdfDevice &operator=(const PdfDevice &) = delete;

    [[nodiscard]] QPaintEngine *paintEngine() const override;
    // The file, whole once the painter has ended; empty when the writer failed.
    [[nodiscard]] QByteArray bytes() const;

protected:
    [[nodiscard]] int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_pixels;
    QSizeF m_points;
    std::unique_ptr<PdfPaintEngine> m_engine;
};
