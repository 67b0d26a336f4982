// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "vectorfiledevice.h"

#include "vectorpaintengine.h"

#include <limits>

namespace {

constexpr int pixelsPerInch = 96;

} // namespace

VectorFileDevice::VectorFileDevice(std::unique_ptr<VectorPaintEngine> engine, QSize pixels, QSizeF millimetres)
    : m_engine(std::move(engine))
    , m_pixels(pixels)
    , m_millimetres(millimetres)
{ }

VectorFileDevice::~VectorFileDevice() = default;

QPaintEngine *VectorFileDevice::paintEngine() const { return m_engine.get(); }

QByteArray VectorFileDevice::bytes() const { return m_engine->bytes(); }

// Fonts sized in points take the resolution a canvas image has, so both draw them alike.
int VectorFileDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth: return m_pixels.width();
    case PdmHeight: return m_pixels.height();
    case PdmWidthMM: return qRound(m_millimetres.width());
    case PdmHeightMM: return qRound(m_millimetres.height());
    case PdmNumColors: return std::numeric_limits<int>::max();
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return pixelsPerInch;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
    default: return 0;
    }
}
