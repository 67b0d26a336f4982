// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// Why a file could not be read or written, in the program's own words: a short lower-case
// phrase without a closing full stop that completes "The file ... could not be read as a
// picture: ..." or "The file ... could not be saved: ...".

#include <QString>

enum class FileAccess { Read, Write };

// The phrase for the errno value `error` met while reading or writing a file. The usual
// values have phrases of their own; any other gives the system's text, its first letter
// lower-cased and its closing full stop dropped.
QString fileErrorReason(int error, FileAccess access);

// The phrase for something at a picture's path that is not a regular file (`mode` as
// stat() gives it): a folder, a named pipe, a device or a socket.
QString notAFileReason(unsigned mode);

// The phrase for a file that may not be replaced because the user could not open it for
// writing: read-only, or another user's.
QString writeProtectedReason();
