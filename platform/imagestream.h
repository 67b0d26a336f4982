// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A picture file written a band of rows at a time, so that a picture of any size needs only a
// band of its pixels in memory: the rows go to the device as they come.

#include <QSize>
#include <QSizeF>

#include <memory>

class QIODevice;
class QImage;

enum class ImageFormat {
    Bmp, // uncompressed 24-bit Windows bitmap, rows bottom-up
    Png, // 24-bit PNG, rows top-down
};

class ImageStream
{
public:
    virtual ~ImageStream() = default;

    // Whether the file keeps its rows bottom-up, so that its bands must come bottom first.
    virtual bool bottomUp() const = 0;

    // The file's header. False when the device refuses the bytes or the size cannot be kept.
    virtual bool begin() = 0;

    // The rows of `band`, an RGB32 image of the picture's width, in the file's order: a
    // bottom-up stream takes them last row first.
    virtual bool write(const QImage &band) = 0;

    // Whatever follows the last row.
    virtual bool end() = 0;
};

// A stream of a `size` picture in `format` onto `device`. When `physicalTwips` is not empty
// the file's resolution makes the picture that many twips (1440 to the inch).
std::unique_ptr<ImageStream> makeImageStream(ImageFormat format, QIODevice &device, QSize size,
                                             QSizeF physicalTwips = {});

// The pixels per metre that give `pixels` a physical length of `twips`; 0 (unknown) when there
// is no length to keep or it does not fit the files' 32-bit fields.
quint32 pixelsPerMetre(int pixels, qreal twips);

// The two streams, for makeImageStream.
std::unique_ptr<ImageStream> makeBmpStream(QIODevice &device, QSize size, QSizeF physicalTwips);
std::unique_ptr<ImageStream> makePngStream(QIODevice &device, QSize size, QSizeF physicalTwips);
