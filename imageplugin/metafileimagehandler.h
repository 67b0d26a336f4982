// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// One metafile read through Qt's image readers: told by its content, loaded by the engine
// once (within the engine's caps), measured without drawing, and drawn as the converter
// draws it, at its own size at 96 dots per inch or at any other as a vector picture,
// whole or a part, on a transparent background or the colour asked for.
//
// A handler serves one reader on one thread, as Qt uses them; readers on several threads
// share only the engine, whose caches are guarded.

#include "picture.h"

#include <QColor>
#include <QImageIOHandler>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

class MetafileImageHandler final : public QImageIOHandler
{
public:
    bool canRead() const override;
    bool read(QImage *image) override;

    QVariant option(ImageOption option) const override;
    void setOption(ImageOption option, const QVariant &value) override;
    bool supportsOption(ImageOption option) const override;

    // Whether the next bytes of `device` start a metafile, plain or gzip-compressed; the
    // device is only peeked at. Sets nothing.
    static bool canRead(QIODevice *device);
    // The format key of the metafile that `device` starts ("wmf", "emf", "wmz", "emz"), or
    // nothing when it starts none.
    static QByteArray formatOf(QIODevice *device);

private:
    // Loads the device's metafile the first time it is asked for; false with m_error set
    // when it cannot be had.
    bool load() const;
    bool fail(const QString &reason) const;
    // The picture's size at 96 dots per inch: the converter's own size for it.
    QSize naturalSize() const;
    QImage::Format imageFormat() const;

    mutable std::optional<Picture> m_picture;
    mutable QString m_error;
    bool m_read = false;
    QSize m_scaledSize;
    QRect m_clipRect;
    QRect m_scaledClipRect;
    QColor m_background = Qt::transparent;
};
