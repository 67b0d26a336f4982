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
    explicit Picture(QImage image);

    bool isNull() const { return std::holds_alternative<std::monostate>(m_content); }
    bool isMetafile() const { return std::holds_alternative<metafile::Document>(m_content); }

    // The picture's own proportions: a metafile's frame in logical units, an image's size in
    // pixels; empty for no picture. Only the ratio of the two sides means anything.
    QSizeF naturalSize() const;

    // Draws the whole picture stretched to fill `target`; the aspect ratio follows the target.
    void draw(QPainter &painter, const QRectF &target) const;

private:
    std::variant<std::monostate, metafile::Document, QImage> m_content;
};

// Loads the picture file at `path`. An empty path gives no picture (a null Picture).
// On failure returns nothing and sets `error` to a few words on why.
std::optional<Picture> LoadPicture(const QString &path, QString *error = nullptr);
