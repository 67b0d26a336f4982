// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "filename.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>

namespace {

constexpr char16_t firstEscape = 0xDC80;
constexpr char16_t lastEscape = 0xDCFF;

bool isContinuation(QByteArrayView bytes, qsizetype at, uchar low = 0x80, uchar high = 0xBF)
{
    return at < bytes.size() && uchar(bytes[at]) >= low && uchar(bytes[at]) <= high;
}

// The length of the UTF-8 character starting at `at`, or 0 when none does: an overlong form,
// an encoded surrogate or a code point past U+10FFFF counts as stray bytes, as in a decoder.
qsizetype characterLength(QByteArrayView bytes, qsizetype at)
{
    const auto lead = uchar(bytes[at]);
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return isContinuation(bytes, at + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const uchar low = lead == 0xE0 ? 0xA0 : 0x80;
        const uchar high = lead == 0xED ? 0x9F : 0xBF;
        return isContinuation(bytes, at + 1, low, high) && isContinuation(bytes, at + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const uchar low = lead == 0xF0 ? 0x90 : 0x80;
        const uchar high = lead == 0xF4 ? 0x8F : 0xBF;
        return isContinuation(bytes, at + 1, low, high) && isContinuation(bytes, at + 2)
                    && isContinuation(bytes, at + 3)
                 ? 4
                 : 0;
    }
    return 0;
}

struct DirCloser
{
    void operator()(DIR *folder) const { ::closedir(folder); }
};

} // namespace

QString decodeFileName(QByteArrayView bytes)
{
    QString name = QString::fromUtf8(bytes);
    if (!name.contains(QChar::ReplacementCharacter))
        return name;
    QString escaped;
    qsizetype start = 0;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype length = characterLength(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        escaped += QString::fromUtf8(bytes.sliced(start, at - start));
        escaped += QChar(char16_t(0xDC00 + uchar(bytes[at])));
        start = ++at;
    }
    return escaped + QString::fromUtf8(bytes.sliced(start));
}

QByteArray encodeFileName(QStringView name)
{
    QByteArray bytes;
    qsizetype start = 0;
    for (qsizetype at = 0; at < name.size(); ++at) {
        const char16_t unit = name[at].unicode();
        // A low surrogate after a high one is the second half of a character.
        if (unit < firstEscape || unit > lastEscape || (at > 0 && name[at - 1].isHighSurrogate()))
            continue;
        bytes += name.sliced(start, at - start).toUtf8();
        bytes += char(unit - 0xDC00);
        start = at + 1;
    }
    return start == 0 ? QFile::encodeName(name.toString()) : bytes + name.sliced(start).toUtf8();
}

std::optional<std::vector<FolderEntry>> listFolder(const QString &folder)
{
    const QByteArray path = encodeFileName(folder);
    const std::unique_ptr<DIR, DirCloser> handle(::opendir(path.constData()));
    if (!handle)
        return std::nullopt;
    std::vector<std::pair<QByteArray, FolderEntry>> named;
    while (const dirent *entry = ::readdir(handle.get())) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray full = path + '/' + name;
        struct stat status = {};
        FolderEntry item {decodeFileName(name)};
        if (::lstat(full.constData(), &status) == 0) {
            item.isFolder = S_ISDIR(status.st_mode);
            item.isFile = S_ISREG(status.st_mode);
            // A link counts as the file it leads to, never as a folder to walk.
            if (S_ISLNK(status.st_mode))
                item.isFile = ::stat(full.constData(), &status) == 0 && S_ISREG(status.st_mode);
        }
        named.emplace_back(name, std::move(item));
    }
    std::sort(named.begin(), named.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<FolderEntry> entries;
    entries.reserve(named.size());
    for (auto &[bytes, entry] : named)
        entries.push_back(std::move(entry));
    return entries;
}

unsigned fileMode(const QString &path)
{
    struct stat status = {};
    return ::stat(encodeFileName(path).constData(), &status) == 0 ? unsigned(status.st_mode) : 0;
}

bool pathExists(const QString &path)
{
    struct stat status = {};
    return ::lstat(encodeFileName(path).constData(), &status) == 0;
}

std::optional<qint64> modificationTime(const QString &path)
{
    struct stat status = {};
    if (::stat(encodeFileName(path).constData(), &status) != 0)
        return std::nullopt;
    return qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
}

QString canonicalPath(const QString &path)
{
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(encodeFileName(path).constData(), nullptr),
                                                               &std::free);
    return resolved ? decodeFileName(resolved.get()) : QString();
}

bool makeFolders(const QString &folder)
{
    const QByteArray path = encodeFileName(folder);
    for (qsizetype end = path.indexOf('/', 1);; end = path.indexOf('/', end + 1)) {
        const QByteArray part = end < 0 ? path : path.left(end);
        if (!part.isEmpty() && ::mkdir(part.constData(), 0777) != 0 && errno != EEXIST)
            return false;
        if (end < 0)
            break;
    }
    struct stat status = {};
    return ::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}
