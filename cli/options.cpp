// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "options.h"

#include "canvassize.h"
#include "sizeplan.h"

#include <array>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

enum class OptionId { Recursive, Output, Size, Twips, Fit, NoClobber, Jobs, Quiet, Verbose, Thumbnail, Help, Version };

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
    OptionSpec {OptionId::Fit, 0, u"fit", false},
    OptionSpec {OptionId::NoClobber, u'n', u"no-clobber", false},
    OptionSpec {OptionId::Jobs, u'j', u"jobs", true},
    OptionSpec {OptionId::Quiet, u'q', u"quiet", false},
    OptionSpec {OptionId::Verbose, u'v', u"verbose", false},
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

// A whole number written with decimal digits only: no sign, no blanks, no grouping.
std::optional<int> readCount(QStringView text)
{
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// "WIDTHxHEIGHT" split at its one "x" (either case) into the two texts.
std::optional<std::pair<QString, QString>> splitSize(const QString &text)
{
    const qsizetype at = text.indexOf(u'x', 0, Qt::CaseInsensitive);
    if (at < 0 || text.indexOf(u'x', at + 1, Qt::CaseInsensitive) >= 0)
        return std::nullopt;
    return std::pair {text.left(at), text.mid(at + 1)};
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
    std::optional<QString> finish();
    std::optional<QString> readPixels(const QString &text);
    std::optional<QString> readTwips(const QString &text);

    QLocale m_locale;
    CommandLine m_line;
    bool m_stop = false; // --help or --version seen: the rest is not read
    QString m_sizeText;
    QString m_twipsText;
    QString m_thumbnailText;
    QStringList m_batchOptions; // the options that only a batch takes, as given
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
    ConvertOptions &options = m_line.options;
    switch (spec.id) {
    case OptionId::Recursive: options.recursive = true; break;
    case OptionId::Output:
        if (value.isEmpty())
            return u"the folder of -o cannot be empty"_s;
        options.outputFolder = value;
        break;
    case OptionId::Size: m_sizeText = value; break;
    case OptionId::Twips: m_twipsText = value; break;
    case OptionId::Fit: options.fit = true; break;
    case OptionId::NoClobber: options.noClobber = true; break;
    case OptionId::Jobs: {
        const std::optional<int> jobs = readCount(value);
        if (!jobs || *jobs < 1 || *jobs > maxJobs)
            return u"invalid number of jobs '%1': give a whole number from 1 to %2"_s.arg(value).arg(maxJobs);
        options.jobs = *jobs;
        break;
    }
    case OptionId::Quiet: options.verbosity = Verbosity::Quiet; break;
    case OptionId::Verbose: options.verbosity = Verbosity::Verbose; break;
    case OptionId::Thumbnail: m_thumbnailText = value; break;
    case OptionId::Help:
        m_line.action = CommandLine::Action::Help;
        m_stop = true;
        break;
    case OptionId::Version:
        m_line.action = CommandLine::Action::Version;
        m_stop = true;
        break;
    }
    const bool batchOnly = spec.id != OptionId::Quiet && spec.id != OptionId::Verbose && spec.id != OptionId::Thumbnail;
    if (batchOnly)
        m_batchOptions.append(u"--"_s + QString::fromUtf16(spec.longName));
    return std::nullopt;
}

std::optional<QString> Parser::finish()
{
    ConvertOptions &options = m_line.options;
    if (!m_thumbnailText.isNull()) {
        m_line.action = CommandLine::Action::Thumbnail;
        const std::optional<int> size = readCount(m_thumbnailText);
        if (!size || *size < 1 || *size > maxThumbnailSize)
            return u"invalid thumbnail size '%1': give a whole number of pixels from 1 to %2"_s.arg(m_thumbnailText)
                .arg(maxThumbnailSize);
        if (!m_batchOptions.isEmpty())
            return u"--thumbnail cannot be used with %1"_s.arg(m_batchOptions.first());
        if (options.operands.size() != 2)
            return u"--thumbnail needs an input file and an output file"_s;
        options.thumbnailSize = *size;
        return std::nullopt;
    }

    if (options.operands.isEmpty())
        return u"missing file or folder operand"_s;
    if (!m_sizeText.isNull() && !m_twipsText.isNull())
        return u"--size and --twips cannot be used together"_s;
    if (!m_sizeText.isNull())
        return readPixels(m_sizeText);
    return readTwips(m_twipsText.isNull() ? QString() : m_twipsText);
}

std::optional<QString> Parser::readPixels(const QString &text)
{
    const auto parts = splitSize(text);
    const std::optional<int> width = parts ? readCount(parts->first) : std::nullopt;
    const std::optional<int> height = parts ? readCount(parts->second) : std::nullopt;
    if (!width || !height || !canvasHoldsPixels(*width) || !canvasHoldsPixels(*height))
        return u"invalid size '%1': give WIDTHxHEIGHT in whole pixels, each from 1 to %2"_s.arg(text).arg(
            maxCanvasPixels);
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
  or:  pictorate-convert --thumbnail SIZE INPUT OUTPUT
Convert pictures (Windows Metafiles and the raster formats the window opens) into
24-bit Windows bitmaps, as Pictorate's window does. Each FILE becomes a BMP beside
it, its last extension replaced by .bmp; a FOLDER means the pictures in it.

  -r, --recursive        convert the pictures in subfolders too
  -o, --output=FOLDER    write the bitmaps into FOLDER, subfolders mirrored
      --twips=WxH        the bitmap the window writes for a width of W and a
                           height of H twips (default: 4095x3255, 269x213 pixels)
      --size=WxH         the bitmap's size in pixels
      --fit              keep the picture's proportions inside that size
  -n, --no-clobber       do not replace a bitmap that exists
  -j, --jobs=N           convert N files at once (default: one per core)
  -q, --quiet            report failures only
  -v, --verbose          name every file converted, and sum up at the end
      --thumbnail=SIZE   write INPUT as a PNG thumbnail OUTPUT whose longer side
                           is SIZE pixels, the picture's proportions kept
      --help             display this help and exit
      --version          output version information and exit

A bitmap is never written over its own source. Each failure is one line on
standard error, FILE: reason.

Exit status:
 0  if every picture was converted (or skipped with -n),
 1  if some could not be converted,
 2  if the command line is wrong.
)"_s;
}
