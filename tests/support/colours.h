// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Named colours for the tests, in the two forms they meet: a metafile's COLORREF
// (0x00BBGGRR, red in the low byte) and Qt's QRgb (0xAARRGGBB, opaque).

#include <QRgb>
#include <QtGlobal>

namespace colorref {
constexpr quint32 black = 0x000000;
constexpr quint32 red = 0x0000FF;
constexpr quint32 green = 0x00FF00;
constexpr quint32 blue = 0xFF0000;
constexpr quint32 yellow = 0x00FFFF;
constexpr quint32 grey = 0x808080;
constexpr quint32 white = 0xFFFFFF;
} // namespace colorref

namespace qrgb {
constexpr QRgb black = 0xFF000000;
constexpr QRgb red = 0xFFFF0000;
constexpr QRgb green = 0xFF00FF00;
constexpr QRgb blue = 0xFF0000FF;
constexpr QRgb yellow = 0xFFFFFF00;
constexpr QRgb grey = 0xFF808080;
constexpr QRgb white = 0xFFFFFFFF;
} // namespace qrgb

// A COLORREF as the opaque QRgb it draws, and back.
constexpr QRgb toRgb(quint32 colorRef)
{
    return 0xFF000000u | (colorRef & 0xFF) << 16 | (colorRef & 0xFF00) | (colorRef >> 16 & 0xFF);
}

constexpr quint32 toColorRef(QRgb rgb) { return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16; }
