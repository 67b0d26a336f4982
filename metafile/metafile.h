// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A Windows Metafile or an Enhanced Metafile parsed once into an immutable document that can be played
// any number of times, at any size, onto any QPainter.
//
// Data flow: bytes -> load() (header checks, record index) -> Document
//            Document::play(painter, target) -> the player's device context -> QPainter

#include "core/playresult.h"

#include <QByteArrayView>
#include <QRectF>
#include <QString>

#include <memory>
#include <optional>

class QPainter;

namespace metafile {

using PlayResult = core::PlayResult;
using Diagnostic = core::Diagnostic;
using DiagnosticsHook = core::DiagnosticsHook;

// Whether `head`, a file's first bytes, starts like a metafile: a Windows Metafile's
// placeable header key or standard header (type 1 or 2, nine words long), or an Enhanced
// Metafile's header (type 1 with the signature " EMF" at byte 40).
[[nodiscard]] bool looksLikeMetafile(QByteArrayView head);

class Document
{
public:
    // Parses `bytes`. On failure returns nothing and, when `error` is given, sets it to a
    // short reason a user can read ("not a Windows Metafile", "the file is truncated", ...).
    [[nodiscard]] static std::optional<Document> load(QByteArrayView bytes, QString *error = nullptr);

    // The picture's frame in logical units: the placeable header's box, otherwise the first
    // window origin and extent, otherwise the extent of what the drawing touches. For an
    // enhanced metafile, the header's frame in its reference device's pixels.
    [[nodiscard]] QRectF bounds() const;

    // Plays the picture so that bounds() fills `target` (device coordinates of `painter`)
    // exactly; the aspect ratio follows the target. Drawing is clipped to `target`. `hook`,
    // when given, hears of every record that did not play whole. An inactive painter or an
    // empty target draws nothing and is no fault of the file: Ok.
    PlayResult play(QPainter &painter, const QRectF &target, const DiagnosticsHook &hook = {}) const;

private:
    struct Data;
    explicit Document(std::shared_ptr<const Data> data);
    std::shared_ptr<const Data> m_data;
};

} // namespace metafile
