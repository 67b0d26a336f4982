// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// One source turned into one bitmap, the way the window's canvas draws it: a white image of
// the asked size with the whole picture stretched into it (or, fitted, kept in proportion),
// saved through the picture service's atomic BMP writer. Safe to run on several threads at
// once: each call loads its own picture and draws its own image.

#include "batchplan.h"

#include <QSize>
#include <QSizeF>
#include <QString>

struct RenderSettings
{
    QSize pixels; // the bitmap's size, or with `fit` the box it is fitted into
    QSizeF physicalTwips; // what the resolution fields give `pixels`
    bool fit = false;
    bool noClobber = false;
};

struct Outcome
{
    enum class Kind { Converted, Skipped, Failed };

    Kind kind = Kind::Failed;
    QString message; // Failed: the reason, as "could not be read as a picture: ..."
};

// The largest size inside `box` with the proportions of `natural`, at least a pixel a side;
// `box` itself when `natural` has no area.
QSize fittedSize(QSizeF natural, QSize box);

Outcome convertJob(const Job &job, const RenderSettings &settings);

// Writes the picture at `input` as a PNG at `output` whose longer side is `size` pixels.
// On failure returns false and sets `message` to the reason.
bool writeThumbnail(const QString &input, const QString &output, int size, QString *message);
