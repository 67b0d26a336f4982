// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// How a play is asked to go besides its target: which layer of an Enhanced Metafile that
// carries EMF+ is drawn, the work budget it spends (its own, or the one of the play whose
// picture holds it), and how it plays a metafile that one of its images holds.

#include <QByteArrayView>
#include <QRectF>

#include <functional>

class QPainter;

namespace metafile::core {

class WorkBudget;

// Which drawing of a file with EMF+ is played. Auto: as Windows' GDI does for a file that
// also holds a GDI drawing (the GDI records), and from EMF+ for a file that holds nothing
// else; Prefer: from EMF+ whenever there is some; Ignore: the GDI records always.
enum class EmfPlusLayer { Auto, Prefer, Ignore };

// Plays the metafile `file` (WMF or EMF bytes) onto `painter` so that the rectangle
// `source` of its picture (in its own pixels) lands on `target` (painter units), spending
// `budget`, the budget of the play that asks. False when the bytes are no metafile or the
// play may not go deeper.
using NestedPlay = std::function<bool(QPainter &painter, QByteArrayView file, const QRectF &source,
                                      const QRectF &target, WorkBudget &budget)>;

struct PlaySettings
{
    EmfPlusLayer emfPlus = EmfPlusLayer::Auto;
    WorkBudget *sharedBudget = nullptr; // nothing: the play has a budget of its own
    NestedPlay nested; // nothing: images holding metafiles are not drawn
};

} // namespace metafile::core
