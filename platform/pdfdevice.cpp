// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "pdfdevice.h"

#include "relaypaintengine.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr double pointsPerInch = 72;
constexpr int maxResolution = 100000;

} // namespace

class PdfPaintEngine : public RelayPaintEngine
{
public:
    PdfPaintEngine(QSize pixels, QSizeF points, QString creator)
        : RelayPaintEngine(pixels)
        , m_points(points)
        , m_creator(std::move(creator))
    { }

    [[nodiscard]] QByteArray bytes() const override { return m_bytes; }

protected:
    QPaintDevice *openTarget() override;
    bool closeTarget(bool ended) override;

private:
    QSizeF m_points;
    QString m_creator;
    QByteArray m_bytes;
    QBuffer m_buffer;
    std::unique_ptr<QPdfWriter> m_writer;
};

// The writer's resolution is the one the pixels stand for, so that its units are near them.
QPaintDevice *PdfPaintEngine::openTarget()
{
    m_bytes.clear();
    m_buffer.setBuffer(&m_bytes);
    if (!m_buffer.open(QIODevice::WriteOnly)) // the writer writes only into an open device
        return nullptr;
    m_writer = std::make_unique<QPdfWriter>(&m_buffer);
    m_writer->setCreator(m_creator);
    m_writer->setPageSize(QPageSize(m_points, QPageSize::Point, QString(), QPageSize::ExactMatch));
    m_writer->setPageMargins(QMarginsF(0, 0, 0, 0));
    const double dpi = pixels().width() * pointsPerInch / std::max(1.0, m_points.width());
    m_writer->setResolution(std::clamp(int(std::lround(dpi)), 1, maxResolution));
    return m_writer.get();
}

bool PdfPaintEngine::closeTarget(bool ended)
{
    m_writer.reset();
    m_buffer.close();
    if (!ended)
        m_bytes.clear();
    return ended;
}

std::unique_ptr<VectorPaintEngine> makePdfEngine(QSize pixels, QSizeF points, const QString &creator)
{
    return std::make_unique<PdfPaintEngine>(pixels, points, creator);
}
