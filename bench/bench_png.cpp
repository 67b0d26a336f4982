// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// What writing a drawing as PNG costs, and how large the files are: the program's PNG writer
// with its run deflater and at several zlib levels, against Qt's PNG writer, over every metafile of the corpus drawn at
// 1024 x 768 as the converter draws it. Each case encodes all the drawings into memory once
// per iteration; the counters give processor time and KiB per picture. The summary after the
// run is what the choice of pngDeflateLevel rests on.
//
//   bench_png [--files=N] [--emf]

#include "picture.h"
#include "pngwriter.h"
#include "renderpicture.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const QSize drawingSize(1024, 768);

std::vector<QImage> drawCorpus(int limit, bool enhanced)
{
    const QByteArray shared = qgetenv("PICTORATE_SHARED_CORPUS");
    QString folder = !shared.isEmpty() ? QString::fromLocal8Bit(shared)
                                       : QStringLiteral(PICTORATE_SOURCE_DIR "/../shared/corpus/real");
    if (enhanced && shared.isEmpty())
        folder = QStringLiteral(PICTORATE_SOURCE_DIR "/../shared/corpus/emf/real");
    if (!QDir(folder).exists())
        folder = QStringLiteral(PICTORATE_SOURCE_DIR "/tests/data/wmf");
    QStringList names =
        QDir(folder).entryList({QStringLiteral("*.wmf"), QStringLiteral("*.emf")}, QDir::Files, QDir::Name);
    if (limit > 0 && limit < names.size()) {
        QStringList chosen;
        for (int i = 0; i < limit; ++i)
            chosen.append(names[qsizetype(i) * names.size() / limit]);
        names = chosen;
    }
    std::vector<QImage> images;
    for (const QString &name : names) {
        if (const std::optional<Picture> picture = LoadPicture(QDir(folder).filePath(name)))
            images.push_back(renderPicture(*picture, drawingSize));
    }
    std::printf("%s: %zu drawings at %d x %d\n", qPrintable(folder), images.size(), drawingSize.width(),
                drawingSize.height());
    return images;
}

// Writes every image with `write`; the counters are per picture.
template<typename Write>
void encodeAll(benchmark::State &state, const std::vector<QImage> *images, Write write)
{
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const QImage &image : *images) {
            QByteArray out;
            QBuffer buffer(&out);
            buffer.open(QIODevice::WriteOnly);
            if (!write(image, buffer)) {
                state.SkipWithError("the writer failed");
                return;
            }
            bytes += out.size();
        }
    }
    const double pictures = double(images->size());
    state.counters["ms_per_picture"] = benchmark::Counter(pictures * 1000, benchmark::Counter::kIsIterationInvariantRate
                                                                               | benchmark::Counter::kInvert);
    state.counters["KiB_per_picture"] = double(bytes) / 1024 / pictures;
}

struct Options
{
    int limit = 0;
    bool enhanced = false;
};

Options takeOptions(int &argc, char **argv)
{
    Options options;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--files=", 8) == 0)
            options.limit = std::atoi(argv[i] + 8);
        else if (std::strcmp(argv[i], "--emf") == 0)
            options.enhanced = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return options;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const Options options = takeOptions(argc, argv);
    benchmark::Initialize(&argc, argv);
    int qtArgc = 1;
    const QGuiApplication application(qtArgc, argv);
    const std::vector<QImage> images = drawCorpus(options.limit, options.enhanced);

    for (const int level : {pngRunLevel, 1, 2, 4, 6, 9}) {
        const std::string name = level == pngRunLevel ? "runs" : "zlib:" + std::to_string(level);
        benchmark::RegisterBenchmark(("PngWriter/" + name).c_str(), [&images, level](auto &state) {
            encodeAll(state, &images,
                      [level](const QImage &image, QIODevice &device) { return writePng(image, device, {}, level); });
        })->Unit(benchmark::kMillisecond);
    }
    // Qt's compression runs from 0 to 100; zlib's level is about a tenth of it (20: 1, 70: 6, 100: 9).
    for (const int compression : {20, 70, 100}) {
        benchmark::RegisterBenchmark(("QtPng/compression:" + std::to_string(compression)).c_str(), [&images,
                                                                                                    compression](
                                                                                                       auto &state) {
            encodeAll(state, &images, [compression](const QImage &image, QIODevice &device) {
                QImageWriter writer(&device, "png");
                writer.setCompression(compression);
                return writer.write(image);
            });
        })->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
