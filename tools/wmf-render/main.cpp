// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// wmf-render [--verbose] [--emfplus=auto|prefer|ignore] IN OUT.bmp WIDTH HEIGHT
//
// Draws a picture file the way the program's canvas does (a white RGB32 image of the
// given inner size, the whole picture stretched into it) and writes it with the
// program's BMP writer. For comparing with other renderers and for benchmarks. With
// --verbose it prints, for a metafile, every record that did not play whole (its index,
// function and why) and the play's result. --emfplus chooses the drawing of a file that
// carries EMF+, as the converter's option does.

#include "bmpwriter.h"
#include "metafile/metafile.h"
#include "picture.h"
#include "renderpicture.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "wmf-render: %s\n", qPrintable(message));
    return 1;
}

const char *resultName(metafile::PlayResult result)
{
    switch (result) {
    case metafile::PlayResult::Ok: return "ok";
    case metafile::PlayResult::Truncated: return "truncated";
    case metafile::PlayResult::Malformed: return "malformed";
    case metafile::PlayResult::LimitExceeded: return "limit exceeded";
    }
    return "unknown";
}

// Plays the metafile once more on a scratch image of the same size, printing what the
// engine reports.
void printDiagnostics(const QString &path, QSize size, metafile::EmfPlusLayer layer)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    std::optional<metafile::Document> document = metafile::Document::load(file.readAll());
    if (!document)
        return;
    document->setEmfPlusLayer(layer);
    QImage scratch(size, QImage::Format_RGB32);
    QPainter painter(&scratch);
    const metafile::PlayResult result =
        document->play(painter, QRectF(QPointF(0, 0), size), [](const metafile::Diagnostic &diagnostic) {
            std::fprintf(stderr, "wmf-render: record %lld (function 0x%04x): %s: %s\n",
                         static_cast<long long>(diagnostic.recordIndex), diagnostic.function,
                         resultName(diagnostic.result), qPrintable(diagnostic.reason));
        });
    std::fprintf(stderr, "wmf-render: play result: %s\n", resultName(result));
}

} // namespace

int main(int argc, char **argv)
{
    // A command-line tool: it needs fonts, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool verbose = args.removeAll(QStringLiteral("--verbose")) > 0;
    metafile::EmfPlusLayer layer = metafile::EmfPlusLayer::Auto;
    for (qsizetype i = args.size() - 1; i > 0; --i) {
        if (!args[i].startsWith(QStringLiteral("--emfplus=")))
            continue;
        const std::optional<metafile::EmfPlusLayer> named = metafile::emfPlusLayerNamed(args[i].mid(10));
        if (!named)
            return fail(QStringLiteral("--emfplus takes auto, prefer or ignore"));
        layer = *named;
        args.removeAt(i);
    }
    if (args.size() != 5)
        return fail(
            QStringLiteral("usage: wmf-render [--verbose] [--emfplus=auto|prefer|ignore] IN OUT.bmp WIDTH HEIGHT"));
    bool widthOk = false;
    bool heightOk = false;
    const int width = args[3].toInt(&widthOk);
    const int height = args[4].toInt(&heightOk);
    if (!widthOk || !heightOk || width < 1 || height < 1 || width > 30000 || height > 30000)
        return fail(QStringLiteral("width and height must be whole numbers from 1 to 30000"));

    QString error;
    std::optional<Picture> picture = LoadPicture(args[1], &error);
    if (!picture)
        return fail(QStringLiteral("%1: %2").arg(args[1], error));
    picture->setEmfPlusLayer(layer);

    const QImage image = renderPicture(*picture, QSize(width, height));
    if (image.isNull())
        return fail(QStringLiteral("cannot allocate a %1 x %2 image").arg(width).arg(height));
    if (verbose && picture->isMetafile())
        printDiagnostics(args[1], image.size(), layer);
    if (!SavePicture(image, args[2], {}, &error))
        return fail(QStringLiteral("%1: %2").arg(args[2], error));
    return 0;
}
