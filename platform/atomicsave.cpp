// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "atomicsave.h"

#include "filedescriptor.h"
#include "fileerror.h"
#include "filename.h"

#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> unnamedFilesAllowed {true};

// A write-only device over a descriptor. A short write is continued until every byte is
// out or the system reports why not (a full disk first accepts part of a write and refuses
// the rest); that errno value is kept for the message.
class DescriptorWriter final : public QIODevice
{
public:
    explicit DescriptorWriter(int descriptor) : m_descriptor(descriptor)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    int errorNumber() const { return m_errorNumber; }

protected:
    qint64 readData(char *, qint64) override { return -1; }

    qint64 writeData(const char *data, qint64 length) override
    {
        qint64 written = 0;
        while (written < length) {
            const ssize_t result = ::write(m_descriptor, data + written, size_t(length - written));
            if (result < 0 && errno == EINTR)
                continue;
            if (result <= 0) {
                // A write that takes nothing and reports nothing can only mean the disk is full.
                m_errorNumber = result < 0 ? errno : ENOSPC;
                return -1;
            }
            written += result;
        }
        return written;
    }

private:
    int m_descriptor;
    int m_errorNumber = 0;
};

// Where the bytes go: a symbolic link's target is replaced and the link kept.
QString finalPathOf(const QString &path)
{
    const QFileInfo info(path);
    return info.isSymLink() ? info.symLinkTarget() : path;
}

// A hidden name in `folder` of the same short length whatever the target's name, so that a
// target named as long as the file system allows still saves.
QByteArray hiddenName(const QByteArray &folder)
{
    const quint32 random = QRandomGenerator::global()->generate();
    return folder + "/.pictorate-" + QByteArray::number(random, 16).rightJustified(8, '0') + ".tmp";
}

// Gives the unnamed file `descriptor` the name `path`, which must not exist yet. Through /proc
// any user may; without /proc mounted only a privileged process may link a descriptor itself.
bool linkUnnamed(int descriptor, const QByteArray &path)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(descriptor);
    if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    // ENOENT: the folder went, or /proc is not there.
    if (errno != ENOENT || ::access("/proc/self/fd", F_OK) == 0)
        return false;
    return ::linkat(descriptor, "", AT_FDCWD, path.constData(), AT_EMPTY_PATH) == 0;
}

// The new file while it is written: unnamed where the file system allows, otherwise under a
// hidden name that goes again unless the file is published.
class PendingFile
{
public:
    explicit PendingFile(QByteArray folder) : m_folder(std::move(folder)) { }
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;
    ~PendingFile()
    {
        if (!m_hiddenName.isEmpty())
            ::unlink(m_hiddenName.constData());
    }

    // Opens the file; false with errno set when the folder takes no new file.
    bool open()
    {
        if (unnamedFilesAllowed) {
            m_file = FileDescriptor(::open(m_folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
            // EOPNOTSUPP: the file system has no unnamed files; EISDIR and EINVAL: the system.
            if (m_file.isValid() || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
                return m_file.isValid();
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = hiddenName(m_folder);
            m_file = FileDescriptor(::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (m_file.isValid())
                m_hiddenName = name;
            if (m_file.isValid() || errno != EEXIST)
                return m_file.isValid();
        }
        return false;
    }

    int descriptor() const { return m_file.get(); }

    // Closes the file and gives it the name `target`, replacing what is there. False with
    // errno set on failure, when the file goes again.
    bool publish(const QByteArray &target, bool replacing)
    {
        const bool unnamed = m_hiddenName.isEmpty();
        // A file system may report a failed write-back only when a named file is closed.
        if (!unnamed && m_file.close() != 0)
            return false;
        if (unnamed && !replacing) {
            if (linkUnnamed(m_file.get(), target)) {
                // Named and whole: closing an unnamed file reports nothing a local disk keeps back.
                static_cast<void>(m_file.close());
                return true;
            }
            if (errno != EEXIST)
                return false; // a file of that name came meanwhile: replaced as any other
        }
        // A link never replaces a name, so the unnamed file takes a hidden one first.
        for (int attempt = 0; unnamed && m_hiddenName.isEmpty(); ++attempt) {
            const QByteArray name = hiddenName(m_folder);
            if (linkUnnamed(m_file.get(), name))
                m_hiddenName = name;
            else if (errno != EEXIST || attempt == 100)
                return false;
        }
        if (unnamed && m_file.close() != 0)
            return false;
        if (::rename(m_hiddenName.constData(), target.constData()) != 0)
            return false;
        m_hiddenName.clear();
        return true;
    }

private:
    QByteArray m_folder;
    FileDescriptor m_file;
    QByteArray m_hiddenName; // empty while the file has no name
};

// Why the file at `name` may not be replaced, or nothing when it may or does not exist.
// `existing` is its status, or zero-filled for no file.
QString refusalOf(const QByteArray &name, struct stat &existing, bool &exists)
{
    exists = ::stat(name.constData(), &existing) == 0;
    if (!exists)
        return errno == ENOENT ? QString() : fileErrorReason(errno, FileAccess::Write);
    if (S_ISDIR(existing.st_mode))
        return fileErrorReason(EISDIR, FileAccess::Write);
    // A pipe, device or socket of that name is never replaced by a file (nor written into:
    // a pipe would block and a device would take the bytes somewhere else).
    if (!S_ISREG(existing.st_mode))
        return notAFileReason(existing.st_mode);
    // The file's own protection holds, as it does for cp: a rename would replace a file the
    // user may not write whenever the folder may be written. The effective user decides.
    if (::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) != 0)
        return errno == EACCES || errno == EPERM ? writeProtectedReason() : fileErrorReason(errno, FileAccess::Write);
    return {};
}

} // namespace

bool saveAtomically(const QString &path, SaveSync sync, QString *error, const std::function<bool(QIODevice &)> &write,
                    const QString &unwritable)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QString finalPath = finalPathOf(path);
    const QByteArray finalName = encodeFileName(finalPath);
    struct stat existing = {};
    bool replacing = false;
    if (const QString refusal = refusalOf(finalName, existing, replacing); !refusal.isEmpty())
        return fail(refusal);

    PendingFile file(encodeFileName(QFileInfo(finalPath).path()));
    if (!file.open())
        return fail(fileErrorReason(errno, FileAccess::Write));
    if (replacing) {
        // The replaced file's owner and permissions stay; only a privileged user may give a
        // file away, so for others the new file is theirs.
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
            static_cast<void>(::fchown(file.descriptor(), existing.st_uid, existing.st_gid));
        ::fchmod(file.descriptor(), existing.st_mode & 07777);
    }

    DescriptorWriter writer(file.descriptor());
    if (!write(writer))
        return fail(writer.errorNumber() != 0 ? fileErrorReason(writer.errorNumber(), FileAccess::Write) : unwritable);
    // The disk may report a full disk or a failed write-back only when the data reaches it.
    // (EINVAL: the file system keeps nothing to flush.)
    const bool flush = sync == SaveSync::Always || replacing;
    if ((flush && ::fsync(file.descriptor()) != 0 && errno != EINVAL) || !file.publish(finalName, replacing))
        return fail(fileErrorReason(errno, FileAccess::Write));
    return true;
}

void allowUnnamedFiles(bool allowed) { unnamedFilesAllowed = allowed; }
