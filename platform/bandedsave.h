// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Saving a picture at any size the program accepts within a fixed amount of memory: it is
// drawn a band of rows at a time, and each band's rows are streamed to the file before the
// next band is drawn. A picture that fits in one band is drawn whole, as renderPicture draws
// it; a larger one gives the same pixels band by band.

#include "atomicsave.h"
#include "imagestream.h"

#include <QColor>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <functional>

class Picture;

// The most memory a band's pixels take: 64 MiB, 512 rows of the widest picture accepted
// (32767 pixels). With the rest of the process this keeps any save within 1 GiB.
inline constexpr qint64 maxBandBytes = qint64(64) * 1024 * 1024;

// The rows of each band of a picture `width` pixels wide and `height` high: as many as fit
// in `bandBytes`, at least one.
int bandRows(int width, int height, qint64 bandBytes = maxBandBytes);

struct BandedSave
{
    ImageFormat format = ImageFormat::Bmp;
    QSizeF physicalTwips; // the file's physical size, or empty for none
    SaveSync sync = SaveSync::Always;
    qint64 bandBytes = maxBandBytes;
    // Told the rows done and all the rows before each band and once at the end; returning
    // false cancels the save, which then leaves no file and any old one as it was.
    std::function<bool(int done, int rows)> progress;
    QColor background = Qt::white; // opaque: the streams write no alpha
};

enum class SaveOutcome {
    Saved,
    Failed, // the reason is in `error`
    Cancelled, // progress said stop
    NoMemory, // a band's pixels could not be allocated
};

// Draws `picture` stretched to `pixels` and saves it at `path` through saveAtomically, whole
// or not at all, in bands.
SaveOutcome savePictureInBands(const Picture &picture, QSize pixels, const QString &path, const BandedSave &how,
                               QString *error = nullptr);
