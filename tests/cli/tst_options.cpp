// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The converter's command line: every option, its values and its errors, one row each.

#include "options.h"
#include "pictureformats.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CommandLine::Action)

class tst_Options : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void thumbnail();
    void info();
    void helpStopsReading();
    void helpNamesWhatItReadsAndWrites_data();
    void helpNamesWhatItReadsAndWrites();
    void twipsReadInTheUsersNumberFormat();
};

namespace {

QStringList split(const QString &line) { return line.split(u' ', Qt::SkipEmptyParts); }

QString describe(const ConvertOptions &o)
{
    QStringList parts {u"operands=%1"_s.arg(o.operands.join(u','))};
    if (o.recursive)
        parts << u"recursive"_s;
    if (!o.outputFolder.isEmpty())
        parts << u"output=%1"_s.arg(o.outputFolder);
    if (o.dpi > 0) {
        parts << u"dpi=%1"_s.arg(o.dpi);
    } else {
        parts << u"pixels=%1x%2"_s.arg(o.pixels.width()).arg(o.pixels.height());
        parts << u"twips=%1x%2"_s.arg(o.physicalTwips.width()).arg(o.physicalTwips.height());
    }
    if (o.fit)
        parts << u"fit"_s;
    if (o.format != u"bmp")
        parts << u"format=%1"_s.arg(o.format);
    if (o.background != QColor(Qt::white))
        parts << u"background=%1"_s.arg(o.background.name(QColor::HexArgb));
    if (o.toStandardOutput)
        parts << u"stdout"_s;
    if (o.report == ReportFormat::Json)
        parts << u"report=json"_s;
    if (o.noClobber)
        parts << u"no-clobber"_s;
    if (o.update)
        parts << u"update"_s;
    if (o.keepExtension)
        parts << u"keep-extension"_s;
    if (o.emfPlus != metafile::EmfPlusLayer::Auto)
        parts << (o.emfPlus == metafile::EmfPlusLayer::Prefer ? u"emfplus=prefer"_s : u"emfplus=ignore"_s);
    parts << u"jobs=%1"_s.arg(o.jobs);
    if (o.timeoutSeconds != defaultTimeoutSeconds)
        parts << u"timeout=%1"_s.arg(o.timeoutSeconds);
    if (o.memoryLimitBytes != defaultMemoryLimitBytes)
        parts << u"memory=%1"_s.arg(o.memoryLimitBytes);
    parts << (o.verbosity == Verbosity::Quiet     ? u"quiet"_s
              : o.verbosity == Verbosity::Verbose ? u"verbose"_s
                                                  : u"normal"_s);
    return parts.join(u' ');
}

} // namespace

void tst_Options::accepted_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("expected");

    const QString defaults = u"dpi=96 jobs=0 normal"_s;
    QTest::addRow("one file, its own size at 96 dpi") << u"a.wmf"_s << u"operands=a.wmf "_s + defaults;
    QTest::addRow("files and folders in order") << u"b.wmf pics a.wmf"_s << u"operands=b.wmf,pics,a.wmf "_s + defaults;
    QTest::addRow("short options clustered")
        << u"-rnq pics"_s << u"operands=pics recursive dpi=96 no-clobber jobs=0 quiet"_s;
    QTest::addRow("long options") << u"--recursive --no-clobber --verbose pics"_s
                                  << u"operands=pics recursive dpi=96 no-clobber jobs=0 verbose"_s;
    QTest::addRow("update, clustered") << u"-ruq pics"_s << u"operands=pics recursive dpi=96 update jobs=0 quiet"_s;
    QTest::addRow("update and keep the extension")
        << u"--update --keep-extension pics"_s << u"operands=pics dpi=96 update keep-extension jobs=0 normal"_s;
    QTest::addRow("-o with its value attached") << u"-oout a.wmf"_s << u"operands=a.wmf output=out "_s + defaults;
    QTest::addRow("-o with its value apart") << u"-o out a.wmf"_s << u"operands=a.wmf output=out "_s + defaults;
    QTest::addRow("--output=") << u"--output=out a.wmf"_s << u"operands=a.wmf output=out "_s + defaults;
    QTest::addRow("-r then -o value in one cluster")
        << u"-ro out a.wmf"_s << u"operands=a.wmf recursive output=out "_s + defaults;
    QTest::addRow("-j2") << u"-j2 a.wmf"_s << u"operands=a.wmf dpi=96 jobs=2 normal"_s;
    QTest::addRow("--jobs 1") << u"--jobs 1 a.wmf"_s << u"operands=a.wmf dpi=96 jobs=1 normal"_s;
    QTest::addRow("most jobs") << u"-j 256 a.wmf"_s << u"operands=a.wmf dpi=96 jobs=256 normal"_s;
    QTest::addRow("a time limit") << u"--timeout 5 a.wmf"_s << u"operands=a.wmf dpi=96 jobs=0 timeout=5 normal"_s;
    QTest::addRow("no time limit") << u"--timeout=0 a.wmf"_s << u"operands=a.wmf dpi=96 jobs=0 timeout=0 normal"_s;
    QTest::addRow("memory in mebibytes") << u"--memory-limit=512 a.wmf"_s
                                         << u"operands=a.wmf dpi=96 jobs=0 memory=536870912 normal"_s;
    QTest::addRow("memory in gibibytes") << u"--memory-limit=4G a.wmf"_s
                                         << u"operands=a.wmf dpi=96 jobs=0 memory=4294967296 normal"_s;
    QTest::addRow("memory with a unit's full name")
        << u"--memory-limit=1536MiB a.wmf"_s << u"operands=a.wmf dpi=96 jobs=0 memory=1610612736 normal"_s;
    QTest::addRow("smallest memory limit")
        << u"--memory-limit=1024k a.wmf"_s << u"operands=a.wmf dpi=96 jobs=0 memory=1048576 normal"_s;
    QTest::addRow("no memory limit") << u"--memory-limit=0 a.wmf"_s
                                     << u"operands=a.wmf dpi=96 jobs=0 memory=0 normal"_s;
    QTest::addRow("later verbosity wins") << u"-q -v a.wmf"_s << u"operands=a.wmf dpi=96 jobs=0 verbose"_s;
    QTest::addRow("size in pixels at 96 dpi")
        << u"--size 1024x768 a.wmf"_s << u"operands=a.wmf pixels=1024x768 twips=15360x11520 jobs=0 normal"_s;
    QTest::addRow("size with a capital X")
        << u"--size=1X1 a.wmf"_s << u"operands=a.wmf pixels=1x1 twips=15x15 jobs=0 normal"_s;
    QTest::addRow("width alone") << u"--size 1024x a.wmf"_s
                                 << u"operands=a.wmf pixels=1024x0 twips=15360x0 jobs=0 normal"_s;
    QTest::addRow("height alone") << u"--size=X768 a.wmf"_s
                                  << u"operands=a.wmf pixels=0x768 twips=0x11520 jobs=0 normal"_s;
    QTest::addRow("largest size") << u"--size=32767x32767 a.wmf"_s
                                  << u"operands=a.wmf pixels=32767x32767 twips=491505x491505 jobs=0 normal"_s;
    QTest::addRow("fit") << u"--fit --size 100x100 a.wmf"_s
                         << u"operands=a.wmf pixels=100x100 twips=1500x1500 fit jobs=0 normal"_s;
    const QString window = u"pixels=269x213 twips=4095x3255"_s;
    QTest::addRow("the window's bitmap") << u"--window a.wmf"_s << u"operands=a.wmf %1 jobs=0 normal"_s.arg(window);
    QTest::addRow("fit in the window's box")
        << u"--window --fit a.wmf"_s << u"operands=a.wmf %1 fit jobs=0 normal"_s.arg(window);
    // Twips: width first on the command line, the window's canvas arithmetic after.
    QTest::addRow("twips, the window's default")
        << u"--twips 4095x3255 a.wmf"_s << u"operands=a.wmf %1 jobs=0 normal"_s.arg(window);
    QTest::addRow("twips less the border")
        << u"--twips=3000x1500 a.wmf"_s << u"operands=a.wmf pixels=196x96 twips=3000x1500 jobs=0 normal"_s;
    QTest::addRow("twips fraction kept, pixels rounded")
        << u"--twips=2500.5x1500 a.wmf"_s << u"operands=a.wmf pixels=163x96 twips=2500.5x1500 jobs=0 normal"_s;
    QTest::addRow("twips smallest") << u"--twips=68x68 a.wmf"_s
                                    << u"operands=a.wmf pixels=1x1 twips=68x68 jobs=0 normal"_s;
    QTest::addRow("twips largest") << u"--twips=491572x491572 a.wmf"_s
                                   << u"operands=a.wmf pixels=32767x32767 twips=491572x491572 jobs=0 normal"_s;
    QTest::addRow("dpi") << u"--dpi 300 a.wmf"_s << u"operands=a.wmf dpi=300 jobs=0 normal"_s;
    QTest::addRow("dpi as ImageMagick's density")
        << u"--dpi=150.5 a.wmf"_s << u"operands=a.wmf dpi=150.5 jobs=0 normal"_s;
    QTest::addRow("dpi smallest") << u"--dpi=1 a.wmf"_s << u"operands=a.wmf dpi=1 jobs=0 normal"_s;
    QTest::addRow("dpi largest") << u"--dpi=10000 a.wmf"_s << u"operands=a.wmf dpi=10000 jobs=0 normal"_s;
    QTest::addRow("format") << u"-f png a.wmf"_s << u"operands=a.wmf dpi=96 format=png jobs=0 normal"_s;
    QTest::addRow("format in capitals, clustered")
        << u"-rfJPEG a.wmf"_s << u"operands=a.wmf recursive dpi=96 format=jpeg jobs=0 normal"_s;
    QTest::addRow("background by name") << u"--background=red a.wmf"_s
                                        << u"operands=a.wmf dpi=96 background=#ffff0000 jobs=0 normal"_s;
    QTest::addRow("transparent background in PNG")
        << u"-f png --background transparent a.wmf"_s
        << u"operands=a.wmf dpi=96 format=png background=#00000000 jobs=0 normal"_s;
    QTest::addRow("translucent background in PNG")
        << u"--format=png --background=#80ff0000 a.wmf"_s
        << u"operands=a.wmf dpi=96 format=png background=#80ff0000 jobs=0 normal"_s;
    QTest::addRow("stdout") << u"--stdout -f png a.wmf"_s << u"operands=a.wmf dpi=96 format=png stdout jobs=0 normal"_s;
    QTest::addRow("EMF+ preferred") << u"--emfplus=prefer a.emf"_s
                                    << u"operands=a.emf dpi=96 emfplus=prefer jobs=0 normal"_s;
    QTest::addRow("EMF+ ignored") << u"--emfplus ignore a.emf"_s
                                  << u"operands=a.emf dpi=96 emfplus=ignore jobs=0 normal"_s;
    QTest::addRow("EMF+ as Windows' GDI")
        << u"--emfplus=prefer --emfplus=auto a.emf"_s << u"operands=a.emf "_s + defaults;
    QTest::addRow("report") << u"--report=json pics"_s << u"operands=pics dpi=96 report=json jobs=0 normal"_s;
    QTest::addRow("-- ends the options") << u"-- -r --size"_s << u"operands=-r,--size "_s + defaults;
    QTest::addRow("lone dash is standard input, to standard output")
        << u"-"_s << u"operands=- dpi=96 stdout jobs=0 normal"_s;
}

void tst_Options::accepted()
{
    QFETCH(QString, arguments);
    QFETCH(QString, expected);
    const CommandLine line = parseCommandLine(split(arguments), QLocale::c());
    QCOMPARE(line.error, QString());
    QCOMPARE(line.action, CommandLine::Action::Convert);
    QCOMPARE(describe(line.options), expected);
}

namespace {

// The rows of the options for pipelines: sizes at a resolution, formats, backgrounds, the
// standard streams, the report and --info.
void addPipelineRefusals()
{
    QTest::addRow("dpi and size together")
        << QStringList {u"--dpi=96"_s, u"--size=10x10"_s, u"a"_s} << u"--dpi and --size cannot be used together"_s;
    QTest::addRow("window and twips together") << QStringList {u"--twips=4095x3255"_s, u"--window"_s, u"a"_s}
                                               << u"--twips and --window cannot be used together"_s;
    QTest::addRow("fit without a box") << QStringList {
        u"--fit"_s, u"a"_s} << u"--fit needs a box to fit the picture into: give --size, --twips or --window"_s;
    QTest::addRow("fit with dpi") << QStringList {u"--fit"_s, u"--dpi=96"_s, u"a"_s}
                                  << u"--fit needs a box to fit the picture into: give --size, --twips or --window"_s;
    const QString dpiError = u"invalid resolution '%1': give dots per inch from 1 to 10000"_s;
    QTest::addRow("dpi zero") << QStringList {u"--dpi=0"_s, u"a"_s} << dpiError.arg(u"0"_s);
    QTest::addRow("dpi under one") << QStringList {u"--dpi=0.5"_s, u"a"_s} << dpiError.arg(u"0.5"_s);
    QTest::addRow("dpi one past the largest") << QStringList {u"--dpi=10000.5"_s, u"a"_s} << dpiError.arg(u"10000.5"_s);
    QTest::addRow("dpi with an exponent") << QStringList {u"--dpi=1e2"_s, u"a"_s} << dpiError.arg(u"1e2"_s);
    QTest::addRow("dpi with a sign") << QStringList {u"--dpi=+96"_s, u"a"_s} << dpiError.arg(u"+96"_s);
    QTest::addRow("dpi a bare point") << QStringList {u"--dpi=96."_s, u"a"_s} << dpiError.arg(u"96."_s);
    QTest::addRow("dpi empty") << QStringList {u"--dpi="_s, u"a"_s} << dpiError.arg(QString());
    QTest::addRow("unknown format lists the formats")
        << QStringList {u"-f"_s, u"gif"_s, u"a"_s}
        << u"unknown format 'gif': give one of %1"_s.arg(writableFormats().join(u", "_s));
    QTest::addRow("colour unknown") << QStringList {
        u"--background=blurple"_s,
        u"a"_s} << u"invalid colour 'blurple': give a name (white, black, transparent, ...) or #RRGGBB or #AARRGGBB"_s;
    QTest::addRow("colour empty") << QStringList {
        u"--background="_s,
        u"a"_s} << u"invalid colour '': give a name (white, black, transparent, ...) or #RRGGBB or #AARRGGBB"_s;
    QStringList withAlpha = writableFormats();
    withAlpha.removeIf([](const QString &format) { return !formatKeepsAlpha(format); });
    QTest::addRow("transparent background in a BMP")
        << QStringList {u"--background=transparent"_s, u"a"_s}
        << u"a background that is not opaque needs a format with transparency (%1), not bmp"_s.arg(
               withAlpha.join(u", "_s));
    QTest::addRow("stdout with an output folder")
        << QStringList {u"--stdout"_s, u"-o"_s, u"out"_s, u"a"_s} << u"--stdout cannot be used with --output"_s;
    QTest::addRow("stdout with recursion")
        << QStringList {u"-r"_s, u"--stdout"_s, u"a"_s} << u"--stdout cannot be used with --recursive"_s;
    QTest::addRow("stdout and update") << QStringList {u"--stdout"_s, u"-u"_s, u"a"_s}
                                       << u"--stdout cannot be used with --update"_s;
    QTest::addRow("standard input and keep the extension")
        << QStringList {u"--keep-extension"_s, u"-"_s} << u"--stdout cannot be used with --keep-extension"_s;
    QTest::addRow("info and update") << QStringList {u"--info"_s, u"-u"_s, u"a"_s}
                                     << u"--info cannot be used with --update"_s;
    QTest::addRow("stdout with two files")
        << QStringList {u"--stdout"_s, u"a"_s, u"b"_s} << u"--stdout writes a single picture: give one file"_s;
    QTest::addRow("stdout verbose") << QStringList {u"--stdout"_s, u"-v"_s, u"a"_s}
                                    << u"--stdout cannot be used with --verbose"_s;
    QTest::addRow("standard input with another file")
        << QStringList {u"a"_s, u"-"_s} << u"standard input ('-') is converted on its own, to standard output"_s;
    QTest::addRow("standard input with a report")
        << QStringList {u"--report=json"_s, u"-"_s} << u"--stdout cannot be used with --report"_s;
    QTest::addRow("report unknown") << QStringList {u"--report=xml"_s, u"a"_s}
                                    << u"invalid report 'xml': give json or text"_s;
    QTest::addRow("report and verbose") << QStringList {
        u"--report=json"_s, u"-v"_s,
        u"a"_s} << u"--report=json cannot be used with --verbose: both write to standard output"_s;
    QTest::addRow("info with an output folder")
        << QStringList {u"--info"_s, u"-o"_s, u"out"_s, u"a"_s} << u"--info cannot be used with --output"_s;
    QTest::addRow("info with a format") << QStringList {u"-fpng"_s, u"--info"_s, u"a"_s}
                                        << u"--info cannot be used with --format"_s;
    QTest::addRow("info without operand") << QStringList {u"--info"_s} << u"missing file or folder operand"_s;
    QTest::addRow("info reads standard input once")
        << QStringList {u"--info"_s, u"-"_s, u"a"_s, u"-"_s} << u"standard input ('-') can be read only once"_s;
}

} // namespace

void tst_Options::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");

    const QString sizeError =
        u"invalid size '%1': give WIDTHxHEIGHT, WIDTHx or xHEIGHT in whole pixels, each from 1 to 32767"_s;
    QTest::addRow("no operand") << QStringList {} << u"missing file or folder operand"_s;
    QTest::addRow("options but no operand") << QStringList {u"-r"_s} << u"missing file or folder operand"_s;
    QTest::addRow("unknown long option") << QStringList {u"--bogus"_s, u"a"_s} << u"unrecognized option '--bogus'"_s;
    QTest::addRow("long option by a prefix") << QStringList {u"--rec"_s, u"a"_s} << u"unrecognized option '--rec'"_s;
    QTest::addRow("unknown short option in a cluster") << QStringList {u"-rx"_s, u"a"_s} << u"invalid option -- 'x'"_s;
    QTest::addRow("long option missing its value")
        << QStringList {u"a"_s, u"--size"_s} << u"option '--size' requires an argument"_s;
    QTest::addRow("short option missing its value")
        << QStringList {u"a"_s, u"-j"_s} << u"option requires an argument -- 'j'"_s;
    QTest::addRow("an EMF+ drawing of no name")
        << QStringList {u"--emfplus=both"_s, u"a"_s} << u"invalid EMF+ drawing 'both': give auto, prefer or ignore"_s;
    QTest::addRow("flag given a value") << QStringList {u"--fit=yes"_s, u"a"_s}
                                        << u"option '--fit' doesn't allow an argument"_s;
    QTest::addRow("empty output folder") << QStringList {u"--output="_s, u"a"_s}
                                         << u"the folder of -o cannot be empty"_s;
    const QString jobsError = u"invalid number of jobs '%1': give a whole number from 1 to 256"_s;
    QTest::addRow("no jobs") << QStringList {u"-j0"_s, u"a"_s} << jobsError.arg(u"0"_s);
    QTest::addRow("too many jobs") << QStringList {u"-j257"_s, u"a"_s} << jobsError.arg(u"257"_s);
    QTest::addRow("negative jobs") << QStringList {u"--jobs=-1"_s, u"a"_s} << jobsError.arg(u"-1"_s);
    QTest::addRow("jobs not a number") << QStringList {u"-j"_s, u"two"_s, u"a"_s} << jobsError.arg(u"two"_s);
    QTest::addRow("jobs with a sign") << QStringList {u"-j+2"_s, u"a"_s} << jobsError.arg(u"+2"_s);
    const QString timeoutError = u"invalid time limit '%1': give whole seconds, or 0 for none"_s;
    QTest::addRow("time limit not whole") << QStringList {u"--timeout=1.5"_s, u"a"_s} << timeoutError.arg(u"1.5"_s);
    QTest::addRow("time limit negative") << QStringList {u"--timeout=-1"_s, u"a"_s} << timeoutError.arg(u"-1"_s);
    QTest::addRow("time limit with a unit") << QStringList {u"--timeout=5s"_s, u"a"_s} << timeoutError.arg(u"5s"_s);
    const QString memoryError =
        u"invalid memory limit '%1': give mebibytes from 1 (or a size such as 512M or 4G), or 0 for none"_s;
    QTest::addRow("memory limit under a mebibyte")
        << QStringList {u"--memory-limit=512K"_s, u"a"_s} << memoryError.arg(u"512K"_s);
    QTest::addRow("memory limit past a tebibyte")
        << QStringList {u"--memory-limit=1025G"_s, u"a"_s} << memoryError.arg(u"1025G"_s);
    QTest::addRow("memory limit with two units")
        << QStringList {u"--memory-limit=5MK"_s, u"a"_s} << memoryError.arg(u"5MK"_s);
    QTest::addRow("memory limit in bytes' unit")
        << QStringList {u"--memory-limit=100B"_s, u"a"_s} << memoryError.arg(u"100B"_s);
    QTest::addRow("memory limit a unit alone")
        << QStringList {u"--memory-limit=G"_s, u"a"_s} << memoryError.arg(u"G"_s);
    QTest::addRow("size without x") << QStringList {u"--size=1024"_s, u"a"_s} << sizeError.arg(u"1024"_s);
    QTest::addRow("size with two x") << QStringList {u"--size=1x2x3"_s, u"a"_s} << sizeError.arg(u"1x2x3"_s);
    QTest::addRow("size zero wide") << QStringList {u"--size=0x10"_s, u"a"_s} << sizeError.arg(u"0x10"_s);
    QTest::addRow("size zero high") << QStringList {u"--size=10x0"_s, u"a"_s} << sizeError.arg(u"10x0"_s);
    QTest::addRow("size one past the largest")
        << QStringList {u"--size=32768x10"_s, u"a"_s} << sizeError.arg(u"32768x10"_s);
    QTest::addRow("size height past the largest")
        << QStringList {u"--size=10x32768"_s, u"a"_s} << sizeError.arg(u"10x32768"_s);
    QTest::addRow("size without either side") << QStringList {u"--size=x"_s, u"a"_s} << sizeError.arg(u"x"_s);
    QTest::addRow("size, one side zero") << QStringList {u"--size=0x"_s, u"a"_s} << sizeError.arg(u"0x"_s);
    QTest::addRow("size, one side past the largest")
        << QStringList {u"--size=x32768"_s, u"a"_s} << sizeError.arg(u"x32768"_s);
    QTest::addRow("size in twips' fractions")
        << QStringList {u"--size=10.5x10"_s, u"a"_s} << sizeError.arg(u"10.5x10"_s);
    QTest::addRow("size and twips together")
        << QStringList {u"--size=10x10"_s, u"--twips=1x1"_s, u"a"_s} << u"--size and --twips cannot be used together"_s;
    addPipelineRefusals();
    // The window's own messages, height before width as the window checks them.
    QTest::addRow("twips without x") << QStringList {u"--twips=4095"_s, u"a"_s}
                                     << u"invalid size '4095': give WIDTHxHEIGHT in twips"_s;
    QTest::addRow("twips height not a number")
        << QStringList {u"--twips=100xabc"_s, u"a"_s} << u"--twips '100xabc': Please enter a valid height"_s;
    QTest::addRow("twips both bad, height named")
        << QStringList {u"--twips=abcxabc"_s, u"a"_s} << u"--twips 'abcxabc': Please enter a valid height"_s;
    QTest::addRow("twips width negative")
        << QStringList {u"--twips=-1x100"_s, u"a"_s} << u"--twips '-1x100': Please enter a valid width"_s;
    QTest::addRow("twips width empty") << QStringList {u"--twips=x100"_s, u"a"_s}
                                       << u"--twips 'x100': Please enter a valid width"_s;
    QTest::addRow("twips height too small for a pixel")
        << QStringList {u"--twips=3000x67"_s, u"a"_s}
        << u"--twips '3000x67': Please enter a valid height from 68 to 491572 twips"_s;
    QTest::addRow("twips width too small for a pixel")
        << QStringList {u"--twips=67x3000"_s, u"a"_s}
        << u"--twips '67x3000': Please enter a valid width from 68 to 491572 twips"_s;
    QTest::addRow("twips width past the largest")
        << QStringList {u"--twips=491573x3000"_s, u"a"_s}
        << u"--twips '491573x3000': Please enter a valid width from 68 to 491572 twips"_s;
    QTest::addRow("twips zero") << QStringList {u"--twips=0x0"_s, u"a"_s}
                                << u"--twips '0x0': Please enter a valid height from 68 to 491572 twips"_s;
    QTest::addRow("twips in hexadecimal fail the check, as in the window")
        << QStringList {u"--twips=&H800x&H400"_s, u"a"_s} << u"--twips '&H800x&H400': Please enter a valid height"_s;
    const QString thumbnailError = u"invalid thumbnail size '%1': give a whole number of pixels from 1 to 4096"_s;
    QTest::addRow("thumbnail size zero") << QStringList {u"--thumbnail=0"_s, u"a"_s, u"b"_s}
                                         << thumbnailError.arg(u"0"_s);
    QTest::addRow("thumbnail size too large")
        << QStringList {u"--thumbnail=4097"_s, u"a"_s, u"b"_s} << thumbnailError.arg(u"4097"_s);
    QTest::addRow("thumbnail without output")
        << QStringList {u"--thumbnail"_s, u"128"_s, u"a"_s} << u"--thumbnail needs an input file and an output file"_s;
    QTest::addRow("thumbnail with three files") << QStringList {u"--thumbnail"_s, u"128"_s, u"a"_s, u"b"_s, u"c"_s}
                                                << u"--thumbnail needs an input file and an output file"_s;
    QTest::addRow("thumbnail with a batch option") << QStringList {u"-r"_s, u"--thumbnail"_s, u"128"_s, u"a"_s, u"b"_s}
                                                   << u"--thumbnail cannot be used with --recursive"_s;
    QTest::addRow("thumbnail with a size") << QStringList {u"--thumbnail=128"_s, u"--size=1x1"_s, u"a"_s, u"b"_s}
                                           << u"--thumbnail cannot be used with --size"_s;
    QTest::addRow("thumbnail with a format") << QStringList {u"--format=png"_s, u"--thumbnail=128"_s, u"a"_s, u"b"_s}
                                             << u"--thumbnail cannot be used with --format"_s;
}

void tst_Options::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    const CommandLine line = parseCommandLine(arguments, QLocale::c());
    QCOMPARE(line.action, CommandLine::Action::UsageError);
    QCOMPARE(line.error, error);
}

void tst_Options::thumbnail()
{
    const CommandLine line =
        parseCommandLine({u"--thumbnail"_s, u"256"_s, u"in.wmf"_s, u"out.png"_s, u"-q"_s}, QLocale::c());
    QCOMPARE(line.error, QString());
    QCOMPARE(line.action, CommandLine::Action::Thumbnail);
    QCOMPARE(line.options.thumbnailSize, 256);
    QCOMPARE(line.options.operands, (QStringList {u"in.wmf"_s, u"out.png"_s}));
}

void tst_Options::info()
{
    const CommandLine line = parseCommandLine({u"--info"_s, u"-r"_s, u"pics"_s, u"-"_s, u"-q"_s}, QLocale::c());
    QCOMPARE(line.error, QString());
    QCOMPARE(line.action, CommandLine::Action::Info);
    QCOMPARE(line.options.operands, (QStringList {u"pics"_s, u"-"_s}));
    QVERIFY(line.options.recursive);
    QVERIFY(!line.options.toStandardOutput);
}

// As GNU programs do: --help and --version end the reading, whatever follows, but an error
// before them still counts.
void tst_Options::helpStopsReading()
{
    QCOMPARE(parseCommandLine({u"--help"_s, u"--bogus"_s}, QLocale::c()).action, CommandLine::Action::Help);
    QCOMPARE(parseCommandLine({u"a"_s, u"--version"_s, u"-j0"_s}, QLocale::c()).action, CommandLine::Action::Version);
    QCOMPARE(parseCommandLine({u"--bogus"_s, u"--help"_s}, QLocale::c()).action, CommandLine::Action::UsageError);
}

void tst_Options::helpNamesWhatItReadsAndWrites_data()
{
    QTest::addColumn<QString>("words");
    QTest::addRow("Windows Metafiles") << u"Windows Metafiles (WMF)"_s;
    QTest::addRow("Enhanced Metafiles") << u"Enhanced Metafiles (EMF"_s;
    QTest::addRow("EMF+") << u"EMF+"_s;
    QTest::addRow("compressed metafiles") << u".wmz and .emz"_s;
    QTest::addRow("the formats written") << u"BMP, PNG, JPEG, TIFF, WebP"_s;
    QTest::addRow("the time limit") << u"--timeout=SECONDS"_s;
    QTest::addRow("the memory limit") << u"--memory-limit=SIZE"_s;
    QTest::addRow("update") << u"-u, --update"_s;
    QTest::addRow("keep the extension") << u"--keep-extension"_s;
}

void tst_Options::helpNamesWhatItReadsAndWrites()
{
    QFETCH(QString, words);
    // Lines break anywhere in the help: the words are looked for with the breaks undone.
    const QString help = helpText().simplified();
    QVERIFY2(help.contains(words), qPrintable(help));
    for (const QString &line : helpText().split(u'\n'))
        QVERIFY2(line.size() <= 80, qPrintable(line));
}

// The size check reads the whole text in the user's format, as the window's fields do, and
// the canvas gets the leading number: "2,5" passes in German and is applied as 2.
void tst_Options::twipsReadInTheUsersNumberFormat()
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const CommandLine line = parseCommandLine({u"--twips=3000x1500,5"_s, u"a"_s}, german);
    QCOMPARE(line.error, QString());
    QCOMPARE(line.options.physicalTwips, QSizeF(3000, 1500));
    QCOMPARE(parseCommandLine({u"--twips=3000x1500,5"_s, u"a"_s}, QLocale::c()).error,
             u"--twips '3000x1500,5': Please enter a valid height"_s);
}

QTEST_GUILESS_MAIN(tst_Options)
#include "tst_options.moc"
