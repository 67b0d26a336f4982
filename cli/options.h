// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The converter's command line, read into options without touching a file: main() hands the
// arguments to parseCommandLine, which either fills ConvertOptions or says what is wrong.
// Options follow GNU conventions: short options cluster ("-rn", "-j2"), long ones take their
// value after "=" or as the next argument, "--" ends the options, and a later option of the
// same kind overrides an earlier one.

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

struct ConvertOptions
{
    QStringList operands; // files and folders; for --thumbnail the input and the output
    bool recursive = false;
    QString outputFolder; // empty: each bitmap beside its source
    QSize pixels; // the bitmap's size, or with `fit` the box the picture is fitted into
    QSizeF physicalTwips; // the physical size the bitmap's resolution fields give `pixels`
    bool fit = false;
    bool noClobber = false;
    int jobs = 0; // conversions at once; 0: one per processor core
    Verbosity verbosity = Verbosity::Normal;
    int thumbnailSize = 0; // pixels of the longer side, --thumbnail only
};

struct CommandLine
{
    enum class Action { Convert, Thumbnail, Help, Version, UsageError };

    Action action = Action::UsageError;
    ConvertOptions options;
    QString error; // UsageError only: what is wrong, without the program's name
};

// The most conversions at once that -j accepts: far beyond any machine's cores, and each one
// holds a picture and a bitmap in memory.
inline constexpr int maxJobs = 256;

// The longest thumbnail side accepted: file managers ask for 128 to 1024 pixels.
inline constexpr int maxThumbnailSize = 4096;

// `arguments` without the program's name. `locale` reads the numbers of --twips as the
// window reads its size texts.
CommandLine parseCommandLine(const QStringList &arguments, const QLocale &locale);

// The text of --help.
QString helpText();
