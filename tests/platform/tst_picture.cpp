// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "fileerror.h"
#include "picture.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

class tst_Picture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void emptyPathGivesNoPicture();
    void loadsRasterFormats_data();
    void loadsRasterFormats();
    void refusesUnreadableFiles_data();
    void refusesUnreadableFiles();
    void refusesWhatIsNotAFileWithoutOpeningIt_data();
    void refusesWhatIsNotAFileWithoutOpeningIt();
    void unreadableFileIsNamedAsSuch();
    void otherErrorsGiveTheSystemsText_data();
    void otherErrorsGiveTheSystemsText();
    void drawsStretchedToTarget();
};

namespace {

QString write(const QTemporaryDir &folder, const QString &name, const QByteArray &bytes)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

QByteArray encoded(const char *format)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace

void tst_Picture::emptyPathGivesNoPicture()
{
    QString error;
    const std::optional<Picture> picture = LoadPicture(QString(), &error);
    QVERIFY(picture);
    QVERIFY(picture->isNull());
    QVERIFY(error.isEmpty());
}

void tst_Picture::loadsRasterFormats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addRow("bmp") << QStringLiteral("a.bmp") << encoded("BMP");
    QTest::addRow("png") << QStringLiteral("a.png") << encoded("PNG");
    QTest::addRow("jpeg") << QStringLiteral("a.jpg") << encoded("JPEG");
    QTest::addRow("ico") << QStringLiteral("a.ico") << encoded("ICO");
    QTest::addRow("gif named wrongly") << QStringLiteral(
        "a.dat") << QByteArray::fromBase64("R0lGODlhAQABAIAAAP8AAP///yH5BAAAAAAALAAAAAABAAEAAAICRAEAOw==");
}

void tst_Picture::loadsRasterFormats()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QTemporaryDir folder;
    QString error;
    const std::optional<Picture> picture = LoadPicture(write(folder, name, bytes), &error);
    QVERIFY2(picture, qPrintable(error));
    QVERIFY(!picture->isNull());
    QVERIFY(!picture->isMetafile());
}

void tst_Picture::refusesUnreadableFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason"); // empty: any reason
    QTest::addRow("text file") << QStringLiteral("notes.txt") << QByteArray("hello\r\n")
                               << QStringLiteral("it is not a picture this program can read");
    QTest::addRow("batch file") << QStringLiteral("run.bat") << QByteArray("@echo off\r\n")
                                << QStringLiteral("it is not a picture this program can read");
    QTest::addRow("empty file") << QStringLiteral("empty.wmf") << QByteArray() << QString();
    QTest::addRow("truncated metafile") << QStringLiteral("cut.wmf") << QByteArray::fromHex("d7cdc69a0000")
                                        << QString();
    QTest::addRow("header only standard")
        << QStringLiteral("cut2.wmf") << QByteArray::fromHex("0100090000") << QString();
    QTest::addRow("missing file") << QStringLiteral("gone.wmf") << QByteArray()
                                  << QStringLiteral("the file does not exist");
    QTest::addRow("folder") << QStringLiteral("sub") << QByteArray() << QStringLiteral("it is a folder, not a file");
    QTest::addRow("folder in the path is a file")
        << QStringLiteral("notes.txt/a.wmf") << QByteArray() << QStringLiteral("a folder in the path is a file");
    QTest::addRow("name too long") << QString(300, u'n') << QByteArray() << QStringLiteral("the name is too long");
}

void tst_Picture::refusesUnreadableFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    QString path = folder.filePath(name);
    if (name == u"sub")
        QDir(folder.path()).mkdir(name);
    else if (name.contains(u'/'))
        write(folder, QStringLiteral("notes.txt"), "a file");
    else if (name != u"gone.wmf" && name.size() < 256)
        path = write(folder, name, bytes);

    QString error;
    QVERIFY(!LoadPicture(path, &error));
    QVERIFY(!error.isEmpty());
    if (!reason.isEmpty())
        QCOMPARE(error, reason);
}

void tst_Picture::refusesWhatIsNotAFileWithoutOpeningIt_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::addRow("named pipe") << QStringLiteral("fifo") << QStringLiteral("it is a named pipe, not a file");
    QTest::addRow("device behind a link")
        << QStringLiteral("/dev/zero") << QStringLiteral("it is a device, not a file");
    QTest::addRow("loop of links") << QStringLiteral("loop")
                                   << QStringLiteral("its path runs through a loop of symbolic links");
}

// A pipe would hold the window in open() until something writes to it, and a device such as
// /dev/zero never ends: both are refused at once, from what the path is.
void tst_Picture::refusesWhatIsNotAFileWithoutOpeningIt()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("x.wmf"));
    if (kind == u"fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == u"loop") {
        QVERIFY(QFile::link(folder.filePath(QStringLiteral("y.wmf")), path));
        QVERIFY(QFile::link(path, folder.filePath(QStringLiteral("y.wmf"))));
    } else {
        QVERIFY(QFile::link(kind, path));
    }
    // Should the pipe be opened for reading after all, a writer comes by after two seconds
    // and lets it go, so that the test ends and fails rather than hanging.
    std::thread writer;
    if (kind == u"fifo") {
        writer = std::thread([name = QFile::encodeName(path)] {
            std::this_thread::sleep_for(std::chrono::seconds(2));
            const int descriptor = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
            if (descriptor >= 0)
                ::close(descriptor);
        });
    }
    QElapsedTimer clock;
    clock.start();
    QString error;
    const bool loaded = LoadPicture(path, &error).has_value();
    const qint64 elapsed = clock.elapsed();
    if (writer.joinable())
        writer.join();
    QVERIFY(!loaded);
    QCOMPARE(error, reason);
    QVERIFY2(elapsed < 1000, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
}

namespace {

// What `task` returns when run by a user without privileges: root, who reads every file,
// runs it in a child process that has become the user "nobody" (65534).
QString asUnprivileged(const std::function<QString()> &task)
{
    if (::geteuid() != 0)
        return task();
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("no pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const QByteArray result =
            ::setgid(65534) == 0 && ::setuid(65534) == 0 ? task().toUtf8() : QByteArray("could not drop privileges");
        const bool written = ::write(channel[1], result.constData(), size_t(result.size())) == result.size();
        ::_exit(written ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray result;
    char buffer[256];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, qsizetype(got));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return QString::fromUtf8(result);
}

} // namespace

void tst_Picture::unreadableFileIsNamedAsSuch()
{
    QTemporaryDir folder;
    QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                     | QFile::ReadOther | QFile::ExeOther));
    const QString path = write(folder, QStringLiteral("locked.wmf"), "secret");
    QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    const QString error = asUnprivileged([&] {
        QString why;
        return LoadPicture(path, &why) ? QStringLiteral("loaded") : why;
    });
    QCOMPARE(error, QStringLiteral("permission to read it was denied"));
}

void tst_Picture::otherErrorsGiveTheSystemsText_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("reason");
    QTest::addRow("input/output error") << EIO << QStringLiteral("input/output error");
    QTest::addRow("file too large") << EFBIG << QStringLiteral("file too large");
    QTest::addRow("stale file handle") << ESTALE << QStringLiteral("stale file handle");
}

// Within a sentence: lower case first, no full stop of its own.
void tst_Picture::otherErrorsGiveTheSystemsText()
{
    QFETCH(int, error);
    QFETCH(QString, reason);
    QCOMPARE(fileErrorReason(error, FileAccess::Read), reason);
    QCOMPARE(fileErrorReason(error, FileAccess::Write), reason);
}

void tst_Picture::drawsStretchedToTarget()
{
    QImage source(2, 2, QImage::Format_RGB32);
    source.fill(Qt::blue);
    const Picture picture(source);
    QImage canvas(20, 10, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    picture.draw(painter, QRectF(5, 0, 10, 10));
    painter.end();
    QCOMPARE(canvas.pixel(4, 5), qRgb(255, 255, 255));
    QCOMPARE(canvas.pixel(5, 0), qRgb(0, 0, 255));
    QCOMPARE(canvas.pixel(14, 9), qRgb(0, 0, 255));
    QCOMPARE(canvas.pixel(15, 9), qRgb(255, 255, 255));
}

QTEST_GUILESS_MAIN(tst_Picture)
#include "tst_picture.moc"
