// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// An open POSIX file descriptor, closed when it goes. The picture service reads and writes
// through descriptors so that it sees every errno value and controls how a file is opened
// (never blocking on a pipe, never following a name a second time).

#include <unistd.h>

#include <utility>

class FileDescriptor
{
public:
    explicit FileDescriptor(int descriptor = -1) : m_descriptor(descriptor) { }
    FileDescriptor(FileDescriptor &&other) noexcept : m_descriptor(std::exchange(other.m_descriptor, -1)) { }
    FileDescriptor &operator=(FileDescriptor &&other) noexcept
    {
        std::swap(m_descriptor, other.m_descriptor);
        return *this;
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }

    bool isValid() const { return m_descriptor >= 0; }
    int get() const { return m_descriptor; }

    // Closes now and returns close()'s result: a write-back error can surface only here.
    int close() { return ::close(std::exchange(m_descriptor, -1)); }

private:
    int m_descriptor;
};
