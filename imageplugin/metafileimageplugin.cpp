// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "metafileimageplugin.h"

#include "metafileimagehandler.h"

namespace {

bool isMetafileFormat(const QByteArray &format)
{
    const QByteArray name = format.toLower();
    return name == "wmf" || name == "emf" || name == "wmz" || name == "emz";
}

} // namespace

QImageIOPlugin::Capabilities MetafileImagePlugin::capabilities(QIODevice *device, const QByteArray &format) const
{
    if (!format.isEmpty() && !isMetafileFormat(format))
        return {};
    // Without a device Qt asks what the plugin does for a format: it reads, never writes.
    if (!device)
        return isMetafileFormat(format) ? Capabilities(CanRead) : Capabilities();
    // A file's name proves nothing: a PNG named .emf goes on to the reader that can read it,
    // and a metafile named .png comes here.
    return device->isReadable() && MetafileImageHandler::canRead(device) ? Capabilities(CanRead) : Capabilities();
}

QImageIOHandler *MetafileImagePlugin::create(QIODevice *device, const QByteArray &format) const
{
    auto *handler = new MetafileImageHandler;
    handler->setDevice(device);
    handler->setFormat(format.isEmpty() ? QByteArrayLiteral("wmf") : format.toLower());
    return handler;
}
