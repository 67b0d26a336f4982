// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// A library the tests preload into the converter to see how it flushes: each sync() and
// syncfs() it calls adds a line to the file SYNCSPY_LOG names ("sync", or "syncfs FOLDER"
// with the folder the descriptor is open on), and is then done as asked.

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

void note(const char *call, int descriptor)
{
    const char *log = std::getenv("SYNCSPY_LOG");
    std::FILE *file = log ? std::fopen(log, "a") : nullptr;
    if (!file)
        return;
    std::array<char, 4096> folder {};
    if (descriptor >= 0) {
        std::array<char, 64> link {};
        std::snprintf(link.data(), link.size(), "/proc/self/fd/%d", descriptor);
        if (::readlink(link.data(), folder.data(), folder.size() - 1) < 0)
            folder[0] = '\0';
    }
    std::fprintf(file, descriptor >= 0 ? "%s %s\n" : "%s\n", call, folder.data());
    std::fclose(file);
}

template<typename Function>
Function next(const char *name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" void sync() noexcept
{
    note("sync", -1);
    next<void (*)()>("sync")();
}

extern "C" int syncfs(int descriptor) noexcept
{
    note("syncfs", descriptor);
    return next<int (*)(int)>("syncfs")(descriptor);
}
