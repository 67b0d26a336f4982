// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The picture a device draws: where its frame lands on the caller's painter, and how the
// recording device's units reach the target.

#include "gdi/rasterpatches.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace metafile::gdi {

struct PlayTarget
{
    QRectF rect; // painter units
    QPointF frameOrigin; // logical units (an enhanced metafile's: the recording device's pixels)
    QSizeF frameExtent {1, 1}; // the same units, signed
    int objectCount = 0; // slots of the object table
    // Only what the drawing touches counts: no edges, and MM_TEXT with device pixels equal
    // to logical units whatever the frame.
    bool scanMode = false;
    // An enhanced metafile: the frame is fitted onto the target behind the window and
    // viewport, as PlayEnhMetaFile fits it, and the fixed map modes use the recording
    // device's resolution (dots per inch on each axis). A Windows Metafile's frame is the
    // window, fitted by the viewport.
    bool enhanced = false;
    QSizeF referenceDpi {96, 96};
    // For a painter that keeps shapes: the raster patches recorded on its canvas image, or
    // drawn on it in place of what only pixels can express (rasterpatches.h).
    Patches patches {};
};

} // namespace metafile::gdi
