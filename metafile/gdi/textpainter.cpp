// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/textpainter.h"

#include "gdi/glyphs.h"
#include "text/charset.h"
#include "text/textbox.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

namespace metafile::gdi {

namespace {

// The break character of the Windows text faces, which SETTEXTJUSTIFICATION widens.
constexpr QChar kBreakCharacter = u' ';

// A run reaching further than this from its reference point (device pixels, 30 times the
// largest output) comes from a broken spacing array or mapping: it is not drawn, so the
// raster engine never meets coordinates it cannot hold.
constexpr double kMaxRunPixels = 1.0e6;
// Qt 6.4 renders a glyph as a bitmap through FreeType whenever the area its transform gives
// it stays under 64 pixels, however far the transform stretches it one way; stretched past
// FreeType's raster (some thousands of pixels) the rendering fails and Qt reads a bitmap that
// is not there. Glyphs that would stretch past this are filled as outlines instead.
constexpr double kMaxBitmapGlyphPixels = 2048;
constexpr double kMaxQtCachedGlyphPixels = 64;
// Runs whose box on the canvas is larger than this (pixels) are smoothed as Qt smooths them,
// without GDI's grey levels: their mask and the copy of the canvas under it would cost more
// memory than the canvas, and at such sizes the levels only touch the glyphs' edges.
constexpr qint64 kMaxGreyMaskPixels = qint64(1) << 22;

// GDI asks the font engine for a whole-pixel em: the height is rounded in device pixels.
void snapToWholePixels(text::FontChoice &choice)
{
    if (choice.emPixels < 1)
        return;
    const double em = std::round(choice.emPixels);
    choice.scale *= em / choice.emPixels;
    choice.emPixels = em;
}

// How the glyphs of a run are spaced, besides their own advances.
struct Spacing
{
    std::span<const int> dx; // logical units per byte; empty: the glyphs' advances
    double unitsToDevice = 1; // device pixels per logical unit along the baseline
    double charExtra = 0; // logical units after every character
    int breakCount = 0; // SETTEXTJUSTIFICATION: breaks that share breakExtra
    double breakExtra = 0; // logical units
};

// The characters of decoded text as (first QChar, QChar count): the QChars that came from
// the same bytes belong together.
std::vector<std::pair<qsizetype, qsizetype>> characters(const text::DecodedText &decoded)
{
    std::vector<std::pair<qsizetype, qsizetype>> out;
    for (qsizetype i = 0; i < decoded.text.size(); ++i) {
        if (i > 0 && decoded.firstByte[i] == decoded.firstByte[i - 1])
            ++out.back().second;
        else
            out.emplace_back(i, 1);
    }
    return out;
}

// GDI puts every glyph of a spacing array at the rounded device position of the sum of
// the entries before it (character extra included), so rounding never adds up.
void layoutWithArray(RunLayout &layout, const text::DecodedText &decoded, const Spacing &spacing)
{
    const QList<int> advances = text::advancesPerCharacter(decoded, spacing.dx);
    double logical = 0;
    for (const auto &[first, length] : characters(decoded)) {
        layout.glyphs.push_back(
            {decoded.text.mid(first, length), std::round(logical * spacing.unitsToDevice) / layout.stretch});
        logical += advances[first] + spacing.charExtra;
    }
    layout.width = std::round(logical * spacing.unitsToDevice) / layout.stretch;
}

// Without an array each glyph advances by its own width, a whole number of device pixels
// at the em, plus the character extra and, on break characters, the justification.
void layoutWithAdvances(RunLayout &layout, const text::DecodedText &decoded, const Spacing &spacing,
                        const QRawFont &face)
{
    const QFontMetricsF metrics(layout.choice.font);
    const double toDevice = layout.choice.scale * layout.choice.horizontalScale;
    const double extra = std::round(spacing.charExtra * spacing.unitsToDevice);
    double breakExtra = 0;
    int breakRemainder = 0;
    if (spacing.breakCount > 0) {
        const int total = int(std::lround(spacing.breakExtra * spacing.unitsToDevice));
        const int perBreak = total / spacing.breakCount; // whole pixels, as GDI shares them
        breakExtra = perBreak;
        breakRemainder = total % spacing.breakCount; // one more pixel for the first breaks
    }
    QHash<QString, double> natural;
    double x = 0;
    for (const auto &[first, length] : characters(decoded)) {
        Glyph glyph {decoded.text.mid(first, length), x};
        auto found = natural.constFind(glyph.text);
        if (found == natural.constEnd())
            found = natural.insert(glyph.text, std::round(naturalAdvance(metrics, face, glyph.text) * toDevice));
        double gap = extra;
        if (spacing.breakCount > 0 && glyph.text == kBreakCharacter) {
            gap += breakExtra + (breakRemainder > 0 ? 1 : 0);
            --breakRemainder;
        }
        x += *found + gap / layout.stretch;
        layout.glyphs.push_back(std::move(glyph));
    }
    layout.width = x;
}

bool isSane(double value) { return std::isfinite(value) && std::abs(value) <= kMaxRunPixels; }

// In the advanced mode GDI picks grey or bi-level glyphs by the em before the world
// transform, the picture's fitting included: the size the text was recorded at. The
// window and viewport's vertical scale alone.
double pageScale(const Mapping &mapping)
{
    Mapping page = mapping;
    page.setWorldTransform(QTransform());
    page.setDeviceTransform(QTransform());
    return std::abs(page.transform().m22());
}

// Where a run's space sits on the device (textpainter.h).
struct RunFrame
{
    double pixelsPerUnit = 0; // the em's device pixels per logical unit
    double unitsToDevice = 0; // device pixels per logical unit along the baseline
    double stretch = 1; // device pixels along the baseline per unit of run space
    QTransform shape; // run space to device pixels, without the move to the reference point
    double glyphTurn = 0; // degrees each glyph turns beyond the baseline
};

// Compatible mode: the em at the map's vertical scale, spacing at its horizontal one, and
// the run turned by the escapement on the device, stretched as `stretch` says.
// Advanced mode: the whole map in logical space. The baseline and each glyph turn in
// logical space, by the escapement and the orientation; the em's scale is the device
// length of a logical unit across the baseline, the map's second row, so that run space
// keeps the em's pixels on both axes and the map's shape, over that scale, does the rest.
// Nothing when the map flattens the run's space to a line or a point.
std::optional<RunFrame> runFrame(const DeviceContext &dc, int mode, double stretch)
{
    const QTransform map = dc.mapping.transform();
    const double escapement = std::fmod(dc.font.escapement / 10.0, 360.0);
    QTransform turn;
    turn.rotate(-escapement);
    RunFrame frame;
    if (mode != gdi::GM_ADVANCED) {
        frame.pixelsPerUnit = std::abs(map.m22());
        frame.unitsToDevice = std::abs(map.m11());
        frame.stretch = stretch;
        frame.shape = turn * QTransform::fromScale(stretch, 1);
        return frame;
    }
    QTransform linear(map.m11(), map.m12(), map.m21(), map.m22(), 0, 0);
    // A mirrored layout leaves the glyphs reading left to right (place() swaps the alignment).
    if (dc.layout & gdi::LAYOUT_RTL)
        linear *= QTransform::fromScale(-1, 1);
    const double across = std::hypot(map.m21(), map.m22());
    const QTransform baseline = turn * linear;
    frame.pixelsPerUnit = across;
    frame.unitsToDevice = std::hypot(baseline.m11(), baseline.m12());
    frame.stretch = frame.unitsToDevice / across;
    frame.shape = turn * QTransform::fromScale(1 / across, 1 / across) * linear;
    frame.glyphTurn = std::fmod(dc.font.orientation / 10.0, 360.0) - escapement;
    if (!std::isfinite(frame.stretch) || frame.stretch <= 0 || !frame.shape.isInvertible())
        return std::nullopt;
    return frame;
}

// Where the run starts and where its baseline lies in run space, from the alignment: the
// run's left, centre or right at the reference point; its top, baseline or bottom.
QPointF alignedStart(quint16 align, double width, double ascent, double descent)
{
    double start = 0;
    if ((align & gdi::TA_HORZ_MASK) == gdi::TA_RIGHT)
        start = -width;
    else if ((align & gdi::TA_HORZ_MASK) == gdi::TA_CENTER)
        start = -std::floor(width / 2);
    double baseline = ascent; // TA_TOP
    if ((align & gdi::TA_VERT_MASK) == gdi::TA_BASELINE)
        baseline = 0;
    else if ((align & gdi::TA_VERT_MASK) == gdi::TA_BOTTOM)
        baseline = -descent;
    return QPointF(start, baseline);
}

struct PaintedRun
{
    const RunLayout &layout;
    const RunPlacement &placement;
    QTransform world; // run space to the painter
    QColor color;
    QImage *canvas = nullptr; // the painter's image, where smoothed glyphs can be drawn as GDI's
    QFont font; // what the glyphs are drawn with (drawnFont())
    QRawFont face; // the font's face
};

// Whether a glyph of `pixelSize` under `t` would be rendered by Qt as one bitmap (its area
// small) while reaching past what a bitmap of FreeType's can hold in some direction.
bool stretchedPastBitmaps(const QTransform &t, int pixelSize)
{
    const double reach = std::sqrt(t.m11() * t.m11() + t.m12() * t.m12() + t.m21() * t.m21() + t.m22() * t.m22());
    const double area = std::sqrt(std::abs(t.determinant()));
    return pixelSize * reach > kMaxBitmapGlyphPixels && pixelSize * area < kMaxQtCachedGlyphPixels;
}

// The font a run's glyphs are drawn with. Where GDI draws the glyphs bi-level it also fits them
// to the pixel grid, by the face's own hints: strokes a whole pixel wide, not a grey pair.
// Smoothed glyphs are fitted where the face asks for it, unless the run's shape stretches or
// turns them (GDI's renders of such glyphs are not fitted).
QFont drawnFont(const RunLayout &layout)
{
    const text::FontChoice &choice = layout.choice;
    QFont font = choice.font;
    font.setUnderline(false); // drawn by drawLines() across the whole run, gaps included
    font.setStrikeOut(false);
    if (!choice.smoothed)
        font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::NoAntialias));
    if (!choice.smoothed || (choice.fitted && layout.shape.isIdentity()))
        font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void drawGlyphs(QPainter &painter, const PaintedRun &run, const std::optional<QRectF> &visible)
{
    const text::FontChoice &choice = run.layout.choice;
    const QFont &font = run.font;
    painter.setFont(font);
    painter.setPen(run.color);
    // The run's box with an em around it for overhangs, on the canvas.
    const double em = choice.emPixels * std::max(1.0, choice.horizontalScale);
    const QRectF box(run.placement.start - QPointF(em, run.placement.ascent + em),
                     QSizeF(run.layout.width + 2 * em, run.placement.ascent + run.placement.descent + 2 * em));
    const QRectF deviceBox = painter.combinedTransform().mapRect(box);
    const GlyphDrawer drawer(run.face);
    std::optional<GreyGlyphs> grey;
    if (choice.smoothed && run.canvas) {
        const QRectF onCanvas = deviceBox & QRectF(run.canvas->rect());
        if (onCanvas.width() * onCanvas.height() <= double(kMaxGreyMaskPixels))
            grey.emplace(painter, *run.canvas, deviceBox);
    }
    for (const Glyph &glyph : run.layout.glyphs) {
        const QPointF at = run.placement.start + QPointF(glyph.x, 0);
        if (visible && !visible->contains(run.placement.run.map(at)))
            continue;
        QTransform glyphWorld = QTransform::fromTranslate(at.x(), at.y());
        glyphWorld.rotate(-run.layout.glyphTurn);
        glyphWorld.scale(choice.scale * choice.horizontalScale, choice.scale);
        painter.setWorldTransform(glyphWorld * run.world);
        if (stretchedPastBitmaps(painter.combinedTransform(), font.pixelSize())) {
            QPainterPath outline;
            outline.addText(QPointF(0, 0), font, glyph.text);
            // Aliased: what shows of a glyph this stretched is a band of solid ink, and the
            // anti-aliasing rasteriser would step through every row it spans off the canvas.
            const bool smooth = painter.testRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.fillPath(outline, run.color);
            painter.setRenderHint(QPainter::Antialiasing, smooth);
            continue;
        }
        if (grey)
            grey->add(font, drawer, glyph.text);
        else
            drawer.draw(painter, glyph.text);
    }
    if (grey)
        grey->finish(run.color);
}

// Underline and strike-out at the face's own positions and thickness, whole pixels.
void drawLines(QPainter &painter, const PaintedRun &run)
{
    const QFont &font = run.layout.choice.font;
    if (!font.underline() && !font.strikeOut())
        return;
    painter.setWorldTransform(run.world);
    const QFontMetricsF metrics(font);
    const double scale = run.layout.choice.scale;
    const double thickness = std::max(1.0, std::round(metrics.lineWidth() * scale));
    const double left = run.placement.start.x();
    const double baseline = run.placement.start.y();
    if (font.underline()) {
        const double y = baseline + std::round(metrics.underlinePos() * scale);
        painter.fillRect(QRectF(left, y, run.layout.width, thickness), run.color);
    }
    if (font.strikeOut()) {
        const double y = baseline - std::round(metrics.strikeOutPos() * scale);
        painter.fillRect(QRectF(left, y, run.layout.width, thickness), run.color);
    }
}

} // namespace

// How much wider than its own aspect ratio the caller draws the picture. Only while the
// viewport is still the one over the caller's rectangle: a file that sets its own viewport
// or a mapping with square units is drawn at the same shape whatever the rectangle.
double TextPainter::stretch() const
{
    const PlayTarget &target = m_paint.target;
    const Mapping &mapping = m_paint.dc.mapping;
    if (target.scanMode || mapping.mapMode() != gdi::MM_ANISOTROPIC)
        return 1.0;
    const QSizeF size = target.rect.size();
    if (std::abs(mapping.viewportExtent().width()) != size.width()
        || std::abs(mapping.viewportExtent().height()) != size.height())
        return 1.0;
    const QSizeF frame = target.frameExtent;
    const double stretch = (size.width() / std::abs(frame.width())) / (size.height() / std::abs(frame.height()));
    return std::isfinite(stretch) && stretch > 0 ? std::clamp(stretch, 1.0 / 64, 64.0) : 1.0;
}

// The font at the map's scale, the characters, and their places along the run; nothing
// when there is nothing sane to draw.
std::optional<RunLayout> TextPainter::layout(const TextRun &text) const
{
    const DeviceContext &dc = m_paint.dc;
    const int mode = text.graphicsMode != 0 ? text.graphicsMode : dc.graphicsMode;
    const std::optional<RunFrame> frame = runFrame(dc, mode, mode == gdi::GM_ADVANCED ? 1.0 : stretch());
    if (!frame)
        return std::nullopt;
    const double pixelsPerUnit = frame->pixelsPerUnit;
    RunLayout layout;
    layout.stretch = frame->stretch;
    layout.shape = frame->shape;
    layout.glyphTurn = frame->glyphTurn;
    layout.choice = text::fontForLogFont(dc.font, pixelsPerUnit, text::kDefaultCellHeight * pixelsPerUnit,
                                         mode == gdi::GM_ADVANCED ? pageScale(dc.mapping) : 0);
    snapToWholePixels(layout.choice);
    // An em as large as the font map's bound is a broken height or mapping: no output is
    // that large, and GDI would show a sliver of one glyph at best.
    if (!layout.choice.isDrawable() || layout.choice.emPixels >= text::kMaxEmPixels)
        return std::nullopt;
    // A symbol face asked for in the default character set is drawn in its own, the symbol
    // set, as GDI's font mapper picks the face by name and takes its character set.
    const quint8 charSet =
        dc.font.charSet == text::charset::Default && layout.choice.symbols != text::SymbolMapping::Ansi
            ? text::charset::Symbol
            : dc.font.charSet;
    // Glyph indices name glyphs of the face the metafile was recorded with, which is seldom
    // installed here. The faces standing in for Arial, Times New Roman and Courier New
    // share their glyph order only for the first 98 glyphs (ASCII); past them the
    // Liberation faces go on in Latin-1 order where the Windows faces keep the standard
    // Macintosh order (glyph 98 is Adieresis in Arial, a no-break space in Liberation
    // Sans). So the indices are not drawn as glyphs of the stand-in: through the standard
    // order they become characters again and are laid out as text, which also serves a
    // stand-in of any glyph order. Faces with an order of their own (Calibri, Segoe UI)
    // cannot be read back and draw nothing but their rectangle; GDI, with the face at
    // hand, would draw their glyphs.
    if (text.glyphIndices && !text::hasStandardGlyphOrder(dc.font))
        return std::nullopt;
    const text::DecodedText decoded = text.glyphIndices ? text::decodeStandardGlyphs(text.bytes, text.utf16)
                                    : text.utf16 ? decodeUtf16WithPositions(text.bytes, charSet, layout.choice.symbols)
                                                 : decodeTextWithPositions(text.bytes, charSet, layout.choice.symbols);
    const Spacing spacing {text.dx, frame->unitsToDevice, double(dc.textCharExtra), dc.breakCount,
                           double(dc.breakExtra)};
    if (text.dx.empty())
        layoutWithAdvances(layout, decoded, spacing, face(layout.choice.font));
    else
        layoutWithArray(layout, decoded, spacing);
    if (!isSane(layout.width)
        || !std::all_of(layout.glyphs.begin(), layout.glyphs.end(), [](const Glyph &glyph) { return isSane(glyph.x); }))
        return std::nullopt;
    return layout;
}

// The run's alignment and transform. With TA_UPDATECP the run starts at the current
// position, which moves to the far end of a left-aligned run, to the start of a
// right-aligned one, and stays for a centred one.
RunPlacement TextPainter::place(const TextRun &text, const RunLayout &layout)
{
    DeviceContext &dc = m_paint.dc;
    RunPlacement placement;
    placement.ascent = std::round(layout.choice.ascent * layout.choice.emPixels);
    placement.descent = std::round(layout.choice.descent * layout.choice.emPixels);
    // In a mirrored device the glyphs stay upright and read left to right, but left and
    // right alignment trade places: a left-aligned run ends at its (mirrored) reference
    // point, as the device's left is on the right.
    quint16 align = dc.textAlign;
    if ((dc.layout & gdi::LAYOUT_RTL) && (align & gdi::TA_HORZ_MASK) != gdi::TA_CENTER)
        align ^= gdi::TA_RIGHT;
    placement.start = alignedStart(align, layout.width, placement.ascent, placement.descent);

    const bool updateCp = align & gdi::TA_UPDATECP;
    const QPointF origin = dc.mapping.toDevice(updateCp ? dc.position : QPointF(text.reference));
    placement.run = layout.shape * QTransform::fromTranslate(origin.x(), origin.y());
    if (updateCp && (align & gdi::TA_HORZ_MASK) != gdi::TA_CENTER) {
        bool invertible = false;
        const QTransform back = dc.mapping.transform().inverted(&invertible);
        const double end = (align & gdi::TA_HORZ_MASK) == gdi::TA_RIGHT ? placement.start.x() : layout.width;
        if (invertible)
            dc.position = back.map(placement.run.map(QPointF(end, 0)));
    }
    return placement;
}

// GDI fills the text's cell behind an opaque background (a level box, see levelTextBox),
// unless the text is clipped to the opaque rectangle anyway. Glyphs far outside the picture are left out: the text of a large
// picture drawn as a thumbnail or cut by its frame costs nothing.
void TextPainter::paint(const TextRun &text, const RunLayout &layout, const RunPlacement &placement)
{
    const DeviceContext &dc = m_paint.dc;
    QPainter &painter = m_paint.surface.painter();
    const bool opaqueRect = text.rect && (text.options & gdi::ETO_OPAQUE);
    const bool clipped = text.rect && (text.options & gdi::ETO_CLIPPED);
    const QFont font = drawnFont(layout);
    const PaintedRun run {layout,
                          placement,
                          placement.run * painter.worldTransform(),
                          m_paint.fills.ink(dc.textColor, gdi::R2_COPYPEN),
                          m_paint.surface.canvas(),
                          font,
                          face(font)};
    painter.save();
    if (clipped)
        painter.setClipRect(dc.mapping.toDeviceRect(boxRect(*text.rect).normalized()), Qt::IntersectClip);
    // Level, also for turned text.
    if (dc.bkMode == gdi::OPAQUE && !(clipped && opaqueRect))
        painter.fillRect(
            text::levelTextBox(placement.run, placement.start, layout.width, placement.ascent, placement.descent),
            m_paint.fills.ink(dc.bkColor, gdi::R2_COPYPEN));
    painter.setWorldTransform(run.world);
    const text::FontChoice &choice = layout.choice;
    const double margin =
        2 * choice.emPixels * std::max(1.0, choice.horizontalScale) * std::max(1.0, layout.stretch) + 2;
    const PlayTarget &target = m_paint.target;
    const std::optional<QRectF> visible =
        target.scanMode
            ? std::nullopt
            : std::optional(QRectF(QPointF(0, 0), target.rect.size()).adjusted(-margin, -margin, margin, margin));
    drawGlyphs(painter, run, visible);
    drawLines(painter, run);
    painter.restore();
}

const QRawFont &TextPainter::face(const QFont &font) const
{
    // The key leaves out the hinting, which tells fitted glyphs from free ones.
    const QString key = font.key() + QLatin1Char('/') + QString::number(int(font.hintingPreference()));
    return m_faces.value(key, [&] { return QRawFont::fromFont(font); });
}

void TextPainter::draw(const TextRun &text)
{
    Surface &surface = m_paint.surface;
    if (!m_paint.budget.spendWork(text.bytes.size() + 1))
        return;
    // The clip as for any drawing, but ROP2 does not apply to text.
    m_paint.fills.prepare(gdi::R2_COPYPEN);
    surface.painter().setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (text.rect && (text.options & gdi::ETO_OPAQUE)) {
        const QRectF rect = m_paint.dc.mapping.toDeviceRect(boxRect(*text.rect).normalized());
        surface.painter().fillRect(rect, m_paint.fills.ink(m_paint.dc.bkColor, gdi::R2_COPYPEN));
    }
    if (text.bytes.isEmpty())
        return;
    const std::optional<RunLayout> laidOut = layout(text);
    if (!laidOut)
        return;
    const RunPlacement placement = place(text, *laidOut);
    if (m_paint.budget.spendWork(qint64(laidOut->glyphs.size())))
        paint(text, *laidOut, placement);
}

} // namespace metafile::gdi
