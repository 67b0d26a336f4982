// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "jsonreport.h"

#include <QJsonDocument>

using namespace Qt::StringLiterals;

QJsonObject jobReport(const Job &job, const Outcome &outcome)
{
    const bool converted = outcome.kind == Outcome::Kind::Converted;
    QString status = u"failed"_s;
    if (converted)
        status = u"converted"_s;
    else if (outcome.kind == Outcome::Kind::Skipped)
        status = u"skipped"_s;
    const auto orNull = [converted](int value) { return converted ? QJsonValue(value) : QJsonValue(); };
    QJsonObject report {
        {u"source"_s, job.source},
        {u"target"_s, job.target},
        {u"status"_s, status},
        {u"reason"_s, outcome.kind == Outcome::Kind::Failed ? QJsonValue(outcome.message) : QJsonValue()},
        {u"width"_s, orNull(outcome.size.width())},
        {u"height"_s, orNull(outcome.size.height())},
        {u"milliseconds"_s, orNull(int(outcome.milliseconds))},
        {u"records_skipped"_s, orNull(outcome.recordsSkipped)},
    };
    // Only a converted picture worth a warning has one: scripts that read the fields above
    // find them as they were.
    if (!outcome.warning.isEmpty())
        report.insert(u"warning"_s, outcome.warning);
    return report;
}

void JsonReport::progress(int done, int failed, const Job &current) { m_console.progress(done, failed, current); }

void JsonReport::finished(const Job &job, const Outcome &outcome)
{
    m_console.finished(job, outcome);
    std::fprintf(m_out, "%s\n", QJsonDocument(jobReport(job, outcome)).toJson(QJsonDocument::Compact).constData());
    std::fflush(m_out);
}
