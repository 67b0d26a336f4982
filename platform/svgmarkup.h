// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The pieces of SVG markup the SVG painter writes (svgdevice.h), as plain functions of Qt's
// values: numbers, path data, colours, pens, the tiles of pattern brushes and embedded PNG
// pictures. Coordinates are the picture's pixels, the viewBox's units.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QTransform>

// A number as short as it can be written to a thousandth of a pixel: "12", "-0.5", "3.142".
QByteArray svgNumber(double value);

// ` name="value"`, an attribute with the space before it.
QByteArray svgAttribute(const char *name, const QByteArray &value);

// The path data of `path` ("M0 0L10 0L10 10Z"); a figure that ends where it began is closed.
QByteArray svgPathData(const QPainterPath &path);

// A transform attribute's value, "matrix(a b c d e f)".
QByteArray svgMatrix(const QTransform &transform);

// `color` as "#rrggbb"; its alpha goes to an opacity attribute of its own.
QByteArray svgColor(const QColor &color);

// The stroke attributes of `pen` (a leading space, each attribute ` name="value"`), or
// ` stroke="none"` for no pen. A cosmetic pen keeps its width in pixels whatever the transform.
QByteArray svgStroke(const QPen &pen);

// The pixels that a Qt pattern brush style (Qt::Dense1Pattern ... Qt::DiagCrossPattern) sets in
// its 8 x 8 tile, as path data of unit squares, a run of pixels in a row each.
QByteArray svgPatternTile(Qt::BrushStyle style);

// `image` as a data URL of a PNG file ("data:image/png;base64,...").
QByteArray svgPngData(const QImage &image);
