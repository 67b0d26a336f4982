// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/plusimagepainter.h"

#include <QPainter>

#include <cmath>

namespace metafile::gdi {

namespace {

constexpr quint8 interpolationNearest = 5;
// Further out than this (device pixels), an image has lost its place to the floats it was
// drawn with; it is not drawn.
constexpr double maxImageCoordinate = 1 << 30;

bool sane(const QRectF &r)
{
    const auto ok = [](double v) { return std::isfinite(v) && std::abs(v) <= maxImageCoordinate; };
    return ok(r.left()) && ok(r.right()) && ok(r.top()) && ok(r.bottom());
}

// The transform that takes `source` onto the parallelogram of `corners`.
std::optional<QTransform> sourceOnto(const QRectF &source, const std::array<QPointF, 3> &corners)
{
    if (source.width() == 0 || source.height() == 0 || !std::isfinite(source.width())
        || !std::isfinite(source.height()))
        return std::nullopt;
    const QPointF across = (corners[1] - corners[0]) / source.width();
    const QPointF down = (corners[2] - corners[0]) / source.height();
    const QPointF origin = corners[0] - across * source.x() - down * source.y();
    const QTransform t(across.x(), across.y(), down.x(), down.y(), origin.x(), origin.y());
    if (!t.isInvertible())
        return std::nullopt;
    return t;
}

} // namespace

void PlusImagePainter::draw(int image, quint32 sourceUnit, const QRectF &source, const std::array<QPointF, 3> &corners)
{
    const auto *object = m_paint.state.objects().get<plus::Image>(image);
    if (!object)
        return;
    // A source in a unit other than pixels is measured at GDI+'s 96 dots per inch.
    constexpr double imageDpi = 96;
    const double scale = plus::pixelsPer(sourceUnit, imageDpi);
    const QRectF pixels(source.x() * scale, source.y() * scale, source.width() * scale, source.height() * scale);
    const std::optional<QTransform> onto = sourceOnto(pixels, corners);
    if (!onto)
        return;
    const QTransform toDevice = *onto * m_paint.state.worldToDevice();
    if (const auto *metafile = std::get_if<plus::MetafileImage>(object)) {
        drawMetafile(*metafile, pixels, toDevice);
        return;
    }
    if (const QImage *bitmap = m_paint.state.objects().bitmap(image, m_paint.budget))
        drawBitmap(*bitmap, pixels, toDevice);
}

bool PlusImagePainter::prepare(const QRectF &device)
{
    const QRectF shown = device.intersected(QRectF(QPointF(0, 0), m_paint.target.rect.size()));
    if (!sane(device) || shown.isEmpty() || !m_paint.surface.spendPixels(shown))
        return false;
    const PlusContext &context = m_paint.state.context();
    m_paint.surface.preparePlus(context.clip, context.compositing == 1 ? QPainter::CompositionMode_Source
                                                                       : QPainter::CompositionMode_SourceOver);
    return true;
}

void PlusImagePainter::drawBitmap(const QImage &pixels, const QRectF &source, const QTransform &toDevice)
{
    if (!prepare(toDevice.mapRect(source)))
        return;
    QPainter &painter = m_paint.surface.painter();
    const QTransform base = painter.worldTransform();
    const bool smooth = m_paint.state.context().interpolation != interpolationNearest;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.setWorldTransform(toDevice * base);
    painter.drawImage(source, pixels, source);
    painter.setWorldTransform(base);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

// The nested picture is drawn in a space whose units are about the pixels of the picture
// drawn, so that its GDI records, which round to whole pixels, keep the resolution.
void PlusImagePainter::drawMetafile(const plus::MetafileImage &image, const QRectF &source, const QTransform &toDevice)
{
    const double resolution = std::sqrt(std::abs(toDevice.determinant()));
    if (!m_paint.nested || !std::isfinite(resolution) || resolution <= 0 || !prepare(toDevice.mapRect(source)))
        return;
    QPainter &painter = m_paint.surface.painter();
    const QTransform base = painter.worldTransform();
    painter.save();
    painter.setWorldTransform(QTransform::fromScale(1 / resolution, 1 / resolution) * toDevice * base);
    const QRectF target(source.topLeft() * resolution, source.size() * resolution);
    m_paint.nested(painter, image.bytes, source, target, m_paint.budget);
    painter.restore();
    m_paint.surface.clipChanged();
}

} // namespace metafile::gdi
