// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// One source turned into one picture, the way the window's canvas draws it: an image of the
// picture's own size at a resolution, or of the asked size with the whole picture stretched
// into it (or, fitted, kept in proportion), on the asked background, saved through the
// picture service's atomic writer in the asked format or written to a stream. Safe to run on
// several threads at once: each call loads its own picture and draws its own image.

#include "batchplan.h"
#include "picture.h"

#include <QColor>
#include <QSize>
#include <QSizeF>
#include <QString>

struct RenderSettings
{
    double dpi = 0; // > 0: the picture's own size at this resolution; `pixels` is then unused
    QSize pixels; // the picture's size, or with `fit` the box it is fitted into; a side of 0 follows its proportions
    QSizeF physicalTwips; // what the file's resolution gives `pixels`
    bool fit = false;
    bool noClobber = false;
    bool update = false; // skip a target whose modification time is not before its source's
    QString format = QStringLiteral("bmp"); // one of writableFormats()
    QColor background = Qt::white;
    bool countSkipped = false; // fill Outcome::recordsSkipped
    metafile::EmfPlusLayer emfPlus = metafile::EmfPlusLayer::Auto; // the drawing of a file with EMF+
};

struct Outcome
{
    enum class Kind { Converted, Skipped, Failed };

    Kind kind = Kind::Failed;
    QString message; // Failed: the reason, as "could not be read as a picture: ..."; Skipped: why, "a.bmp exists"
    QSize size; // Converted: the picture's size in pixels
    qint64 milliseconds = 0; // from loading the source to the picture written
    int recordsSkipped = 0; // with RenderSettings::countSkipped: records not played
    // Converted: what the user should hear although the picture was written, such as a
    // picture that draws nothing at all.
    QString warning;
    bool outOfMemory = false; // Failed: for want of memory
    QByteArray errorOutput; // what libraries wrote on standard error while it was converted

    static Outcome failure(const QString &message)
    {
        Outcome outcome;
        outcome.message = message;
        return outcome;
    }
};

// The name "-" means standard input when it is a source, and its messages name it so.
inline constexpr QStringView standardStream = u"-";

// The largest size inside `box` with the proportions of `natural`, at least a pixel a side;
// `box` itself when `natural` has no area.
QSize fittedSize(QSizeF natural, QSize box);

// `given` with its side of 0 made from the other in the proportions of `natural`, at least a
// pixel; the given side twice over when `natural` has no area. May exceed the pixels a side
// allowed: the caller refuses that.
QSize proportionalSize(QSizeF natural, QSize given);

// Why a converted picture is worth a warning (it draws nothing at all), or nothing.
QString pictureWarning(const Picture &picture);

// Loads `source`, a file or "-" for standard input (refused when it is a terminal). On
// failure returns nothing and sets `message` to "could not be read as a picture: ...".
// `layer`: the drawing of a file that carries EMF+.
std::optional<Picture> loadSource(const QString &source, QString *message,
                                  metafile::EmfPlusLayer layer = metafile::EmfPlusLayer::Auto);

Outcome convertJob(const Job &job, const RenderSettings &settings);

// Converts `source` (a file, or "-" for standard input) and writes the picture's bytes to the
// open stream `descriptor`. Nothing is written unless the whole picture was made.
Outcome convertToStream(const QString &source, const RenderSettings &settings, int descriptor);

// Writes the picture at `input` as a PNG at `output` whose longer side is `size` pixels.
Outcome writeThumbnail(const QString &input, const QString &output, int size);
