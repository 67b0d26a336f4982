// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Pictures written as SVG and PDF files that keep the drawing as shapes: lines, fills, curves,
// clips and text stay vector, bitmaps are embedded at their own resolution, and only what GDI
// computes pixel by pixel (metafile.h, RasterPatches) becomes pieces of pixels at the output's
// resolution, placed exactly where they belong.
//
// Data flow: a metafile is played onto a canvas image of `pixels` (a band at a time when large)
// to record its raster patches, then onto the SVG painter (svgdevice.h) or Qt's PDF writer with
// the patches in place. `pixels` is the resolution the vector file stands for: the SVG's viewBox
// and the PDF's drawing units, which the file spreads over its size on paper (`physicalTwips`:
// CSS pixels at 96 to the inch in an SVG file, points in a PDF file). The PDF writer embeds the
// faces that stand in for the file's fonts, as subsets, and keeps text as text.

#include "bandedsave.h"
#include "metafile/metafile.h"

#include <QByteArray>
#include <QColor>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <optional>

class Picture;

enum class VectorFormat { Svg, Pdf };

// The vector format named `format` ("svg", "pdf"), or nothing for a raster one.
std::optional<VectorFormat> vectorFormat(const QString &format);

struct VectorPicture
{
    QByteArray bytes;
    int rasterPatches = 0; // pieces of pixels in it
};

// `picture` (a metafile or a raster picture) stretched over `pixels` as a file of `format`,
// `physicalTwips` large on paper, on `background` (a clear one leaves the page empty beneath;
// the raster patches are recorded on white). On failure returns nothing and sets `error`, or
// `outOfMemory` when the canvas for the patches could not be allocated.
std::optional<VectorPicture> renderVector(const Picture &picture, VectorFormat format, QSize pixels,
                                          QSizeF physicalTwips, const QColor &background, QString *error = nullptr,
                                          bool *outOfMemory = nullptr);

// The raster patches of `document` drawn over `pixels`, recorded on a canvas of `canvas` (an
// opaque colour) in bands of at most `bandBytes` each; nothing when a band cannot be allocated.
std::optional<metafile::RasterPatches> recordRasterPatches(const metafile::Document &document, QSize pixels,
                                                           const QColor &canvas, qint64 bandBytes = maxBandBytes);
