// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/stockobjects.h"

namespace metafile::gdi {

namespace {

constexpr quint32 nullBrush = 5;
constexpr quint32 whitePen = 6;
constexpr quint32 nullPen = 8;
constexpr quint32 defaultPalette = 15;
constexpr quint32 dcPen = 19;

std::optional<Brush> stockBrush(quint32 stock)
{
    static constexpr ColorRef greys[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
    Brush brush;
    if (stock < 5)
        brush.color = greys[stock];
    else if (stock == nullBrush)
        brush.style = gdi::BS_NULL;
    else if (stock != 18) // DC_BRUSH: white unless SETDCBRUSHCOLOR, which EMF does not record
        return std::nullopt;
    return brush;
}

std::optional<Pen> stockPen(quint32 stock)
{
    Pen pen;
    if (stock == whitePen)
        pen.color = 0xFFFFFF;
    else if (stock == nullPen)
        pen.style = gdi::PS_NULL;
    else if (stock != whitePen + 1 && stock != dcPen) // BLACK_PEN, DC_PEN
        return std::nullopt;
    return pen;
}

// The stock fonts: the system's fonts at their usual sizes.
std::optional<text::LogFont> stockFont(quint32 stock)
{
    if (stock < 10 || stock > 17 || stock == defaultPalette)
        return std::nullopt;
    text::LogFont font;
    const bool fixed = stock == 10 || stock == 11 || stock == 16;
    font.height = stock == 17 ? -11 : 16;
    font.weight = stock == 13 || stock == 16 ? 700 : 400;
    font.pitchAndFamily = fixed ? 0x31 : 0x22;
    font.faceName = stock == 17 ? "MS Shell Dlg" : fixed ? "Courier" : "System";
    return font;
}

} // namespace

std::optional<GdiObject> stockObject(quint32 index)
{
    if (!(index & stockObjectBit))
        return std::nullopt;
    const quint32 stock = index & ~stockObjectBit;
    if (std::optional<Brush> brush = stockBrush(stock))
        return GdiObject(std::move(*brush));
    if (std::optional<Pen> pen = stockPen(stock))
        return GdiObject(std::move(*pen));
    if (std::optional<text::LogFont> font = stockFont(stock))
        return GdiObject(std::move(*font));
    if (stock == defaultPalette)
        return GdiObject(Palette());
    return std::nullopt;
}

} // namespace metafile::gdi
