// wmf-render IN OUT.bmp WIDTH HEIGHT
//
// Draws a picture file the way the program's canvas does (a white RGB32 image of the
// given inner size, the whole picture stretched into it) and writes it with the
// program's BMP writer. For comparing with other renderers and for benchmarks.

#include "bmpwriter.h"
#include "picture.h"
#include "renderpicture.h"

#include <QGuiApplication>
#include <QImage>

#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "wmf-render: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    // A command-line tool: it needs fonts, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return fail(QStringLiteral("usage: wmf-render IN OUT.bmp WIDTH HEIGHT"));
    bool widthOk = false;
    bool heightOk = false;
    const int width = args[3].toInt(&widthOk);
    const int height = args[4].toInt(&heightOk);
    if (!widthOk || !heightOk || width < 1 || height < 1 || width > 30000 || height > 30000)
        return fail(QStringLiteral("width and height must be whole numbers from 1 to 30000"));

    QString error;
    const std::optional<Picture> picture = LoadPicture(args[1], &error);
    if (!picture)
        return fail(QStringLiteral("%1: %2").arg(args[1], error));

    const QImage image = renderPicture(*picture, QSize(width, height));
    if (image.isNull())
        return fail(QStringLiteral("cannot allocate a %1 x %2 image").arg(width).arg(height));
    if (!SavePicture(image, args[2], {}, &error))
        return fail(QStringLiteral("%1: %2").arg(args[2], error));
    return 0;
}
