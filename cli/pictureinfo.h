// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// --info: what a picture is, without converting it, as one JSON object a line, so that a
// pipeline can tell whether to trust a render (EMF+ content it does not draw, records
// skipped or broken, fonts drawn in other faces) and how large the picture is. The fields
// are described in pictorate-convert(1) and stay as they are: scripts read them.

#include "metafile/metafile.h"
#include "workerpool.h"

#include <QJsonObject>
#include <QString>

#include <cstdio>

// The picture's facts: loaded, described and played once at its own size (at most
// maxInfoPlaySide pixels a side) to hear which records are malformed. `source` "-" is
// standard input.
// `layer`: the drawing of a file that carries EMF+, which says what is played.
QJsonObject describePicture(const QString &source, metafile::EmfPlusLayer layer = metafile::EmfPlusLayer::Auto);

// The longest side of the play that finds malformed records: a record's faults do not depend
// on the size it is drawn at, and the play stays quick for a poster-sized picture.
inline constexpr int maxInfoPlaySide = 4096;

// Describes the pictures `operands` name (folders as the converter walks them) on `out`, a
// line each in their order, and each failure also as "FILE: reason" on `err`. Each picture
// is described in a worker process (at most `workers` at once) within `limits`, as a batch
// converts them: one that crashes or stalls is a failure of its own. With `verbose`, what the
// libraries said meanwhile follows on `err` as notes. Returns the exit status: 0 when every
// picture was described, 1 when some could not be.
int writePictureInfo(const QStringList &operands, bool recursive, std::FILE *out, std::FILE *err, int workers,
                     const WorkLimits &limits, bool verbose = false,
                     metafile::EmfPlusLayer layer = metafile::EmfPlusLayer::Auto);
