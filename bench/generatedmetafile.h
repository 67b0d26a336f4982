// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A synthetic metafile for the growth benchmark: a fixed prologue (window, pen, font)
// followed by `groups` repetitions of one group of records that looks like ordinary
// clip art (a brush made, selected and the previous one deleted, a rectangle, an ellipse,
// a line, a four-point polygon and a short text). Play time should grow with the number
// of groups and nothing else.

#include <QByteArray>

// Records in one group; the whole file holds about groups x this many records.
constexpr int generatedRecordsPerGroup = 9;

QByteArray generatedMetafile(int groups);
