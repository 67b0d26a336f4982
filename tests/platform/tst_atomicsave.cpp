// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The atomic save under the conditions a careful user meets: a file protected against them,
// the longest names the disk allows, and a save that fails or is killed halfway. Each case runs
// with unnamed files and as on a disk without them.

#include "bmpwriter.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t nobody = 65534;

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Runs `body` in a child process as `user` (run as root, the test saves as `nobody`, for root
// may write any file, as cp may) with the default action for signals, and returns what it
// said on `channel`'s read end and how it ended.
std::pair<QByteArray, int> inChild(uid_t user, const std::function<void(int)> &body)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        for (const int stop : {SIGTERM, SIGHUP})
            std::signal(stop, SIG_DFL); // the test library's handlers would report a crash
        if (user == ::geteuid() || (::setgroups(0, nullptr) == 0 && ::setgid(user) == 0 && ::setuid(user) == 0))
            body(channel[1]);
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray said;
    char buffer[256];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return {said, status};
}

// The reason a save of a small bitmap at `path` gave, or "saved", written to `channel`.
void saveAndSay(const QString &path, int channel)
{
    QString error;
    const QByteArray said =
        SavePicture(QImage(7, 5, QImage::Format_RGB32), path, {}, &error) ? "saved" : error.toUtf8();
    static_cast<void>(::write(channel, said.constData(), size_t(said.size())));
}

} // namespace

class tst_AtomicSave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { allowUnnamedFiles(true); }
    void protectedFileIsNeverReplaced_data();
    void protectedFileIsNeverReplaced();
    void longestNamesSave_data();
    void longestNamesSave();
    void saveEndsWholeOrNotAtAll_data();
    void saveEndsWholeOrNotAtAll();
};

void tst_AtomicSave::protectedFileIsNeverReplaced_data()
{
    QTest::addColumn<int>("mode"); // of the existing file
    QTest::addColumn<bool>("ownFile"); // the saving user's own file, or root's
    QTest::addColumn<bool>("throughLink"); // the target is a link to the file
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<QString>("expected");
    const QString refused = QStringLiteral("it is write-protected");
    for (const bool unnamed : {true, false}) {
        const char *disk = unnamed ? "" : ", disk without unnamed files";
        QTest::addRow("read-only file%s", disk) << 0444 << true << false << unnamed << refused;
        QTest::addRow("read-only file through a link%s", disk) << 0444 << true << true << unnamed << refused;
        QTest::addRow("another user's file%s", disk) << 0644 << false << false << unnamed << refused;
        QTest::addRow("another user's file open to all%s", disk) << 0666 << false << false << unnamed << "saved";
    }
}

// The folder may be written by everyone, so only the file's own protection stands in the way.
void tst_AtomicSave::protectedFileIsNeverReplaced()
{
    QFETCH(int, mode);
    QFETCH(bool, ownFile);
    QFETCH(bool, throughLink);
    QFETCH(bool, unnamed);
    QFETCH(QString, expected);
    const bool root = ::geteuid() == 0;
    if (!ownFile && !root)
        QSKIP("files of another user need root to arrange");
    allowUnnamedFiles(unnamed);
    QTemporaryDir folder;
    QVERIFY(QFile::setPermissions(folder.path(), QFile::Permissions(0x7777)));
    const QString path = folder.filePath(QStringLiteral("out.bmp"));
    QVERIFY(writeFile(path, "precious"));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    if (ownFile && root)
        QCOMPARE(::chown(QFile::encodeName(path).constData(), nobody, nobody), 0);
    const QString target = folder.filePath(throughLink ? QStringLiteral("link.bmp") : QStringLiteral("out.bmp"));
    if (throughLink)
        QVERIFY(QFile::link(path, target));

    const auto [said, status] = inChild(root ? nobody : ::geteuid(), [&](int channel) { saveAndSay(target, channel); });
    QCOMPARE(QString::fromUtf8(said), expected);
    QCOMPARE(contents(path).startsWith("BM"), expected == u"saved");
    QCOMPARE(entries(folder.path()).size(), throughLink ? 2 : 1);
}

void tst_AtomicSave::longestNamesSave_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<QString>("expected");
    const QString longest = QString(251, u'n') + QStringLiteral(".bmp");
    for (const bool unnamed : {true, false}) {
        const char *disk = unnamed ? "" : ", disk without unnamed files";
        QTest::addRow("249 bytes%s", disk)
            << QString(245, u'n') + QStringLiteral(".bmp") << false << unnamed << "saved";
        QTest::addRow("255 bytes%s", disk) << longest << false << unnamed << "saved";
        QTest::addRow("255 bytes, replacing%s", disk) << longest << true << unnamed << "saved";
        QTest::addRow("255 bytes of two-byte letters%s", disk)
            << QString(125, QChar(0xE9)) + QStringLiteral("x.bmp") << false << unnamed << "saved";
        QTest::addRow("256 bytes%s", disk) << u'n' + longest << false << unnamed << "the name is too long";
    }
}

void tst_AtomicSave::longestNamesSave()
{
    QFETCH(QString, name);
    QFETCH(bool, existing);
    QFETCH(bool, unnamed);
    QFETCH(QString, expected);
    allowUnnamedFiles(unnamed);
    QTemporaryDir folder;
    const QString path = folder.filePath(name);
    if (existing)
        QVERIFY(writeFile(path, "old"));
    QString error;
    QCOMPARE(SavePicture(QImage(7, 5, QImage::Format_RGB32), path, {}, &error) ? QStringLiteral("saved") : error,
             expected);
    QCOMPARE(entries(folder.path()), expected == u"saved" ? QStringList {name} : QStringList());
}

void tst_AtomicSave::saveEndsWholeOrNotAtAll_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<int>("signal"); // that ends the saving process halfway; 0: the write fails
    QTest::addRow("new file, killed") << false << true << int(SIGKILL);
    QTest::addRow("replacing, killed") << true << true << int(SIGKILL);
    QTest::addRow("replacing, terminated") << true << true << int(SIGTERM);
    QTest::addRow("new file, write fails") << false << true << 0;
    QTest::addRow("replacing, write fails") << true << true << 0;
    QTest::addRow("new file, write fails, disk without unnamed files") << false << false << 0;
    QTest::addRow("replacing, write fails, disk without unnamed files") << true << false << 0;
}

// A child process saves a file and gives up halfway, or is killed outright once half of it
// is written. Nothing is left, or the old file as it was.
void tst_AtomicSave::saveEndsWholeOrNotAtAll()
{
    QFETCH(bool, existing);
    QFETCH(bool, unnamed);
    QFETCH(int, signal);
    allowUnnamedFiles(unnamed);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("picture.bmp"));
    if (existing)
        QVERIFY(writeFile(path, "old picture"));
    pid_t saver = 0;
    int halfway[2];
    QCOMPARE(::pipe(halfway), 0);
    if ((saver = ::fork()) == 0) {
        std::signal(SIGTERM, SIG_DFL);
        const bool saved = saveAtomically(path, SaveSync::Always, nullptr,
                                          [&](QIODevice &device) {
                                              device.write(QByteArray(1 << 20, 'x'));
                                              static_cast<void>(::write(halfway[1], "h", 1));
                                              while (signal != 0)
                                                  ::pause();
                                              return false;
                                          },
                                          {});
        ::_exit(saved ? 1 : 0);
    }
    char byte = 0;
    QCOMPARE(::read(halfway[0], &byte, 1), ssize_t(1));
    ::close(halfway[0]);
    ::close(halfway[1]);
    if (signal != 0)
        QCOMPARE(::kill(saver, signal), 0);
    int status = 0;
    QCOMPARE(::waitpid(saver, &status, 0), saver);
    QCOMPARE(signal != 0 ? WIFSIGNALED(status) : WIFEXITED(status) && WEXITSTATUS(status) == 0, true);
    QCOMPARE(entries(folder.path()), existing ? QStringList {QStringLiteral("picture.bmp")} : QStringList());
    QCOMPARE(contents(path), existing ? QByteArray("old picture") : QByteArray("<none>"));
}

QTEST_GUILESS_MAIN(tst_AtomicSave)
#include "tst_atomicsave.moc"
