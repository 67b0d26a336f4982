// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "svgdevice.h"

#include "svgmarkup.h"
#include "vectorpaintengine.h"

#include "metafile/metafile.h"

#include <QCryptographicHash>
#include <QHash>

#include <vector>

namespace {

QByteArray fillRule(const QPainterPath &path)
{
    return path.fillRule() == Qt::OddEvenFill ? QByteArrayLiteral("evenodd") : QByteArrayLiteral("nonzero");
}

} // namespace

class SvgPaintEngine : public VectorPaintEngine
{
public:
    SvgPaintEngine(QSize pixels, QSizeF cssPixels);

    bool begin(QPaintDevice *device) override;
    bool end() override;
    [[nodiscard]] Type type() const override { return QPaintEngine::User; }

    [[nodiscard]] QByteArray bytes() const override { return m_out; }

protected:
    void drawShape(const QPainterPath &path) override;
    void drawPicture(const QImage &image, const QTransform &place, const std::optional<QRectF> &cut) override;
    void drawGlyphs(const QPointF &origin, const QFont &font, const QString &text) override;

private:
    // Opens the groups of the current clip, one clip path each, around what comes.
    void enterClip();
    // Smoothed glyphs in a row share one group with the filter of GDI's grey levels (a filter
    // on each glyph would cost a renderer a canvas each); anything else ends the group.
    void enterTextGroup();
    void leaveTextGroup();
    // The id of the definition `element` (its id written as "%ID%"), written once per `key`;
    // the key's first letter starts the id.
    QByteArray define(const QByteArray &key, const QByteArray &element);
    [[nodiscard]] QByteArray clipId(const QPainterPath &devicePath);
    [[nodiscard]] QByteArray fill(const QBrush &brush);
    [[nodiscard]] QByteArray patternId(const QBrush &brush);
    [[nodiscard]] QByteArray imageId(const QImage &image);
    [[nodiscard]] QByteArray glyphId(const QFont &font, const QString &text);
    // A filter that takes a smoothed glyph's coverage through GDI's grey levels.
    [[nodiscard]] QByteArray greyLevelsId();
    // The attributes every element takes from the state: transform, opacity, edges.
    [[nodiscard]] QByteArray placement(const QTransform &transform) const;

    QSizeF m_cssPixels;
    QByteArray m_out;
    std::vector<QByteArray> m_openGroups; // clip path ids, outermost first
    quint64 m_clipGeneration = ~quint64(0);
    std::vector<QByteArray> m_clipIds;
    QHash<QByteArray, QByteArray> m_defined;
    int m_ids = 0;
    bool m_inTextGroup = false;
};

SvgPaintEngine::SvgPaintEngine(QSize pixels, QSizeF cssPixels) : VectorPaintEngine(pixels), m_cssPixels(cssPixels) { }

bool SvgPaintEngine::begin(QPaintDevice *)
{
    m_out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\""
          + svgAttribute("width", svgNumber(m_cssPixels.width()) + "px")
          + svgAttribute("height", svgNumber(m_cssPixels.height()) + "px")
          + svgAttribute("viewBox", "0 0 " + svgNumber(pixels().width()) + ' ' + svgNumber(pixels().height())) + ">\n";
    return true;
}

bool SvgPaintEngine::end()
{
    leaveTextGroup();
    for (size_t i = 0; i < m_openGroups.size(); ++i)
        m_out += "</g>\n";
    m_openGroups.clear();
    m_out += "</svg>\n";
    return true;
}

void SvgPaintEngine::enterClip()
{
    const Clip *current = clip();
    const quint64 generation = current ? current->generation : 0;
    if (generation != m_clipGeneration || (!current && !m_clipIds.empty())) {
        m_clipIds.clear();
        if (current) {
            for (const QPainterPath &path : current->paths)
                m_clipIds.push_back(clipId(path));
        }
        m_clipGeneration = generation;
    }
    size_t same = 0;
    while (same < m_clipIds.size() && same < m_openGroups.size() && m_clipIds[same] == m_openGroups[same])
        ++same;
    if (same == m_openGroups.size() && same == m_clipIds.size())
        return;
    leaveTextGroup();
    for (size_t i = same; i < m_openGroups.size(); ++i)
        m_out += "</g>\n";
    m_openGroups.resize(same);
    for (size_t i = same; i < m_clipIds.size(); ++i) {
        m_out += "<g clip-path=\"url(#" + m_clipIds[i] + ")\">\n";
        m_openGroups.push_back(m_clipIds[i]);
    }
}

void SvgPaintEngine::enterTextGroup()
{
    if (m_inTextGroup)
        return;
    const QByteArray filter = greyLevelsId();
    m_out += "<g filter=\"url(#" + filter + ")\">\n";
    m_inTextGroup = true;
}

void SvgPaintEngine::leaveTextGroup()
{
    if (!m_inTextGroup)
        return;
    m_out += "</g>\n";
    m_inTextGroup = false;
}

QByteArray SvgPaintEngine::define(const QByteArray &key, const QByteArray &element)
{
    const auto found = m_defined.constFind(key);
    if (found != m_defined.constEnd())
        return *found;
    QByteArray id = QByteArray(1, key.at(0)) + QByteArray::number(++m_ids);
    QByteArray written = element;
    m_out += "<defs>" + written.replace("%ID%", id) + "</defs>\n";
    m_defined.insert(key, id);
    return id;
}

QByteArray SvgPaintEngine::clipId(const QPainterPath &devicePath)
{
    const QByteArray data = svgPathData(devicePath);
    const QByteArray rule = fillRule(devicePath);
    return define("clip " + rule + data,
                  R"(<clipPath id="%ID%"><path d=")" + data + R"(" clip-rule=")" + rule + R"("/></clipPath>)");
}

QByteArray SvgPaintEngine::fill(const QBrush &brush)
{
    const Qt::BrushStyle style = brush.style();
    const QColor color = brush.color();
    QByteArray paint = style == Qt::NoBrush ? QByteArrayLiteral("none") : svgColor(color);
    if (style == Qt::TexturePattern || (style >= Qt::Dense1Pattern && style <= Qt::DiagCrossPattern)) {
        const QByteArray pattern = patternId(brush);
        paint = pattern.isEmpty() ? QByteArrayLiteral("none") : "url(#" + pattern + ')';
    }
    QByteArray out = svgAttribute("fill", paint);
    if (color.alpha() < 255 && style != Qt::NoBrush && style != Qt::TexturePattern)
        out += svgAttribute("fill-opacity", svgNumber(color.alphaF()));
    return out;
}

// A pattern brush's tile lies on the brush origin in the shape's own space, as QPainter lays it.
QByteArray SvgPaintEngine::patternId(const QBrush &brush)
{
    QByteArray place =
        svgAttribute("x", svgNumber(brushOrigin().x())) + svgAttribute("y", svgNumber(brushOrigin().y()));
    if (!brush.transform().isIdentity())
        place += svgAttribute("patternTransform", svgMatrix(brush.transform()));
    if (brush.style() == Qt::TexturePattern) {
        const QImage tile = brush.textureImage();
        if (tile.isNull())
            return {};
        const QByteArray image = imageId(tile);
        return define("pattern " + image + place, R"(<pattern id="%ID%" patternUnits="userSpaceOnUse")"
                                                      + svgAttribute("width", svgNumber(tile.width()))
                                                      + svgAttribute("height", svgNumber(tile.height())) + place
                                                      + R"(><use xlink:href="#)" + image
                                                      + R"(" image-rendering="optimizeSpeed"/></pattern>)");
    }
    const QColor color = brush.color();
    const QByteArray ink =
        svgAttribute("fill", svgColor(color))
        + (color.alpha() < 255 ? svgAttribute("fill-opacity", svgNumber(color.alphaF())) : QByteArray());
    const QByteArray tile = svgPatternTile(brush.style());
    return define("pattern " + tile + ink + place,
                  R"(<pattern id="%ID%" patternUnits="userSpaceOnUse" width="8" height="8")" + place + R"(><path d=")"
                      + tile + '"' + ink + "/></pattern>");
}

// Bitmaps are kept whole, once each, however often they are drawn.
QByteArray SvgPaintEngine::imageId(const QImage &image)
{
    const QImage pixels = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32)
                                                  : image.convertToFormat(QImage::Format_RGB32);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArrayView(reinterpret_cast<const char *>(pixels.constBits()), pixels.sizeInBytes()));
    const QByteArray key = "image " + QByteArray::number(pixels.width()) + 'x' + QByteArray::number(pixels.height())
                         + ' ' + hash.result().toHex();
    return define(key, R"(<image id="%ID%")" + svgAttribute("width", svgNumber(pixels.width()))
                           + svgAttribute("height", svgNumber(pixels.height())) + R"( preserveAspectRatio="none")"
                           + svgAttribute("xlink:href", svgPngData(pixels)) + "/>");
}

// A glyph's outline at the size it is drawn, defined once for its face and size.
QByteArray SvgPaintEngine::glyphId(const QFont &font, const QString &text)
{
    const QByteArray key = "glyph " + font.key().toUtf8() + '\n' + text.toUtf8();
    const auto found = m_defined.constFind(key);
    if (found != m_defined.constEnd())
        return *found;
    QPainterPath outline;
    outline.addText(QPointF(0, 0), font, text);
    if (outline.isEmpty()) {
        m_defined.insert(key, QByteArray());
        return {};
    }
    return define(key,
                  R"(<path id="%ID%" d=")" + svgPathData(outline) + R"(" fill-rule=")" + fillRule(outline) + R"("/>)");
}

// The renderer smooths the outline at whatever size it draws it; the filter maps the coverage it
// finds (the alpha) to GDI's levels in between, so the text is as light as Windows draws it.
QByteArray SvgPaintEngine::greyLevelsId()
{
    QByteArray table;
    for (const int level : metafile::smoothedGlyphGreys)
        table += (table.isEmpty() ? "" : " ") + svgNumber((255 - level) / 255.0);
    return define("filter grey levels", R"(<filter id="%ID%"><feComponentTransfer><feFuncA type="table")"
                                            + svgAttribute("tableValues", table) + "/></feComponentTransfer></filter>");
}

QByteArray SvgPaintEngine::placement(const QTransform &transform) const
{
    QByteArray out;
    if (!transform.isIdentity())
        out += svgAttribute("transform", svgMatrix(transform));
    if (opacity() < 1)
        out += svgAttribute("opacity", svgNumber(opacity()));
    if (!antialiased())
        out += svgAttribute("shape-rendering", "crispEdges");
    return out;
}

void SvgPaintEngine::drawShape(const QPainterPath &path)
{
    const QByteArray paint = fill(brush());
    QPainterPath shape = path;
    QTransform place = transform();
    if (place.type() <= QTransform::TxTranslate) {
        shape.translate(place.dx(), place.dy());
        place = QTransform();
    }
    const QByteArray data = svgPathData(shape);
    if (data.isEmpty())
        return;
    leaveTextGroup();
    enterClip();
    QByteArray rule;
    if (brush().style() != Qt::NoBrush && shape.fillRule() == Qt::OddEvenFill)
        rule = svgAttribute("fill-rule", "evenodd");
    m_out += R"(<path d=")" + data + '"' + paint + rule + svgStroke(pen()) + placement(place) + "/>\n";
}

void SvgPaintEngine::drawPicture(const QImage &image, const QTransform &place, const std::optional<QRectF> &cut)
{
    const QByteArray id = imageId(image);
    QByteArray cutAttribute;
    if (cut) {
        QPainterPath inside;
        inside.addRect(*cut);
        const QByteArray data = svgPathData(inside);
        cutAttribute = svgAttribute(
            "clip-path",
            "url(#" + define("clip " + data, R"(<clipPath id="%ID%"><path d=")" + data + R"("/></clipPath>)") + ')');
    }
    leaveTextGroup();
    enterClip();
    m_out += R"(<use xlink:href="#)" + id + '"' + svgAttribute("transform", svgMatrix(place))
           + (smoothPictures() ? QByteArray() : svgAttribute("image-rendering", "optimizeSpeed")) + cutAttribute
           + (opacity() < 1 ? svgAttribute("opacity", svgNumber(opacity())) : QByteArray()) + "/>\n";
}

// Text in the pen's colour, as QPainter draws it: bi-level glyphs with crisp edges, smoothed ones
// in GDI's grey levels.
void SvgPaintEngine::drawGlyphs(const QPointF &origin, const QFont &font, const QString &text)
{
    const QByteArray id = glyphId(font, text);
    if (id.isEmpty())
        return;
    const bool smoothed = !(font.styleStrategy() & QFont::NoAntialias);
    const QColor color = pen().color();
    QByteArray ink = svgAttribute("fill", svgColor(color));
    if (color.alpha() < 255)
        ink += svgAttribute("fill-opacity", svgNumber(color.alphaF()));
    enterClip();
    if (smoothed)
        enterTextGroup();
    else
        leaveTextGroup();
    m_out += R"(<use xlink:href="#)" + id + '"' + ink
           + svgAttribute("transform", svgMatrix(QTransform::fromTranslate(origin.x(), origin.y()) * transform()))
           + (smoothed ? QByteArray() : svgAttribute("shape-rendering", "crispEdges"))
           + (opacity() < 1 ? svgAttribute("opacity", svgNumber(opacity())) : QByteArray()) + "/>\n";
}

std::unique_ptr<VectorPaintEngine> makeSvgEngine(QSize pixels, QSizeF cssPixels)
{
    return std::make_unique<SvgPaintEngine>(pixels, cssPixels);
}
