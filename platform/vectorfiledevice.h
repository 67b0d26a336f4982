// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The paint device of a vector file (SVG, PDF): as large as the drawing's pixels, at 96 of them
// to the inch, and as large on paper as the file is; its engine writes the file.

#include <QByteArray>
#include <QPaintDevice>
#include <QSize>
#include <QSizeF>

#include <memory>

class VectorPaintEngine;

class VectorFileDevice : public QPaintDevice
{
public:
    // `pixels`: the drawing's size in its own units; `millimetres`: the file's size on paper.
    VectorFileDevice(std::unique_ptr<VectorPaintEngine> engine, QSize pixels, QSizeF millimetres);
    ~VectorFileDevice() override;
    VectorFileDevice(const VectorFileDevice &) = delete;
    VectorFileDevice &operator=(const VectorFileDevice &) = delete;

    [[nodiscard]] QPaintEngine *paintEngine() const override;
    // The file, whole once the painter has ended; empty when the engine failed.
    [[nodiscard]] QByteArray bytes() const;

protected:
    [[nodiscard]] int metric(PaintDeviceMetric metric) const override;

private:
    std::unique_ptr<VectorPaintEngine> m_engine;
    QSize m_pixels;
    QSizeF m_millimetres;
};
