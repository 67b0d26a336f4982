// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// pictorate-convert: the window's conversion for whole folders, for pipelines (standard
// streams, other formats, a report per file) and for file managers' thumbnails, without a
// display. See pictorate-convert(1) and --help.

#include "batchplan.h"
#include "batchrunner.h"
#include "consolereport.h"
#include "conversion.h"
#include "diskflush.h"
#include "filename.h"
#include "jsonreport.h"
#include "metafile/metafile.h"
#include "options.h"
#include "pictureinfo.h"

#include <QGuiApplication>
#include <QThread>

#include <memory>

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QtMessageHandler defaultMessageHandler = nullptr;

constexpr const char *programName = "pictorate-convert";

char *qtArgv[] = {const_cast<char *>(programName), nullptr};
int qtArgc = 1;

// Drawing text needs Qt's fonts, which need a GUI application, but no display: without a
// platform chosen by the user it runs offscreen, also under a file manager. It is made only
// when a picture first needs a font (the engine asks, see metafile.h), in the worker that
// draws it: setting up the GUI application and the system's fonts is most of the start-up,
// and most pictures draw no text. Qt is given the program's name only: it would take arguments such as "-display" or
// "-reverse" for its own, and they may be file names here.
void setUpFonts()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static const std::unique_ptr<QGuiApplication> application = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
}

int usageError(const QString &message)
{
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", programName,
                 encodeFileName(message).constData(), programName);
    return 2;
}

// The width of the terminal on standard error, or 0 when it is not one.
int terminalColumns()
{
    if (!isatty(STDERR_FILENO))
        return 0;
    winsize size {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

WorkLimits workLimits(const ConvertOptions &options) { return {options.timeoutSeconds, options.memoryLimitBytes}; }

int jobCount(const ConvertOptions &options) { return options.jobs > 0 ? options.jobs : QThread::idealThreadCount(); }

// A single picture's outcome on standard error: its failure, and with --verbose what the
// libraries said while it was drawn.
int reportSingle(const QString &source, const Outcome &outcome, Verbosity verbosity)
{
    if (verbosity == Verbosity::Verbose)
        writeNotes(stderr, source, outcome.errorOutput);
    if (!outcome.warning.isEmpty())
        std::fprintf(stderr, "%s: warning: %s\n", encodeFileName(source).constData(),
                     encodeFileName(outcome.warning).constData());
    if (outcome.kind != Outcome::Kind::Failed)
        return 0;
    std::fprintf(stderr, "%s: %s\n", encodeFileName(source).constData(), encodeFileName(outcome.message).constData());
    return 1;
}

int thumbnail(const ConvertOptions &options)
{
    const QString &input = options.operands[0];
    const Outcome outcome = runInWorker(
        input, workLimits(options), [&] { return writeThumbnail(input, options.operands[1], options.thumbnailSize); });
    return reportSingle(input, outcome, options.verbosity);
}

RenderSettings renderSettings(const ConvertOptions &options)
{
    RenderSettings settings;
    settings.dpi = options.dpi;
    settings.pixels = options.pixels;
    settings.physicalTwips = options.physicalTwips;
    settings.fit = options.fit;
    settings.noClobber = options.noClobber;
    settings.update = options.update;
    settings.format = options.format;
    settings.background = options.background;
    settings.countSkipped = options.report == ReportFormat::Json;
    settings.emfPlus = options.emfPlus;
    return settings;
}

// The single picture to standard output, which then carries nothing else.
int convertToStandardOutput(const ConvertOptions &options)
{
    const QString &source = options.operands.first();
    const RenderSettings settings = renderSettings(options);
    const Outcome outcome =
        runInWorker(source, workLimits(options), [&] { return convertToStream(source, settings, STDOUT_FILENO); });
    return reportSingle(source, outcome, options.verbosity);
}

int convert(const ConvertOptions &options)
{
    if (options.toStandardOutput)
        return convertToStandardOutput(options);
    const BatchPlan plan =
        planBatch(options.operands, options.recursive, options.outputFolder, options.format, options.keepExtension);
    ConsoleReport console(options.verbosity, int(plan.jobs.size()), stdout, stderr, terminalColumns());
    JsonReport json(stdout, console);
    BatchObserver &report = options.report == ReportFormat::Json ? static_cast<BatchObserver &>(json) : console;
    const BatchCounts counts =
        runBatch(plan.jobs, renderSettings(options), jobCount(options), workLimits(options), report);
    // One flush for the batch's new pictures, before the batch reports itself done.
    const std::vector<FlushFailure> unflushed = flushFileSystems(counts.writtenFolders);
    for (const FlushFailure &failure : unflushed)
        std::fprintf(stderr, "%s: the pictures written to %s may not all be on the disk: %s\n", programName,
                     encodeFileName(failure.folder).constData(), encodeFileName(failure.reason).constData());
    console.summary(counts, plan.leftOut);
    return counts.failed > 0 || !unflushed.empty() ? 1 : 0;
}

// Qt's own notes (a missing runtime folder, a font substituted) are not the user's business:
// standard error carries failures only. Critical messages and fatal errors still pass.
void quietQtNotes(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        defaultMessageHandler(type, context, message);
}

} // namespace

int main(int argc, char **argv)
{
    defaultMessageHandler = qInstallMessageHandler(quietQtNotes);
    // Named before any application exists: most runs make none, and the files written name it.
    QCoreApplication::setApplicationName(QString::fromLatin1(programName));
    metafile::setFontSetUp(setUpFonts);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << decodeFileName(argv[i]);

    const CommandLine line = parseCommandLine(arguments, QLocale());
    switch (line.action) {
    case CommandLine::Action::UsageError: return usageError(line.error);
    case CommandLine::Action::Help: std::fputs(encodeFileName(helpText()).constData(), stdout); return 0;
    case CommandLine::Action::Version: std::printf("%s (Pictorate) %s\n", programName, PICTORATE_VERSION); return 0;
    case CommandLine::Action::Thumbnail: return thumbnail(line.options);
    case CommandLine::Action::Info:
        return writePictureInfo(line.options.operands, line.options.recursive, stdout, stderr, jobCount(line.options),
                                workLimits(line.options), line.options.verbosity == Verbosity::Verbose,
                                line.options.emfPlus);
    case CommandLine::Action::Convert: return convert(line.options);
    }
    return 2;
}
