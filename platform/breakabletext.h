// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

#include <QString>

// `text` with invisible break opportunities in its long words (paths above all) after each
// separator and every 16 characters at most, so that a message box wraps a long file name
// instead of cutting it off. For showing only: copied text must be the original.
QString breakableText(const QString &text);
