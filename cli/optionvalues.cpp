// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "optionvalues.h"

#include <array>

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

std::optional<double> readDecimal(QStringView text)
{
    if (text.isEmpty() || text.size() > 12 || text.count(u'.') > 1 || text.startsWith(u'.') || text.endsWith(u'.'))
        return std::nullopt;
    for (const QChar c : text) {
        if ((c < u'0' || c > u'9') && c != u'.')
            return std::nullopt;
    }
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

std::optional<std::pair<QString, QString>> splitSize(const QString &text)
{
    const qsizetype at = text.indexOf(u'x', 0, Qt::CaseInsensitive);
    if (at < 0 || text.indexOf(u'x', at + 1, Qt::CaseInsensitive) >= 0)
        return std::nullopt;
    return std::pair {text.left(at), text.mid(at + 1)};
}

std::optional<qint64> readMemorySize(QStringView text)
{
    static constexpr std::array<std::pair<QStringView, int>, 6> units {{
        {u"KiB", 10},
        {u"MiB", 20},
        {u"GiB", 30},
        {u"K", 10},
        {u"M", 20},
        {u"G", 30},
    }};
    int shift = 20; // a bare number counts mebibytes
    for (const auto &[name, unitShift] : units) {
        if (text.endsWith(name, Qt::CaseInsensitive)) {
            text.chop(name.size());
            shift = unitShift;
            break;
        }
    }
    const std::optional<int> count = readCount(text);
    constexpr qint64 largest = qint64(1) << 40;
    if (!count || (qint64(*count) << shift) > largest)
        return std::nullopt;
    return qint64(*count) << shift;
}
