// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The program's maker, as the About and Info windows name it.

#include <QString>

// Quillfern's web site: the caption of the About window's link label and the address the
// Info window points to. Quillfern has no public domain; the address lies under a reserved
// example domain.
inline QString makerWebAddress() { return QStringLiteral("http://www.quillfern.example/"); }
