#pragma once

// What loading leaves for playing: the file's bytes and an index of its records, made
// once by a bounds-checked walk so that playing never needs to re-check the framing.

#include "wmfdocument.h"

#include <QByteArray>
#include <QPointF>
#include <QSizeF>

#include <vector>

namespace wmf {

struct RecordRef
{
    quint16 function = 0;
    qsizetype offset = 0; // of the first parameter byte in MetafileData::bytes
    qsizetype payloadSize = 0; // bytes after the 6-byte record head
};

struct MetafileData
{
    QByteArray bytes;
    std::vector<RecordRef> records;
    int objectCount = 0;
    bool placeable = false;
    // The frame the picture is played into: origin and extent in logical units. The
    // extent keeps its sign: a negative height means the file draws with y going up.
    QPointF frameOrigin;
    QSizeF frameExtent {1, 1};
    // How the record walk ended: Ok at META_EOF (or the plain end of the data).
    PlayResult walkResult = PlayResult::Ok;
};

} // namespace wmf
