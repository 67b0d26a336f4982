// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The font description of a CREATEFONTINDIRECT record, kept as the metafile gives it.
// Sizes are in logical units of the mapping that is in force when the font is used.

#include <QByteArray>
#include <QtGlobal>

namespace metafile::text {

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

// GDI's stock System font, which a device context holds until the metafile selects a font
// of its own: a bold sans-serif face with cells 16 pixels high and characters 7 pixels wide
// on average. Those are device pixels on a screen; the player scales them with the picture
// as it scales the default height of 0 (16 logical units), so they are logical units here.
inline LogFont stockSystemFont()
{
    LogFont font;
    font.height = 16;
    font.width = 7;
    font.weight = 700;
    font.pitchAndFamily = 0x22; // VARIABLE_PITCH | FF_SWISS
    font.faceName = "System";
    return font;
}

} // namespace metafile::text
