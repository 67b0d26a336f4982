// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "pdfdevice.h"

#include "vectorpaintengine.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double pointsPerInch = 72;
constexpr double millimetresPerInch = 25.4;
constexpr int pixelsPerInch = 96;

} // namespace

class PdfPaintEngine : public VectorPaintEngine
{
public:
    PdfPaintEngine(QSize pixels, QSizeF points, QString creator)
        : VectorPaintEngine(pixels)
        , m_points(points)
        , m_creator(std::move(creator))
    { }

    bool begin(QPaintDevice *device) override;
    bool end() override;
    [[nodiscard]] Type type() const override { return QPaintEngine::User; }

    [[nodiscard]] const QByteArray &bytes() const { return m_bytes; }

protected:
    void drawShape(const QPainterPath &path) override;
    void drawPicture(const QImage &image, const QTransform &place, const std::optional<QRectF> &cut) override;
    void drawGlyphs(const QPointF &origin, const QFont &font, const QString &text) override;

private:
    // The clip in force onto the writer's painter, when it changed since it was last set.
    void applyClip();

    QSizeF m_points;
    QString m_creator;
    QByteArray m_bytes;
    QBuffer m_buffer;
    std::unique_ptr<QPdfWriter> m_writer;
    QPainter m_painter;
    QTransform m_base; // the drawing's pixels to the writer's
    bool m_clipSet = false;
    quint64 m_clipGeneration = 0;
};

// The writer's resolution is the one the pixels stand for, so that its units are near them.
bool PdfPaintEngine::begin(QPaintDevice *)
{
    m_bytes.clear();
    m_buffer.setBuffer(&m_bytes);
    if (!m_buffer.open(QIODevice::WriteOnly)) // the writer writes only into an open device
        return false;
    m_writer = std::make_unique<QPdfWriter>(&m_buffer);
    m_writer->setCreator(m_creator);
    m_writer->setPageSize(QPageSize(m_points, QPageSize::Point, QString(), QPageSize::ExactMatch));
    m_writer->setPageMargins(QMarginsF(0, 0, 0, 0));
    const double dpi = pixels().width() * pointsPerInch / std::max(1.0, m_points.width());
    m_writer->setResolution(std::clamp(int(std::lround(dpi)), 1, 100000));
    if (!m_painter.begin(m_writer.get()))
        return false;
    m_painter.setRenderHint(QPainter::LosslessImageRendering);
    m_base = QTransform::fromScale(double(m_writer->width()) / pixels().width(),
                                   double(m_writer->height()) / pixels().height());
    m_clipSet = false;
    return true;
}

bool PdfPaintEngine::end()
{
    const bool ended = !m_painter.isActive() || m_painter.end();
    m_writer.reset();
    m_buffer.close();
    if (!ended)
        m_bytes.clear();
    return ended;
}

void PdfPaintEngine::applyClip()
{
    const Clip *current = clip();
    if (m_clipSet && (current ? current->generation : 0) == m_clipGeneration
        && bool(current) == m_painter.hasClipping())
        return;
    m_painter.setWorldTransform(m_base);
    if (!current) {
        m_painter.setClipping(false);
    } else {
        Qt::ClipOperation operation = Qt::ReplaceClip;
        for (const QPainterPath &path : current->paths) {
            m_painter.setClipPath(path, operation);
            operation = Qt::IntersectClip;
        }
    }
    m_clipSet = true;
    m_clipGeneration = current ? current->generation : 0;
}

void PdfPaintEngine::drawShape(const QPainterPath &path)
{
    applyClip();
    m_painter.setWorldTransform(transform() * m_base);
    m_painter.setPen(pen());
    m_painter.setBrush(brush());
    m_painter.setBrushOrigin(brushOrigin());
    m_painter.setOpacity(opacity());
    m_painter.setRenderHint(QPainter::Antialiasing, antialiased());
    m_painter.drawPath(path);
}

// A cut picture clips to its own rectangle once, and the clip in force is set again after.
void PdfPaintEngine::drawPicture(const QImage &image, const QTransform &place, const std::optional<QRectF> &cut)
{
    applyClip();
    m_painter.setWorldTransform(place * m_base);
    if (cut) {
        m_painter.setClipRect(*cut, m_painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        m_clipSet = false;
    }
    m_painter.setOpacity(opacity());
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, smoothPictures());
    m_painter.drawImage(QPointF(0, 0), image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32)
                                                               : image.convertToFormat(QImage::Format_RGB32));
}

void PdfPaintEngine::drawGlyphs(const QPointF &origin, const QFont &font, const QString &text)
{
    applyClip();
    m_painter.setWorldTransform(QTransform::fromTranslate(origin.x(), origin.y()) * transform() * m_base);
    m_painter.setFont(font);
    m_painter.setPen(pen());
    m_painter.setOpacity(opacity());
    m_painter.drawText(QPointF(0, 0), text);
}

PdfDevice::PdfDevice(QSize pixels, QSizeF points, const QString &creator)
    : m_pixels(pixels)
    , m_points(points)
    , m_engine(std::make_unique<PdfPaintEngine>(pixels, points, creator))
{ }

PdfDevice::~PdfDevice() = default;

QPaintEngine *PdfDevice::paintEngine() const { return m_engine.get(); }

QByteArray PdfDevice::bytes() const { return m_engine->bytes(); }

// Fonts sized in points take the resolution a canvas image has, so both draw them alike.
int PdfDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth: return m_pixels.width();
    case PdmHeight: return m_pixels.height();
    case PdmWidthMM: return qRound(m_points.width() * millimetresPerInch / pointsPerInch);
    case PdmHeightMM: return qRound(m_points.height() * millimetresPerInch / pointsPerInch);
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
