// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// An SVG file drawn with QPainter: the paint device and engine the converter writes SVG with.
//
// Qt's own SVG generator (Qt SVG 6.4) drops clipping and bitmap brushes, which GDI's pictures use
// all the time, so the program writes its own: a QPaintEngine that turns each drawing into an
// element of SVG 1.1. The file is as large in CSS pixels as asked (96 to the inch) with a viewBox
// in the drawing's pixels; clips become clip paths (nested groups for clips on clips); hatch
// brushes become 8 x 8 patterns and bitmap brushes patterns of their tile; bitmaps are embedded as
// PNG files at their own resolution, each once; text is drawn as the outlines of its glyphs, each
// glyph defined once and used where it is drawn, so the picture looks the same on a machine
// without the faces that stood in for the file's fonts. What the engine leaves to QPainter
// (gradients, blend modes) QPainter draws into an image first.

#include <QByteArray>
#include <QPaintDevice>
#include <QSize>
#include <QSizeF>

#include <memory>

class SvgPaintEngine;

class SvgDevice : public QPaintDevice
{
public:
    // `pixels`: the drawing's size in its own units (the viewBox); `cssPixels`: the file's size.
    SvgDevice(QSize pixels, QSizeF cssPixels);
    ~SvgDevice() override;
    SvgDevice(const SvgDevice &) = delete;
    SvgDevice &operator=(const SvgDevice &) = delete;

    [[nodiscard]] QPaintEngine *paintEngine() const override;
    // The file, whole once the painter has ended.
    [[nodiscard]] QByteArray bytes() const;

protected:
    [[nodiscard]] int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_pixels;
    QSizeF m_cssPixels;
    std::unique_ptr<SvgPaintEngine> m_engine;
};
