// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "options.h"

#include "canvassize.h"
#include "optionvalues.h"
#include "pictureformats.h"
#include "sizeplan.h"

#include <array>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

enum class OptionId {
    Recursive,
    Output,
    Size,
    Twips,
    Window,
    Dpi,
    Fit,
    Format,
    Background,
    EmfPlus,
    Stdout,
    NoClobber,
    Update,
    KeepExtension,
    Jobs,
    Timeout,
    MemoryLimit,
    Quiet,
    Verbose,
    Report,
    Info,
    Thumbnail,
    Help,
    Version,
};

struct OptionSpec
{
    OptionId id;
    char16_t shortName; // 0: none
    const char16_t *longName;
    bool takesValue;
};

constexpr std::array optionSpecs {
    OptionSpec {OptionId::Recursive, u'r', u"recursive", false},
    OptionSpec {OptionId::Output, u'o', u"output", true},
    OptionSpec {OptionId::Size, 0, u"size", true},
    OptionSpec {OptionId::Twips, 0, u"twips", true},
    OptionSpec {OptionId::Window, 0, u"window", false},
    OptionSpec {OptionId::Dpi, 0, u"dpi", true},
    OptionSpec {OptionId::Fit, 0, u"fit", false},
    OptionSpec {OptionId::Format, u'f', u"format", true},
    OptionSpec {OptionId::Background, 0, u"background", true},
    OptionSpec {OptionId::EmfPlus, 0, u"emfplus", true},
    OptionSpec {OptionId::Stdout, 0, u"stdout", false},
    OptionSpec {OptionId::NoClobber, u'n', u"no-clobber", false},
    OptionSpec {OptionId::Update, u'u', u"update", false},
    OptionSpec {OptionId::KeepExtension, 0, u"keep-extension", false},
    OptionSpec {OptionId::Jobs, u'j', u"jobs", true},
    OptionSpec {OptionId::Timeout, 0, u"timeout", true},
    OptionSpec {OptionId::MemoryLimit, 0, u"memory-limit", true},
    OptionSpec {OptionId::Quiet, u'q', u"quiet", false},
    OptionSpec {OptionId::Verbose, u'v', u"verbose", false},
    OptionSpec {OptionId::Report, 0, u"report", true},
    OptionSpec {OptionId::Info, 0, u"info", false},
    OptionSpec {OptionId::Thumbnail, 0, u"thumbnail", true},
    OptionSpec {OptionId::Help, 0, u"help", false},
    OptionSpec {OptionId::Version, 0, u"version", false},
};

const OptionSpec *findLong(QStringView name)
{
    for (const OptionSpec &spec : optionSpecs) {
        if (name == QStringView(spec.longName))
            return &spec;
    }
    return nullptr;
}

const OptionSpec *findShort(QChar name)
{
    for (const OptionSpec &spec : optionSpecs) {
        if (spec.shortName != 0 && name == QChar(spec.shortName))
            return &spec;
    }
    return nullptr;
}

// Reads the command line into `m_line`; each step returns an error text or nothing.
class Parser
{
public:
    explicit Parser(const QLocale &locale) : m_locale(locale) { }

    CommandLine parse(const QStringList &arguments);

private:
    std::optional<QString> readLong(const QStringList &arguments, qsizetype &index);
    std::optional<QString> readShortCluster(const QStringList &arguments, qsizetype &index);
    std::optional<QString> apply(const OptionSpec &spec, const QString &value);
    std::optional<QString> applyValue(OptionId id, const QString &value);
    std::optional<QString> finish();
    std::optional<QString> finishThumbnail();
    std::optional<QString> finishInfo();
    std::optional<QString> finishOutput();
    std::optional<QString> finishSize();
    std::optional<QString> readPixels(const QString &text);
    std::optional<QString> readTwips(const QString &text);
    bool given(OptionId id) const { return m_given.contains(int(id)); }
    // The first of `ids` given, as "--name"; empty when none is.
    QString firstGiven(std::initializer_list<OptionId> ids) const;

    QLocale m_locale;
    CommandLine m_line;
    bool m_stop = false; // --help or --version seen: the rest is not read
    QString m_sizeText;
    QString m_twipsText;
    QString m_dpiText;
    QString m_thumbnailText;
    QList<int> m_given; // the options given, in order, each once
};

CommandLine Parser::parse(const QStringList &arguments)
{
    m_line.action = CommandLine::Action::Convert;
    bool optionsEnded = false;
    for (qsizetype index = 0; index < arguments.size() && !m_stop; ++index) {
        const QString &argument = arguments[index];
        std::optional<QString> error;
        if (optionsEnded || argument == u"-" || !argument.startsWith(u'-'))
            m_line.options.operands.append(argument);
        else if (argument == u"--")
            optionsEnded = true;
        else if (argument.startsWith(u"--"))
            error = readLong(arguments, index);
        else
            error = readShortCluster(arguments, index);
        if (error) {
            m_line.action = CommandLine::Action::UsageError;
            m_line.error = *error;
            return m_line;
        }
    }
    if (m_stop)
        return m_line;
    if (const std::optional<QString> error = finish()) {
        m_line.action = CommandLine::Action::UsageError;
        m_line.error = *error;
    }
    return m_line;
}

// A resolution within the range --dpi accepts.
std::optional<double> readDpi(QStringView text)
{
    const std::optional<double> value = readDecimal(text);
    return value && *value >= minDpi && *value <= maxDpi ? value : std::nullopt;
}

std::optional<QString> Parser::readLong(const QStringList &arguments, qsizetype &index)
{
    const QString &argument = arguments[index];
    const qsizetype equals = argument.indexOf(u'=');
    const QString name = argument.mid(2, equals < 0 ? -1 : equals - 2);
    const OptionSpec *spec = findLong(name);
    if (!spec)
        return u"unrecognized option '--%1'"_s.arg(name);
    if (!spec->takesValue) {
        if (equals >= 0)
            return u"option '--%1' doesn't allow an argument"_s.arg(name);
        return apply(*spec, {});
    }
    if (equals >= 0)
        return apply(*spec, argument.mid(equals + 1));
    if (index + 1 >= arguments.size())
        return u"option '--%1' requires an argument"_s.arg(name);
    return apply(*spec, arguments[++index]);
}

std::optional<QString> Parser::readShortCluster(const QStringList &arguments, qsizetype &index)
{
    const QString &argument = arguments[index];
    for (qsizetype at = 1; at < argument.size() && !m_stop; ++at) {
        const OptionSpec *spec = findShort(argument[at]);
        if (!spec)
            return u"invalid option -- '%1'"_s.arg(argument[at]);
        if (!spec->takesValue) {
            if (std::optional<QString> error = apply(*spec, {}))
                return error;
            continue;
        }
        // The rest of the cluster is the value ("-j2"), or else the next argument ("-j 2").
        if (at + 1 < argument.size())
            return apply(*spec, argument.mid(at + 1));
        if (index + 1 >= arguments.size())
            return u"option requires an argument -- '%1'"_s.arg(argument[at]);
        return apply(*spec, arguments[++index]);
    }
    return std::nullopt;
}

std::optional<QString> Parser::apply(const OptionSpec &spec, const QString &value)
{
    if (!given(spec.id))
        m_given.append(int(spec.id));
    ConvertOptions &options = m_line.options;
    switch (spec.id) {
    case OptionId::Recursive: options.recursive = true; break;
    case OptionId::Window: m_twipsText = QString(); break; // the window's own size, as --twips without one
    case OptionId::Fit: options.fit = true; break;
    case OptionId::Stdout: options.toStandardOutput = true; break;
    case OptionId::NoClobber: options.noClobber = true; break;
    case OptionId::Update: options.update = true; break;
    case OptionId::KeepExtension: options.keepExtension = true; break;
    case OptionId::Quiet: options.verbosity = Verbosity::Quiet; break;
    case OptionId::Verbose: options.verbosity = Verbosity::Verbose; break;
    case OptionId::Info: m_line.action = CommandLine::Action::Info; break;
    case OptionId::Help:
        m_line.action = CommandLine::Action::Help;
        m_stop = true;
        break;
    case OptionId::Version:
        m_line.action = CommandLine::Action::Version;
        m_stop = true;
        break;
    default: return applyValue(spec.id, value);
    }
    return std::nullopt;
}

std::optional<QString> Parser::applyValue(OptionId id, const QString &value)
{
    ConvertOptions &options = m_line.options;
    switch (id) {
    case OptionId::Output:
        if (value.isEmpty())
            return u"the folder of -o cannot be empty"_s;
        options.outputFolder = value;
        break;
    case OptionId::Size: m_sizeText = value; break;
    case OptionId::Twips: m_twipsText = value; break;
    case OptionId::Dpi: m_dpiText = value; break;
    case OptionId::Thumbnail: m_thumbnailText = value; break;
    case OptionId::Jobs: {
        const std::optional<int> jobs = readCount(value);
        if (!jobs || *jobs < 1 || *jobs > maxJobs)
            return u"invalid number of jobs '%1': give a whole number from 1 to %2"_s.arg(value).arg(maxJobs);
        options.jobs = *jobs;
        break;
    }
    case OptionId::Timeout: {
        const std::optional<int> seconds = readCount(value);
        if (!seconds)
            return u"invalid time limit '%1': give whole seconds, or 0 for none"_s.arg(value);
        options.timeoutSeconds = *seconds;
        break;
    }
    case OptionId::MemoryLimit: {
        const std::optional<qint64> bytes = readMemorySize(value);
        if (!bytes || (*bytes > 0 && *bytes < minMemoryLimitBytes))
            return u"invalid memory limit '%1': give mebibytes from 1 (or a size such as 512M or 4G), or 0 for "
                   "none"_s.arg(value);
        options.memoryLimitBytes = *bytes;
        break;
    }
    case OptionId::Format: {
        const QStringList formats = writableFormats();
        if (!formats.contains(value.toLower()))
            return u"unknown format '%1': give one of %2"_s.arg(value, formats.join(u", "_s));
        options.format = value.toLower();
        break;
    }
    case OptionId::Background: {
        const QColor color = QColor::fromString(value);
        if (value.isEmpty() || !color.isValid())
            return u"invalid colour '%1': give a name (white, black, transparent, ...) or #RRGGBB or #AARRGGBB"_s.arg(
                value);
        options.background = color;
        break;
    }
    case OptionId::EmfPlus: {
        const std::optional<metafile::EmfPlusLayer> layer = metafile::emfPlusLayerNamed(value);
        if (!layer)
            return u"invalid EMF+ drawing '%1': give auto, prefer or ignore"_s.arg(value);
        options.emfPlus = *layer;
        break;
    }
    case OptionId::Report:
        if (value != u"json" && value != u"text")
            return u"invalid report '%1': give json or text"_s.arg(value);
        options.report = value == u"json" ? ReportFormat::Json : ReportFormat::Text;
        break;
    default: break;
    }
    return std::nullopt;
}

QString Parser::firstGiven(std::initializer_list<OptionId> ids) const
{
    for (const int id : m_given) {
        if (std::find(ids.begin(), ids.end(), OptionId(id)) == ids.end())
            continue;
        for (const OptionSpec &spec : optionSpecs) {
            if (spec.id == OptionId(id))
                return u"--"_s + QString::fromUtf16(spec.longName);
        }
    }
    return {};
}

std::optional<QString> Parser::finish()
{
    if (!m_thumbnailText.isNull())
        return finishThumbnail();
    if (m_line.action == CommandLine::Action::Info)
        return finishInfo();
    const ConvertOptions &options = m_line.options;
    if (options.operands.isEmpty())
        return u"missing file or folder operand"_s;
    std::optional<QString> error = finishOutput();
    return error ? error : finishSize();
}

std::optional<QString> Parser::finishThumbnail()
{
    ConvertOptions &options = m_line.options;
    m_line.action = CommandLine::Action::Thumbnail;
    const std::optional<int> size = readCount(m_thumbnailText);
    if (!size || *size < 1 || *size > maxThumbnailSize)
        return u"invalid thumbnail size '%1': give a whole number of pixels from 1 to %2"_s.arg(m_thumbnailText)
            .arg(maxThumbnailSize);
    // Every option but the thumbnail's own and those of how much is said belongs to a batch.
    for (const int id : m_given) {
        if (OptionId(id) == OptionId::Quiet || OptionId(id) == OptionId::Verbose || OptionId(id) == OptionId::Thumbnail)
            continue;
        return u"--thumbnail cannot be used with %1"_s.arg(firstGiven({OptionId(id)}));
    }
    if (options.operands.size() != 2)
        return u"--thumbnail needs an input file and an output file"_s;
    options.thumbnailSize = *size;
    return std::nullopt;
}

// --info converts nothing: it takes the files and folders to describe, -r, and how much is said.
std::optional<QString> Parser::finishInfo()
{
    const QString conversionOption =
        firstGiven({OptionId::Output, OptionId::Size, OptionId::Twips, OptionId::Window, OptionId::Dpi, OptionId::Fit,
                    OptionId::Format, OptionId::Background, OptionId::Stdout, OptionId::NoClobber, OptionId::Update,
                    OptionId::KeepExtension, OptionId::Report});
    if (!conversionOption.isEmpty())
        return u"--info cannot be used with %1"_s.arg(conversionOption);
    const QStringList &operands = m_line.options.operands;
    if (operands.isEmpty())
        return u"missing file or folder operand"_s;
    if (operands.count(u"-"_s) > 1)
        return u"standard input ('-') can be read only once"_s;
    return std::nullopt;
}

// Where the pictures go and in what form: files, or the one picture to standard output.
std::optional<QString> Parser::finishOutput()
{
    ConvertOptions &options = m_line.options;
    if (options.verbosity == Verbosity::Verbose && options.report == ReportFormat::Json)
        return u"--report=json cannot be used with --verbose: both write to standard output"_s;
    // A picture read from standard input has no name to write beside: it goes to standard output.
    if (options.operands.contains(u"-"_s))
        options.toStandardOutput = true;
    if (options.toStandardOutput) {
        // Standard output has no file to keep, compare with or name: the options about the
        // files a batch writes are refused rather than ignored.
        const QString batchOption = firstGiven({OptionId::Output, OptionId::Recursive, OptionId::NoClobber,
                                                OptionId::Update, OptionId::KeepExtension, OptionId::Report});
        if (!batchOption.isEmpty())
            return u"--stdout cannot be used with %1"_s.arg(batchOption);
        if (options.verbosity == Verbosity::Verbose)
            return u"--stdout cannot be used with --verbose"_s;
        if (options.operands.size() != 1)
            return options.operands.contains(u"-"_s)
                     ? u"standard input ('-') is converted on its own, to standard output"_s
                     : u"--stdout writes a single picture: give one file"_s;
    }
    if (options.background.alpha() < 255 && !formatKeepsAlpha(options.format)) {
        QStringList withAlpha = writableFormats();
        withAlpha.removeIf([](const QString &format) { return !formatKeepsAlpha(format); });
        return u"a background that is not opaque needs a format with transparency (%1), not %2"_s.arg(
            withAlpha.join(u", "_s), options.format);
    }
    return std::nullopt;
}

// One way of sizing at most: the picture's own size (at --dpi, or 96 dots per inch), a size
// in pixels, or the window's bitmap (--twips, --window).
std::optional<QString> Parser::finishSize()
{
    const std::initializer_list<OptionId> sizing {OptionId::Size, OptionId::Twips, OptionId::Window, OptionId::Dpi};
    const QString first = firstGiven(sizing);
    for (const OptionId id : sizing) {
        const QString other = firstGiven({id});
        if (given(id) && other != first)
            return u"%1 and %2 cannot be used together"_s.arg(first, other);
    }
    ConvertOptions &options = m_line.options;
    if (given(OptionId::Fit) && !given(OptionId::Size) && !given(OptionId::Twips) && !given(OptionId::Window))
        return u"--fit needs a box to fit the picture into: give --size, --twips or --window"_s;
    if (given(OptionId::Size)) {
        options.dpi = 0;
        return readPixels(m_sizeText);
    }
    if (given(OptionId::Twips) || given(OptionId::Window)) {
        options.dpi = 0;
        return readTwips(m_twipsText);
    }
    if (given(OptionId::Dpi)) {
        const std::optional<double> dpi = readDpi(m_dpiText);
        if (!dpi)
            return u"invalid resolution '%1': give dots per inch from %2 to %3"_s.arg(m_dpiText).arg(minDpi).arg(
                maxDpi);
        options.dpi = *dpi;
    }
    return std::nullopt;
}

// "WIDTHxHEIGHT", or one side alone ("1024x", "x768"): the other then follows from each
// picture's proportions.
std::optional<QString> Parser::readPixels(const QString &text)
{
    const auto parts = splitSize(text);
    // An empty side is 0, "follow the proportions"; a side given as 0 is as wrong as one too large.
    const auto side = [](const QString &part) -> std::optional<int> {
        if (part.isEmpty())
            return 0;
        const std::optional<int> pixels = readCount(part);
        return pixels && canvasHoldsPixels(*pixels) ? pixels : std::nullopt;
    };
    const std::optional<int> width = parts ? side(parts->first) : std::nullopt;
    const std::optional<int> height = parts ? side(parts->second) : std::nullopt;
    if (!width || !height || (*width == 0 && *height == 0))
        return u"invalid size '%1': give WIDTHxHEIGHT, WIDTHx or xHEIGHT in whole pixels, each from 1 to %2"_s.arg(text)
            .arg(maxCanvasPixels);
    m_line.options.pixels = QSize(*width, *height);
    m_line.options.physicalTwips = QSizeF(*width * standardTwipsPerPixel, *height * standardTwipsPerPixel);
    return std::nullopt;
}

// The window's size step on the two texts: the same check, reading and limits, at the
// standard 15 twips per pixel. An empty text means the window's default size.
std::optional<QString> Parser::readTwips(const QString &text)
{
    float width = defaultCanvasWidthTwips;
    float height = defaultCanvasHeightTwips;
    if (!text.isNull()) {
        const auto parts = splitSize(text);
        if (!parts)
            return u"invalid size '%1': give WIDTHxHEIGHT in twips"_s.arg(text);
        const SizePlan plan = planSize({true, parts->second, parts->first, m_locale});
        if (plan.action == SizePlan::Action::Refuse)
            return u"--twips '%1': %2"_s.arg(text, plan.message);
        width = plan.width;
        height = plan.height;
    }
    const QSize inner = canvasInnerPixels(width, height, standardTwipsPerPixel, standardTwipsPerPixel);
    if (!canvasHoldsPixels(inner.height()))
        return u"--twips '%1': %2"_s.arg(text, canvasSizeLimitMessage(u"height"_s, standardTwipsPerPixel));
    if (!canvasHoldsPixels(inner.width()))
        return u"--twips '%1': %2"_s.arg(text, canvasSizeLimitMessage(u"width"_s, standardTwipsPerPixel));
    m_line.options.pixels = inner;
    m_line.options.physicalTwips = QSizeF(width, height);
    return std::nullopt;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments, const QLocale &locale)
{
    return Parser(locale).parse(arguments);
}

QString helpText()
{
    return uR"(Usage: pictorate-convert [OPTION]... FILE|FOLDER...
  or:  pictorate-convert [OPTION]... --stdout FILE|-
  or:  pictorate-convert --info [-r] FILE|FOLDER...
  or:  pictorate-convert --thumbnail SIZE INPUT OUTPUT
Convert Windows Metafiles (WMF) and Enhanced Metafiles (EMF, also with EMF+
records), both also gzip-compressed as .wmz and .emz, and the raster pictures
the window opens (BMP, PNG, JPEG, GIF, ICO, ...) into BMP, PNG, JPEG, TIFF, WebP
or the other formats Qt writes, drawn as Pictorate's window draws them. Each
FILE is written beside it, its last extension replaced by the format's; a
FOLDER means the pictures in it; - is standard input, converted to standard
output.

  -r, --recursive        convert the pictures in subfolders too
  -o, --output=FOLDER    write the pictures into FOLDER, subfolders mirrored
  -f, --format=FORMAT    bmp (the default), png, jpeg, tiff, webp, ...: the
                           file's format and extension; an unknown one lists
                           those there are
      --background=COLOR the canvas: white (the default), a name, #RRGGBB, or
                           transparent (#AARRGGBB) for formats with alpha
      --emfplus=WHICH    the drawing of an EMF that also holds EMF+ records:
                           auto (the default: a file that holds a GDI drawing
                           too from that, as Windows draws it; one that holds
                           EMF+ alone from EMF+), prefer (EMF+ whenever there
                           is some) or ignore (the GDI records always)
      --stdout           write the single picture to standard output
      --dpi=N            the picture's own size at N dots per inch (default:
                           its own size at 96 dots per inch)
      --size=WxH         the picture's size in pixels; with one side alone (Wx,
                           xH) the other follows the picture's proportions
      --twips=WxH        the bitmap the window writes for a width of W and a
                           height of H twips
      --window           the bitmap the window writes by default: 4095x3255
                           twips, 269x213 pixels
      --fit              keep the picture's proportions inside --size, --twips
                           or --window
  -n, --no-clobber       do not replace a picture that exists
  -u, --update           convert only where the picture is missing or older
                           than its source (by their modification times)
      --keep-extension   append the format's extension to the whole name
                           (a.wmf gives a.wmf.bmp), so a.wmf and a.emf may share
                           a folder
  -j, --jobs=N           convert N files at once (default: one per core)
      --timeout=SECONDS  give up a picture after SECONDS (default: 120; 0: no
                           limit); it fails alone and the others go on
      --memory-limit=SIZE  give up a picture that needs more memory than SIZE
                           in MiB, or 512M, 4G (default: 2G; 0: no limit)
  -q, --quiet            report failures only
  -v, --verbose          name every file converted, and sum up at the end
      --report=json      write a JSON line per file to standard output
      --info             describe each picture as a JSON line on standard
                           output (kind, size, records, fonts); convert nothing
      --thumbnail=SIZE   write INPUT as a PNG thumbnail OUTPUT whose longer side
                           is SIZE pixels, the picture's proportions kept
      --help             display this help and exit
      --version          output version information and exit

A picture is never written over its own source. Each failure is one line on
standard error, FILE: reason.

Exit status:
 0  if every picture was converted (or skipped with -n) or described,
 1  if some could not be,
 2  if the command line is wrong.
)"_s;
}
