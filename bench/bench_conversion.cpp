// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Benchmarks of a conversion and its parts, each set against the floor that no converter
// can beat: allocating the bitmap, filling it and writing it with the same BMP writer.
//
// For every metafile of the corpus: Load (bytes -> document), Play at each size (the
// document played into a white RGB32 image, as the canvas does; the image is allocated
// once, the fill is timed) and Convert at each size (LoadPicture from the path, the
// canvas's Image(), SavePicture), which is what the program does for one file. For every
// size: Write (SavePicture of a ready image) and Floor (allocate, fill, SavePicture).
// Growth plays a generated metafile of N and 10N records. The summary follows the run.
//
// The corpus is the folder named by PICTORATE_SHARED_CORPUS, else ../shared/corpus/real
// beside the source tree (../shared/corpus/emf/real with --emf), else the committed test
// files. --files=N takes N files spread evenly over the sorted list. Windows and Enhanced
// Metafiles are both taken from whichever folder it is.

#include "benchsummary.h"
#include "bmpwriter.h"
#include "canvas.h"
#include "generatedmetafile.h"
#include "metafile/metafile.h"
#include "picture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

struct SizeCase
{
    QSize pixels;
    std::string name;
};

const std::vector<SizeCase> sizes = {{QSize(1024, 768), "1024x768"}, {QSize(4000, 3000), "4000x3000"}};

// Twips written into the bitmap's resolution fields, as the program writes the canvas size.
constexpr double twipsPerPixel = 15.0;

constexpr int growthGroups = 250; // about 2,250 records; the large file has ten times as many

struct CorpusFile
{
    QString path;
    std::string name;
    QByteArray bytes;
};

QString corpusFolder(bool enhanced, bool *shared)
{
    *shared = true;
    const QByteArray fromEnvironment = qgetenv("PICTORATE_SHARED_CORPUS");
    if (!fromEnvironment.isEmpty() && QDir(QString::fromLocal8Bit(fromEnvironment)).exists())
        return QString::fromLocal8Bit(fromEnvironment);
    const QString beside = enhanced ? QStringLiteral(PICTORATE_SOURCE_DIR "/../shared/corpus/emf/real")
                                    : QStringLiteral(PICTORATE_SOURCE_DIR "/../shared/corpus/real");
    if (QDir(beside).exists())
        return QDir::cleanPath(beside);
    *shared = false;
    return QStringLiteral(PICTORATE_SOURCE_DIR "/tests/data/wmf");
}

std::vector<CorpusFile> loadCorpus(int limit, bool enhanced)
{
    bool shared = false;
    const QString folder = corpusFolder(enhanced, &shared);
    QStringList names = QDir(folder).entryList(
        {QStringLiteral("*.wmf"), QStringLiteral("*.WMF"), QStringLiteral("*.emf"), QStringLiteral("*.EMF")},
        QDir::Files, QDir::Name);
    if (limit > 0 && limit < names.size()) {
        QStringList chosen;
        for (int i = 0; i < limit; ++i)
            chosen.append(names[qsizetype(i) * names.size() / limit]);
        names = chosen;
    }
    std::vector<CorpusFile> files;
    for (const QString &name : names) {
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s: %s\n", qPrintable(file.fileName()), qPrintable(file.errorString()));
            continue;
        }
        files.push_back({file.fileName(), name.toStdString(), file.readAll()});
    }
    std::printf("%s: %s (%zu files)\n", shared ? "corpus" : "shared corpus not found; using the committed test files",
                qPrintable(folder), files.size());
    return files;
}

void fail(benchmark::State &state, const QString &why) { state.SkipWithError(qPrintable(why)); }

void benchLoad(benchmark::State &state, const CorpusFile *file)
{
    QString error;
    for (auto _ : state) {
        auto document = metafile::Document::load(file->bytes, &error);
        if (!document) {
            fail(state, error);
            break;
        }
        benchmark::DoNotOptimize(document);
    }
}

void benchPlay(benchmark::State &state, const CorpusFile *file, const SizeCase *size)
{
    QString error;
    const auto document = metafile::Document::load(file->bytes, &error);
    QImage image(size->pixels, QImage::Format_RGB32);
    if (!document || image.isNull())
        return fail(state, document ? QStringLiteral("cannot allocate the image") : error);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        benchmark::DoNotOptimize(document->play(painter, QRectF(QPointF(0, 0), QSizeF(size->pixels))));
    }
}

// The conversion as the program runs it: the picture is loaded from its path, the canvas
// renders its inner area and the saver writes it. The canvas is the program's widget,
// sized so that its inner area is exactly the requested size.
void benchConvert(benchmark::State &state, const CorpusFile *file, const SizeCase *size, const QString *target)
{
    Canvas canvas;
    canvas.resize(size->pixels + QSize(2 * Canvas::borderPixels, 2 * Canvas::borderPixels));
    if (canvas.contentsRect().size() != size->pixels)
        return fail(state, QStringLiteral("the canvas's inner area is not the requested size"));
    const QSizeF twips = QSizeF(canvas.size()) * twipsPerPixel;
    QString error;
    for (auto _ : state) {
        std::optional<Picture> picture = LoadPicture(file->path, &error);
        if (!picture)
            return fail(state, error);
        canvas.setPicture(std::move(*picture));
        const QImage image = canvas.Image();
        if (image.isNull())
            return fail(state, QStringLiteral("cannot allocate the image"));
        if (!SavePicture(image, *target, twips, &error))
            return fail(state, error);
    }
}

void benchWrite(benchmark::State &state, const SizeCase *size, const QString *target)
{
    QImage image(size->pixels, QImage::Format_RGB32);
    if (image.isNull())
        return fail(state, QStringLiteral("cannot allocate the image"));
    image.fill(Qt::white);
    QString error;
    for (auto _ : state) {
        if (!SavePicture(image, *target, QSizeF(size->pixels) * twipsPerPixel, &error))
            return fail(state, error);
    }
}

// What no converter can beat: the bitmap allocated, filled and written.
void benchFloor(benchmark::State &state, const SizeCase *size, const QString *target)
{
    QString error;
    for (auto _ : state) {
        QImage image(size->pixels, QImage::Format_RGB32);
        if (image.isNull())
            return fail(state, QStringLiteral("cannot allocate the image"));
        image.fill(Qt::white);
        if (!SavePicture(image, *target, QSizeF(size->pixels) * twipsPerPixel, &error))
            return fail(state, error);
    }
}

void benchGrowth(benchmark::State &state, const QByteArray *bytes)
{
    QString error;
    const auto document = metafile::Document::load(*bytes, &error);
    QImage image(sizes.front().pixels, QImage::Format_RGB32);
    if (!document || image.isNull())
        return fail(state, document ? QStringLiteral("cannot allocate the image") : error);
    image.fill(Qt::white);
    for (auto _ : state) {
        QPainter painter(&image);
        benchmark::DoNotOptimize(document->play(painter, QRectF(image.rect())));
    }
}

template<typename Function, typename... Args>
benchmark::internal::Benchmark *add(const std::string &name, Function function, Args... args)
{
    return benchmark::RegisterBenchmark(name.c_str(), function, args...)->UseRealTime()->Unit(benchmark::kMillisecond);
}

void registerFloors(const QString *target)
{
    for (const SizeCase &size : sizes)
        add("Floor/" + size.name, benchFloor, &size, target)->Repetitions(3);
}

// Our own options come out of argv before the library sees the rest: --files=N.
struct CorpusChoice
{
    int limit = 0; // --files=N; 0 for all
    bool enhanced = false; // --emf
};

CorpusChoice takeCorpusChoice(int &argc, char **argv)
{
    CorpusChoice choice;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--files=", 8) == 0)
            choice.limit = std::atoi(argv[i] + 8);
        else if (std::strcmp(argv[i], "--emf") == 0)
            choice.enhanced = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return choice;
}

// The library's arguments, with a tenth of a second per case unless told otherwise: a
// longer minimum time would make a run over the whole corpus far too long, and this still
// gives one or more whole conversions at the largest size.
std::vector<char *> benchmarkArguments(int argc, char **argv)
{
    static std::string minTime = "--benchmark_min_time=0.1";
    std::vector<char *> arguments(argv, argv + argc);
    bool given = false;
    for (int i = 1; i < argc; ++i)
        given = given || std::strncmp(argv[i], "--benchmark_min_time", 20) == 0;
    if (!given)
        arguments.push_back(minTime.data());
    return arguments;
}

struct GrowthCase
{
    int records;
    QByteArray bytes;
};

SummaryInput registerAll(const std::vector<CorpusFile> &corpus, const std::vector<GrowthCase> &growth,
                         const QString *target)
{
    SummaryInput input;
    registerFloors(target); // measured at the start and again at the end: the median of both
    for (const SizeCase &size : sizes) {
        input.sizes.push_back(size.name);
        add("Write/" + size.name, benchWrite, &size, target);
    }
    for (const CorpusFile &file : corpus) {
        input.files.push_back(file.name);
        add("Load/" + file.name, benchLoad, &file);
        for (const SizeCase &size : sizes) {
            add("Play/" + size.name + "/" + file.name, benchPlay, &file, &size);
            add("Convert/" + size.name + "/" + file.name, benchConvert, &file, &size, target);
        }
    }
    registerFloors(target);
    for (const GrowthCase &growthCase : growth) {
        input.growthRecords.push_back(growthCase.records);
        // The verdict compares two single numbers: repeat them to steady the median.
        add("Growth/" + std::to_string(growthCase.records), benchGrowth, &growthCase.bytes)
            ->MinTime(0.3)
            ->Repetitions(3);
    }
    return input;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const CorpusChoice choice = takeCorpusChoice(argc, argv);
    std::vector<char *> arguments = benchmarkArguments(argc, argv);
    int benchmarkArgc = int(arguments.size());
    benchmark::Initialize(&benchmarkArgc, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(benchmarkArgc, arguments.data()))
        return 2;

    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder: %s\n", qPrintable(folder.errorString()));
        return 1;
    }
    const QString target = folder.filePath(QStringLiteral("out.bmp"));
    const std::vector<CorpusFile> corpus = loadCorpus(choice.limit, choice.enhanced);
    const std::vector<GrowthCase> growth = {
        {growthGroups * generatedRecordsPerGroup, generatedMetafile(growthGroups)},
        {10 * growthGroups * generatedRecordsPerGroup, generatedMetafile(10 * growthGroups)},
    };
    const SummaryInput input = registerAll(corpus, growth, &target);

    // Colours only for a terminal: the rows are often kept in a file.
    SummaryReporter reporter(isatty(fileno(stdout)) ? benchmark::ConsoleReporter::OO_Defaults
                                                    : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printSummary(reporter, input);
    return 0;
}
