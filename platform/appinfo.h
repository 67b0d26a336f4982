// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The application's metadata, fixed for the build. The numbers come from the project's
// version in CMake.

#include <QString>

namespace App {

inline QString Title() { return QStringLiteral("Rasterwick"); }
constexpr int Major = PICTORATE_VERSION_MAJOR;
constexpr int Minor = PICTORATE_VERSION_MINOR;
constexpr int Revision = PICTORATE_VERSION_PATCH;

} // namespace App
