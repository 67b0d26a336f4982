// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Playing metafile bytes in tests: onto an image of a given size and background, with the
// play's result and the diagnostics it reported.

#include "metafile/metafile.h"

#include <QColor>
#include <QImage>
#include <QSize>

#include <vector>

namespace testsupport {

struct RenderOptions
{
    QSize size {100, 100};
    // The canvas before the play. Grey, where a row expects white, lets a wrongly painted
    // white background show.
    QColor background = Qt::white;
    double scale = 1; // set on the painter first: device pixels are `scale` image pixels
    metafile::EmfPlusLayer layer = metafile::EmfPlusLayer::Auto;
};

struct Rendered
{
    QImage image; // null when the bytes do not load
    metafile::PlayResult result = metafile::PlayResult::Ok;
    QString loadError;
    std::vector<metafile::Diagnostic> diagnostics;
};

// Loads and plays `bytes` so that the picture fills an image of options.size.
Rendered render(const QByteArray &bytes, const RenderOptions &options = {});

// The image alone (null when the bytes do not load).
QImage renderImage(const QByteArray &bytes, const RenderOptions &options = {});

// A pixel's colour, alpha ignored.
QRgb pixel(const QImage &image, int x, int y);

// For anti-aliased edges: each channel within `tolerance`.
bool near(QRgb a, QRgb b, int tolerance = 48);

} // namespace testsupport
