// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The converter's command line, read into options without touching a file: main() hands the
// arguments to parseCommandLine, which either fills ConvertOptions or says what is wrong.
// Options follow GNU conventions: short options cluster ("-rn", "-j2"), long ones take their
// value after "=" or as the next argument, "--" ends the options, and a later option of the
// same kind overrides an earlier one.

#include "metafile/metafile.h"

#include <QColor>
#include <QLocale>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

// How much the converter says besides the failures.
enum class Verbosity {
    Quiet, // failures only
    Normal, // failures, and the progress line on a terminal
    Verbose, // also a line per file on standard output and a summary
};

// What standard output carries in a batch.
enum class ReportFormat {
    Text, // with --verbose, a line per file and a summary
    Json, // a JSON object per file, one a line
};

// The resolution of the picture's own size when no size is asked for.
inline constexpr double defaultDpi = 96;

// What a picture may take before it fails alone (--timeout, --memory-limit). A drawing takes
// milliseconds; the largest picture accepted, 32767 x 32767 pixels, drawn and written a band
// at a time, about half a minute and 100 MiB. The formats written whole (JPEG, TIFF, WebP,
// any on a background that is not opaque) hold the whole image: 2 GiB is a JPEG of 23000 x
// 23000 pixels. Past these a file is stuck, or asks for more than a drawing needs.
inline constexpr int defaultTimeoutSeconds = 120;
inline constexpr qint64 defaultMemoryLimitBytes = qint64(2048) * 1024 * 1024;
inline constexpr qint64 minMemoryLimitBytes = qint64(1024) * 1024;

struct ConvertOptions
{
    QStringList operands; // files and folders, "-" for standard input; for --thumbnail the input and the output
    bool recursive = false;
    QString outputFolder; // empty: each picture beside its source
    // > 0: each picture at its own size at this many dots per inch; `pixels` is then empty.
    double dpi = defaultDpi;
    QSize pixels; // the picture's size, or with `fit` the box it is fitted into; a side of 0 follows its proportions
    QSizeF physicalTwips; // the physical size the file's resolution gives `pixels`
    bool fit = false;
    QString format = QStringLiteral("bmp"); // lower-case, one of writableFormats()
    QColor background = Qt::white;
    bool toStandardOutput = false; // the single picture goes to standard output
    ReportFormat report = ReportFormat::Text;
    bool noClobber = false;
    bool update = false; // only where the target is missing or older than its source
    bool keepExtension = false; // "a.wmf" gives "a.wmf.bmp"
    int jobs = 0; // conversions at once; 0: one per processor core
    int timeoutSeconds = defaultTimeoutSeconds; // a picture's time; 0: no limit
    qint64 memoryLimitBytes = defaultMemoryLimitBytes; // a picture's memory; 0: no limit
    Verbosity verbosity = Verbosity::Normal;
    int thumbnailSize = 0; // pixels of the longer side, --thumbnail only
    // The drawing of a file with EMF+ records (--emfplus): as Windows' GDI by default.
    metafile::EmfPlusLayer emfPlus = metafile::EmfPlusLayer::Auto;
};

struct CommandLine
{
    enum class Action { Convert, Info, Thumbnail, Help, Version, UsageError };

    Action action = Action::UsageError;
    ConvertOptions options;
    QString error; // UsageError only: what is wrong, without the program's name
};

// The most conversions at once that -j accepts: far beyond any machine's cores, and each one
// holds a picture and a bitmap in memory.
inline constexpr int maxJobs = 256;

// The longest thumbnail side accepted: file managers ask for 128 to 1024 pixels.
inline constexpr int maxThumbnailSize = 4096;

// The resolutions --dpi accepts: a picture a few inches wide at the largest is already at
// the pixel limit.
inline constexpr double minDpi = 1;
inline constexpr double maxDpi = 10000;

// `arguments` without the program's name. `locale` reads the numbers of --twips as the
// window reads its size texts. The formats of --format are those writableFormats() names.
CommandLine parseCommandLine(const QStringList &arguments, const QLocale &locale);

// The text of --help.
QString helpText();
