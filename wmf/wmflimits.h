#pragma once

// Upper bounds that keep a hostile or broken metafile to bounded time and memory.
// A file that reaches one of them loads or plays as far as it got and reports
// PlayResult::LimitExceeded (or a load error for the file size).

#include <QtGlobal>

namespace wmf::limits {

// The largest real metafiles are scanned clip art of a few MiB; 64 MiB leaves a wide
// margin while keeping the copy the document holds small.
constexpr qsizetype maxFileBytes = 64 * 1024 * 1024;

// The smallest record is 6 bytes, so a 64 MiB file could hold 11 million of them; a
// drawing with more than a million records is not something a person made.
constexpr qsizetype maxRecords = 1'000'000;

// SAVEDC nests; GDI itself gives up far earlier in practice. Each saved context copies a
// few hundred bytes plus the clip region.
constexpr int maxSaveDepth = 1024;

// The header's object count is 16 bits; the table never grows past what it declares.
constexpr int maxObjects = 65535;

// LOGPALETTE counts are 16 bits but a palette device has at most 256 colours; entries
// past this are ignored.
constexpr int maxPaletteEntries = 256;

// Rectangles of one region object; a region record cannot be larger than the file.
constexpr int maxRegionRects = 1'000'000;

// Total points, rectangles and pixels pushed to the painter during one play, so that a
// small file that repeats a huge polygon ten thousand times cannot hang the program.
constexpr qint64 maxWorkUnits = 200'000'000;

// Bitmaps: the product is computed in 64 bits; 16384 x 16384 is the largest image the
// other Qt image readers accept as well.
constexpr qint64 maxBitmapSide = 16384;
constexpr qint64 maxBitmapPixels = maxBitmapSide * maxBitmapSide;

// A flood fill reads and writes the target image; it is refused on images larger than
// this many pixels (about 4000 x 4000).
constexpr qint64 maxFloodFillPixels = 16'000'000;

} // namespace wmf::limits
