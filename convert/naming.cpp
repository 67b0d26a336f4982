// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "naming.h"

// Both strings by value, as the window's public operation has always taken them.
QString changeExtension(QString sOrigValue, QString sNewExt) // NOLINT(performance-unnecessary-value-param)
{
    const qsizetype firstDot = sOrigValue.indexOf(u'.');
    if (firstDot >= 0) {
        sOrigValue.truncate(firstDot + 1);
        return sOrigValue + sNewExt;
    }
    return sOrigValue + u'.' + sNewExt;
}

QString chooseTargetName(const QString &targetText, const QString &sourcePath)
{
    const QString bmp = QStringLiteral("bmp");
    if (targetText.isEmpty())
        return changeExtension(sourcePath, bmp);
    if (targetText.endsWith(QStringLiteral(".bmp"), Qt::CaseSensitive))
        return targetText;
    return changeExtension(targetText, bmp);
}
