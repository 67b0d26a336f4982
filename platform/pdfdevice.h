// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A PDF file drawn with QPainter: the paint engine the converter writes PDF files with (its device
// is vectorfiledevice.h). It hands each drawing on to Qt's PDF writer (relaypaintengine.h) as the
// shape, picture or glyphs it is reduced to, which spares the writer what it gets wrong for GDI's pictures: a clip that hides all
// (the writer would draw bitmaps as if there were none), a bitmap's source that ends inside a
// pixel (it rounds it, moving the picture), and bitmaps written as JPEG (kept lossless here).
// The writer keeps text as text, with the face that drew it embedded as a subset of its glyphs.
//
// The page is the picture's size on paper in whole points, as Qt's writer gives pages; the
// drawing's pixels are spread over it.

#include <QSize>
#include <QSizeF>
#include <QString>

#include <memory>

class VectorPaintEngine;

// The engine of a PDF file whose page is `points` (1/72 inch) large, the drawing's `pixels`
// spread over it, its creator named `creator`.
std::unique_ptr<VectorPaintEngine> makePdfEngine(QSize pixels, QSizeF points, const QString &creator);
