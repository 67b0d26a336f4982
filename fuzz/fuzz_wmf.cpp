// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// libFuzzer entry: arbitrary bytes take the whole path a user's file takes. The bytes are
// loaded as a metafile and, when they load, played onto a small image and onto one the
// size of a typical conversion, so both the thumbnail scale and the full scale run; the
// second from the EMF+ records of a file that also holds a GDI drawing.

#include "metafile/metafile.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSemaphore>
#include <QThreadPool>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

void playOnto(const metafile::Document &document, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    document.play(painter, QRectF(QPointF(0, 0), QSizeF(size)));
}

// Qt converts and scales large images on its global thread pool, whose threads end after
// half a minute idle and are started again when needed. LeakSanitizer's check between
// inputs stops every thread, and its tracer crashes on a thread that is being started or
// ended. So the pool's threads are all started before the first input and kept for the run.
void keepPoolThreads()
{
    QThreadPool *pool = QThreadPool::globalInstance();
    pool->setExpiryTimeout(-1);
    const int count = pool->maxThreadCount();
    QSemaphore running;
    QSemaphore go;
    QSemaphore done;
    for (int i = 0; i < count; ++i) {
        pool->start([&] {
            running.release();
            go.acquire();
            done.release();
        });
    }
    // Every task holds its thread until all have one, so each runs on a thread of its own.
    running.acquire(count);
    go.release(count);
    done.acquire(count);
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
    keepPoolThreads();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto bytes = QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<metafile::Document> document = metafile::Document::load(bytes);
    if (!document)
        return 0;
    playOnto(*document, QSize(64, 48));
    // The full scale from EMF+ whenever there is some: a dual file's GDI records play at the
    // small scale, its EMF+ records here.
    metafile::Document plus = *document;
    plus.setEmfPlusLayer(metafile::EmfPlusLayer::Prefer);
    playOnto(plus, QSize(1024, 768));
    return 0;
}
