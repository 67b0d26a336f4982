// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "gdi/plustextpainter.h"

#include "gdi/plusbrushes.h"
#include "text/charset.h"
#include "text/fontmap.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <cmath>

namespace metafile::gdi {

namespace {

// StringFormat flags and alignments.
constexpr quint32 formatRightToLeft = 0x0001;
constexpr quint32 formatNoWrap = 0x1000;
constexpr quint32 formatLineLimit = 0x2000;
constexpr quint32 formatNoClip = 0x4000;
constexpr quint32 alignCentre = 1;
constexpr quint32 alignFar = 2;
// DriverStringOptions.
constexpr quint32 driverCmapLookup = 0x1;
constexpr quint32 driverRealizedAdvance = 0x4;
// FontStyle.
constexpr qint32 styleBold = 1;
constexpr qint32 styleItalic = 2;
constexpr qint32 styleUnderline = 4;
constexpr qint32 styleStrikeout = 8;

// GDI+'s default format keeps a sixth of the em free on either side of the box.
constexpr double defaultMargin = 1.0 / 6;
// More lines than any box shows: a string that would wrap into more is cut there.
constexpr int maxLines = 10000;
// As for GDI's text (TextPainter): a glyph Qt would render as a small bitmap stretched past
// what FreeType can hold is not drawn.
constexpr double maxBitmapGlyphPixels = 2048;
constexpr double maxCachedGlyphPixels = 64;
// An unwrapped line's width, text pixels: wider than any picture, within Qt's fixed point.
constexpr double unwrappedWidth = 1.0e6;

bool stretchedPastBitmaps(const QTransform &t, int pixelSize)
{
    const double reach = std::sqrt(t.m11() * t.m11() + t.m12() * t.m12() + t.m21() * t.m21() + t.m22() * t.m22());
    const double area = std::sqrt(std::abs(t.determinant()));
    return pixelSize * reach > maxBitmapGlyphPixels && pixelSize * area < maxCachedGlyphPixels;
}

QByteArray utf16Bytes(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

QString facingText(const QString &text, bool symbols, int mapping)
{
    if (!symbols)
        return text;
    return text::decodeUtf16WithPositions(utf16Bytes(text), text::charset::Symbol, text::SymbolMapping(mapping)).text;
}

// Where a line of `width` starts in a box from `left` of `inner` width, by the alignment.
double lineStart(quint32 alignment, double left, double inner, double width)
{
    if (alignment == alignCentre)
        return left + (inner - width) / 2;
    if (alignment == alignFar)
        return left + inner - width;
    return left;
}

} // namespace

std::optional<PlusTextPainter::TextFont> PlusTextPainter::fontFor(int font, const QTransform &toDevice) const
{
    const auto *object = m_paint.state.objects().get<plus::Font>(font);
    // Without a GUI application no font may be measured: the text is not drawn, as GDI's.
    if (!object || !(object->emSize > 0) || !text::fontsReady())
        return std::nullopt;
    const PlusContext &context = m_paint.state.context();
    const double dpi = m_paint.state.resolution().height();
    double emWorld = object->emSize;
    // A size in a unit of its own is measured in page units; the page scale and the world
    // transform apply to it as to any figure.
    if (object->unit != plus::UnitWorld)
        emWorld *= plus::pixelsPer(object->unit, dpi) / plus::pixelsPer(context.pageUnit, dpi);
    const double emDevice = emWorld * std::sqrt(std::abs(toDevice.determinant()));
    if (!std::isfinite(emDevice) || emDevice < text::kMinEmPixels || emDevice >= text::kMaxEmPixels)
        return std::nullopt;
    text::LogFont logFont;
    constexpr qint16 emUnits = -1000; // an em of 1000 units, each emDevice / 1000 pixels
    logFont.height = emUnits;
    logFont.weight = (object->style & styleBold) ? 700 : 400;
    logFont.italic = object->style & styleItalic;
    logFont.underline = object->style & styleUnderline;
    logFont.strikeOut = object->style & styleStrikeout;
    logFont.charSet = text::charset::Default;
    const bool latin1 =
        std::all_of(object->family.begin(), object->family.end(), [](QChar c) { return c.unicode() < 256; });
    if (latin1)
        logFont.faceName = object->family.toLatin1().left(32);
    const text::FontChoice choice = text::fontForLogFont(logFont, emDevice / -double(emUnits));
    TextFont out;
    out.font = choice.font;
    out.worldPerPixel = emWorld / choice.font.pixelSize();
    out.standardGlyphs = text::hasStandardGlyphOrder(logFont);
    out.symbols = choice.symbols != text::SymbolMapping::Ansi;
    out.symbolMapping = int(choice.symbols);
    return out;
}

std::optional<QBrush> PlusTextPainter::brushFor(const plus::BrushRef &brush, const QTransform &toText) const
{
    if (brush.solid)
        return QBrush(plus::argb(brush.color));
    const auto *object = m_paint.state.objects().get<plus::Brush>(brush.object);
    if (!object)
        return std::nullopt;
    // A path gradient shades an image of the picture, which text does not have: its glyphs
    // take the centre's colour.
    if (const auto *gradient = std::get_if<plus::PathGradientBrush>(object))
        return QBrush(plus::argb(gradient->centerColor));
    plus::BrushSpace space;
    space.worldToDevice = toText;
    space.texture = m_paint.state.objects().bitmap(brush.object, m_paint.budget);
    const std::optional<plus::Fill> fill = plus::fillOf(*object, space, m_paint.budget);
    return fill ? std::optional(fill->brush) : std::nullopt;
}

bool PlusTextPainter::prepare(const TextFont &font, const QTransform &toDevice, const std::optional<QPainterPath> &box)
{
    const QTransform toPainter = QTransform::fromScale(font.worldPerPixel, font.worldPerPixel) * toDevice;
    if (!toPainter.isInvertible() || stretchedPastBitmaps(toPainter, font.font.pixelSize()))
        return false;
    const PlusContext &context = m_paint.state.context();
    std::optional<QPainterPath> clip = context.clip;
    if (box)
        clip = clip ? clip->intersected(*box) : *box;
    m_paint.surface.preparePlus(clip, context.compositing == 1 ? QPainter::CompositionMode_Source
                                                               : QPainter::CompositionMode_SourceOver);
    QPainter &painter = m_paint.surface.painter();
    painter.setWorldTransform(toPainter * painter.worldTransform());
    // TextRenderingHint: single bit per pixel (1, 2) draws without smoothing.
    painter.setRenderHint(QPainter::TextAntialiasing, context.textHint != 1 && context.textHint != 2);
    return true;
}

// NOLINTNEXTLINE(readability-function-size): one layout, its lines placed and drawn
void PlusTextPainter::drawString(int font, const plus::BrushRef &brush, quint32 format, const QRectF &layout,
                                 const QString &text)
{
    if (text.isEmpty() || !m_paint.budget.spendWork(text.size() + 1))
        return;
    const QTransform t = m_paint.state.worldToDevice();
    const std::optional<TextFont> textFont = fontFor(font, t);
    if (!textFont)
        return;
    const double k = textFont->worldPerPixel;
    const std::optional<QBrush> ink = brushFor(brush, QTransform::fromScale(1 / k, 1 / k));
    if (!ink)
        return;
    const plus::StringFormat *style =
        format < 64 ? m_paint.state.objects().get<plus::StringFormat>(int(format)) : nullptr;
    const quint32 flags = style ? style->flags : 0;
    const QRectF box(layout.x() / k, layout.y() / k, layout.width() / k, layout.height() / k);
    const double em = textFont->font.pixelSize();
    const double leading = (style ? style->leadingMargin : defaultMargin) * em;
    const double trailing = (style ? style->trailingMargin : defaultMargin) * em;
    const bool wrap = !(flags & formatNoWrap) && box.width() > 0;
    const double inner = std::max(0.0, box.width() - leading - trailing);

    QTextLayout lines(
        facingText(QString(text).replace(u'\n', QChar::LineSeparator), textFont->symbols, textFont->symbolMapping),
        textFont->font);
    QTextOption option;
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    if (flags & formatRightToLeft)
        option.setTextDirection(Qt::RightToLeft);
    lines.setTextOption(option);
    const double spacing = QFontMetricsF(textFont->font).lineSpacing();
    std::vector<QTextLine> laid;
    lines.beginLayout();
    for (QTextLine line = lines.createLine(); line.isValid() && int(laid.size()) < maxLines;
         line = lines.createLine()) {
        line.setLineWidth(wrap ? inner : unwrappedWidth);
        laid.push_back(line);
    }
    lines.endLayout();
    // Only whole lines, with LineLimit, in a box of some height.
    if ((flags & formatLineLimit) && box.height() > 0)
        laid.resize(std::min(laid.size(), size_t(std::max(1.0, std::floor(box.height() / spacing)))));
    const double total = double(laid.size()) * spacing;
    const quint32 lineAlignment = style ? style->lineAlignment : 0;
    double top = box.top();
    if (lineAlignment == alignCentre)
        top += (box.height() - total) / 2;
    else if (lineAlignment == alignFar)
        top += box.height() - total;
    quint32 alignment = style ? style->alignment : 0;
    if ((flags & formatRightToLeft) && alignment != alignCentre)
        alignment = alignment == alignFar ? 0 : alignFar;
    for (size_t i = 0; i < laid.size(); ++i) {
        const double width = laid[i].naturalTextWidth();
        const double left = box.width() > 0 ? lineStart(alignment, box.left() + leading, inner, width)
                                            : lineStart(alignment, box.left(), 0, width);
        laid[i].setPosition(QPointF(left, top + double(i) * spacing));
    }
    std::optional<QPainterPath> clip;
    if (!(flags & formatNoClip) && layout.width() > 0 && layout.height() > 0) {
        QPainterPath rect;
        rect.addRect(layout.normalized());
        clip = m_paint.state.worldToDevice(false).map(rect);
    }
    QPainter &painter = m_paint.surface.painter();
    const QTransform base = painter.worldTransform();
    if (!m_paint.budget.spendWork(qint64(laid.size()) + text.size()) || !prepare(*textFont, t, clip))
        return;
    painter.setFont(textFont->font);
    painter.setPen(QPen(*ink, 0));
    for (const QTextLine &line : laid)
        line.draw(&painter, QPointF(0, 0));
    painter.setWorldTransform(base);
}

void PlusTextPainter::drawDriverString(int font, const plus::BrushRef &brush, const DriverGlyphs &glyphs)
{
    if (glyphs.glyphs.empty() || glyphs.positions.empty() || !m_paint.budget.spendWork(qint64(glyphs.glyphs.size())))
        return;
    const QTransform t = glyphs.transform.value_or(QTransform()) * m_paint.state.worldToDevice();
    const std::optional<TextFont> textFont = fontFor(font, t);
    if (!textFont)
        return;
    const double k = textFont->worldPerPixel;
    const std::optional<QBrush> ink = brushFor(brush, QTransform::fromScale(1 / k, 1 / k));
    if (!ink)
        return;
    QString characters;
    if (glyphs.options & driverCmapLookup) {
        for (const quint16 unit : glyphs.glyphs)
            characters.append(QChar(unit));
        characters = facingText(characters, textFont->symbols, textFont->symbolMapping);
    } else if (textFont->standardGlyphs) {
        QByteArray indices;
        for (const quint16 glyph : glyphs.glyphs)
            indices.append(char(glyph & 0xFF)).append(char(glyph >> 8));
        characters = text::decodeStandardGlyphs(indices, true).text;
    } else {
        return; // glyphs of a face that is not here, in an order of its own
    }
    const QRawFont raw = QRawFont::fromFont(textFont->font);
    if (!raw.isValid())
        return;
    const QList<quint32> indexes = raw.glyphIndexesForString(characters);
    QList<QPointF> positions;
    if (glyphs.options & driverRealizedAdvance) {
        const QList<QPointF> advances = raw.advancesForGlyphIndexes(indexes);
        QPointF at = glyphs.positions.front() / k;
        for (const QPointF &advance : advances) {
            positions.append(at);
            at += advance;
        }
    } else {
        for (qsizetype i = 0; i < indexes.size(); ++i)
            positions.append(glyphs.positions[std::min(size_t(i), glyphs.positions.size() - 1)] / k);
    }
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    run.setUnderline(textFont->font.underline());
    run.setStrikeOut(textFont->font.strikeOut());
    QPainter &painter = m_paint.surface.painter();
    const QTransform base = painter.worldTransform();
    if (!prepare(*textFont, t, std::nullopt))
        return;
    painter.setPen(QPen(*ink, 0));
    painter.drawGlyphRun(QPointF(0, 0), run);
    painter.setWorldTransform(base);
}

} // namespace metafile::gdi
