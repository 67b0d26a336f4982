// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/plusobjecttable.h"

#include "core/limits.h"

#include <QBuffer>
#include <QImageReader>

namespace metafile::gdi {

namespace {

// PixelFormat values GDI+ defines.
constexpr quint32 format16bppGray = 0x00101004;
constexpr quint32 format16bppRgb555 = 0x00021005;
constexpr quint32 format16bppRgb565 = 0x00021006;
constexpr quint32 format16bppArgb1555 = 0x00061007;
constexpr quint32 format24bppRgb = 0x00021808;
constexpr quint32 format32bppRgb = 0x00022009;
constexpr quint32 format32bppArgb = 0x0026200A;
constexpr quint32 format32bppPargb = 0x000E200B;
constexpr quint32 format48bppRgb = 0x0010300C;
constexpr quint32 format64bppArgb = 0x0034400D;
constexpr quint32 format64bppPargb = 0x001A400E;

bool withinLimits(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= core::limits::maxBitmapSide && height <= core::limits::maxBitmapSide
        && width * height * 4 <= core::limits::maxBitmapBytes;
}

// A compressed image (PNG, JPEG, GIF, BMP, TIFF): its size read from its header first.
std::optional<QImage> decodeFile(const QByteArray &file)
{
    QByteArray bytes = file;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || !withinLimits(size.width(), size.height()))
        return std::nullopt;
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return image.convertToFormat(QImage::Format_ARGB32);
}

quint16 u16(const uchar *p) { return quint16(p[0] | (p[1] << 8)); }

// One pixel of a raw row as ARGB; `x` counts pixels.
QRgb rawPixel(const plus::Bitmap &bitmap, const uchar *row, int x, int bits)
{
    const auto paletteAt = [&](int index) {
        return index < int(bitmap.palette.size()) ? bitmap.palette[size_t(index)] : qRgb(0, 0, 0);
    };
    if (bitmap.pixelFormat & plus::pixelFormatIndexed) {
        const int perByte = 8 / bits;
        const int shift = 8 - bits * (x % perByte + 1);
        return paletteAt((row[x / perByte] >> shift) & ((1 << bits) - 1));
    }
    const uchar *p = row + qsizetype(x) * (bits / 8);
    const auto five = [](int v) { return (v << 3) | (v >> 2); };
    switch (bitmap.pixelFormat) {
    case format16bppGray: return qRgb(p[1], p[1], p[1]);
    case format16bppRgb555: return qRgb(five((u16(p) >> 10) & 31), five((u16(p) >> 5) & 31), five(u16(p) & 31));
    case format16bppRgb565:
        return qRgb(five((u16(p) >> 11) & 31), ((u16(p) >> 5) & 63) << 2 | ((u16(p) >> 9) & 3), five(u16(p) & 31));
    case format16bppArgb1555:
        return qRgba(five((u16(p) >> 10) & 31), five((u16(p) >> 5) & 31), five(u16(p) & 31),
                     (u16(p) & 0x8000) ? 255 : 0);
    case format24bppRgb:
    case format32bppRgb: return qRgb(p[2], p[1], p[0]);
    case format32bppArgb: return qRgba(p[2], p[1], p[0], p[3]);
    case format32bppPargb: return qUnpremultiply(qRgba(p[2], p[1], p[0], p[3]));
    case format48bppRgb: return qRgb(p[5], p[3], p[1]);
    case format64bppArgb: return qRgba(p[5], p[3], p[1], p[7]);
    case format64bppPargb: return qUnpremultiply(qRgba(p[5], p[3], p[1], p[7]));
    default: return qRgb(0, 0, 0);
    }
}

} // namespace

void PlusObjectTable::set(int index, plus::Object object)
{
    if (index >= 0 && index < int(m_slots.size()))
        m_slots[size_t(index)] = Slot {std::move(object), std::nullopt};
}

const PlusObjectTable::Slot *PlusObjectTable::at(int index) const
{
    if (index < 0 || index >= int(m_slots.size()) || !m_slots[size_t(index)])
        return nullptr;
    return &*m_slots[size_t(index)];
}

const QImage *PlusObjectTable::bitmap(int index, core::WorkBudget &budget)
{
    if (!at(index))
        return nullptr;
    Slot &slot = *m_slots[size_t(index)];
    if (!slot.pixels) {
        const plus::Image *image = std::get_if<plus::Image>(&slot.object);
        if (const auto *brush = std::get_if<plus::Brush>(&slot.object)) {
            if (const auto *texture = std::get_if<plus::TextureBrush>(brush))
                image = &texture->image;
        }
        const auto *pixels = image ? std::get_if<plus::Bitmap>(image) : nullptr;
        slot.pixels = (pixels ? decodePlusBitmap(*pixels, budget) : std::nullopt).value_or(QImage());
    }
    return slot.pixels->isNull() ? nullptr : &*slot.pixels;
}

std::optional<QImage> decodePlusBitmap(const plus::Bitmap &bitmap, core::WorkBudget &budget)
{
    if (bitmap.compressed) {
        // The reader's cost grows with the file; its pixels are charged once they are known.
        std::optional<QImage> image = decodeFile(bitmap.bytes);
        if (!image || !budget.spendWork(qint64(image->width()) * image->height()))
            return std::nullopt;
        return image;
    }
    const std::optional<int> bits = plus::bitsPerPixel(bitmap.pixelFormat);
    const qint64 rowBytes = bits ? (qint64(bitmap.width) * *bits + 7) / 8 : 0;
    if (!bits || !withinLimits(bitmap.width, bitmap.height) || bitmap.stride < rowBytes
        || qint64(bitmap.stride) * bitmap.height > bitmap.bytes.size()
        || !budget.spendWork(qint64(bitmap.width) * bitmap.height))
        return std::nullopt;
    QImage image(bitmap.width, bitmap.height, QImage::Format_ARGB32);
    if (image.isNull())
        return std::nullopt;
    const auto *data = reinterpret_cast<const uchar *>(bitmap.bytes.constData());
    for (int y = 0; y < bitmap.height; ++y) {
        const uchar *row = data + qsizetype(y) * bitmap.stride;
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < bitmap.width; ++x)
            out[x] = rawPixel(bitmap, row, x, *bits);
    }
    return image;
}

} // namespace metafile::gdi
