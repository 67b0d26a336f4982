// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// What loading leaves for playing: the file's bytes and an index of its records, made
// once by a bounds-checked walk so that playing never needs to re-check the framing.

#include "core/playresult.h"

#include <QByteArray>
#include <QPointF>
#include <QSizeF>

#include <vector>

namespace metafile::core {

struct RecordRef
{
    quint16 function = 0; // an EMF record type past 0xFFFF is kept as 0xFFFF, which no record has
    qsizetype offset = 0; // of the first parameter byte in MetafileData::bytes
    qsizetype payloadSize = 0; // bytes after the record head (6 bytes in a WMF, 8 in an EMF)
};

struct MetafileData
{
    QByteArray bytes;
    std::vector<RecordRef> records;
    int objectCount = 0;
    bool placeable = false;
    // A placeable header's logical units per inch (0: none given, or no placeable header).
    double unitsPerInch = 0;
    // The bytes were inflated from a gzip stream (a .wmz or .emz file).
    bool compressed = false;
    // The frame the picture is played into: origin and extent in logical units. The
    // extent keeps its sign: a negative height means the file draws with y going up.
    QPointF frameOrigin;
    QSizeF frameExtent {1, 1};
    // How the record walk ended: Ok at META_EOF (or the plain end of the data).
    PlayResult walkResult = PlayResult::Ok;

    // An enhanced metafile: the records are EMF records, the frame is the header's frame
    // in the reference device's pixels, and the fixed map modes use that device's
    // resolution (dots per inch on each axis).
    bool enhanced = false;
    QSizeF referenceDpi {96, 96};
};

} // namespace metafile::core
