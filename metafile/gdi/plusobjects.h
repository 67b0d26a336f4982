// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The graphics objects of GDI+ as plain values: brushes, pens, paths, regions, images,
// fonts, string formats, image attributes and custom line caps. EMF+ decodes them from its
// Object records (emfplus/emfplusobjects.h) into a 64-slot table, and the device draws with
// them as they are (gdi/plusstate.h); they live here, on the device's floor, so that the
// device takes them without knowing the format.
//
// Units: coordinates are world units of the record that uses the object; colours are
// ARGB (0xAARRGGBB, the byte order the file holds them in and QRgb's).

#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <QRgb>
#include <QString>
#include <QTransform>

#include <array>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace metafile::gdi::plus {

// A brush as a drawing record names it: an inline colour, or a brush object's slot.
struct BrushRef
{
    bool solid = false;
    QRgb color = 0; // solid
    int object = 0; // otherwise, 0 to 63
};

// A path: points and a type per point. The type's low three bits are the kind (pathStart,
// pathLine, pathBezier), its high bits the flags pathDashMode, pathMarker, pathClose.
struct Path
{
    std::vector<QPointF> points;
    std::vector<quint8> types;
};
constexpr quint8 pathStart = 0;
constexpr quint8 pathLine = 1;
constexpr quint8 pathBezier = 3;
constexpr quint8 pathKindMask = 0x07;
constexpr quint8 pathDashMode = 0x10;
constexpr quint8 pathMarker = 0x20;
constexpr quint8 pathClose = 0x80;

// A region: a tree of nodes kept in one vector, the root first. A combining node names its
// two operands by their index in `nodes`; a leaf is a rectangle, a path, empty or infinite.
struct RegionNode
{
    enum Type : quint32 {
        And = 1,
        Or = 2,
        Xor = 3,
        Exclude = 4,
        Complement = 5,
        Rect = 0x10000000,
        PathNode = 0x10000001,
        Empty = 0x10000002,
        Infinite = 0x10000003,
    };
    Type type = Infinite;
    int left = -1; // combining nodes: the operands
    int right = -1;
    QRectF rect;
    Path path;
};
struct Region
{
    std::vector<RegionNode> nodes;
};

// An image: a bitmap (raw pixels in one of GDI+'s pixel formats, or a compressed file:
// PNG, JPEG, GIF, BMP, TIFF) or a metafile (WMF, placeable WMF, EMF, EMF+).
struct Bitmap
{
    int width = 0;
    int height = 0;
    int stride = 0; // bytes from one row to the next, raw pixels only
    quint32 pixelFormat = 0;
    bool compressed = false; // the bytes are an image file
    std::vector<QRgb> palette; // indexed raw formats
    QByteArray bytes;
};
struct MetafileImage
{
    enum Type : quint32 { Wmf = 1, WmfPlaceable = 2, Emf = 3, EmfPlusOnly = 4, EmfPlusDual = 5 };
    Type type = Emf;
    QByteArray bytes;
};
using Image = std::variant<Bitmap, MetafileImage>;

// The bits a raw pixel format keeps for each pixel (bits 8 to 15 of the format), and whether
// it names palette indices; nothing for a format GDI+ does not define.
inline std::optional<int> bitsPerPixel(quint32 pixelFormat)
{
    static constexpr std::array<quint32, 14> formats = {
        0x00030101, 0x00030402, 0x00030803, 0x00101004, 0x00021005, 0x00021006, 0x00061007,
        0x00021808, 0x00022009, 0x0026200A, 0x000E200B, 0x0010300C, 0x0034400D, 0x001A400E,
    };
    for (const quint32 format : formats) {
        if (format == pixelFormat)
            return int((format >> 8) & 0xFF);
    }
    return std::nullopt;
}
constexpr quint32 pixelFormatIndexed = 0x00010000;

struct SolidBrush
{
    QRgb color = 0;
};
struct HatchBrush
{
    quint32 style = 0; // HatchStyle, 0 to 52
    QRgb foreground = 0;
    QRgb background = 0;
};
struct TextureBrush
{
    quint32 wrapMode = 0;
    std::optional<QTransform> transform;
    Image image;
};
// A blend: positions from 0 to 1 along the gradient, with a colour at each (preset
// colours) or a factor that mixes the two end colours.
struct Blend
{
    std::vector<double> positions;
    std::vector<QRgb> colors;
    std::vector<double> factors;
};
struct LinearGradientBrush
{
    quint32 flags = 0; // BrushData flags
    quint32 wrapMode = 0;
    QRectF rect;
    QRgb startColor = 0;
    QRgb endColor = 0;
    std::optional<QTransform> transform;
    std::optional<Blend> blend; // preset colours, or factors along the gradient
    std::optional<Blend> verticalBlend; // factors across it
};
struct PathGradientBrush
{
    quint32 flags = 0;
    quint32 wrapMode = 0;
    QRgb centerColor = 0;
    QPointF center;
    std::vector<QRgb> surroundingColors;
    Path boundary; // a boundary of points is a closed figure of lines
    std::optional<QTransform> transform;
    std::optional<Blend> blend;
    std::optional<QPointF> focusScales;
};
using Brush = std::variant<SolidBrush, HatchBrush, TextureBrush, LinearGradientBrush, PathGradientBrush>;

// BrushData flags.
constexpr quint32 brushDataPath = 0x01;
constexpr quint32 brushDataTransform = 0x02;
constexpr quint32 brushDataPresetColors = 0x04;
constexpr quint32 brushDataBlendFactorsH = 0x08;
constexpr quint32 brushDataBlendFactorsV = 0x10;
constexpr quint32 brushDataFocusScales = 0x40;

// A custom line cap: a default cap (a fill or outline path drawn at the line's end) or an
// adjustable arrow.
struct CustomLineCap
{
    bool arrow = false;
    quint32 baseCap = 0;
    double baseInset = 0;
    quint32 startCap = 0;
    quint32 endCap = 0;
    quint32 join = 0;
    double miterLimit = 0;
    double widthScale = 1;
    std::optional<Path> fillPath; // default caps
    std::optional<Path> outlinePath;
    double arrowWidth = 0; // adjustable arrows
    double arrowHeight = 0;
    double middleInset = 0;
    bool filled = false;
};

struct Pen
{
    quint32 flags = 0; // PenData flags: which of the optional fields were present
    quint32 unit = 0; // UnitType of the width
    double width = 1;
    std::optional<QTransform> transform;
    qint32 startCap = 0; // LineCapType
    qint32 endCap = 0;
    quint32 join = 0; // LineJoinType
    double miterLimit = 10;
    qint32 lineStyle = 0; // LineStyle: solid, dash, dot, dash-dot, dash-dot-dot, custom
    qint32 dashCap = 0;
    double dashOffset = 0;
    std::vector<double> dashes; // in pen widths, dash and gap alternately
    qint32 alignment = 0; // PenAlignment: centre or inset
    std::vector<double> compound; // pairs of positions across the width, 0 to 1
    std::optional<CustomLineCap> customStartCap;
    std::optional<CustomLineCap> customEndCap;
    Brush brush = SolidBrush {};
};

struct Font
{
    double emSize = 0;
    quint32 unit = 0; // UnitType of the size
    qint32 style = 0; // FontStyle: bold 1, italic 2, underline 4, strikeout 8
    QString family;
};

struct StringFormat
{
    quint32 flags = 0;
    quint32 language = 0;
    quint32 alignment = 0; // StringAlignment: near, centre, far
    quint32 lineAlignment = 0;
    quint32 digitSubstitution = 0;
    quint32 digitLanguage = 0;
    double firstTabOffset = 0;
    qint32 hotkeyPrefix = 0;
    double leadingMargin = 0;
    double trailingMargin = 0;
    double tracking = 1;
    quint32 trimming = 0;
    std::vector<double> tabStops;
    std::vector<std::pair<qint32, qint32>> ranges; // first character and length
};

struct ImageAttributes
{
    quint32 wrapMode = 0;
    QRgb clampColor = 0;
    qint32 objectClamp = 0;
};

using Object = std::variant<Brush, Pen, Path, Region, Image, Font, StringFormat, ImageAttributes, CustomLineCap>;

} // namespace metafile::gdi::plus
