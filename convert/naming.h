// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Target naming: the conversion run hands the target text (as typed, never trimmed) and the
// selected source path to chooseTargetName and passes the result unchanged to the save.
// Both operations are plain string work: they look at no window and no disk, treat folder
// separators like any other character, and give the dot the only meaning. Every pair of
// inputs yields a path; whether it can be written is the save's concern.

#include <QString>

// Replaces everything after the FIRST dot of sOrigValue with sNewExt, or appends a dot and
// sNewExt when there is no dot. A dot in a folder name counts: "C:\my.pics\plan.wmf" gives
// "C:\my.bmp". sNewExt is appended as given, its case and any dot kept.
QString changeExtension(QString sOrigValue, QString sNewExt);

// An empty target text names the source with the extension bmp; a text ending in ".bmp"
// (lower case only) is used whole; any other text goes through changeExtension with "bmp".
QString chooseTargetName(const QString &targetText, const QString &sourcePath);
