#pragma once

// Writing a canvas image as an uncompressed 24-bit Windows bitmap.

#include <QSizeF>
#include <QString>

class QIODevice;
class QImage;

// Writes `image` as a BMP (BITMAPFILEHEADER, BITMAPINFOHEADER, 24 bits per pixel,
// bottom-up rows padded to 4 bytes). When `physicalTwips` is not empty the resolution
// fields make the bitmap's physical size that many twips (1440 to the inch).
bool writeBmp(const QImage &image, QIODevice &device, QSizeF physicalTwips = {});

// Saves `image` as a BMP at `path`, replacing any file of that name. The bytes go to a
// temporary file in the target's folder that is renamed over the target only once it is
// complete, so a failed save leaves no partial file and an existing file untouched.
// On failure returns false and sets `error` to a few words on why.
bool SavePicture(const QImage &image, const QString &path, QSizeF physicalTwips = {}, QString *error = nullptr);
