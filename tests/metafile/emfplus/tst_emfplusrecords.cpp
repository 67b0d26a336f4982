// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// EMF+ decoded from byte tables, without drawing: the walk over a comment's records, every
// record and object family with its fields in place, objects continued over several
// records, and what a short, lying or out-of-range record decodes to. Each decoded value is
// written out as a short text, so that a row holds the bytes and what they must say.

#include "colours.h"
#include "emfplus/commentwalk.h"
#include "emfplus/decoder.h"
#include "emfplus/emfplusobjects.h"
#include "emfplus/emfplusrecords.h"
#include "emfplusbuilder.h"
#include "render.h"

#include <QTest>

using namespace metafile::emfplus;
using namespace Qt::StringLiterals;
using metafile::core::ByteReader;
using B = EmfPlusBuilder;
using Comments = QList<QByteArray>;
using Outcomes = QStringList;
using E = EmfBuilder;

namespace {

// Decoded values written out, each field by its type: numbers as they are, colours in hex,
// points "x,y", rectangles "x,y wxh", lists in brackets, a missing optional "-".
struct Hex
{
    Hex(quint32 value) : value(value) { } // from a field, also where a container converts
    quint32 value;
};
QString str(double v) { return QString::number(v); }
QString str(Hex h) { return QString::number(h.value, 16); }
QString str(const QString &s) { return s; }
QString str(const QPointF &p) { return str(p.x()) + u',' + str(p.y()); }
QString str(const QRectF &r) { return str(r.topLeft()) + u' ' + str(r.width()) + u'x' + str(r.height()); }
QString str(const QRect &r) { return str(QRectF(r)); }
QString str(const BrushRef &b) { return b.solid ? str(Hex {b.color}) : u'#' + str(b.object); }
QString str(const QTransform &t)
{
    return QStringList {str(t.m11()), str(t.m12()), str(t.m21()), str(t.m22()), str(t.dx()), str(t.dy())}.join(u' ');
}
QString str(const Path &p);
QString str(const Blend &b);
QString str(const Image &i);
QString str(const CustomLineCap &c);
QString str(const Brush &brush);
QString str(const RegionNode &n);
template<typename T>
QString str(const std::optional<T> &v)
{
    return v ? str(*v) : u"-"_s;
}
template<typename List>
auto str(const List &items) -> decltype(items.begin(), QString())
{
    QStringList out;
    for (const auto &item : items)
        out.append(str(item));
    return u'[' + out.join(u' ') + u']';
}
template<typename... T>
QString fields(const T &...values)
{
    return QStringList {str(values)...}.join(u' ');
}
std::vector<Hex> hexes(const std::vector<QRgb> &colors) { return {colors.begin(), colors.end()}; }

QString str(const Path &p) { return fields(p.points, std::vector<Hex>(p.types.begin(), p.types.end())); }
QString str(const Blend &b) { return fields(b.positions, hexes(b.colors), b.factors); }
QString str(const Image &i)
{
    if (const auto *m = std::get_if<MetafileImage>(&i))
        return fields(u"metafile"_s, m->type, m->bytes.size());
    const auto &b = std::get<Bitmap>(i);
    return fields(u"bitmap"_s, b.width, b.height, b.stride, Hex {b.pixelFormat}, b.compressed, hexes(b.palette),
                  b.bytes.size());
}
QString str(const CustomLineCap &c)
{
    return fields(c.arrow, c.arrowWidth, c.arrowHeight, c.baseCap, c.baseInset, c.widthScale, c.fillPath,
                  c.outlinePath);
}
QString str(const Brush &brush)
{
    if (const auto *s = std::get_if<SolidBrush>(&brush))
        return fields(u"solid"_s, Hex {s->color});
    if (const auto *h = std::get_if<HatchBrush>(&brush))
        return fields(u"hatch"_s, h->style, Hex {h->foreground}, Hex {h->background});
    if (const auto *t = std::get_if<TextureBrush>(&brush))
        return fields(u"texture"_s, t->wrapMode, t->transform, t->image);
    if (const auto *l = std::get_if<LinearGradientBrush>(&brush))
        return fields(u"linear"_s, l->rect, Hex {l->startColor}, Hex {l->endColor}, l->blend, l->verticalBlend);
    const auto &p = std::get<PathGradientBrush>(brush);
    return fields(u"path"_s, Hex {p.centerColor}, p.center, hexes(p.surroundingColors), p.boundary, p.blend,
                  p.focusScales);
}
QString str(const RegionNode &n) { return fields(Hex {n.type}, n.left, n.right, n.rect, n.path); }
QString str(const Object &o)
{
    if (const auto *b = std::get_if<Brush>(&o))
        return str(*b);
    if (const auto *p = std::get_if<Pen>(&o))
        return fields(u"pen"_s, p->width, p->unit, p->startCap, p->endCap, p->join, p->miterLimit, p->lineStyle,
                      p->dashes, p->compound, p->customEndCap, p->brush);
    if (const auto *p = std::get_if<Path>(&o))
        return str(*p);
    if (const auto *r = std::get_if<Region>(&o))
        return str(r->nodes);
    if (const auto *i = std::get_if<Image>(&o))
        return str(*i);
    if (const auto *f = std::get_if<Font>(&o))
        return fields(u"font"_s, f->emSize, f->unit, f->style, f->family);
    if (const auto *s = std::get_if<StringFormat>(&o))
        return fields(u"format"_s, Hex {s->flags}, s->alignment, s->lineAlignment, s->tabStops, s->ranges.size(),
                      s->ranges.empty() ? 0 : s->ranges[0].second);
    if (const auto *a = std::get_if<ImageAttributes>(&o))
        return fields(u"attributes"_s, a->wrapMode, Hex {a->clampColor});
    return str(std::get<CustomLineCap>(o));
}

template<typename T, typename Text>
QString text(const std::optional<T> &decoded, Text describe)
{
    return decoded ? describe(*decoded) : u"fails"_s;
}

// One record decoded by its own decoder and written out.
QString describe(quint16 type, quint16 f, const QByteArray &data)
{
    using T = RecordType;
    ByteReader r(data);
    const auto arc = [](const Arc &a) { return fields(a.brush, a.pen, a.startAngle, a.sweepAngle, a.rect); };
    const auto curve = [](const Curve &c) {
        return fields(c.brush, c.pen, c.tension, c.offset, c.segments, c.winding, c.points);
    };
    const auto image = [](const DrawImage &d) {
        return fields(d.image, d.attributes, d.sourceUnit, d.source, d.corners, d.effect);
    };
    const auto change = [](const TransformChange &c) { return fields(c.transform, c.append); };
    const auto clip = [](const ClipChange &c) { return fields(c.combineMode, c.rect, c.object); };
    switch (T(type)) {
    case T::Header: return text(decodeHeader(r, f), [](const Header &h) { return fields(h.dual, h.dpiX, h.dpiY); });
    case T::Clear: return text(decodeClear(r), [](QRgb c) { return str(Hex {c}); });
    case T::FillRects: return text(decodeFillRects(r, f), [](const FillRects &d) { return fields(d.brush, d.rects); });
    case T::DrawRects: return text(decodeDrawRects(r, f), [](const DrawRects &d) { return fields(d.pen, d.rects); });
    case T::FillPolygon:
        return text(decodeFillPolygon(r, f), [](const FillPolygon &d) { return fields(d.brush, d.points); });
    case T::DrawLines:
        return text(decodeDrawLines(r, f), [](const DrawLines &d) { return fields(d.pen, d.closed, d.points); });
    case T::FillEllipse:
        return text(decodeFillEllipse(r, f), [](const FillEllipse &d) { return fields(d.brush, d.rect); });
    case T::DrawEllipse:
        return text(decodeDrawEllipse(r, f), [](const DrawEllipse &d) { return fields(d.pen, d.rect); });
    case T::FillPie: return text(decodeArc(r, f, true), arc);
    case T::DrawArc: return text(decodeArc(r, f, false), arc);
    case T::FillRegion:
        return text(decodeFillRegion(r, f), [](const FillRegion &d) { return fields(d.region, d.brush); });
    case T::FillPath: return text(decodeFillPath(r, f), [](const FillPath &d) { return fields(d.path, d.brush); });
    case T::DrawPath: return text(decodeDrawPath(r, f), [](const DrawPath &d) { return fields(d.path, d.pen); });
    case T::FillClosedCurve: return text(decodeFillClosedCurve(r, f), curve);
    case T::DrawClosedCurve: return text(decodeDrawClosedCurve(r, f), curve);
    case T::DrawCurve: return text(decodeDrawCurve(r, f), curve);
    case T::DrawBeziers:
        return text(decodeDrawBeziers(r, f), [](const DrawBeziers &d) { return fields(d.pen, d.points); });
    case T::DrawImage: return text(decodeDrawImage(r, f), image);
    case T::DrawImagePoints: return text(decodeDrawImagePoints(r, f), image);
    case T::DrawString:
        return text(decodeDrawString(r, f),
                    [](const DrawString &d) { return fields(d.font, d.brush, d.format, d.layout, d.text); });
    case T::DrawDriverString:
        return text(decodeDrawDriverString(r, f), [](const DrawDriverString &d) {
            return fields(d.font, d.brush, d.options, d.glyphs, d.positions, d.transform);
        });
    case T::SetRenderingOrigin: return text(decodeRenderingOrigin(r), [](QPoint p) { return str(p); });
    case T::Save: return text(decodeStackIndex(r), [](StackIndex s) { return str(s.index); });
    case T::BeginContainer:
        return text(decodeBeginContainer(r, f),
                    [](const BeginContainer &c) { return fields(c.pageUnit, c.destination, c.source, c.index); });
    case T::SetWorldTransform: return text(decodeWorldTransform(r), [](const QTransform &t) { return str(t); });
    case T::MultiplyWorldTransform: return text(decodeMultiplyTransform(r, f), change);
    case T::TranslateWorldTransform: return text(decodeTranslateTransform(r, f), change);
    case T::ScaleWorldTransform: return text(decodeScaleTransform(r, f), change);
    case T::RotateWorldTransform: return text(decodeRotateTransform(r, f), change);
    case T::SetPageTransform:
        return text(decodePageTransform(r, f), [](PageTransform p) { return fields(p.unit, p.scale); });
    case T::SetClipRect: return text(decodeClipRect(r, f), clip);
    case T::SetClipPath: return text(decodeClipObject(f), clip);
    case T::OffsetClip: return text(decodeOffsetClip(r), [](QPointF p) { return str(p); });
    case T::SerializableObject:
        return text(decodeSerializableObject(r), [](const SerializableObject &o) {
            return fields(Hex {o.guid[0]}, QString::fromLatin1(o.buffer.toByteArray().toHex()));
        });
    case T::SetTsGraphics:
        return text(decodeTsGraphics(r), [](const TsGraphics &t) {
            return fields(t.antiAliasMode, t.renderOrigin, t.pixelOffset, t.worldToDevice);
        });
    case T::SetTsClip: return text(decodeTsClip(r, f), [](const TsClip &c) { return str(c.rects); });
    default: return u"no decoder"_s;
    }
}

// The outcomes of the Object records, and of the whole stream, of one file's comments.
QStringList outcomes(const QList<QByteArray> &comments)
{
    QStringList out;
    Decoder decoder([&](quint16, quint16, Outcome outcome, const char *problem) {
        out.append(outcome == Outcome::Decoded   ? u"decoded"_s
                   : outcome == Outcome::Ignored ? QStringLiteral("ignored")
                                                 : QStringLiteral("failed: ") + QLatin1String(problem).first(32));
    });
    for (const QByteArray &comment : comments)
        decoder.comment(comment);
    decoder.finish();
    return out;
}
QByteArray one(quint16 type, quint16 flags, const QByteArray &data)
{
    return B::comment(B::recordBytes(type, flags, data));
}

// A region `depth` combinations deep: each an intersection of an empty region and the
// next, the last an infinite one.
QByteArray deepRegion(int depth)
{
    QByteArray out = E::ints({B::version, 2 * depth});
    for (int i = 0; i < depth; ++i)
        out += E::ints({1, 0x10000002});
    return out + E::ints({0x10000003});
}

const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");
const QByteArray rect1 = B::rectF(QRectF(1, 2, 3, 4));
const QByteArray rect16 = B::shorts({1, 2, 3, 4});
const QByteArray capArrow =
    E::ints({B::version, 1}) + E::floats({3, 4, 0}) + E::ints({1, 0, 0, 0}) + E::floats({10, 1, 0, 0, 0, 0});

} // namespace

class TestEmfPlusRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void walk_data();
    void walk();
    void records_data();
    void records();
    void objects_data();
    void objects();
    void continued_data();
    void continued();
    void badRecords_data();
    void badRecords();
    void dualFilePlaysItsGdiLayer();
};

void TestEmfPlusRecords::walk_data()
{
    QTest::addColumn<QByteArray>("params");
    QTest::addColumn<bool>("emfPlus");
    QTest::addColumn<int>("records");
    QTest::addColumn<bool>("broken");
    const QByteArray clear = B::recordBytes(0x4009, 0, E::ints({0xFF00FF00}));
    const QByteArray eof = B::recordBytes(B::EndOfFile, 0, {});
    QTest::addRow("another kind of comment") << E::ints({8}) + "GDIC" + E::ints({1}) << false << 0 << false;
    QTest::addRow("no EMF+ records") << B::comment({}) << true << 0 << false;
    QTest::addRow("two records") << B::comment(clear + eof) << true << 2 << false;
    QTest::addRow("a record head cut short") << B::comment(clear + eof.first(8)) << true << 1 << true;
    QTest::addRow("size under the head") << B::comment(clear + E::ints({0x4002, 8, 0})) << true << 1 << true;
    QTest::addRow("size not whole words") << B::comment(E::ints({0x4002, 14, 0}) + "ab") << true << 0 << true;
    QTest::addRow("data past the size") << B::comment(E::ints({0x4009, 16, 8}) + E::ints({0})) << true << 0 << true;
    QTest::addRow("data size shorter than the size")
        << B::comment(E::ints({0x4009, 20, 4}) + E::ints({1, 2})) << true << 1 << false;
    QTest::addRow("past the comment") << B::comment(E::ints({0x4009, 20, 8}) + E::ints({1})) << true << 0 << true;
    QTest::addRow("comment size past its record") << E::ints({400}) + "EMF+" + clear << true << 0 << true;
    QTest::addRow("empty parameters") << QByteArray() << false << 0 << false;
}

void TestEmfPlusRecords::walk()
{
    QFETCH(QByteArray, params);
    QFETCH(bool, emfPlus);
    QFETCH(int, records);
    QFETCH(bool, broken);
    const CommentRecords walked = walkComment(params);
    QCOMPARE(walked.emfPlus, emfPlus);
    QCOMPARE(int(walked.records.size()), records);
    QCOMPARE(walked.problem != nullptr, broken);
    if (!walked.records.empty())
        QCOMPARE(walked.records[0].data.size(), 4); // exactly the data size, never the padding
}

void TestEmfPlusRecords::records_data()
{
    QTest::addColumn<quint16>("type");
    QTest::addColumn<quint16>("flags");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, quint16 type, quint16 flags, const QByteArray &data, const char *expected) {
        QTest::addRow("%s", name) << type << flags << data << QString::fromUtf8(expected);
    };
    row("header, dual", 0x4001, 1, E::ints({B::version, 1, 96, 120}), "1 96 120");
    row("clear", 0x4009, 0, E::ints({0x80FF0000}), "80ff0000");
    row("fill rects, inline colour", 0x400A, 0x8000, E::ints({0xFF00FF00, 1}) + rect1, "ff00ff00 [1,2 3x4]");
    row("fill rects, brush object, 16-bit", 0x400A, 0x4000, E::ints({3, 2}) + rect16 + B::shorts({-5, 0, 1, 1}),
        "#3 [1,2 3x4 -5,0 1x1]");
    row("draw rects, pen in the flags", 0x400B, 0x0007, E::ints({1}) + rect1, "7 [1,2 3x4]");
    row("fill polygon, relative 7 and 15 bits", 0x400C, 0x8800,
        E::ints({0xFF, 3}) + QByteArray::fromHex("0a7f8100c0000000"), "ff [10,-1 266,-16385 266,-16385]");
    row("draw lines, closed, 16-bit", 0x400D, 0x6002, E::ints({2}) + B::shorts({-1, 2, 300, -4}), "2 1 [-1,2 300,-4]");
    row("draw lines, relative wins over 16-bit", 0x400D, 0x4800, E::ints({1}) + QByteArray::fromHex("0102"),
        "0 0 [1,2]");
    row("fill ellipse, 16-bit", 0x400E, 0xC000, E::ints({0xFF0000FF}) + rect16, "ff0000ff 1,2 3x4");
    row("draw ellipse", 0x400F, 0x0001, rect1, "1 1,2 3x4");
    row("fill pie", 0x4010, 0x8000, E::ints({0xFF}) + E::floats({-90, 45}) + rect1, "ff 0 -90 45 1,2 3x4");
    row("draw arc", 0x4012, 0x0005, E::floats({10, 370}) + rect1, "#0 5 10 370 1,2 3x4");
    row("fill region", 0x4013, 0x803C, E::ints({0xFFFFFFFF}), "60 ffffffff");
    row("fill path, brush object", 0x4014, 0x0028, E::ints({63}), "40 #63");
    row("draw path", 0x4015, 0x0001, E::ints({2}), "1 2");
    row("fill closed curve, winding", 0x4016, 0xA000,
        E::ints({0xFF}) + E::floats({0.5}) + E::ints({2}) + B::pointsF({{1, 2}, {3, 4}}), "ff 0 0.5 0 0 1 [1,2 3,4]");
    row("draw closed curve", 0x4017, 0x4003, E::floats({1}) + E::ints({1}) + B::shorts({5, 6}), "#0 3 1 0 0 0 [5,6]");
    row("draw curve, offset and segments", 0x4018, 0x0018,
        E::floats({0.5}) + E::ints({1, 1, 3}) + B::pointsF({{0, 0}, {1, 1}, {2, 0}}), "#0 24 0.5 1 1 0 [0,0 1,1 2,0]");
    row("draw beziers, 16-bit", 0x4019, 0x4003, E::ints({4}) + B::shorts({0, 0, 1, 1, 2, 1, 3, 0}),
        "3 [0,0 1,1 2,1 3,0]");
    row("draw image, 16-bit target", 0x401A, 0x4002, E::ints({1, 2}) + rect1 + B::shorts({10, 20, 30, 40}),
        "2 1 2 1,2 3x4 [10,20 40,20 10,60] 0");
    row("draw image points, effect", 0x401B, 0x2003,
        E::ints({0, 2}) + rect1 + E::ints({3}) + B::pointsF({{0, 0}, {9, 1}, {1, 9}}), "3 0 2 1,2 3x4 [0,0 9,1 1,9] 1");
    row("draw string", 0x401C, 0x8002, E::ints({0xFF000000, 4, 2}) + rect1 + B::utf16(QStringLiteral("Hi")),
        "2 ff000000 4 1,2 3x4 Hi");
    row("draw driver string with a matrix", 0x4036, 0x0001,
        E::ints({5, 5, 1, 2}) + B::shorts({36, 37}) + B::pointsF({{1, 2}, {3, 2}}) + B::identity(),
        "1 #5 5 [36 37] [1,2 3,2] 1 0 0 1 0 0");
    row("rendering origin", 0x401D, 0, E::ints({-3, 4}), "-3,4");
    row("save", 0x4025, 0, E::ints({7}), "7");
    row("begin container", 0x4027, 0x0200, rect1 + B::rectF(QRectF(0, 0, 1, 1)) + E::ints({9}), "2 1,2 3x4 0,0 1x1 9");
    row("world transform", 0x402A, 0, E::floats({2, 0, 0, 3, 4, 5}), "2 0 0 3 4 5");
    row("multiply, appended", 0x402C, 0x2000, E::floats({1, 1, 0, 1, 0, 0}), "1 1 0 1 0 0 1");
    row("translate", 0x402D, 0, E::floats({4, -5}), "1 0 0 1 4 -5 0");
    row("scale, appended", 0x402E, 0x2000, E::floats({2, 0.5}), "2 0 0 0.5 0 0 1");
    row("rotate a right angle", 0x402F, 0, E::floats({90}), "0 1 -1 0 0 0 0");
    row("page transform in points", 0x4030, 3, E::floats({0.5}), "3 0.5");
    row("clip rect, intersect", 0x4032, 0x0100, rect1, "1 1,2 3x4 0");
    row("clip path, exclude", 0x4033, 0x0408, {}, "4 0,0 0x0 8");
    row("offset clip", 0x4035, 0, E::floats({1.5, -2}), "1.5,-2");
    row("serializable object", 0x4038, 0, QByteArray(16, '\x2a') + E::ints({4, 0x01020304}), "2a 04030201");
    row("terminal server graphics", 0x4039, 0,
        QByteArray("\x04\x05\x00\x01", 4) + B::shorts({3, -4, 1000}) + QByteArray("\x00\x02", 2) + B::identity(),
        "4 3,-4 2 1 0 0 1 0 0");
    row("terminal server clip", 0x403A, 2, B::shorts({0, 0, 10, 10, 5, 5, 6, 7}), "[0,0 10x10 5,5 1x2]");
    row("terminal server clip, compressed", 0x403A, 0x8002, QByteArray::fromHex("8100028a8a848a858b"),
        "[1,2 9x10 5,12 10x11]");
}

void TestEmfPlusRecords::records()
{
    QFETCH(quint16, type);
    QFETCH(quint16, flags);
    QFETCH(QByteArray, data);
    QFETCH(QString, expected);
    QCOMPARE(describe(type, flags, data), expected);
}

void TestEmfPlusRecords::objects_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, int kind, const QByteArray &data, const char *expected) {
        QTest::addRow("%s", name) << kind << data << QString::fromUtf8(expected);
    };
    const QByteArray v = E::ints({B::version});
    const QByteArray linear = E::ints({2, 0}) + rect1 + E::ints({0xFF0000FF, 0xFFFF0000, 0, 0});
    const QByteArray twoPoints = E::ints({2}) + B::pointsF({{0, 0}, {10, 0}});
    row("solid brush", 1, B::solidBrush(0x7F102030), "solid 7f102030");
    row("hatch brush", 1, v + E::ints({1, 5, 0xFF000000, 0xFFFFFFFF}), "hatch 5 ff000000 ffffffff");
    row("texture brush, transform and PNG", 1, v + E::ints({2, 2, 1}) + B::identity() + B::compressedImage(png),
        "texture 1 1 0 0 1 0 0 bitmap 0 0 0 0 1 [] 16");
    row("linear gradient, preset colours", 1,
        v + E::ints({4, 6, 0}) + rect1 + E::ints({0xFF0000FF, 0xFFFF0000, 0, 0}) + B::identity() + E::ints({2})
            + E::floats({0, 1}) + E::ints({1, 2}),
        "linear 1,2 3x4 ff0000ff ffff0000 [0 1] [1 2] [] -");
    row("linear gradient, factors both ways", 1,
        v + E::ints({4, 0x18, 0}) + linear.mid(8) + E::ints({1}) + E::floats({0.5, 0.25}) + E::ints({1})
            + E::floats({1, 1}),
        "linear 1,2 3x4 ff0000ff ffff0000 [0.5] [] [0.25] [1] [] [1]");
    row("path gradient, points and focus", 1,
        v + E::ints({3, 0x40, 0, 0xFFFFFFFF}) + E::floats({5, 5}) + E::ints({1, 0xFF000000}) + twoPoints + E::ints({2})
            + E::floats({0.5, 0.5}),
        "path ffffffff 5,5 [ff000000] [0,0 10,0] [0 81] - 0.5,0.5");
    const QByteArray boundary = B::path({{0, 0}, {1, 1}}, QByteArray("\x00\x81", 2));
    row("path gradient, path boundary", 1,
        v + E::ints({3, 1, 0, 0xFF, 0, 0, 0}) + E::ints({boundary.size()}) + boundary,
        "path ff 0,0 [] [0,0 1,1] [0 81] - -");
    row("pen, caps, join and dashes", 2,
        B::pen(2.5, 0xFF00FF00, 0x011E, E::ints({2, 3, 1}) + E::floats({4}) + E::ints({2}) + E::floats({3, 1})),
        "pen 2.5 0 2 3 1 4 0 [3 1] [] - solid ff00ff00");
    row("pen, compound and an arrow cap", 2,
        B::pen(1, 0xFF, 0x1400, E::ints({2}) + E::floats({0, 0.5}) + E::ints({capArrow.size()}) + capArrow),
        "pen 1 0 0 0 0 10 0 [] [0 0.5] 1 3 4 0 0 1 - - solid ff");
    row("path", 3, B::path({{1, 2}, {3, 4}, {5, 6}}, QByteArray("\x00\x01\x81", 3)), "[1,2 3,4 5,6] [0 1 81]");
    row("path, 16-bit", 3, v + E::ints({2, 0x4000}) + B::shorts({-1, 2, 3, 4}) + QByteArray("\x00\x01\0\0", 4),
        "[-1,2 3,4] [0 1]");
    row("path, relative with run-length types", 3,
        v + E::ints({4, 0x1800}) + QByteArray::fromHex("0102010101010101430381"), "[1,2 2,3 3,4 4,5] [3 3 3 81]");
    row("region, a rectangle", 4, B::rectRegion(QRectF(1, 2, 3, 4)), "[10000000 -1 -1 1,2 3x4 [] []]");
    row("region, a rectangle less a path", 4,
        v + E::ints({2, 4, 0x10000000}) + rect1 + E::ints({0x10000001, boundary.size()}) + boundary,
        "[4 1 2 0,0 0x0 [] [] 10000000 -1 -1 1,2 3x4 [] [] 10000001 -1 -1 0,0 0x0 [0,0 1,1] [0 81]]");
    row("region, empty", 4, v + E::ints({0, 0x10000002}), "[10000002 -1 -1 0,0 0x0 [] []]");
    row("image, 24-bit pixels", 5, B::rawImage(2, 2, 8, 0x00021808, QByteArray(16, '\x7f')),
        "bitmap 2 2 8 21808 0 [] 16");
    row("image, 1-bit with a palette", 5,
        B::rawImage(3, 1, 4, 0x00030101, E::ints({0, 2, 0xFF000000, 0xFFFFFFFF, 0xA0})),
        "bitmap 3 1 4 30101 0 [ff000000 ffffffff] 4");
    row("image, PNG", 5, B::compressedImage(png), "bitmap 0 0 0 0 1 [] 16");
    row("image, an EMF", 5, v + E::ints({2, 3, 8}) + E::ints({1, 2}), "metafile 3 8");
    row("image, a placeable WMF padded as GDI+ writes it", 5,
        v + E::ints({2, 2, 18}) + QByteArray::fromHex("d7cdc69a") + QByteArray(18, '\0')
            + B::shorts({0, 1, 9, 0x300, 9, 0, 0, 0, 0, 0}),
        "metafile 2 40");
    row("font", 6, B::font(12.5, QStringLiteral("Arial")), "font 12.5 3 1 Arial");
    row("font, NUL counted", 6, B::font(8, QStringLiteral("Ab") + QChar(0)), "font 8 3 1 Ab");
    row("string format, tab stops and ranges", 7,
        v + E::ints({0x1000, 0, 1, 2, 0, 0}) + E::floats({0}) + E::ints({0}) + E::floats({0, 0, 1}) + E::ints({0, 1, 1})
            + E::floats({8}) + E::ints({2, 3}),
        "format 1000 1 2 [8] 1 3");
    row("image attributes", 8, v + E::ints({0, 3, 0xFF112233, 0, 0}), "attributes 3 ff112233");
    row("custom line cap, fill path", 9,
        v + E::ints({0, 1, 2}) + E::floats({0.5}) + E::ints({0, 0, 0}) + E::floats({10, 1, 0, 0, 0, 0})
            + E::ints({boundary.size()}) + boundary,
        "0 0 0 2 0.5 1 [0,0 1,1] [0 81] -");
}

void TestEmfPlusRecords::objects()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, data);
    QFETCH(QString, expected);
    const std::optional<Object> object = decodeObject(ObjectType(kind), data);
    QVERIFY(object);
    QCOMPARE(str(*object), expected);
}

void TestEmfPlusRecords::continued_data()
{
    QTest::addColumn<QList<QByteArray>>("comments");
    QTest::addColumn<QStringList>("expected");
    const QByteArray path = B::path({{1, 2}, {3, 4}, {5, 6}}, QByteArray("\x00\x01\x01", 3)); // 40 bytes
    const auto parts = [&](qint64 declared, int firstSize, quint16 slot = 1) {
        const quint16 flags = 0x8000 | 0x0300 | slot;
        return Comments {one(0x4008, flags, E::ints({declared}) + path.first(firstSize)),
                         one(0x4008, flags, E::ints({declared}) + path.mid(firstSize))};
    };
    const QString cut = u"failed: an EMF+ object continued over se"_s;
    const QString overrun = u"failed: an EMF+ object's parts hold more"_s;
    const QString ok = u"decoded"_s;
    const Outcomes both = {ok, ok};
    QTest::addRow("two parts") << parts(40, 24) << both;
    const QByteArray head = B::recordBytes(0x4008, 0x8301, E::ints({40}) + path.first(20));
    const QByteArray tail = B::recordBytes(0x4008, 0x8301, E::ints({40}) + path.mid(20));
    QTest::addRow("in one comment") << Comments {B::comment(head + tail)} << both;
    QTest::addRow("total smaller than the parts") << parts(36, 24) << Outcomes {ok, overrun};
    QTest::addRow("total larger: never whole") << parts(44, 24) << Outcomes {both + Outcomes {cut}};
    QTest::addRow("total changes") << Comments {parts(40, 24)[0], parts(41, 24)[1]} << Outcomes {ok, cut, cut};
    QTest::addRow("another object in between")
        << Comments {parts(40, 24)[0], one(0x4008, 0x0102, B::solidBrush(0xFF)), parts(40, 24)[1]}
        << Outcomes {ok, cut, ok, ok, cut};
    QTest::addRow("another slot") << Comments {parts(40, 24, 1)[0], parts(40, 24, 2)[1]} << Outcomes {ok, cut, cut};
    QTest::addRow("total at the limit") << Comments {parts(32 << 20, 24)[0]} << Outcomes {ok, cut};
    QTest::addRow("total past the limit")
        << Comments {parts((32 << 20) + 1, 24)[0]} << Outcomes {u"failed: an EMF+ object declares a total "_s};
    // A data size of 2: too short for the total's field.
    QTest::addRow("part without its total") << Comments {B::comment(B::shorts({0x4008, 0x8301}) + E::ints({16, 2, 0}))}
                                            << Outcomes {u"failed: an EMF+ object's part has no roo"_s};
    QTest::addRow("whole but not a path") << Comments {one(0x4008, 0x8301, E::ints({8, 1, 2}))}
                                          << Outcomes {u"failed: the EMF+ object is shorter than "_s};
}

void TestEmfPlusRecords::continued()
{
    QFETCH(QList<QByteArray>, comments);
    QFETCH(QStringList, expected);
    QCOMPARE(outcomes(comments), expected);
}

// Each bounds check with a row just inside and one just outside.
void TestEmfPlusRecords::badRecords_data()
{
    QTest::addColumn<QByteArray>("comment");
    QTest::addColumn<bool>("decodes");
    const auto row = [](const char *name, quint16 type, quint16 flags, const QByteArray &data, bool decodes) {
        QTest::addRow("%s", name) << one(type, flags, data) << decodes;
    };
    const auto object = [&row](const char *name, quint16 kind, const QByteArray &data, bool decodes) {
        row(name, 0x4008, kind << 8, data, decodes);
    };
    const QByteArray v = E::ints({B::version});
    row("fill rects: rectangles as counted", 0x400A, 0x8000, E::ints({0, 1}) + rect1, true);
    row("fill rects: count past the record", 0x400A, 0x8000, E::ints({0, 2}) + rect1, false);
    row("fill rects: count past 32 bits of bytes", 0x400A, 0x8000, E::ints({0, 0x10000001}) + rect1, false);
    row("fill rects: brush 63", 0x400A, 0, E::ints({63, 0}), true);
    row("fill rects: brush 64", 0x400A, 0, E::ints({64, 0}), false);
    row("draw rects: pen 63", 0x400B, 63, E::ints({0}), true);
    row("draw rects: pen 64", 0x400B, 64, E::ints({0}), false);
    row("draw path: pen 64", 0x4015, 1, E::ints({64}), false);
    row("draw lines: a 15-bit offset cut short", 0x400D, 0x0800, E::ints({2}) + QByteArray::fromHex("01020380"), false);
    row("draw lines: a float that is not a number", 0x400D, 0, E::ints({1}) + E::ints({0x7FC00000, 0}), false);
    const QByteArray curve = E::floats({0.5});
    const QByteArray two = B::pointsF({{0, 0}, {1, 1}});
    row("draw curve: offset at the last point", 0x4018, 0, curve + E::ints({1, 0, 2}) + two, true);
    row("draw curve: offset past the last point", 0x4018, 0, curve + E::ints({2, 0, 2}) + two, false);
    row("draw curve: segments past the points", 0x4018, 0, curve + E::ints({0, 2, 2}) + two, false);
    row("draw ellipse: rectangle cut short", 0x400F, 0, E::floats({1, 2, 3}), false);
    row("header: cut short", 0x4001, 1, E::ints({B::version, 1, 96}), false);
    row("draw image points: four points", 0x401B, 0,
        E::ints({0, 2}) + rect1 + E::ints({4}) + B::pointsF({{0, 0}, {1, 0}, {0, 1}, {1, 1}}), false);
    row("draw string: characters past the record", 0x401C, 0,
        E::ints({0, 0, 3}) + rect1 + B::utf16(QStringLiteral("ab")), false);
    row("driver string: glyphs past the record", 0x4036, 0,
        E::ints({0, 0, 0, 2}) + B::shorts({1, 2}) + B::pointsF({{0, 0}}), false);
    row("world transform: not invertible", 0x402A, 0, E::floats({1, 2, 2, 4, 0, 0}), false);
    row("world transform: past the device space", 0x402A, 0, E::floats({1, 0, 0, 1, 2e8, 0}), false);
    row("world transform: infinite", 0x402A, 0, E::ints({0x7F800000}) + E::floats({0, 0, 1, 0, 0}), false);
    row("scale: zero", 0x402E, 0, E::floats({0, 1}), false);
    row("page transform: millimetres", 0x4030, 6, E::floats({1}), true);
    row("page transform: no such unit", 0x4030, 7, E::floats({1}), false);
    row("page transform: world units", 0x4030, 0, E::floats({1}), false);
    row("page transform: scale zero", 0x4030, 2, E::floats({0}), false);
    row("clip rect: complement", 0x4032, 0x0500, rect1, true);
    row("clip rect: no such combine mode", 0x4032, 0x0600, rect1, false);
    row("header: no resolution", 0x4001, 1, E::ints({B::version, 1, 0, 96}), false);
    row("serializable object: buffer past the record", 0x4038, 0, QByteArray(16, '\0') + E::ints({8, 0}), false);
    row("terminal server clip: rectangles past the record", 0x403A, 3, B::shorts({0, 0, 1, 1}), false);
    object("path: points past the object", 3,
           v + E::ints({3, 0}) + B::pointsF({{0, 0}, {1, 1}}) + QByteArray("\0\1\1", 3), false);
    object("path: a run past the points", 3,
           v + E::ints({2, 0x1000}) + B::pointsF({{0, 0}, {1, 1}}) + QByteArray::fromHex("4301"), false);
    object("path: a run of nothing", 3,
           v + E::ints({2, 0x1000}) + B::pointsF({{0, 0}, {1, 1}}) + QByteArray::fromHex("4001"), false);
    object("region: 256 deep", 4, deepRegion(256), true);
    object("region: 257 deep", 4, deepRegion(257), false);
    object("region: unknown node", 4, v + E::ints({0, 0x10000004}), false);
    object("region: path size past the object", 4, v + E::ints({0, 0x10000001, 100}), false);
    object("image: rows past the object", 5, B::rawImage(2, 2, 8, 0x00021808, QByteArray(12, '\0')), false);
    object("image: stride shorter than a row", 5, B::rawImage(3, 1, 8, 0x00021808, QByteArray(16, '\0')), false);
    object("image: 16384 wide", 5, B::rawImage(16384, 1, 2048, 0x00030101, E::ints({0, 0}) + QByteArray(2048, '\0')),
           true);
    object("image: 16385 wide", 5, B::rawImage(16385, 1, 2052, 0x00030101, E::ints({0, 0}) + QByteArray(2052, '\0')),
           false);
    object("image: unknown pixel format", 5, B::rawImage(1, 1, 4, 0x00021809, QByteArray(4, '\0')), false);
    object("image: three colours for one bit", 5, B::rawImage(1, 1, 4, 0x00030101, E::ints({0, 3, 0, 0, 0, 0})), false);
    object("image: an empty file", 5, B::compressedImage({}), false);
    object("image: metafile past the object", 5, v + E::ints({2, 3, 9}) + E::ints({1, 2}), false);
    object("font: name past the object", 6, v + E::floats({1}) + E::ints({3, 0, 0, 3}) + B::utf16(QStringLiteral("ab")),
           false);
    object("string format: tab stops past the object", 7, v + QByteArray(48, '\0') + E::ints({2, 0}) + E::floats({1}),
           false);
    object("brush: no such kind", 1, v + E::ints({5, 0}), false);
    object("brush: blend past the object", 1,
           v + E::ints({4, 4, 0}) + rect1 + E::ints({0, 0, 0, 0, 3}) + E::floats({0, 1}), false);
    object("brush: focus scales not two", 1,
           v + E::ints({3, 0x40, 0, 0}) + E::floats({0, 0}) + E::ints({0, 0, 3}) + E::floats({1, 1}), false);
    object("pen: dashes past the object", 2, B::pen(1, 0, 0x100, E::ints({4}) + E::floats({1})), false);
    object("pen: cap size past the object", 2, B::pen(1, 0, 0x800, E::ints({400})), false);
    row("object: slot 64", 0x4008, 0x0140, B::solidBrush(0), false);
}

void TestEmfPlusRecords::badRecords()
{
    QFETCH(QByteArray, comment);
    QFETCH(bool, decodes);
    const QStringList outcome = outcomes({comment});
    QCOMPARE(outcome.size(), 1);
    QVERIFY2(outcome[0].startsWith(decodes ? u"decoded"_s : u"failed"_s), qPrintable(outcome[0]));
}

// Until EMF+ is drawn, a dual file plays its GDI records whatever its EMF+ holds, and the
// EMF+ it cannot decode is no fault of the play.
void TestEmfPlusRecords::dualFilePlaysItsGdiLayer()
{
    EmfPlusBuilder b;
    b.header(true).record(B::FillRects, 0x8000, E::ints({0xFF00FF00, 5}) + rect1).endComment();
    b.emf().fillWith(1, colorref::red).rectangle(QRect(0, 0, 50, 50));
    b.continuedObject(B::Path, 1, B::path({{0, 0}, {9, 9}}, QByteArray("\0\1", 2)), 8, 400);
    const testsupport::Rendered rendered = testsupport::render(b.bytes());
    QCOMPARE(rendered.result, metafile::PlayResult::Ok);
    QCOMPARE(testsupport::pixel(rendered.image, 10, 10), qrgb::red);
    QCOMPARE(testsupport::pixel(rendered.image, 60, 60), qrgb::white);
}

QTEST_GUILESS_MAIN(TestEmfPlusRecords)
#include "tst_emfplusrecords.moc"
