// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A picture drawn on any background, transparent ones too. GDI draws on opaque pixels and
// its raster operations read them back, so the engine always plays onto an opaque canvas.
// A see-through background is found from two plays instead, one on white and one on black:
// where the picture leaves the canvas alone the two differ by the whole range, where it
// covers it they agree, and an edge blended over the canvas differs in proportion to what
// shows through. That difference is the picture's coverage (its alpha), and the play on
// black is its colour already multiplied by it.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>

class Picture;

// The picture stretched to fill `size` pixels over `background`: an RGB32 image for an opaque
// colour (as renderPicture gives), an ARGB32 premultiplied one when the colour lets the canvas
// show through. A null image when the pixels cannot be allocated.
QImage renderOnBackground(const Picture &picture, QSize size, const QColor &background);

// The part `region` of renderOnBackground(picture, size, background), drawn alone as
// renderPictureRegion draws a part: the picture is played onto images of the region's size
// with the painter moved. A null image when the region is empty or cannot be allocated.
QImage renderRegionOnBackground(const Picture &picture, QSize size, const QRect &region, const QColor &background);
