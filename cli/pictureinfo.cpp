// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "pictureinfo.h"

#include "batchplan.h"
#include "batchrunner.h"
#include "consolereport.h"
#include "conversion.h"
#include "filename.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>

#include <cmath>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr double infoDpi = 96;
constexpr double millimetresPerTwip = 25.4 / 1440;

double hundredths(double value) { return std::round(value * 100) / 100; }

QJsonObject sizeObject(double width, double height) { return QJsonObject {{u"width"_s, width}, {u"height"_s, height}}; }

QString kindName(metafile::Kind kind)
{
    switch (kind) {
    case metafile::Kind::Wmf: return u"wmf"_s;
    case metafile::Kind::PlaceableWmf: return u"wmf-placeable"_s;
    case metafile::Kind::Emf: return u"emf"_s;
    case metafile::Kind::EmfPlusDual: return u"emf-plus-dual"_s;
    case metafile::Kind::EmfPlusOnly: return u"emf-plus-only"_s;
    }
    return {};
}

QString playName(metafile::PlayResult result)
{
    switch (result) {
    case metafile::PlayResult::Ok: return u"ok"_s;
    case metafile::PlayResult::Truncated: return u"truncated"_s;
    case metafile::PlayResult::Malformed: return u"malformed"_s;
    case metafile::PlayResult::LimitExceeded: return u"limit-exceeded"_s;
    }
    return {};
}

QJsonObject counts(const std::vector<metafile::RecordCount> &records)
{
    QJsonObject object;
    for (const metafile::RecordCount &record : records)
        object.insert(record.name, record.count);
    return object;
}

// Plays the document once and counts the records it reports malformed, by name, and the raster
// patches an SVG or PDF file of its own size holds.
metafile::PlayResult playForFaults(const metafile::Document &document, QSize natural, QJsonObject *malformed,
                                   int *patches)
{
    const QSize size = natural.width() <= maxInfoPlaySide && natural.height() <= maxInfoPlaySide
                         ? natural
                         : fittedSize(natural, QSize(maxInfoPlaySide, maxInfoPlaySide));
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return metafile::PlayResult::LimitExceeded;
    image.fill(Qt::white);
    QPainter painter(&image);
    metafile::RasterPatches recorded;
    const metafile::PlayResult result = document.recordPatches(
        painter, QRectF(QPointF(0, 0), QSizeF(size)), recorded, [&](const metafile::Diagnostic &diagnostic) {
            if (diagnostic.result == metafile::PlayResult::Malformed) {
                const QString name = document.recordName(diagnostic.function);
                malformed->insert(name, malformed->value(name).toInt() + 1);
            }
        });
    *patches = recorded.count();
    return result;
}

void describeMetafile(const metafile::Document &document, QSize natural, QJsonObject &info)
{
    const metafile::Description description = document.describe();
    const bool enhanced = description.kind != metafile::Kind::Wmf && description.kind != metafile::Kind::PlaceableWmf;
    info.insert(u"format"_s, enhanced ? u"emf"_s : u"wmf"_s);
    info.insert(u"kind"_s, kindName(description.kind));
    info.insert(u"compressed"_s, description.compressed);
    info.insert(u"records"_s, description.records);
    info.insert(u"emf_plus_records"_s, description.emfPlusRecords);
    info.insert(u"skipped"_s, counts(description.skipped));
    // Which drawing a conversion draws (a file with EMF+ records holds two, or EMF+ alone), and
    // the EMF+ records that drawing leaves out (all of them when the GDI records are drawn).
    info.insert(u"drawn_layer"_s, description.emfPlusDrawn ? u"emf+"_s : u"gdi"_s);
    info.insert(u"emf_plus_skipped"_s, counts(description.emfPlusSkipped));
    QJsonArray fonts;
    for (const metafile::FontFace &face : description.fonts)
        fonts.append(QJsonObject {{u"asked"_s, face.asked}, {u"used"_s, face.used}});
    info.insert(u"fonts"_s, fonts);
    QJsonObject malformed;
    int patches = 0;
    info.insert(u"play"_s, playName(playForFaults(document, natural, &malformed, &patches)));
    info.insert(u"malformed"_s, malformed);
    info.insert(u"raster_patches"_s, patches);
}

void describeImage(const Picture &picture, QJsonObject &info)
{
    info.insert(u"format"_s, picture.imageFormat());
    info.insert(u"kind"_s, u"raster"_s);
    info.insert(u"compressed"_s, false);
    info.insert(u"records"_s, 0);
    info.insert(u"emf_plus_records"_s, 0);
    info.insert(u"skipped"_s, QJsonObject());
    info.insert(u"drawn_layer"_s, QJsonValue::Null);
    info.insert(u"emf_plus_skipped"_s, QJsonObject());
    info.insert(u"fonts"_s, QJsonArray());
    info.insert(u"play"_s, u"ok"_s);
    info.insert(u"malformed"_s, QJsonObject());
    info.insert(u"raster_patches"_s, 0);
}

QByteArray local(const QString &text) { return encodeFileName(text); }

} // namespace

QJsonObject describePicture(const QString &source, metafile::EmfPlusLayer layer)
{
    QJsonObject info {{u"file"_s, source}};
    QString message;
    const std::optional<Picture> picture = loadSource(source, &message, layer);
    if (!picture) {
        info.insert(u"status"_s, u"failed"_s);
        info.insert(u"reason"_s, message);
        return info;
    }
    info.insert(u"status"_s, u"ok"_s);
    info.insert(u"reason"_s, QJsonValue::Null);
    const QSizeF twips = picture->physicalTwips();
    info.insert(u"frame_twips"_s, sizeObject(hundredths(twips.width()), hundredths(twips.height())));
    info.insert(u"frame_millimetres"_s, sizeObject(hundredths(twips.width() * millimetresPerTwip),
                                                   hundredths(twips.height() * millimetresPerTwip)));
    info.insert(u"size_from_file"_s, picture->hasPhysicalSize());
    const QSize natural = picture->pixelsAtDpi(infoDpi);
    info.insert(u"natural_size"_s, sizeObject(natural.width(), natural.height()));
    if (const metafile::Document *document = picture->metafile())
        describeMetafile(*document, natural, info);
    else
        describeImage(*picture, info);
    return info;
}

namespace {

// Writes each picture's line as the workers finish, in the order of the plan.
class InfoReport : public TaskObserver
{
public:
    InfoReport(const std::vector<Job> &jobs, const WorkLimits &limits, std::FILE *out, std::FILE *err, bool verbose)
        : m_jobs(jobs)
        , m_limits(limits)
        , m_out(out)
        , m_err(err)
        , m_verbose(verbose)
        , m_ended(jobs.size())
    { }

    void started(std::size_t) override { }

    void ended(std::size_t index, const TaskEnd &end) override
    {
        m_ended[index] = end;
        for (; m_written < m_jobs.size() && m_ended[m_written]; ++m_written)
            write(m_jobs[m_written].source, *std::exchange(m_ended[m_written], std::nullopt));
    }

    int status() const { return m_status; }

private:
    void write(const QString &source, const TaskEnd &end)
    {
        QJsonObject info = QJsonDocument::fromJson(end.result).object();
        if (end.kind != TaskEnd::Kind::Done || info.isEmpty()) {
            const Outcome failed = outcomeOfUnfinished(end, m_limits, u"could not be described"_s);
            info = QJsonObject {{u"file"_s, source}, {u"status"_s, u"failed"_s}, {u"reason"_s, failed.message}};
        }
        std::fprintf(m_out, "%s\n", QJsonDocument(info).toJson(QJsonDocument::Compact).constData());
        std::fflush(m_out);
        if (m_verbose && end.kind != TaskEnd::Kind::NotStarted)
            writeNotes(m_err, source, end.errorOutput);
        if (info.value(u"status"_s) != u"ok"_s) {
            std::fprintf(m_err, "%s: %s\n", local(source).constData(),
                         local(info.value(u"reason"_s).toString()).constData());
            m_status = 1;
        }
    }

    const std::vector<Job> &m_jobs;
    WorkLimits m_limits;
    std::FILE *m_out;
    std::FILE *m_err;
    bool m_verbose;
    std::vector<std::optional<TaskEnd>> m_ended;
    std::size_t m_written = 0;
    int m_status = 0;
};

} // namespace

int writePictureInfo(const QStringList &operands, bool recursive, std::FILE *out, std::FILE *err, int workers,
                     const WorkLimits &limits, bool verbose, metafile::EmfPlusLayer layer)
{
    // No extension for the targets: nothing is written, and no picture in a folder is taken
    // for an earlier result of another.
    const BatchPlan plan = planBatch(operands, recursive, {}, QString());
    InfoReport report(plan.jobs, limits, out, err, verbose);
    runTasks(
        plan.jobs.size(), workers, limits,
        [&](std::size_t index) {
            applyTestFault(plan.jobs[index].source);
            return QJsonDocument(describePicture(plan.jobs[index].source, layer)).toJson(QJsonDocument::Compact);
        },
        report);
    return report.status();
}
