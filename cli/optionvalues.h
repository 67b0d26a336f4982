// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The values of the converter's options, read strictly: digits only where a number is asked
// for, no signs, blanks, grouping or exponents, so that a typing error is refused rather than
// read as something else.

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>
#include <utility>

// A whole number of at most nine decimal digits.
std::optional<int> readCount(QStringView text);

// A number in decimal digits with at most one point, not at either end, as ImageMagick hands
// on its -density ("96", "150.5").
std::optional<double> readDecimal(QStringView text);

// "WIDTHxHEIGHT" split at its one "x" (either case) into the two texts, either of them empty.
std::optional<std::pair<QString, QString>> splitSize(const QString &text);

// An amount of memory in bytes: whole mebibytes ("2048"), or a whole number with the unit
// K, M or G (kibibytes, mebibytes, gibibytes; "512M", "4G"; also KiB, MiB and GiB), at most
// 1 TiB.
std::optional<qint64> readMemorySize(QStringView text);
