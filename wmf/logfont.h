#pragma once

// The font description of a CREATEFONTINDIRECT record, kept as the metafile gives it.
// Sizes are in logical units of the mapping that is in force when the font is used.

#include <QByteArray>
#include <QtGlobal>

namespace wmf {

struct LogFont
{
    qint16 height = 0; // < 0: character height, > 0: cell height, 0: a default size
    qint16 width = 0; // 0: the face's own width
    qint16 escapement = 0; // tenths of a degree, counter-clockwise
    qint16 orientation = 0; // tenths of a degree, counter-clockwise
    qint16 weight = 0; // 0 default, 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    quint8 charSet = 0; // ANSI_CHARSET 0, DEFAULT 1, SYMBOL 2, SHIFTJIS 128, ...
    quint8 outPrecision = 0;
    quint8 clipPrecision = 0;
    quint8 quality = 0;
    quint8 pitchAndFamily = 0; // low 2 bits pitch, bits 4-7 family (FF_ROMAN 0x10, ...)
    QByteArray faceName; // bytes up to the first NUL, at most 32
};

} // namespace wmf
