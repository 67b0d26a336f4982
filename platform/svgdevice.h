// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// An SVG file drawn with QPainter: the paint engine the converter writes SVG with (its device is
// vectorfiledevice.h).
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

#include <QSize>
#include <QSizeF>

#include <memory>

class VectorPaintEngine;

// The engine of an SVG file as large as `cssPixels`, with a viewBox over the drawing's `pixels`.
std::unique_ptr<VectorPaintEngine> makeSvgEngine(QSize pixels, QSizeF cssPixels);
