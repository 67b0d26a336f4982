// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The canvas's image without a widget: the window's canvas, the command-line converter and
// the developer tools all turn a picture into pixels with these functions, so they write
// the same bitmap for the same size.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>

class Picture;

// An RGB32 image of `size` pixels, white or the opaque colour `background`, with the whole
// picture stretched to fill it. A null image when `size` is empty or its pixels cannot be
// allocated.
QImage renderPicture(const Picture &picture, QSize size, const QColor &background = Qt::white);

// The part `region` of renderPicture(picture, size, background), drawn alone: the picture is
// played onto an image of the region's size with the painter moved, so that a picture of any
// size can be drawn a band at a time. A null image when the region is empty or cannot be
// allocated.
//
// The parts join seamlessly, but a part's play decides a few things for itself, so it can differ
// from the whole picture on edges: an anti-aliased edge crossing into the part from above, where
// its coordinates are negative and Qt rounds them the other way, by a few levels; whether the
// engine affords to anti-alias a path at all, which it reckons from the image's rows; and where
// a cosmetic pen's dashes fall on a line that Qt cuts to the part. A flood fill fills only
// within the part that holds its point.
QImage renderPictureRegion(const Picture &picture, QSize size, const QRect &region,
                           const QColor &background = Qt::white);
