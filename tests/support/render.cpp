// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "render.h"

#include <QPainter>

namespace testsupport {

Rendered render(const QByteArray &bytes, const RenderOptions &options)
{
    Rendered out;
    std::optional<metafile::Document> document = metafile::Document::load(bytes, &out.loadError);
    if (!document) {
        qWarning("load failed: %s", qPrintable(out.loadError));
        return out;
    }
    document->setEmfPlusLayer(options.layer);
    out.image = QImage((QSizeF(options.size) * options.scale).toSize(), QImage::Format_RGB32);
    out.image.fill(options.background);
    QPainter painter(&out.image);
    painter.scale(options.scale, options.scale);
    out.result =
        document->play(painter, QRectF(QPointF(0, 0), QSizeF(options.size)),
                       [&out](const metafile::Diagnostic &diagnostic) { out.diagnostics.push_back(diagnostic); });
    return out;
}

QImage renderImage(const QByteArray &bytes, const RenderOptions &options) { return render(bytes, options).image; }

QRgb pixel(const QImage &image, int x, int y) { return image.pixel(x, y) | 0xFF000000; }

bool near(QRgb a, QRgb b, int tolerance)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance
        && qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace testsupport
