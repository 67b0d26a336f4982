// libFuzzer entry: arbitrary bytes take the whole path a user's file takes. The bytes are
// loaded as a metafile and, when they load, played onto a small image and onto one the
// size of a typical conversion, so both the thumbnail scale and the full scale run.

#include "wmfdocument.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

void playOnto(const wmf::Document &document, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    document.play(painter, QRectF(QPointF(0, 0), QSizeF(size)));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Fonts need a GUI application; the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_wmf";
    static char *argv[] = {name, nullptr};
    static std::unique_ptr<QGuiApplication> application = std::make_unique<QGuiApplication>(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto bytes = QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<wmf::Document> document = wmf::Document::load(bytes);
    if (!document)
        return 0;
    playOnto(*document, QSize(64, 48));
    playOnto(*document, QSize(1024, 768));
    return 0;
}
