// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Upper bounds that keep a hostile or broken metafile to bounded time and memory.
// A file that reaches one of them loads or plays as far as it got and reports
// PlayResult::LimitExceeded (or a load error for the file size).

#include <QtGlobal>

namespace metafile::core::limits {

// The largest real metafiles are scanned clip art of a few MiB; 64 MiB leaves a wide
// margin while keeping the copy the document holds small.
constexpr qsizetype maxFileBytes = qsizetype(64) * 1024 * 1024;

// The smallest record is 6 bytes, so a 64 MiB file could hold 11 million of them; a
// drawing with more than a million records is not something a person made.
constexpr qsizetype maxRecords = 1'000'000;

// SAVEDC nests; GDI itself gives up far earlier in practice. Each saved context copies a
// few hundred bytes plus the clip region.
constexpr int maxSaveDepth = 1024;

// The header's object count is 16 bits; the table never grows past what it declares.
constexpr int maxObjects = 65535;

// Points of one POLYGON or POLYLINE (a signed 16-bit count) and of one polygon of a
// POLYPOLYGON (an unsigned 16-bit count): the format's own ceiling, checked so that a
// count can never be taken for more than the record holds.
constexpr int maxPointsPerPolygon = 65535;

// All points of one play together. A 64 MiB file holds at most 16 million points; real
// drawings have well under a million, and ten million keep a play to seconds.
constexpr qint64 maxTotalPoints = 10'000'000;

// A logical coordinate mapped to the device, in device pixels. GDI's device space holds
// 27-bit coordinates; beyond that a point is pinned to the edge, which keeps every later
// conversion to a whole pixel inside an int and far from floating-point overflow.
constexpr double maxDeviceCoordinate = 1 << 27;

// Window and viewport extents and origins (logical and device units). SCALEWINDOWEXT and
// OFFSETWINDOWORG can grow them without end; a value past GDI's 27-bit device space is
// refused (extents) or pinned (origins), as GDI's own arithmetic would overflow there.
constexpr double maxExtent = 1 << 27;

// LOGPALETTE counts are 16 bits but a palette device has at most 256 colours; entries
// past this are ignored.
constexpr int maxPaletteEntries = 256;

// Rectangles of one region object; a region record cannot be larger than the file.
constexpr int maxRegionRects = 1'000'000;

// Scans (bands) of one region record: the scan count is 16 bits, so this is the format's
// own ceiling; the rectangles of all scans together stay under maxRegionRects.
constexpr int maxRegionScans = 65535;

// Merging rectangles that are not in GDI's banded order costs time in proportion to the
// rectangles already merged; past this many such a region costs more than it can show.
constexpr int maxUnbandedRegionRects = 10'000;

// Qt's anti-aliasing rasteriser keeps the cells of each pixel row in a list it walks for
// every new cell, so a row of n cells costs n squared: a polygon of a few thousand long
// crossing edges, no drawing but easy to write, takes minutes. The player estimates that
// cost per path (the sum over device rows of the squared cells there) and draws a path
// past the first limit, or every path once the second is spent, without anti-aliasing,
// which GDI never uses anyway. The busiest real paths and plays stay under these.
constexpr double maxAntialiasCostPerPath = 5'000'000;
constexpr double maxAntialiasCostPerPlay = 30'000'000;

// Total points, rectangles and pixels pushed to the painter during one play, so that a
// small file that repeats a huge polygon ten thousand times cannot hang the program.
constexpr qint64 maxWorkUnits = 200'000'000;

// A dashed line is a shape per dash to the anti-aliasing rasteriser, each dash costing by
// the rows its edges cross, about the pen's width: some 0.3 microseconds a row. A stroke's
// dash rows cost this much of the work above each (so a play draws about two million of
// them, half a second), and a stroke that would need more than the second figure is drawn
// solid: its pattern is too fine for its length to show as dashes anyway.
constexpr qint64 workPerDashRow = 100;
constexpr double maxDashRowsPerStroke = 1'000'000;

// Bitmaps (DIB, Bitmap16, embedded JPEG and PNG), checked in 64-bit arithmetic before any
// pixel memory is allocated. No canvas this program renders is wider or taller than 16384
// pixels, the largest image Qt's other image readers accept as well; a larger side is a
// broken header. The decoded pixels (4 bytes each) leave room for a full-page 300 dpi scan
// (about 35 MiB) with a wide margin, while a hostile header cannot take the machine's memory.
constexpr qint64 maxBitmapSide = 16384;
constexpr qint64 maxBitmapBytes = qint64(256) * 1024 * 1024;

// A flood fill reads and writes the target image; it is refused on images larger than
// this many pixels (about 4000 x 4000).
constexpr qint64 maxFloodFillPixels = 16'000'000;

// Enhanced Metafiles share the limits above: records (the smallest EMF record is 8 bytes),
// points, region rectangles, bitmaps, the save stack, and the object table (the header's
// 16-bit handle count). Every count inside an EMF record (points, polygons, characters,
// spacing entries, rectangles, palette entries) is checked by division against the record's
// size, and every offset and size against the record's bounds, so no count or offset can
// reach past the record that holds it.

// The elements of a world transform (SETWORLDTRANSFORM, MODIFYWORLDTRANSFORM): a scale or
// move beyond GDI's 27-bit device space puts every point off the page; such a record is
// refused, as is a transform that cannot be inverted, which GDI refuses too.
constexpr double maxWorldTransformElement = 1 << 27;

// The radius of ANGLEARC, in logical units: an unsigned 32-bit value, of which only what
// the 27-bit device space can hold is drawable.
constexpr double maxArcRadius = 1 << 27;

// SETMITERLIMIT: a 32-bit count of pen widths. A miter longer than the canvas shows nothing
// more; the bound keeps the stroker's arithmetic small.
constexpr double maxMiterLimit = 1000;

// EMF+ (GDI+ records inside EMR_COMMENT): the object table has 64 slots, the format's own
// ceiling (an object index is a byte of which only 0 to 63 name a slot).
constexpr int maxEmfPlusObjects = 64;

// An EMF+ object too large for one record (an embedded PNG or JPEG, a metafile picture, a
// long path) is continued over several, each declaring the object's total size. The real
// ones are images of a few MiB; the total is checked against this before anything is
// gathered, and the bytes gathered may never pass the total they declared. An object past
// it is refused like a malformed one: the play goes on without it.
constexpr qint64 maxEmfPlusObjectBytes = qint64(32) * 1024 * 1024;

// An EMF+ region is a tree of combinations (and, or, xor, exclude, complement) over
// rectangles and paths, decoded by recursion. GDI+ deepens it by one for every combine;
// real pictures stay at one or two, and 256 leaves room for a clip built from a couple of
// hundred exclusions while keeping the recursion shallow.
constexpr int maxEmfPlusRegionDepth = 256;

// An EMF+ image may hold a metafile, which may hold images of its own: each is played
// inside the one that holds it, with the same work budget. Real pictures nest one or two
// deep (an Office drawing holding a pasted chart); a metafile nested deeper is not drawn.
constexpr int maxNestedMetafileDepth = 4;

} // namespace metafile::core::limits
