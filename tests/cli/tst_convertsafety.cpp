// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The converter's saves as the window's: a protected bitmap is not replaced, the longest names
// convert, any size is drawn in bands, and a conversion killed outright leaves nothing behind.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr uid_t nobody = 65534;

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Whether process `pid` has a file open in `folder` other than a metafile: the bitmap it
// writes, named or not.
bool writingIn(qint64 pid, const QString &folder)
{
    const QString fds = u"/proc/%1/fd"_s.arg(pid);
    for (const QString &fd : QDir(fds).entryList(QDir::Files | QDir::System)) {
        const QString target = QFile::symLinkTarget(fds + u'/' + fd);
        if (target.startsWith(folder + u'/') && !target.endsWith(u".wmf"))
            return true;
    }
    return false;
}

} // namespace

class tst_ConvertSafety : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void protectedBitmapIsRefused_data();
    void protectedBitmapIsRefused();
    void longestNamesConvert();
    void largestWidthConvertsInBands();
    void killedConversionLeavesNothingOrTheOldFile_data();
    void killedConversionLeavesNothingOrTheOldFile();

private:
    QString source(const QString &name);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_ConvertSafety::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QFile::setPermissions(m_dir->path(), QFile::Permissions(0x7777))); // another user may write it
}

QString tst_ConvertSafety::source(const QString &name)
{
    const QString path = m_dir->filePath(name);
    QFile::copy(qEnvironmentVariable("PICTORATE_TEST_DATA") + u"/wmf/wmfjs__rect.wmf"_s, path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    return path;
}

void tst_ConvertSafety::protectedBitmapIsRefused_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("ownFile"); // the converting user's own bitmap, or another user's
    QTest::addColumn<int>("status");
    QTest::addRow("read-only bitmap") << 0444 << true << 1;
    QTest::addRow("another user's bitmap") << 0644 << false << 1;
    QTest::addRow("another user's bitmap open to all") << 0666 << false << 0;
}

// Run as root, the converter runs as `nobody`: root may write any file, as cp may.
void tst_ConvertSafety::protectedBitmapIsRefused()
{
    QFETCH(int, mode);
    QFETCH(bool, ownFile);
    QFETCH(int, status);
    const bool root = ::geteuid() == 0;
    if (!ownFile && !root)
        QSKIP("files of another user need root to arrange");
    source(u"drawing.wmf"_s);
    const QString bitmap = m_dir->filePath(u"drawing.bmp"_s);
    QFile old(bitmap);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("precious") == 8);
    old.close();
    const QByteArray name = QFile::encodeName(bitmap);
    QCOMPARE(::chmod(name.constData(), mode_t(mode)), 0);
    if (root && ownFile)
        QCOMPARE(::chown(name.constData(), nobody, nobody), 0);

    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    if (root)
        process.setChildProcessModifier([] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
                ::_exit(99);
        });
    process.start(QStringLiteral(PICTORATE_CONVERT), {u"drawing.wmf"_s});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), status);
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    if (status != 0) {
        QCOMPARE(err, u"drawing.wmf: could not be saved as drawing.bmp: it is write-protected\n"_s);
        QCOMPARE(contents(bitmap), QByteArray("precious"));
    }
    QCOMPARE(entries(m_dir->path()), (QStringList {u"drawing.bmp"_s, u"drawing.wmf"_s}));
}

void tst_ConvertSafety::longestNamesConvert()
{
    const QString name = QString(251, u'n');
    source(name + u".wmf"_s);
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.start(QStringLiteral(PICTORATE_CONVERT), {name + u".wmf"_s});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(QString::fromLocal8Bit(process.readAllStandardError()), QString());
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(entries(m_dir->path()), (QStringList {name + u".bmp"_s, name + u".wmf"_s}));
}

// The widest bitmap accepted, several bands high.
void tst_ConvertSafety::largestWidthConvertsInBands()
{
    source(u"wide.wmf"_s);
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.start(QStringLiteral(PICTORATE_CONVERT), {u"--size"_s, u"32767x1100"_s, u"wide.wmf"_s});
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitCode(), 0);
    QFile bitmap(m_dir->filePath(u"wide.bmp"_s));
    QVERIFY(bitmap.open(QIODevice::ReadOnly));
    const QByteArray header = bitmap.read(54);
    QCOMPARE(qFromLittleEndian<qint32>(header.constData() + 18), 32767);
    QCOMPARE(qFromLittleEndian<qint32>(header.constData() + 22), 1100);
    QCOMPARE(bitmap.size(), 54 + qint64(98304) * 1100);
}

void tst_ConvertSafety::killedConversionLeavesNothingOrTheOldFile_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addRow("new bitmap") << false;
    QTest::addRow("replacing a bitmap") << true;
}

// The converter is killed outright while it writes a large bitmap.
void tst_ConvertSafety::killedConversionLeavesNothingOrTheOldFile()
{
    QFETCH(bool, existing);
    source(u"drawing.wmf"_s);
    const QString bitmap = m_dir->filePath(u"drawing.bmp"_s);
    if (existing) {
        QFile old(bitmap);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old picture") == 11);
    }
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.start(QStringLiteral(PICTORATE_CONVERT), {u"--size"_s, u"32767x32767"_s, u"drawing.wmf"_s});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(writingIn(process.processId(), m_dir->path()), 60000);
    QTest::qWait(300);
    ::kill(pid_t(process.processId()), SIGKILL);
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    const QStringList left =
        existing ? QStringList {u"drawing.bmp"_s, u"drawing.wmf"_s} : QStringList {u"drawing.wmf"_s};
    QCOMPARE(entries(m_dir->path()), left);
    if (existing)
        QCOMPARE(contents(bitmap), QByteArray("old picture"));
}

QTEST_GUILESS_MAIN(tst_ConvertSafety)
#include "tst_convertsafety.moc"
