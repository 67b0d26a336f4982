// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The atomic save under the conditions a careful user meets: a file protected against them,
// the longest names the disk allows, a kill in the middle, and disks without unnamed files.

#include "asuser.h"
#include "atomicsave.h"
#include "bmpwriter.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QImage sample() { return QImage(7, 5, QImage::Format_RGB32); }

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &bytes, QFile::Permissions permissions)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.setPermissions(permissions);
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

QString savedOrWhy(const QString &path)
{
    QString error;
    return SavePicture(sample(), path, {}, &error) ? QStringLiteral("saved") : error;
}

// Runs a test body once with unnamed files and once as on a disk without them.
class UnnamedFiles
{
public:
    explicit UnnamedFiles(bool allowed) { allowUnnamedFiles(allowed); }
    ~UnnamedFiles() { allowUnnamedFiles(true); }
    UnnamedFiles(const UnnamedFiles &) = delete;
    UnnamedFiles &operator=(const UnnamedFiles &) = delete;
};

} // namespace

class tst_AtomicSave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void protectedFileIsNeverReplaced_data();
    void protectedFileIsNeverReplaced();
    void longestNamesSave_data();
    void longestNamesSave();
    void failedWriteLeavesNothingOrTheOldFile_data();
    void failedWriteLeavesNothingOrTheOldFile();
    void killedSaveLeavesNothingOrTheOldFile_data();
    void killedSaveLeavesNothingOrTheOldFile();
    void replacedFileKeepsItsOwner();
};

void tst_AtomicSave::protectedFileIsNeverReplaced_data()
{
    QTest::addColumn<int>("mode"); // of the existing file
    QTest::addColumn<bool>("ownFile"); // the saving user's own file, or another user's
    QTest::addColumn<bool>("throughLink"); // the target text names a link to the file
    QTest::addColumn<QString>("expected");
    const QString refused = QStringLiteral("it is write-protected");
    const QString saved = QStringLiteral("saved");
    QTest::addRow("read-only file") << 0444 << true << false << refused;
    QTest::addRow("read-only file through a link") << 0444 << true << true << refused;
    QTest::addRow("read-only file of another user") << 0444 << false << false << refused;
    QTest::addRow("another user's file") << 0644 << false << false << refused;
    QTest::addRow("another user's file through a link") << 0644 << false << true << refused;
    QTest::addRow("another user's file open to all") << 0666 << false << false << saved;
    QTest::addRow("own writable file") << 0644 << true << false << saved;
}

// The folder may be written by everyone, so only the file's own protection stands in the way.
// Run as root, the test saves as `nobody`, root's files being another user's: root itself may
// write any file, as cp does.
void tst_AtomicSave::protectedFileIsNeverReplaced()
{
    QFETCH(int, mode);
    QFETCH(bool, ownFile);
    QFETCH(bool, throughLink);
    QFETCH(QString, expected);
    const bool root = ::geteuid() == 0;
    if (!ownFile && !root)
        QSKIP("files of another user need root to arrange");
    const uid_t saver = testsupport::savingUser();
    for (const bool unnamed : {true, false}) {
        const UnnamedFiles files(unnamed);
        QTemporaryDir folder;
        QVERIFY(QFile::setPermissions(folder.path(), QFile::Permissions(0x7777)));
        const QString path = folder.filePath(QStringLiteral("out.bmp"));
        const QByteArray name = QFile::encodeName(path);
        QVERIFY(writeFile(path, "precious", QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(::chmod(name.constData(), mode_t(mode)), 0);
        if (ownFile && root)
            QCOMPARE(::chown(name.constData(), testsupport::nobody, testsupport::nobody), 0);
        const QString target = throughLink ? folder.filePath(QStringLiteral("link.bmp")) : path;
        if (throughLink)
            QVERIFY(QFile::link(path, target));

        QCOMPARE(testsupport::inChildProcess(saver, [&] { return savedOrWhy(target); }), expected);
        if (expected != u"saved")
            QCOMPARE(contents(path), QByteArray("precious"));
        else
            QCOMPARE(QImage(path).size(), sample().size());
        QCOMPARE(entries(folder.path()).size(), throughLink ? 2 : 1);
    }
}

void tst_AtomicSave::longestNamesSave_data()
{
    QTest::addColumn<int>("length"); // bytes of the name in the folder
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QString>("expected");
    const QString saved = QStringLiteral("saved");
    QTest::addRow("200 bytes") << 200 << false << saved;
    QTest::addRow("249 bytes") << 249 << false << saved;
    QTest::addRow("255 bytes, the most a name may have") << 255 << false << saved;
    QTest::addRow("255 bytes, replacing") << 255 << true << saved;
    QTest::addRow("255 bytes of two-byte letters") << -255 << false << saved;
    QTest::addRow("256 bytes") << 256 << false << QStringLiteral("the name is too long");
}

void tst_AtomicSave::longestNamesSave()
{
    QFETCH(int, length);
    QFETCH(bool, existing);
    QFETCH(QString, expected);
    // A negative length: the name is made of "é", two bytes each in UTF-8, and a final "x".
    const QString name = length > 0 ? QString(length - 4, u'n') + QStringLiteral(".bmp")
                                    : QString((-length - 5) / 2, QChar(0xE9)) + QStringLiteral("x.bmp");
    QCOMPARE(QFile::encodeName(name).size(), qAbs(length));
    for (const bool unnamed : {true, false}) {
        const UnnamedFiles files(unnamed);
        QTemporaryDir folder;
        const QString path = folder.filePath(name);
        if (existing)
            QVERIFY(writeFile(path, "old", QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(savedOrWhy(path), expected);
        QCOMPARE(entries(folder.path()), expected == u"saved" ? QStringList {name} : QStringList());
        if (expected == u"saved")
            QCOMPARE(QImage(path).size(), sample().size());
    }
}

void tst_AtomicSave::failedWriteLeavesNothingOrTheOldFile_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("unnamed");
    QTest::addRow("new file") << false << true;
    QTest::addRow("replacing") << true << true;
    QTest::addRow("new file, disk without unnamed files") << false << false;
    QTest::addRow("replacing, disk without unnamed files") << true << false;
}

// A write that gives up halfway, as a cancelled or failing save does.
void tst_AtomicSave::failedWriteLeavesNothingOrTheOldFile()
{
    QFETCH(bool, existing);
    QFETCH(bool, unnamed);
    const UnnamedFiles files(unnamed);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("picture.bmp"));
    if (existing)
        QVERIFY(writeFile(path, "old picture", QFile::ReadOwner | QFile::WriteOwner));
    QString error;
    const auto halfThenStop = [](QIODevice &device) { return device.write(QByteArray(4096, 'x')) < 0; };
    QVERIFY(!saveAtomically(path, SaveSync::Always, &error, halfThenStop, QStringLiteral("it stopped")));
    QCOMPARE(error, QStringLiteral("it stopped"));
    QCOMPARE(entries(folder.path()), existing ? QStringList {QStringLiteral("picture.bmp")} : QStringList());
    if (existing)
        QCOMPARE(contents(path), QByteArray("old picture"));
}

void tst_AtomicSave::killedSaveLeavesNothingOrTheOldFile_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<int>("signal");
    QTest::addRow("new file, killed") << false << int(SIGKILL);
    QTest::addRow("replacing, killed") << true << int(SIGKILL);
    QTest::addRow("new file, terminated") << false << int(SIGTERM);
    QTest::addRow("replacing, hung up") << true << int(SIGHUP);
}

// A child process saves a file that it never finishes: half of it is written when it is
// killed outright.
void tst_AtomicSave::killedSaveLeavesNothingOrTheOldFile()
{
    QFETCH(bool, existing);
    QFETCH(int, signal);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("picture.bmp"));
    if (existing)
        QVERIFY(writeFile(path, "old picture", QFile::ReadOwner | QFile::WriteOwner));
    int halfway[2];
    QCOMPARE(::pipe(halfway), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        for (const int stop : {SIGTERM, SIGHUP})
            std::signal(stop, SIG_DFL); // the test library's handlers would report a crash
        saveAtomically(path, SaveSync::Always, nullptr,
                       [&](QIODevice &device) {
                           device.write(QByteArray(1 << 20, 'x'));
                           static_cast<void>(::write(halfway[1], "h", 1));
                           for (;;)
                               ::pause();
                           return true;
                       },
                       {});
        ::_exit(1);
    }
    char byte = 0;
    QCOMPARE(::read(halfway[0], &byte, 1), ssize_t(1));
    ::close(halfway[0]);
    ::close(halfway[1]);
    QCOMPARE(::kill(child, signal), 0);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status));
    QCOMPARE(entries(folder.path()), existing ? QStringList {QStringLiteral("picture.bmp")} : QStringList());
    if (existing)
        QCOMPARE(contents(path), QByteArray("old picture"));
}

// Replacing another user's file where one may: the file stays theirs, with its permissions.
void tst_AtomicSave::replacedFileKeepsItsOwner()
{
    if (::geteuid() != 0)
        QSKIP("only root may give a file to another user");
    for (const bool unnamed : {true, false}) {
        const UnnamedFiles files(unnamed);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("theirs.bmp"));
        QVERIFY(writeFile(path, "theirs", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QCOMPARE(::chown(QFile::encodeName(path).constData(), testsupport::nobody, testsupport::nobody), 0);
        QCOMPARE(savedOrWhy(path), QStringLiteral("saved"));
        struct stat status = {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
        QCOMPARE(status.st_uid, testsupport::nobody);
        QCOMPARE(status.st_gid, gid_t(testsupport::nobody));
        QCOMPARE(status.st_mode & 07777, mode_t(0640));
        QCOMPARE(QImage(path).size(), sample().size());
    }
}

QTEST_GUILESS_MAIN(tst_AtomicSave)
#include "tst_atomicsave.moc"
