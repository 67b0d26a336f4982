// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Qt's image readers open Windows Metafiles and Enhanced Metafiles, plain or gzip-compressed,
// through this plugin: QImage("chart.emf") and QImageReader draw them with the engine.
//
// The metadata file pairs each key with a MIME type, as Qt reads them: wmf and emf with the
// two names each has in use, and the compressed wmz and emz with the type they inflate to.
// Loading the plugin builds nothing: no font, no table, no thread; each reader gets a handler
// of its own, and the engine's shared caches are made on the first text drawn.

#include <QImageIOPlugin>

class MetafileImagePlugin final : public QImageIOPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "metafileimageplugin.json")

public:
    Capabilities capabilities(QIODevice *device, const QByteArray &format) const override;
    QImageIOHandler *create(QIODevice *device, const QByteArray &format = QByteArray()) const override;
};
