// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The graphics objects of EMF+ decoded into plain values, nothing drawn: brushes, pens,
// paths, regions, images, fonts, string formats, image attributes and custom line caps.
//
// An Object record defines one of these in a slot of the 64-slot object table, for the
// drawing records to name. Each decoder reads one object from a ByteReader over exactly
// the object's bytes (one record's, or the bytes of an object continued over several) and
// returns it, or nothing when the object is shorter than its fields, a count claims more
// than it holds, or a value cannot be drawn (a coordinate that is not a finite number, an
// unknown kind). Every object starts with the graphics version that wrote it, which is
// read and not checked: GDI+ plays objects of any version it meets.
//
// The values themselves are the device's (gdi/plusobjects.h), which draws with them as
// they are.

#include "core/bytereader.h"
#include "emfplus/emfplusrecordtype.h"
#include "gdi/plusobjects.h"

#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <QRgb>
#include <QString>
#include <QTransform>

#include <array>
#include <optional>
#include <variant>
#include <vector>

namespace metafile::emfplus {

// The objects are the device's plain values (gdi/plusobjects.h), named here as EMF+ names them.
using gdi::plus::Bitmap;
using gdi::plus::bitsPerPixel;
using gdi::plus::Blend;
using gdi::plus::Brush;
using gdi::plus::brushDataBlendFactorsH;
using gdi::plus::brushDataBlendFactorsV;
using gdi::plus::brushDataFocusScales;
using gdi::plus::brushDataPath;
using gdi::plus::brushDataPresetColors;
using gdi::plus::brushDataTransform;
using gdi::plus::CustomLineCap;
using gdi::plus::Font;
using gdi::plus::HatchBrush;
using gdi::plus::Image;
using gdi::plus::ImageAttributes;
using gdi::plus::LinearGradientBrush;
using gdi::plus::MetafileImage;
using gdi::plus::Object;
using gdi::plus::Path;
using gdi::plus::pathBezier;
using gdi::plus::pathClose;
using gdi::plus::pathDashMode;
using gdi::plus::PathGradientBrush;
using gdi::plus::pathKindMask;
using gdi::plus::pathLine;
using gdi::plus::pathMarker;
using gdi::plus::pathStart;
using gdi::plus::Pen;
using gdi::plus::pixelFormatIndexed;
using gdi::plus::Region;
using gdi::plus::RegionNode;
using gdi::plus::SolidBrush;
using gdi::plus::StringFormat;
using gdi::plus::TextureBrush;

std::optional<Brush> decodeBrush(core::ByteReader &r);
std::optional<Pen> decodePen(core::ByteReader &r);
std::optional<Path> decodePath(core::ByteReader &r);
std::optional<Region> decodeRegion(core::ByteReader &r);
std::optional<Image> decodeImage(core::ByteReader &r);
std::optional<Font> decodeFont(core::ByteReader &r);
std::optional<StringFormat> decodeStringFormat(core::ByteReader &r);
std::optional<ImageAttributes> decodeImageAttributes(core::ByteReader &r);
std::optional<CustomLineCap> decodeCustomLineCap(core::ByteReader &r);

// The object of `type` in `bytes`: nothing for a type GDI+ does not define, or an object
// that does not decode.
std::optional<Object> decodeObject(ObjectType type, QByteArrayView bytes);

} // namespace metafile::emfplus
