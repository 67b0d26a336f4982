// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// A Windows Metafile or an Enhanced Metafile parsed once into an immutable document that can be played
// any number of times, at any size, onto any QPainter.
//
// Data flow: bytes -> load() (header checks, record index) -> Document
//            Document::play(painter, target) -> the player's device context -> QPainter

#include "core/facts.h"
#include "core/inflate.h"
#include "core/limits.h"
#include "core/playresult.h"
#include "core/playsettings.h"
#include "text/greylevels.h"

#include <QByteArrayView>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace metafile::gdi {
class PatchBook;
struct Patches;
} // namespace metafile::gdi

namespace metafile {

using PlayResult = core::PlayResult;
using Diagnostic = core::Diagnostic;
using DiagnosticsHook = core::DiagnosticsHook;
using RecordCount = core::RecordCount;
using FontFace = core::FontFace;
// Which drawing of an Enhanced Metafile that carries EMF+ a play draws: Auto (a file that
// also holds a GDI drawing from that, as Windows' GDI; one that holds nothing else from
// EMF+), Prefer (EMF+ whenever there is some) or Ignore (the GDI records always).
using EmfPlusLayer = core::EmfPlusLayer;

// The layer named "auto", "prefer" or "ignore", as the command lines take it.
[[nodiscard]] std::optional<EmfPlusLayer> emfPlusLayerNamed(QStringView name);

// Whether `head`, a file's first bytes, starts like a metafile: a Windows Metafile's
// placeable header key or standard header (type 1 or 2, nine words long), or an Enhanced
// Metafile's header (type 1 with the signature " EMF" at byte 40); or a gzip stream whose
// start inflates to one of those (a few hundred bytes of it are enough to tell).
[[nodiscard]] bool looksLikeMetafile(QByteArrayView head);

// Whether `bytes` are a gzip stream, as .wmz and .emz files are (whatever they hold).
[[nodiscard]] bool isCompressed(QByteArrayView bytes);
// The first bytes, at most `count`, that the start of a gzip stream inflates to.
using core::inflateHead;

// The most bytes a metafile may have, as a file and inflated: Document::load() refuses more, so
// a reader of a stream need not hold more than one byte past it to be told why.
inline constexpr qsizetype maxFileBytes = core::limits::maxFileBytes;
// The greys of smoothed text on GDI, by sixteenths of a pixel covered (text/greylevels.h).
using text::smoothedGlyphGreys;

// The kind of a metafile: a Windows Metafile with or without the placeable header, or an
// Enhanced Metafile, whose comments may carry EMF+ records. A dual one draws the same picture
// in its EMF records; an EMF+ only one draws in EMF+ records alone.
enum class Kind { Wmf, PlaceableWmf, Emf, EmfPlusDual, EmfPlusOnly };

// What a document holds, found without playing it (see core/facts.h).
struct Description
{
    Kind kind = Kind::Wmf;
    bool compressed = false; // inflated from a gzip stream
    qsizetype records = 0; // after the header, the end record not counted
    qsizetype emfPlusRecords = 0;
    std::vector<RecordCount> skipped; // records the player does not play, by name
    std::vector<FontFace> fonts; // the faces asked for and the faces drawn instead
    bool emfPlusDrawn = false; // a play draws the EMF+ records, not the GDI ones
    std::vector<RecordCount> emfPlusSkipped; // EMF+ records a play leaves out, by name
};

// Fonts need a QGuiApplication. A program that goes without one until a picture needs a font
// (the command-line converter: most pictures draw no text, and the set-up of a GUI application
// and of the system's font configuration is most of its start-up) gives here a function that
// makes one. The engine calls it when it first looks up a font with no GUI application there,
// on the thread that loads or plays, which must then be the program's main thread. Without a
// GUI application after it, no font is looked up: text is not drawn.
void setFontSetUp(void (*setUp)());

// The drawings of a picture that only pixels can express, kept for an output that keeps the rest
// as shapes (SVG, PDF): each a piece of pixels placed over the shapes where the drawing was.
// Recorded by Document::recordPatches(), drawn by Document::playWithPatches(). Copies share.
class RasterPatches
{
public:
    RasterPatches();
    // The pieces recorded, each a rectangle of pixels in the output.
    [[nodiscard]] int count() const;

private:
    friend class Document;
    std::shared_ptr<gdi::PatchBook> m_book;
};

class Document
{
public:
    // Parses `bytes`. On failure returns nothing and, when `error` is given, sets it to a
    // short reason a user can read ("not a Windows Metafile", "the file is truncated", ...).
    // Gzip-compressed bytes (a .wmz or .emz file, whatever its name) are inflated first, up
    // to the same cap as a plain file's (limits::maxFileBytes): more is refused after
    // inflating at most that much, so a small file that inflates without end costs bounded
    // time and memory.
    [[nodiscard]] static std::optional<Document> load(QByteArrayView bytes, QString *error = nullptr);

    // The picture's frame in logical units: the placeable header's box, otherwise the first
    // window origin and extent, otherwise the extent of what the drawing touches. For an
    // enhanced metafile, the header's frame in its reference device's pixels.
    [[nodiscard]] QRectF bounds() const;

    // The size of bounds() on paper, in twips (1440 to the inch): a placeable header's box at
    // its units per inch, an enhanced metafile's frame (0.01 mm). Nothing for a Windows
    // Metafile without a placeable header (or with 0 units per inch): it does not say.
    [[nodiscard]] std::optional<QSizeF> physicalSize() const;

    // The kind, records, EMF+ records, unplayed records and fonts of the file, and which
    // layer a play draws. Reads the record index only; the fonts used come from the
    // installed faces, which needs a QGuiApplication.
    [[nodiscard]] Description describe() const;

    // The drawing a play draws of a file that carries EMF+ (Auto unless set). Each copy of a
    // document keeps its own choice; they share the file.
    void setEmfPlusLayer(EmfPlusLayer layer) { m_layer = layer; }
    [[nodiscard]] EmfPlusLayer emfPlusLayer() const { return m_layer; }

    // Whether a play of the picture draws nothing at all: no record of the drawing played
    // reaches the canvas (an empty file, or EMF+ records none of which can be drawn). Plays
    // the picture once onto a small image when it is drawn from EMF+ or has no records but
    // its frame; any other file is taken to draw.
    [[nodiscard]] bool drawsNothing() const;

    // The name of the record function `function` in this document's format ("META_POLYGON",
    // "EMR_POLYGON", "EmfPlusFillRects" for an EMF+ record), for naming a Diagnostic's record.
    [[nodiscard]] QString recordName(quint16 function) const;

    // Plays the picture so that bounds() fills `target` (device coordinates of `painter`)
    // exactly; the aspect ratio follows the target. Drawing is clipped to `target`. `hook`,
    // when given, hears of every record that did not play whole. An inactive painter or an
    // empty target draws nothing and is no fault of the file: Ok.
    PlayResult play(QPainter &painter, const QRectF &target, const DiagnosticsHook &hook = {}) const;

    // For an output that keeps the drawing as shapes: plays as play() does onto `canvas`, a
    // painter on a QImage at the output's resolution (moved by whole pixels at most, to draw one
    // band of it), and adds to `patches` the pixels that the drawings only pixels can express
    // changed: binary raster operations that read the canvas (SETROP2), blits whose raster
    // operation is more than a copy, region inversions, flood fills, and the pass that closes the
    // seam between a fill and the one it abuts. Call it for each band with the same `target`.
    PlayResult recordPatches(QPainter &canvas, const QRectF &target, RasterPatches &patches,
                             const DiagnosticsHook &hook = {}) const;
    // Plays onto `painter`, one that keeps shapes (an SVG or PDF writer), with the `target` the
    // patches were recorded for: those drawings draw their patches instead, in place.
    PlayResult playWithPatches(QPainter &painter, const QRectF &target, const RasterPatches &patches,
                               const DiagnosticsHook &hook = {}) const;

private:
    struct Data;
    explicit Document(std::shared_ptr<const Data> data);
    PlayResult playOn(QPainter &painter, const QRectF &target, const DiagnosticsHook &hook,
                      const gdi::Patches &patches) const;
    std::shared_ptr<const Data> m_data;
    EmfPlusLayer m_layer = EmfPlusLayer::Auto;
};

} // namespace metafile
