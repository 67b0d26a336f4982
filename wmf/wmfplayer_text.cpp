// Text records: TEXTOUT and EXTTEXTOUT placed the way GDI places them.
//
// Data flow: record -> TextRecord (reference point, bytes, spacing array, rectangle,
// options) -> the selected LogFont becomes a FontChoice at the map's vertical scale
// (fontmap.h) -> the bytes become characters of the font's character set (charset.h) ->
// a layout in run space -> QPainter calls.
//
// Run space: x runs along the baseline and y down across it, in device pixels of the
// picture at its own aspect ratio. The run transform turns it by the escapement, stretches
// it with the picture (textStretch()) and moves it to the reference point. GDI sizes a font
// by the vertical scale alone and keeps each glyph's natural width, so the text of a
// picture drawn at another aspect ratio runs too long or too short on GDI; here the glyphs
// stretch with the picture, while each run and each glyph of a spacing array starts where
// GDI puts it (a centred or right-aligned run keeps its aligned edge on the reference point).
//
// As on GDI: the em is a whole number of device pixels, advances are whole device pixels,
// ascent and descent are the face's Windows metrics, the escapement turns counter-clockwise
// as seen on the page whichever way the mapping points its axes, and ROP2 does not apply to
// text or to its background.

#include "wmfplayer.h"

#include "charset.h"
#include "fontmap.h"
#include "textbox.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

namespace wmf {

struct TextRecord
{
    QPointF reference; // logical units
    QByteArrayView bytes;
    std::vector<qint16> dx; // logical units, one entry per byte; empty without an array
    std::optional<QRectF> rect; // logical units
    quint16 options = 0;
};

namespace {

constexpr quint16 ETO_OPAQUE = 0x0002;
constexpr quint16 ETO_CLIPPED = 0x0004;

// The break character of the Windows text faces, which SETTEXTJUSTIFICATION widens.
constexpr QChar kBreakCharacter = u' ';

// A run reaching further than this from its reference point (device pixels, 30 times the
// largest output) comes from a broken spacing array or mapping: it is not drawn, so the
// raster engine never meets coordinates it cannot hold.
constexpr double kMaxRunPixels = 1.0e6;

// Faces measured for their Windows metrics stay cached; a file uses a handful of faces.
constexpr qsizetype kMaxCachedFaces = 256;

// GDI's vertical metrics of a face, as fractions of the em.
struct FaceLines
{
    double ascent = 0.9;
    double descent = 0.2;
};

quint16 readBigEndianU16(const QByteArray &table, qsizetype offset)
{
    if (offset < 0 || offset + 2 > table.size())
        return 0;
    return quint16((quint8(table[offset]) << 8) | quint8(table[offset + 1]));
}

FaceLines measureLines(const QFont &font)
{
    FaceLines lines;
    const QFontMetricsF metrics(font);
    if (font.pixelSize() > 0) {
        lines.ascent = metrics.ascent() / font.pixelSize();
        lines.descent = metrics.descent() / font.pixelSize();
    }
    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid() || raw.unitsPerEm() <= 0)
        return lines;
    // usWinAscent and usWinDescent (OS/2 offsets 74 and 76) make the cell GDI aligns text by.
    const QByteArray os2 = raw.fontTable("OS/2");
    const int winAscent = readBigEndianU16(os2, 74);
    const int winDescent = readBigEndianU16(os2, 76);
    if (winAscent + winDescent > 0) {
        lines.ascent = winAscent / raw.unitsPerEm();
        lines.descent = winDescent / raw.unitsPerEm();
    }
    return lines;
}

FaceLines faceLines(const QFont &font)
{
    thread_local QHash<QString, FaceLines> cache;
    const QString key = QStringLiteral("%1|%2|%3").arg(font.family()).arg(font.weight()).arg(font.italic());
    const auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    if (cache.size() >= kMaxCachedFaces)
        cache.clear();
    return *cache.insert(key, measureLines(font));
}

// GDI asks the font engine for a whole-pixel em: the height is rounded in device pixels.
void snapToWholePixels(FontChoice &choice)
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
    std::span<const qint16> dx; // logical units per byte; empty: the glyphs' advances
    double unitsToDevice = 1; // device pixels per logical unit along the baseline
    double charExtra = 0; // logical units after every character
    int breakCount = 0; // SETTEXTJUSTIFICATION: breaks that share breakExtra
    double breakExtra = 0; // logical units
};

struct Glyph
{
    QString text;
    double x = 0; // run space, from the run's start
};

struct RunLayout
{
    std::vector<Glyph> glyphs;
    double width = 0; // run space
};

// The characters of decoded text as (first QChar, QChar count): the QChars that came from
// the same bytes belong together.
std::vector<std::pair<qsizetype, qsizetype>> characters(const DecodedText &decoded)
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
RunLayout layoutWithArray(const DecodedText &decoded, const Spacing &spacing, double stretch)
{
    RunLayout layout;
    const QList<int> advances = advancesPerCharacter(decoded, spacing.dx);
    double logical = 0;
    for (const auto &[first, length] : characters(decoded)) {
        layout.glyphs.push_back(
            {decoded.text.mid(first, length), std::round(logical * spacing.unitsToDevice) / stretch});
        logical += advances[first] + spacing.charExtra;
    }
    layout.width = std::round(logical * spacing.unitsToDevice) / stretch;
    return layout;
}

// Without an array each glyph advances by its own width, a whole number of device pixels
// at the em, plus the character extra and, on break characters, the justification.
RunLayout layoutWithAdvances(const DecodedText &decoded, const FontChoice &choice, const Spacing &spacing,
                             double stretch)
{
    RunLayout layout;
    const QFontMetricsF metrics(choice.font);
    const double toDevice = choice.scale * choice.horizontalScale;
    const double extra = std::round(spacing.charExtra * spacing.unitsToDevice);
    double breakExtra = 0;
    int breakRemainder = 0;
    if (spacing.breakCount > 0) {
        const int total = int(std::lround(spacing.breakExtra * spacing.unitsToDevice));
        breakExtra = total / spacing.breakCount;
        breakRemainder = total % spacing.breakCount; // one more pixel for the first breaks
    }
    QHash<QString, double> natural;
    double x = 0;
    for (const auto &[first, length] : characters(decoded)) {
        Glyph glyph {decoded.text.mid(first, length), x};
        auto found = natural.constFind(glyph.text);
        if (found == natural.constEnd())
            found = natural.insert(glyph.text, std::round(metrics.horizontalAdvance(glyph.text) * toDevice));
        double gap = extra;
        if (spacing.breakCount > 0 && glyph.text == kBreakCharacter) {
            gap += breakExtra + (breakRemainder > 0 ? 1 : 0);
            --breakRemainder;
        }
        x += *found + gap / stretch;
        layout.glyphs.push_back(std::move(glyph));
    }
    layout.width = x;
    return layout;
}

// A laid-out run with its place: `start` is the run-space point of the first glyph's
// origin, `run` maps run space to device pixels and `world` to the painter.
struct PlacedRun
{
    const RunLayout &layout;
    const FontChoice &choice;
    QPointF start;
    QTransform run;
    QTransform world;
};

void drawGlyphs(QPainter &painter, const PlacedRun &placed, const QColor &color, const std::optional<QRectF> &visible)
{
    QFont font = placed.choice.font;
    font.setUnderline(false); // drawn by drawLines() across the whole run, gaps included
    font.setStrikeOut(false);
    painter.setFont(font);
    painter.setPen(color);
    const double scale = placed.choice.scale;
    for (const Glyph &glyph : placed.layout.glyphs) {
        const QPointF at = placed.start + QPointF(glyph.x, 0);
        if (visible && !visible->contains(placed.run.map(at)))
            continue;
        QTransform glyphWorld = QTransform::fromTranslate(at.x(), at.y());
        glyphWorld.scale(scale * placed.choice.horizontalScale, scale);
        painter.setWorldTransform(glyphWorld * placed.world);
        painter.drawText(QPointF(0, 0), glyph.text);
    }
}

// Underline and strike-out at the face's own positions and thickness, whole pixels.
void drawLines(QPainter &painter, const PlacedRun &placed, const QColor &color)
{
    const QFont &font = placed.choice.font;
    if (!font.underline() && !font.strikeOut())
        return;
    painter.setWorldTransform(placed.world);
    const QFontMetricsF metrics(font);
    const double scale = placed.choice.scale;
    const double thickness = std::max(1.0, std::round(metrics.lineWidth() * scale));
    const double left = placed.start.x();
    const double baseline = placed.start.y();
    if (font.underline()) {
        const double y = baseline + std::round(metrics.underlinePos() * scale);
        painter.fillRect(QRectF(left, y, placed.layout.width, thickness), color);
    }
    if (font.strikeOut()) {
        const double y = baseline - std::round(metrics.strikeOutPos() * scale);
        painter.fillRect(QRectF(left, y, placed.layout.width, thickness), color);
    }
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

bool isSane(double value) { return std::isfinite(value) && std::abs(value) <= kMaxRunPixels; }

} // namespace

// --- records ---------------------------------------------------------------------------

namespace {
// The string of a text record, padded to a whole word. A count that is negative or runs
// past the record fails the reader, so the record is skipped as malformed.
QByteArrayView readString(ByteReader &r, int count)
{
    if (count < 0) {
        r.skip(r.remaining() + 1);
        return {};
    }
    const QByteArrayView bytes = r.readBytes(count);
    if (count % 2)
        r.skip(1);
    return bytes;
}
} // namespace

void Player::textOut(ByteReader &r)
{
    TextRecord text;
    text.bytes = readString(r, r.readI16());
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    if (!r.ok())
        return;
    text.reference = QPointF(x, y);
    drawText(text);
}

void Player::extTextOut(ByteReader &r)
{
    TextRecord text;
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    const int count = r.readI16();
    text.options = r.readU16();
    if (text.options & (ETO_OPAQUE | ETO_CLIPPED)) {
        const qint16 left = r.readI16();
        const qint16 top = r.readI16();
        const qint16 right = r.readI16();
        const qint16 bottom = r.readI16();
        text.rect = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
    }
    text.bytes = readString(r, count);
    if (!r.ok())
        return;
    // The spacing array is optional; GDI ignores one that is shorter than the string.
    if (count > 0 && r.remaining() / 2 >= count) {
        text.dx.reserve(size_t(count));
        for (int i = 0; i < count; ++i)
            text.dx.push_back(r.readI16());
    }
    text.reference = QPointF(x, y);
    drawText(text);
}

void Player::setTextCharExtra(ByteReader &r)
{
    const qint16 extra = r.readI16();
    if (r.ok())
        m_dc.textCharExtra = extra;
}

void Player::setTextJustification(ByteReader &r)
{
    const qint16 count = r.readI16();
    const qint16 extra = r.readI16();
    if (!r.ok())
        return;
    m_dc.breakCount = count;
    m_dc.breakExtra = extra;
}

// --- drawing ---------------------------------------------------------------------------

// How much wider than its own aspect ratio the caller draws the picture. Only while the
// viewport is still the one over the caller's rectangle: a file that sets its own viewport
// or a mapping with square units is drawn at the same shape whatever the rectangle.
double Player::textStretch() const
{
    if (m_scanMode || m_dc.mapMode != gdi::MM_ANISOTROPIC)
        return 1.0;
    if (std::abs(m_dc.viewportExt.width()) != m_target.width()
        || std::abs(m_dc.viewportExt.height()) != m_target.height())
        return 1.0;
    const QSizeF frame = m_data.frameExtent;
    const double stretch =
        (m_target.width() / std::abs(frame.width())) / (m_target.height() / std::abs(frame.height()));
    return std::isfinite(stretch) && stretch > 0 ? std::clamp(stretch, 1.0 / 64, 64.0) : 1.0;
}

void Player::drawText(const TextRecord &text)
{
    if (!spendWork(text.bytes.size() + 1))
        return;
    prepareDrawing();
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const int rop2 = std::exchange(m_dc.rop2, gdi::R2_COPYPEN);
    const QColor foreground = color(m_dc.textColor);
    const QColor background = color(m_dc.bkColor);
    m_dc.rop2 = rop2;

    const bool opaqueRect = text.rect && (text.options & ETO_OPAQUE);
    const bool clipped = text.rect && (text.options & ETO_CLIPPED);
    if (opaqueRect)
        m_painter.fillRect(toDeviceRect(*text.rect), background);
    if (text.bytes.isEmpty())
        return;

    const QTransform map = deviceTransform();
    const double pixelsPerUnit = std::abs(map.m22());
    FontChoice choice = fontForLogFont(m_dc.font, pixelsPerUnit, kDefaultCellHeight * pixelsPerUnit);
    snapToWholePixels(choice);
    // An em as large as the font map's bound is a broken height or mapping: no output is
    // that large, and GDI would show a sliver of one glyph at best.
    if (!choice.isDrawable() || choice.emPixels >= kMaxEmPixels)
        return;
    // A symbol face asked for in the default character set is drawn in its own, the symbol
    // set, as GDI's font mapper picks the face by name and takes its character set.
    const quint8 charSet = m_dc.font.charSet == CharSet::Default && choice.symbols != SymbolMapping::Ansi
                             ? CharSet::Symbol
                             : m_dc.font.charSet;
    const DecodedText decoded = decodeTextWithPositions(text.bytes, charSet, choice.symbols);
    const double stretch = textStretch();
    const Spacing spacing {text.dx, std::abs(map.m11()), double(m_dc.textCharExtra), m_dc.breakCount,
                           double(m_dc.breakExtra)};
    const RunLayout layout = text.dx.empty() ? layoutWithAdvances(decoded, choice, spacing, stretch)
                                             : layoutWithArray(decoded, spacing, stretch);
    if (!isSane(layout.width)
        || !std::all_of(layout.glyphs.begin(), layout.glyphs.end(), [](const Glyph &glyph) { return isSane(glyph.x); }))
        return;

    const FaceLines lines = faceLines(choice.font);
    const double ascent = std::round(lines.ascent * choice.emPixels);
    const double descent = std::round(lines.descent * choice.emPixels);
    const quint16 align = m_dc.textAlign;
    const QPointF aligned = alignedStart(align, layout.width, ascent, descent);
    const double start = aligned.x();
    const double baseline = aligned.y();

    const bool updateCp = align & gdi::TA_UPDATECP;
    const QPointF origin = toDevice(updateCp ? m_dc.position : text.reference);
    QTransform run = QTransform::fromTranslate(origin.x(), origin.y());
    run.scale(stretch, 1.0);
    run.rotate(-choice.rotation);
    if (updateCp && (align & gdi::TA_HORZ_MASK) != gdi::TA_CENTER) {
        // The current position moves to the far end of a left-aligned run, to the start of
        // a right-aligned one, and stays for a centred one.
        bool invertible = false;
        const QTransform back = map.inverted(&invertible);
        const double end = (align & gdi::TA_HORZ_MASK) == gdi::TA_RIGHT ? start : layout.width;
        if (invertible)
            m_dc.position = back.map(run.map(QPointF(end, 0)));
    }
    if (!spendWork(qint64(layout.glyphs.size())))
        return;

    const QTransform world = run * m_painter.worldTransform();
    m_painter.save();
    if (clipped)
        m_painter.setClipRect(toDeviceRect(*text.rect), Qt::IntersectClip);
    // GDI fills the text's cell behind an opaque background, unless the text is clipped to
    // the opaque rectangle anyway; level, also for turned text.
    if (m_dc.bkMode == gdi::OPAQUE && !(clipped && opaqueRect))
        m_painter.fillRect(levelTextBox(run, QPointF(start, baseline), layout.width, ascent, descent), background);
    m_painter.setWorldTransform(world);

    // Glyphs far outside the picture are left out: the text of a large picture drawn as a
    // thumbnail or cut by its frame costs nothing.
    const double margin = 2 * choice.emPixels * std::max(1.0, choice.horizontalScale) * std::max(1.0, stretch) + 2;
    const std::optional<QRectF> visible =
        m_scanMode ? std::nullopt
                   : std::optional(QRectF(QPointF(0, 0), m_target.size()).adjusted(-margin, -margin, margin, margin));
    const PlacedRun placed {layout, choice, QPointF(start, baseline), run, world};
    drawGlyphs(m_painter, placed, foreground, visible);
    drawLines(m_painter, placed, foreground);
    m_painter.restore();
}

} // namespace wmf
