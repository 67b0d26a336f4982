// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "diskflush.h"

#include "filedescriptor.h"
#include "fileerror.h"
#include "filename.h"

#include <cerrno>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::vector<FlushFailure> flushFileSystems(const QStringList &folders)
{
    std::vector<FlushFailure> failures;
    std::set<dev_t> flushed;
    for (const QString &folder : folders) {
        const FileDescriptor descriptor(
            ::open(encodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY));
        struct stat status = {};
        if (!descriptor.isValid() || ::fstat(descriptor.get(), &status) != 0) {
            failures.push_back({folder, fileErrorReason(errno, FileAccess::Write)});
            continue;
        }
        if (!flushed.insert(status.st_dev).second)
            continue;
        if (::syncfs(descriptor.get()) != 0)
            failures.push_back({folder, fileErrorReason(errno, FileAccess::Write)});
    }
    return failures;
}
