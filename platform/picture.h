// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The picture service: a picture loaded from a file (a Windows Metafile through the
// metafile engine, or a raster image through Qt's readers) that can be drawn into any
// rectangle, and the loader that makes one.

#include "metafile/metafile.h"

#include <QImage>
#include <QString>

#include <optional>
#include <variant>

class QPainter;

class Picture
{
public:
    Picture() = default; // no picture
    explicit Picture(metafile::Document metafile);
    // `format`: the image reader's name for the file's format ("png", "jpeg", ...).
    explicit Picture(QImage image, const QString &format = {});

    bool isNull() const { return std::holds_alternative<std::monostate>(m_content); }
    bool isMetafile() const { return std::holds_alternative<metafile::Document>(m_content); }

    // The picture's own proportions: a metafile's frame in logical units, an image's size in
    // pixels; empty for no picture. Only the ratio of the two sides means anything.
    QSizeF naturalSize() const;

    // The picture's size on paper in twips (1440 to the inch): a metafile's own physical size
    // (the placeable header's box at its units per inch, an enhanced metafile's frame); for a
    // Windows Metafile that does not say, its frame's logical units taken as pixels at 96 dots
    // per inch, as GDI's default mapping draws them; an image's pixels at 96 dots per inch, as
    // the window shows them. Empty for no picture.
    QSizeF physicalTwips() const;
    // Whether the file itself gives the physical size (a placeable or enhanced metafile).
    bool hasPhysicalSize() const;
    // physicalTwips() in pixels at `dpi` dots per inch, each side rounded and at least 1;
    // a side past what an int holds is INT_MAX, for the caller's limit to refuse.
    QSize pixelsAtDpi(double dpi) const;

    // An image's format as its reader named it; empty for a metafile or no picture.
    QString imageFormat() const { return m_imageFormat; }

    // The metafile, or nothing for an image or no picture.
    const metafile::Document *metafile() const { return std::get_if<metafile::Document>(&m_content); }

    // Draws the whole picture stretched to fill `target`; the aspect ratio follows the target.
    void draw(QPainter &painter, const QRectF &target) const;

    // Which drawing of a metafile that carries EMF+ is drawn (metafile::EmfPlusLayer, Auto
    // unless set); other pictures have one drawing.
    void setEmfPlusLayer(metafile::EmfPlusLayer layer);
    // Whether drawing the picture puts nothing on the canvas at all: a metafile whose play
    // reaches no drawing (an empty file, EMF+ records none of which can be drawn). An image
    // is never blank in this sense.
    bool drawsNothing() const;

private:
    std::variant<std::monostate, metafile::Document, QImage> m_content;
    QString m_imageFormat;
};

// Loads the picture file at `path`. An empty path gives no picture (a null Picture).
// On failure returns nothing and sets `error` to a few words on why.
std::optional<Picture> LoadPicture(const QString &path, QString *error = nullptr);

// Loads a picture from the open stream `descriptor` (standard input, a pipe), read to its
// end but never past the size a picture file may have; its kind is told by its content.
// On failure returns nothing and sets `error`.
std::optional<Picture> LoadPictureFromDescriptor(int descriptor, QString *error = nullptr);
