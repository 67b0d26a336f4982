// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/devicecontext.h"

#include "bitmap/dib.h"

namespace metafile::gdi {

QColor colorOf(ColorRef ref, const Palette &palette)
{
    // GDI tests the palette-index bit alone, whatever else the high byte holds.
    if ((ref & 0x01000000) != 0) {
        const int index = int(ref & 0xFFFF);
        const QList<QRgb> &entries = palette.entries.isEmpty() ? bitmap::defaultPalette() : palette.entries;
        return QColor(index < entries.size() ? entries[index] : entries[0]);
    }
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

void DeviceContext::setBkMode(int mode)
{
    if (mode == gdi::TRANSPARENT || mode == gdi::OPAQUE)
        bkMode = mode;
}

void DeviceContext::setRop2(int mode)
{
    if (mode >= gdi::R2_BLACK && mode <= gdi::R2_WHITE)
        rop2 = mode;
}

void DeviceContext::setPolyFillMode(int mode)
{
    if (mode == gdi::ALTERNATE || mode == gdi::WINDING)
        polyFillMode = mode;
}

void DeviceContext::setArcDirection(int direction)
{
    if (direction == gdi::AD_COUNTERCLOCKWISE || direction == gdi::AD_CLOCKWISE)
        arcDirection = direction;
}

Qt::FillRule fillRule(const DeviceContext &dc)
{
    return dc.polyFillMode == gdi::WINDING ? Qt::WindingFill : Qt::OddEvenFill;
}

QColor withRop2(const QColor &color, int rop2)
{
    if (rop2 == gdi::R2_BLACK)
        return Qt::black;
    if (rop2 == gdi::R2_WHITE)
        return Qt::white;
    return color;
}

} // namespace metafile::gdi
