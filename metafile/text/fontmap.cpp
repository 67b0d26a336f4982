// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "text/fontmap.h"

#include "core/boundedcache.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMutex>
#include <QRawFont>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace metafile::text {

namespace {

// Widths beyond these factors of the natural width are clamped; GDI has no limit, but a
// glyph 100 times too wide or narrow only smears or vanishes.
constexpr double kMinHorizontalScale = 0.01;
constexpr double kMaxHorizontalScale = 100.0;
// Metrics are read from the font at this size.
constexpr int kReferencePixelSize = 256;
// LOGFONT's lfQuality asking for glyphs without smoothing.
constexpr quint8 kNonAntialiasedQuality = 3;
constexpr int kNormalWeight = 400;
// Faces looked up and measured stay cached (see boundedcache.h); a file uses a handful.
constexpr qsizetype kMaxCachedFaces = 1024;
// Of the 224 symbol positions, a symbol font fills most; 64 tells one from a text font with a
// few private characters.
constexpr int kMinPrivateUseSymbols = 64;

enum class FaceKind { Sans, SansNarrow, Serif, Mono, Script, Symbol, Dingbats };

struct Substitute
{
    const char *windowsFace;
    FaceKind kind;
    const char *standIn = nullptr; // a face of its own with the same advance widths, first
};

// Windows faces and the kind of face that stands in for each when the face is not installed.
// Carlito and Caladea have the advance widths of Calibri and Cambria, Office's faces since
// 2007, which a face of their kind (Liberation's, far wider) would stretch out of place.
constexpr std::array<Substitute, 24> kSubstitutes {{
    {"Calibri", FaceKind::Sans, "Carlito"},
    {"Cambria", FaceKind::Serif, "Caladea"},
    {"Arial", FaceKind::Sans},
    {"Arial MT", FaceKind::Sans},
    {"Helvetica", FaceKind::Sans},
    {"Helv", FaceKind::Sans},
    {"Swiss", FaceKind::Sans},
    {"Arial Narrow", FaceKind::SansNarrow},
    {"Helvetica Narrow", FaceKind::SansNarrow},
    {"Helvetica-Narrow", FaceKind::SansNarrow},
    {"Times New Roman", FaceKind::Serif},
    {"Times New Roman PS", FaceKind::Serif},
    {"Times", FaceKind::Serif},
    {"Tms Rmn", FaceKind::Serif},
    {"Courier New", FaceKind::Mono},
    {"Courier", FaceKind::Mono},
    {"Symbol", FaceKind::Symbol},
    {"MT Symbol", FaceKind::Symbol},
    {"Wingdings", FaceKind::Dingbats},
    {"Wingdings 2", FaceKind::Dingbats},
    {"Wingdings 3", FaceKind::Dingbats},
    {"Webdings", FaceKind::Dingbats},
    {"MT Extra", FaceKind::Dingbats},
    {"ZapfDingbats", FaceKind::Dingbats},
}};

// URW's drawing of the Symbol design: Symbol's advance widths, and its glyphs at Symbol's own
// codes (0x20 to 0xFE as U+0020 to U+00FE), the bracket, brace and integral pieces 0xE6 to
// 0xFE that equation editors stack included. OpenSymbol has none of those pieces at the
// size and place of Symbol's (its parentheses reach far above and below the line), and its
// average width, far above Symbol's, made narrowed Symbol fonts come out as hairlines.
constexpr const char *kSymbolDesign = "Standard Symbols PS";
// Windows' Symbol gives its average character width as 0.575 em, more than its Greek
// letters' weighted average: Equation Editor sets a Symbol font's width to 221 logical
// units beside a 384 unit em (the parentheses it stretches upright keep the width of the
// text size), and GDI narrows the glyphs by that width over this average.
constexpr double kSymbolDesignAverageWidth = 0.575;

struct KindFaces
{
    FaceKind kind;
    std::array<const char *, 3> families; // in order of preference; nullptr ends the list
    QFont::StyleHint hint;
};

// Liberation Sans, Serif and Mono have the advance widths of Arial, Times New Roman and
// Courier New, so text keeps its length; Liberation Sans Narrow matches Arial Narrow.
constexpr std::array<KindFaces, 7> kKindFaces {{
    {FaceKind::Sans, {"Liberation Sans", "Arimo", nullptr}, QFont::SansSerif},
    {FaceKind::SansNarrow, {"Liberation Sans Narrow", "Liberation Sans", nullptr}, QFont::SansSerif},
    {FaceKind::Serif, {"Liberation Serif", "Tinos", nullptr}, QFont::Serif},
    {FaceKind::Mono, {"Liberation Mono", "Cousine", nullptr}, QFont::Monospace},
    {FaceKind::Script, {"Z003", "URW Chancery L", "Liberation Serif"}, QFont::Cursive},
    {FaceKind::Symbol, {kSymbolDesign, "OpenSymbol", nullptr}, QFont::AnyStyle},
    {FaceKind::Dingbats, {"OpenSymbol", nullptr, nullptr}, QFont::AnyStyle},
}};

const KindFaces &facesFor(FaceKind kind)
{
    for (const KindFaces &faces : kKindFaces) {
        if (faces.kind == kind)
            return faces;
    }
    return kKindFaces[0];
}

QString faceName(const LogFont &logFont)
{
    // Far-Eastern face names are stored in the font's own code page.
    const quint8 charSet = logFont.charSet == charset::Symbol ? charset::Ansi : logFont.charSet;
    return decodeText(logFont.faceName, charSet).trimmed();
}

const Substitute *substituteFor(const QString &face)
{
    for (const Substitute &substitute : kSubstitutes) {
        if (face.compare(QLatin1String(substitute.windowsFace), Qt::CaseInsensitive) == 0)
            return &substitute;
    }
    return nullptr;
}

// GDI's font mapper weighs the family and pitch bits when the face is unknown.
FaceKind kindFromBits(const LogFont &logFont)
{
    if (logFont.charSet == charset::Symbol)
        return FaceKind::Symbol;
    const quint8 family = logFont.pitchAndFamily & 0xF0;
    if (family == fontfamily::Modern || (logFont.pitchAndFamily & 0x03) == fontfamily::FixedPitch)
        return FaceKind::Mono;
    if (family == fontfamily::Roman)
        return FaceKind::Serif;
    if (family == fontfamily::Script)
        return FaceKind::Script;
    return FaceKind::Sans;
}

struct FaceResolution
{
    QString family;
    FaceKind kind = FaceKind::Sans;
    bool exact = false; // the face the metafile names is installed
};

// Whether a family is installed. Each question to the font database runs the system's
// font substitution, which is most of the cost of a text record, so the answers are kept.
bool hasFamily(const QString &family)
{
    static QMutex mutex;
    static core::BoundedCache<QString, bool> known(kMaxCachedFaces);
    const QMutexLocker lock(&mutex);
    return known.value(family, [&] { return QFontDatabase::hasFamily(family); });
}

FaceResolution resolveFace(const LogFont &logFont)
{
    const QString face = faceName(logFont);
    const Substitute *substitute = substituteFor(face);
    FaceResolution resolution;
    resolution.kind = substitute ? substitute->kind : kindFromBits(logFont);
    if (!face.isEmpty() && hasFamily(face)) {
        resolution.family = face;
        resolution.exact = true;
        return resolution;
    }
    if (substitute && substitute->standIn && hasFamily(QLatin1String(substitute->standIn))) {
        resolution.family = QLatin1String(substitute->standIn);
        return resolution;
    }
    for (const char *family : facesFor(resolution.kind).families) {
        if (family && hasFamily(QLatin1String(family))) {
            resolution.family = QLatin1String(family);
            return resolution;
        }
    }
    // Nothing suitable installed: leave the choice to the system's font matching.
    resolution.family = face.isEmpty() ? QLatin1String(facesFor(resolution.kind).families[0]) : face;
    return resolution;
}

// Metrics as fractions of the em.
struct FaceMetrics
{
    double cellHeight = 1.15; // ascent + descent as GDI measures it
    double averageWidth = 0.5;
    double ascent = 0.9; // the cell above and below the baseline, which GDI aligns text by
    double descent = 0.2;
    bool hasPrivateUseSymbols = false;
    // The gasp table: from the smallest size up, the largest em in pixels of each range and
    // how GDI draws glyphs in it (gaspAt()).
    std::vector<std::pair<int, quint16>> gasp;
};

// Font tables are big-endian.
quint16 readBigEndianU16(const QByteArray &table, qsizetype offset)
{
    if (offset + 2 > table.size())
        return 0;
    return quint16((quint8(table[offset]) << 8) | quint8(table[offset + 1]));
}

// Windows' classic average character width: lower-case letters and space weighted by their
// frequency in English text. The old Windows faces store this value, and it comes out the
// same for their metric-compatible stand-ins (904/2048 em for Arial and Liberation Sans).
double weightedAverageWidth(const QRawFont &raw)
{
    static constexpr std::array<int, 27> kWeights {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6,  35, 20, 56,
                                                   56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2,  166};
    const QList<quint32> glyphs = raw.glyphIndexesForString(QStringLiteral("abcdefghijklmnopqrstuvwxyz "));
    if (glyphs.size() != qsizetype(kWeights.size()) || glyphs.contains(0u))
        return 0;
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
    double sum = 0;
    for (qsizetype i = 0; i < advances.size(); ++i)
        sum += advances[i].x() * kWeights[size_t(i)];
    return sum / 1000.0 / raw.pixelSize();
}

// The gasp table's ranges: a version, a count, then for each range its largest em in pixels
// and its behaviour: GASP_GRIDFIT (1) asks for the glyphs fitted to the pixel grid by their
// hints, GASP_DOGRAY (2) for grey smoothing.
constexpr quint16 kGridFit = 0x0001;
constexpr quint16 kDoGray = 0x0002;

std::vector<std::pair<int, quint16>> gaspRanges(const QByteArray &gasp)
{
    std::vector<std::pair<int, quint16>> ranges;
    const int count = readBigEndianU16(gasp, 2);
    for (int i = 0; i < count && 4 + 4 * i + 4 <= gasp.size(); ++i)
        ranges.emplace_back(readBigEndianU16(gasp, 4 + 4 * i), readBigEndianU16(gasp, 6 + 4 * i));
    return ranges;
}

// The behaviour at an em; a face without a table is fitted and smoothed at every size.
quint16 gaspAt(const std::vector<std::pair<int, quint16>> &ranges, double emPixels)
{
    const long ppem = std::lround(emPixels);
    const auto range = std::find_if(ranges.begin(), ranges.end(),
                                    [ppem](const std::pair<int, quint16> &r) { return ppem <= r.first; });
    return range == ranges.end() ? kGridFit | kDoGray : range->second;
}

// A symbol-encoded font answers at U+F020 to U+F0FF for nearly every byte. OpenSymbol has
// a handful of characters there (digits at U+F030), which must not count.
bool hasPrivateUseSymbols(const QRawFont &raw)
{
    int supported = 0;
    for (uint character = 0xF020; character <= 0xF0FF; ++character) {
        if (raw.supportsCharacter(character))
            ++supported;
    }
    return supported >= kMinPrivateUseSymbols;
}

FaceMetrics measureFace(const QFont &font, bool exact)
{
    FaceMetrics metrics;
    const QFontMetricsF fallback(font);
    metrics.cellHeight = (fallback.ascent() + fallback.descent()) / kReferencePixelSize;
    metrics.averageWidth = fallback.averageCharWidth() / kReferencePixelSize;
    metrics.ascent = fallback.ascent() / kReferencePixelSize;
    metrics.descent = fallback.descent() / kReferencePixelSize;

    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid())
        return metrics;
    metrics.hasPrivateUseSymbols = hasPrivateUseSymbols(raw);
    metrics.gasp = gaspRanges(raw.fontTable("gasp"));
    const double unitsPerEm = raw.unitsPerEm();
    const QByteArray os2 = raw.fontTable("OS/2");
    // usWinAscent and usWinDescent (offsets 74, 76) make the cell GDI sizes and aligns by.
    const int winAscent = readBigEndianU16(os2, 74);
    const int winDescent = readBigEndianU16(os2, 76);
    if (unitsPerEm > 0 && winAscent + winDescent > 0) {
        metrics.cellHeight = (winAscent + winDescent) / unitsPerEm;
        metrics.ascent = winAscent / unitsPerEm;
        metrics.descent = winDescent / unitsPerEm;
    }
    const int storedAverage = qint16(readBigEndianU16(os2, 2)); // xAvgCharWidth
    const double weighted = exact ? 0 : weightedAverageWidth(raw);
    if (weighted > 0)
        metrics.averageWidth = weighted;
    else if (unitsPerEm > 0 && storedAverage > 0)
        metrics.averageWidth = storedAverage / unitsPerEm;
    if (font.family() == QLatin1String(kSymbolDesign))
        metrics.averageWidth = kSymbolDesignAverageWidth;
    return metrics;
}

const FaceMetrics &faceMetrics(const QFont &font, bool exact)
{
    thread_local core::BoundedCache<QString, FaceMetrics> cache(kMaxCachedFaces);
    const QString key = font.key() + (exact ? QLatin1String("|exact") : QLatin1String("|stand-in"));
    return cache.value(key, [&] { return measureFace(font, exact); });
}

QFont baseFont(const FaceResolution &face, const LogFont &logFont)
{
    QFont font(face.family);
    font.setStyleHint(facesFor(face.kind).hint, QFont::StyleStrategy(QFont::PreferOutline));
    font.setHintingPreference(QFont::PreferNoHinting); // outlines scale exactly
    font.setKerning(false); // GDI places glyphs without kerning
    const int weight = logFont.weight <= 0 ? kNormalWeight : std::min<int>(logFont.weight, 1000);
    font.setWeight(QFont::Weight(weight));
    font.setItalic(logFont.italic);
    font.setUnderline(logFont.underline);
    font.setStrikeOut(logFont.strikeOut);
    font.setPixelSize(kReferencePixelSize);
    // A painter fills in what a font leaves unset from the application's own font, which a host
    // application (or its desktop's theme) may give a style name, a stretch, spacing or
    // capitals: every such property is pinned to the font's own, so text draws alike anywhere.
    font.setStyleName(font.styleName());
    font.setStretch(font.stretch());
    font.setOverline(font.overline());
    font.setFixedPitch(font.fixedPitch());
    font.setCapitalization(font.capitalization());
    font.setLetterSpacing(font.letterSpacingType(), font.letterSpacing());
    font.setWordSpacing(font.wordSpacing());
    return font;
}

double emPixelsFor(const LogFont &logFont, double pixelsPerUnit, double defaultCellPixels, const FaceMetrics &metrics)
{
    double em = 0;
    if (logFont.height < 0)
        em = -double(logFont.height) * pixelsPerUnit;
    else if (logFont.height > 0)
        em = logFont.height * pixelsPerUnit / metrics.cellHeight;
    else
        em = defaultCellPixels / metrics.cellHeight;
    if (!std::isfinite(em) || em < kMinEmPixels)
        return 0;
    return std::min(em, kMaxEmPixels);
}

SymbolMapping symbolMappingFor(const FaceResolution &face, const FaceMetrics &metrics)
{
    if (metrics.hasPrivateUseSymbols)
        return SymbolMapping::PrivateUse;
    if (face.kind == FaceKind::Symbol && face.family == QLatin1String(kSymbolDesign))
        return SymbolMapping::ByteValues;
    if (face.kind == FaceKind::Symbol)
        return SymbolMapping::SymbolToUnicode;
    if (face.kind == FaceKind::Dingbats)
        return SymbolMapping::PrivateUse; // no font has these glyphs: show them as missing
    return SymbolMapping::Ansi;
}

} // namespace

QString requestedFace(const LogFont &logFont) { return faceName(logFont); }

QString familyForLogFont(const LogFont &logFont) { return resolveFace(logFont).family; }

bool hasStandardGlyphOrder(const LogFont &logFont)
{
    // Not Calibri, Cambria, Segoe UI and their kin, nor Carlito and Caladea that stand in
    // for them: their glyphs come in an order of their own.
    static constexpr std::array<const char *, 9> faces {
        "Arial", "Arial MT",    "Arial Narrow", "Helvetica", "Times New Roman", "Times New Roman PS",
        "Times", "Courier New", "Tms Rmn",
    };
    const QString face = faceName(logFont);
    return std::any_of(faces.begin(), faces.end(),
                       [&](const char *name) { return face.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; });
}

FontChoice fontForLogFont(const LogFont &logFont, double pixelsPerUnit, double defaultCellPixels,
                          double gridPixelsPerUnit)
{
    const FaceResolution face = resolveFace(logFont);
    FontChoice choice;
    choice.font = baseFont(face, logFont);
    const FaceMetrics &metrics = faceMetrics(choice.font, face.exact);

    pixelsPerUnit = std::abs(pixelsPerUnit);
    choice.emPixels = emPixelsFor(logFont, pixelsPerUnit, defaultCellPixels, metrics);
    const int pixelSize = std::clamp(int(std::lround(choice.emPixels)), 1, kMaxEnginePixelSize);
    choice.font.setPixelSize(pixelSize);
    choice.scale = choice.emPixels / pixelSize;

    if (logFont.width != 0 && choice.emPixels > 0) {
        // GDI widens or narrows the glyphs until the average character width is the width asked for.
        const double natural = metrics.averageWidth * choice.emPixels;
        const double wanted = std::abs(double(logFont.width)) * pixelsPerUnit;
        const double factor = natural > 0 ? wanted / natural : 1.0;
        choice.horizontalScale =
            std::isfinite(factor) ? std::clamp(factor, kMinHorizontalScale, kMaxHorizontalScale) : 1.0;
    }
    choice.rotation = std::fmod(logFont.escapement / 10.0, 360.0);
    const double gridEm = gridPixelsPerUnit > 0 && pixelsPerUnit > 0
                            ? emPixelsFor(logFont, std::abs(gridPixelsPerUnit),
                                          defaultCellPixels * std::abs(gridPixelsPerUnit) / pixelsPerUnit, metrics)
                            : choice.emPixels;
    const quint16 behaviour = gaspAt(metrics.gasp, gridEm);
    choice.smoothed = logFont.quality != kNonAntialiasedQuality && (behaviour & kDoGray) != 0;
    choice.fitted = (behaviour & kGridFit) != 0;
    choice.symbols = symbolMappingFor(face, metrics);
    choice.ascent = metrics.ascent;
    choice.descent = metrics.descent;
    return choice;
}

} // namespace metafile::text
