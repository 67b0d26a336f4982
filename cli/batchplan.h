// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Which files a command line converts and where each picture goes, decided before anything
// is converted: the operands are walked in a fixed order, each source gets its target, and
// two sources that would write the same target are caught here. The plan is the same
// whatever the number of jobs, so the files written are too.

#include <QString>
#include <QStringList>

#include <vector>

struct Job
{
    QString source; // as named on the command line, or found in a folder below an operand
    QString target;
    QString refusal; // not empty: the job fails with this reason, untouched
};

struct BatchPlan
{
    std::vector<Job> jobs;
    int leftOut = 0; // bitmaps in folders taken for earlier results and not converted
};

// The written picture's file name for a source's file name: the last extension replaced by
// `extension` ("a.b.wmf" gives "a.b.png"), or appended when there is none or with
// `keepExtension` ("a.wmf" gives "a.wmf.png", so that a.wmf and a.emf may share a folder).
QString targetName(const QString &fileName, const QString &extension, bool keepExtension = false);
// targetName() with "bmp".
QString bitmapName(const QString &fileName);

// Whether a file found in a folder is converted: a picture by its content (a metafile's key,
// also gzip-compressed, or a raster format Qt reads), or one by its extension, so that a
// broken one is reported.
bool isPictureFile(const QString &path);

// The jobs for `operands` in order: a file as named, a folder's pictures sorted by name
// (with `recursive` also its subfolders', depth first, not following links to folders and
// not entering `outputFolder`). A bitmap in a folder is left out when it would replace
// itself, or when another picture there is converted to its name. Each target lies beside its
// source, or in `outputFolder` with the path below the operand folder kept, named by
// targetName(). A target that an earlier job already writes makes the later job a refusal.
// Names need not be UTF-8: a folder's are read as filename.h says, and written back as they were.
BatchPlan planBatch(const QStringList &operands, bool recursive, const QString &outputFolder,
                    const QString &extension = QStringLiteral("bmp"), bool keepExtension = false);
