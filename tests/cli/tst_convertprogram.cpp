// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The converter as a user runs it: a process with arguments, files on disk, an exit status
// and what it says on standard error.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "wmfbuilder.h"

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString testData(const QString &relative) { return qEnvironmentVariable("PICTORATE_TEST_DATA") + u'/' + relative; }

} // namespace

class tst_ConvertProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void exitStatus_data();
    void exitStatus();
    void badFileAmongGoodOnes();
    void pipesAndDevicesDoNotHang();
    void neverWritesOverItsSource();
    void neverWritesThroughALinkToItsSource();
    void sameFilesForAnyNumberOfJobs();
    void existingPicturesKeptOrReplaced_data();
    void existingPicturesKeptOrReplaced();
    void namesThatAreNotUtf8_data();
    void namesThatAreNotUtf8();
    void sizeKeepsProportions_data();
    void sizeKeepsProportions();
    void thumbnailLongerSideAndProportions_data();
    void thumbnailLongerSideAndProportions();
    void thumbnailNeverReplacesAPipeOrDevice();
    void noGuiSetUpWithoutText_data();
    void noGuiSetUpWithoutText();
    void oneFileNeverEndsOrStallsTheOthers_data();
    void oneFileNeverEndsOrStallsTheOthers();
    void libraryNotesOnlyWhenVerbose_data();
    void libraryNotesOnlyWhenVerbose();
    void flushesOnlyTheDisksItWrote_data();
    void flushesOnlyTheDisksItWrote();

private:
    Run run(const QStringList &arguments, int timeoutMs = 60000,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    QString copy(const QString &from, const QString &relative);
    QString path(const QString &relative) const { return m_dir->filePath(relative); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_ConvertProgram::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

Run tst_ConvertProgram::run(const QStringList &arguments, int timeoutMs, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(PICTORATE_CONVERT), arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    Run result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

QString tst_ConvertProgram::copy(const QString &from, const QString &relative)
{
    QString target = path(relative);
    QDir().mkpath(QFileInfo(target).path());
    QFile::copy(from, target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

void tst_ConvertProgram::exitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err"); // standard error in full, or a part of it after "..."

    QTest::addRow("help") << QStringList {u"--help"_s} << 0 << QString();
    QTest::addRow("version") << QStringList {u"--version"_s} << 0 << QString();
    QTest::addRow("all converted, nothing said off a terminal") << QStringList {u"good.wmf"_s} << 0 << QString();
    QTest::addRow("an empty folder") << QStringList {u"empty"_s} << 0 << QString();
    QTest::addRow("a file missing") << QStringList {u"good.wmf"_s, u"missing.wmf"_s} << 1
                                    << u"missing.wmf: could not be read as a picture: the file does not exist\n"_s;
    QTest::addRow("an empty name") << QStringList {QString(), u"good.wmf"_s} << 1
                                   << u": could not be read as a picture: the file does not exist\n"_s;
    QTest::addRow("usage error") << QStringList {u"--bogus"_s, u"good.wmf"_s} << 2
                                 << u"pictorate-convert: unrecognized option '--bogus'\n"
                                    "Try 'pictorate-convert --help' for more information.\n"_s;
    QTest::addRow("Qt's own options are file names here")
        << QStringList {u"--"_s, u"-reverse"_s, u"good.wmf"_s} << 1
        << u"-reverse: could not be read as a picture: the file does not exist\n"_s;
    QTest::addRow("an output folder that is a file")
        << QStringList {u"-o"_s, u"good.wmf/sub"_s, u"good.wmf"_s} << 1
        << u"good.wmf: could not be saved as good.wmf/sub/good.bmp: good.wmf is not a folder\n"_s;
    QTest::addRow("no operand") << QStringList {} << 2 << u"...missing file or folder operand"_s;
    // Its frame is found by drawing it once, which sets up the fonts its text needs.
    QTest::addRow("text without a placeable header, alone") << QStringList {u"text.wmf"_s} << 0 << QString();
    QTest::addRow("text without a placeable header, described")
        << QStringList {u"--info"_s, u"text.wmf"_s} << 0 << QString();
}

void tst_ConvertProgram::exitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, err);
    copy(testData(u"wmf/wmfjs__rect.wmf"_s), u"good.wmf"_s);
    QVERIFY(QDir().mkpath(path(u"empty"_s)));
    QFile text(path(u"text.wmf"_s));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write(WmfBuilder().createFont(-20).selectObject(0).textOut(10, 10, "Text").bytes());
    text.close();

    const Run result = run(arguments);
    QCOMPARE(result.status, status);
    if (err.startsWith(u"..."))
        QVERIFY2(result.err.contains(err.mid(3)), qPrintable(result.err));
    else
        QCOMPARE(result.err, err);
    if (arguments == QStringList {u"--help"_s})
        QVERIFY(result.out.startsWith(u"Usage: pictorate-convert"));
    if (arguments == QStringList {u"--version"_s})
        QVERIFY(result.out.startsWith(u"pictorate-convert (Pictorate) "));
}

void tst_ConvertProgram::badFileAmongGoodOnes()
{
    copy(testData(u"wmf/wmfjs__rect.wmf"_s), u"pics/a.wmf"_s);
    const QByteArray whole = contents(testData(u"wmf/wmfjs__ellipse.wmf"_s));
    QFile broken(path(u"pics/b.wmf"_s));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write(whole.left(12)); // cut inside the header
    broken.close();
    copy(testData(u"wmf/wmfjs__pie.wmf"_s), u"pics/c.wmf"_s);

    const Run result = run({u"-j2"_s, u"pics"_s});
    QCOMPARE(result.status, 1);
    QVERIFY2(result.err.startsWith(u"pics/b.wmf: could not be read as a picture: "), qPrintable(result.err));
    QCOMPARE(result.err.count(u'\n'), 1);
    QCOMPARE(QImage(path(u"pics/a.bmp"_s)).size(), QSize(96, 96)); // its own size at 96 dpi
    QCOMPARE(QImage(path(u"pics/c.bmp"_s)).size(), QSize(192, 192));
    QVERIFY(!QFile::exists(path(u"pics/b.bmp"_s)));
}

// A named pipe would block a reader until something writes to it, and a device never ends:
// both are refused at once, and the good file beside them is converted.
void tst_ConvertProgram::pipesAndDevicesDoNotHang()
{
    copy(testData(u"wmf/wmfjs__rect.wmf"_s), u"good.wmf"_s);
    QVERIFY(mkfifo(QFile::encodeName(path(u"pipe.wmf"_s)).constData(), 0600) == 0);
    QVERIFY(QFile::link(u"/dev/zero"_s, path(u"zero.wmf"_s)));

    const Run result = run({u"-j1"_s, u"pipe.wmf"_s, u"/dev/zero"_s, u"zero.wmf"_s, u"good.wmf"_s}, 30000);
    QCOMPARE(result.status, 1);
    QCOMPARE(result.err, u"pipe.wmf: could not be read as a picture: it is a named pipe, not a file\n"
                         "/dev/zero: could not be read as a picture: it is a device, not a file\n"
                         "zero.wmf: could not be read as a picture: it is a device, not a file\n"_s);
    QVERIFY(QFile::exists(path(u"good.bmp"_s)));
}

// A bitmap named as its own target (or found as one through -o) is refused, not replaced.
void tst_ConvertProgram::neverWritesOverItsSource()
{
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QVERIFY(picture.save(path(u"drawing.bmp"_s), "BMP"));
    const QByteArray before = contents(path(u"drawing.bmp"_s));

    const Run beside = run({u"drawing.bmp"_s});
    QCOMPARE(beside.status, 1);
    QCOMPARE(beside.err,
             u"drawing.bmp: could not be saved as drawing.bmp: it is the source file itself, which would be lost\n"_s);
    const Run intoItsFolder = run({u"-o"_s, u"."_s, u"drawing.bmp"_s});
    QCOMPARE(intoItsFolder.status, 1);
    const Run asItsThumbnail = run({u"--thumbnail"_s, u"16"_s, u"drawing.bmp"_s, u"./drawing.bmp"_s});
    QCOMPARE(asItsThumbnail.status, 1);
    QCOMPARE(
        asItsThumbnail.err,
        u"drawing.bmp: could not be saved as ./drawing.bmp: it is the source file itself, which would be lost\n"_s);
    QCOMPARE(contents(path(u"drawing.bmp"_s)), before);
}

void tst_ConvertProgram::neverWritesThroughALinkToItsSource()
{
    const QString source = copy(testData(u"wmf/wmfjs__rect.wmf"_s), u"a.wmf"_s);
    const QByteArray before = contents(source);
    QVERIFY(QFile::link(u"a.wmf"_s, path(u"a.bmp"_s)));

    const Run result = run({u"a.wmf"_s});
    QCOMPARE(result.status, 1);
    QCOMPARE(result.err, u"a.wmf: could not be saved as a.bmp: it is the source file itself, which would be lost\n"_s);
    QCOMPARE(contents(source), before);
    QVERIFY(QFileInfo(path(u"a.bmp"_s)).isSymLink());
}

void tst_ConvertProgram::sameFilesForAnyNumberOfJobs()
{
    // The folder's drawings and the references' PNGs below it, and the drawings with text.
    QStringList arguments {u"-r"_s, u"--size=300x200"_s, testData(u"wmf"_s)};
    for (const QString &name : QDir(testData(u"wmf-text"_s)).entryList({u"*.wmf"_s}, QDir::Files))
        arguments << testData(u"wmf-text/"_s + name);
    const Run one = run(QStringList {u"-j1"_s, u"-o"_s, u"one"_s} + arguments);
    const Run two = run(QStringList {u"-j2"_s, u"-o"_s, u"two"_s} + arguments);
    QCOMPARE(one.status, 0);
    QCOMPARE(two.status, 0);

    const QDir oneDir(path(u"one"_s));
    const QStringList names = oneDir.entryList({u"*.bmp"_s}, QDir::Files, QDir::Name);
    QVERIFY2(names.size() >= 20, qPrintable(names.join(u' ')));
    QCOMPARE(QDir(path(u"two"_s)).entryList({u"*.bmp"_s}, QDir::Files, QDir::Name), names);
    for (const QString &name : names)
        QVERIFY2(contents(oneDir.filePath(name)) == contents(path(u"two/"_s + name)), qPrintable(name));
    QVERIFY(QFile::exists(path(u"one/reference/wmfjs__rect.bmp"_s)));
}

void tst_ConvertProgram::existingPicturesKeptOrReplaced_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<int>("targetAge"); // seconds the old a.bmp is older than a.wmf
    QTest::addColumn<QString>("written"); // empty: nothing written, a.bmp kept
    QTest::addColumn<QString>("out"); // with -v
    const QString skipped = u"0 converted, 1 skipped, 0 failed\n"_s;
    const QString converted = u"1 converted, 0 skipped, 0 failed\n"_s;
    QTest::addRow("replaced") << QString() << -60 << u"a.bmp"_s << u"a.wmf -> a.bmp\n"_s + converted;
    QTest::addRow("no clobber") << u"-n"_s << 60 << QString() << u"a.wmf: skipped, a.bmp exists\n"_s + skipped;
    QTest::addRow("update, the picture newer")
        << u"-u"_s << -60 << QString() << u"a.wmf: skipped, a.bmp is up to date\n"_s + skipped;
    QTest::addRow("update, the picture as new")
        << u"--update"_s << 0 << QString() << u"a.wmf: skipped, a.bmp is up to date\n"_s + skipped;
    QTest::addRow("update, the picture older")
        << u"--update"_s << 60 << u"a.bmp"_s << u"a.wmf -> a.bmp\n"_s + converted;
    QTest::addRow("keep the extension") << u"--keep-extension"_s << -60 << u"a.wmf.bmp"_s
                                        << u"a.wmf -> a.wmf.bmp\n"_s + converted;
}

void tst_ConvertProgram::existingPicturesKeptOrReplaced()
{
    QFETCH(QString, options);
    QFETCH(int, targetAge);
    QFETCH(QString, written);
    QFETCH(QString, out);
    copy(testData(u"wmf/wmfjs__rect.wmf"_s), u"a.wmf"_s);
    QFile old(path(u"a.bmp"_s));
    QVERIFY(old.open(QIODevice::ReadWrite));
    old.write("old");
    QVERIFY(old.flush());
    // Whole seconds: a file's own time may have nanoseconds that QDateTime drops.
    const QDateTime sourceTime = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() - 600);
    QFile source(path(u"a.wmf"_s));
    QVERIFY(source.open(QIODevice::ReadWrite));
    QVERIFY(source.setFileTime(sourceTime, QFileDevice::FileModificationTime));
    QVERIFY(old.setFileTime(sourceTime.addSecs(-targetAge), QFileDevice::FileModificationTime));
    old.close();

    const Run result = run(QStringList {u"-v"_s} + options.split(u' ', Qt::SkipEmptyParts) + QStringList {u"a.wmf"_s});
    QCOMPARE(result.status, 0);
    QCOMPARE(result.out, out);
    if (written != u"a.bmp")
        QCOMPARE(contents(path(u"a.bmp"_s)), QByteArray("old"));
    if (!written.isEmpty())
        QCOMPARE(QImage(path(written)).size(), QSize(96, 96));
}

// A name is bytes: one that is not UTF-8 (here "d\xff", as a Latin-1 "dÿ") is converted, its
// picture named with the same bytes, and reported with them when it fails.
void tst_ConvertProgram::namesThatAreNotUtf8_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("err");
    QTest::addColumn<QByteArrayList>("written");
    QTest::addRow("named") << QByteArrayList {"d\xff.wmf"} << 0 << QByteArray() << QByteArrayList {"d\xff.bmp"};
    QTest::addRow("named, missing") << QByteArrayList {"e\xff.wmf"} << 1
                                    << QByteArray(
                                           "e\xff.wmf: could not be read as a picture: the file does not exist\n")
                                    << QByteArrayList {};
    QTest::addRow("in a folder") << QByteArrayList {"."} << 0 << QByteArray() << QByteArrayList {"d\xff.bmp"};
    QTest::addRow("in a folder below, into another")
        << QByteArrayList {"-r", "-o", "out", "--keep-extension", "."} << 0 << QByteArray()
        << QByteArrayList {"out/d\xff.wmf.bmp", "out/f\xff/g.wmf.bmp"};
    QTest::addRow("reported") << QByteArrayList {"-r", "--report=json", "f\xff"} << 0 << QByteArray()
                              << QByteArrayList {"f\xff/g.bmp"};
}

void tst_ConvertProgram::namesThatAreNotUtf8()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(int, status);
    QFETCH(QByteArray, err);
    QFETCH(QByteArrayList, written);
    // Qt's file classes cannot name these files: the system's calls make them, and a shell
    // hands the program its arguments, which QProcess would read as UTF-8.
    const QByteArray folder = QFile::encodeName(m_dir->path()) + '/';
    const QByteArray source = contents(testData(u"wmf/wmfjs__rect.wmf"_s));
    QVERIFY(::mkdir(folder + "f\xff", 0700) == 0);
    for (const QByteArray name : {"d\xff.wmf", "f\xff/g.wmf"}) {
        std::FILE *file = std::fopen(folder + name, "wb");
        QVERIFY(file);
        QCOMPARE(std::fwrite(source.constData(), 1, std::size_t(source.size()), file), std::size_t(source.size()));
        std::fclose(file);
    }
    // Each byte past ASCII goes through an octal escape of printf's %b.
    QByteArray command = "cd '" + folder + "' && exec '" + QByteArray(PICTORATE_CONVERT) + "'";
    for (const QByteArray &argument : std::as_const(arguments))
        command += " \"$(printf %b '" + QByteArray(argument).replace("\xff", "\\0377") + "')\"";
    QProcess shell;
    shell.start(u"/bin/sh"_s, {u"-c"_s, QString::fromLatin1(command)});
    QVERIFY(shell.waitForFinished(60000));
    QCOMPARE(shell.readAllStandardError(), err);
    QCOMPARE(shell.exitCode(), status);
    const QByteArray out = shell.readAllStandardOutput();
    if (arguments.contains("--report=json"))
        QVERIFY2(out.startsWith("{\"height\":96,") && out.contains("\"source\":\"f\\udcff/g.wmf\""), out.constData());
    for (const QByteArray &name : std::as_const(written)) {
        struct stat status = {};
        QVERIFY2(::stat(folder + name, &status) == 0 && status.st_size > 0, name.constData());
    }
}

// aspose__eye.wmf's placeable frame is 3096 x 2615 units.
void tst_ConvertProgram::sizeKeepsProportions_data()
{
    QTest::addColumn<QString>("size");
    QTest::addColumn<QSize>("expected"); // empty: refused
    QTest::addRow("fitted into a square") << u"--fit --size=400x400"_s << QSize(400, 338);
    QTest::addRow("fitted into a wide box") << u"--fit --size=1000x100"_s << QSize(118, 100);
    QTest::addRow("width alone") << u"--size=400x"_s << QSize(400, 338);
    QTest::addRow("height alone") << u"--size=x100"_s << QSize(118, 100);
    QTest::addRow("width alone, fitted") << u"--fit --size=400x"_s << QSize(400, 338);
    QTest::addRow("height alone, the width past the largest") << u"--size=x32767"_s << QSize();
}

void tst_ConvertProgram::sizeKeepsProportions()
{
    QFETCH(QString, size);
    QFETCH(QSize, expected);
    copy(testData(u"wmf/aspose__eye.wmf"_s), u"eye.wmf"_s);
    const Run result = run(size.split(u' ') << u"eye.wmf"_s);
    if (expected.isEmpty()) {
        QCOMPARE(result.status, 1);
        QCOMPARE(result.err, u"eye.wmf: could not be converted: in its proportions the picture is 38794 x 32767 "
                             "pixels, more than the 32767 a side allowed; give a smaller --size\n"_s);
        QVERIFY(!QFile::exists(path(u"eye.bmp"_s)));
        return;
    }
    QCOMPARE(result.status, 0);
    const QImage image(path(u"eye.bmp"_s));
    QCOMPARE(image.size(), expected);
    // 96 dots per inch, as any size in pixels.
    QCOMPARE(image.dotsPerMeterX(), 3780);
}

void tst_ConvertProgram::thumbnailLongerSideAndProportions_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QSize>("expected");
    QTest::addRow("wide metafile") << u"wmf/aspose__eye.wmf"_s << u"256"_s << QSize(256, 216);
    QTest::addRow("small size") << u"wmf/aspose__eye.wmf"_s << u"16"_s << QSize(16, 14);
    QTest::addRow("tall raster picture") << u"tall.png"_s << u"128"_s << QSize(64, 128);
}

void tst_ConvertProgram::thumbnailLongerSideAndProportions()
{
    QFETCH(QString, source);
    QFETCH(QString, size);
    QFETCH(QSize, expected);
    QImage tall(50, 100, QImage::Format_RGB32);
    tall.fill(Qt::green);
    QVERIFY(tall.save(path(u"tall.png"_s), "PNG"));
    const QString input = source == u"tall.png" ? path(source) : testData(source);

    const Run result = run({u"--thumbnail"_s, size, input, path(u"thumb.png"_s)});
    QCOMPARE(result.status, 0);
    QCOMPARE(result.err, QString());
    QVERIFY(contents(path(u"thumb.png"_s)).startsWith("\x89PNG"));
    const QImage thumbnail(path(u"thumb.png"_s));
    QCOMPARE(thumbnail.size(), expected);
    if (source == u"tall.png")
        QCOMPARE(thumbnail.pixel(32, 64), qRgb(0, 255, 0));
}

// A file manager names the thumbnail's path; what stands there and is not a file is refused,
// not replaced by one (as root, the rename would have put a PNG in place of a device).
void tst_ConvertProgram::thumbnailNeverReplacesAPipeOrDevice()
{
    const QString input = testData(u"wmf/aspose__eye.wmf"_s);
    QVERIFY(mkfifo(QFile::encodeName(path(u"pipe.png"_s)).constData(), 0600) == 0);
    QVERIFY(QFile::link(u"/dev/null"_s, path(u"null.png"_s)));

    Run result = run({u"--thumbnail=64"_s, input, u"pipe.png"_s}, 30000);
    QCOMPARE(result.status, 1);
    QCOMPARE(result.err, input + u": could not be saved as pipe.png: it is a named pipe, not a file\n"_s);
    result = run({u"--thumbnail=64"_s, input, u"null.png"_s}, 30000);
    QCOMPARE(result.status, 1);
    QCOMPARE(result.err, input + u": could not be saved as null.png: it is a device, not a file\n"_s);

    struct stat status = {};
    QVERIFY(::lstat(QFile::encodeName(path(u"pipe.png"_s)).constData(), &status) == 0 && S_ISFIFO(status.st_mode));
    QVERIFY(QFileInfo(path(u"null.png"_s)).isSymLink());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::System | QDir::Hidden).size(), 2);
}

// Setting up a GUI application and the system's fonts is most of a start-up, and only text
// needs them: with a platform that does not exist (Qt ends a program that sets one up with
// it), what draws no text still works.
void tst_ConvertProgram::noGuiSetUpWithoutText_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("out"); // what standard output starts with, after a first byte

    const QString shapes = testData(u"wmf/aspose__eye.wmf"_s);
    QTest::addRow("help") << QStringList {u"--help"_s} << u"sage: "_s;
    QTest::addRow("version") << QStringList {u"--version"_s} << u"ictorate-convert (Pictorate) "_s;
    QTest::addRow("thumbnail of shapes") << QStringList {u"--thumbnail=64"_s, shapes, u"thumb.png"_s} << QString();
    QTest::addRow("PNG of shapes to standard output") << QStringList {u"--stdout"_s, u"-fpng"_s, shapes} << u"PNG"_s;
    QTest::addRow("a raster picture") << QStringList {u"--thumbnail=64"_s, u"tall.png"_s, u"thumb.png"_s} << QString();
}

void tst_ConvertProgram::noGuiSetUpWithoutText()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, out);
    QImage tall(50, 100, QImage::Format_RGB32);
    tall.fill(Qt::green);
    QVERIFY(tall.save(path(u"tall.png"_s), "PNG"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"nosuchplatform"_s);

    const Run result = run(arguments, 60000, environment);
    QCOMPARE(result.err, QString());
    QCOMPARE(result.status, 0);
    QVERIFY2(result.out.mid(1).startsWith(out), qPrintable(result.out.left(40)));
    if (arguments.contains(u"thumb.png"_s))
        QVERIFY(!QImage(path(u"thumb.png"_s)).isNull());
}

// Each picture is drawn in a worker process: one that crashes it (a fault switch aborts the
// worker on the file named), stalls it or needs more memory than allowed fails alone, with
// its reason, and the others are converted.
void tst_ConvertProgram::oneFileNeverEndsOrStallsTheOthers_data()
{
    QTest::addColumn<QString>("fault"); // PICTORATE_CONVERT_FAULT
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QStringList>("written");

    const QStringList all {u"a.bmp"_s, u"c.bmp"_s};
    const QString crashed = u"b.wmf: could not be converted: it crashed the converter (Aborted)\n"_s;
    QTest::addRow("a crash, one worker") << u"crash:b.wmf"_s
                                         << QStringList {u"-j1"_s, u"a.wmf"_s, u"b.wmf"_s, u"c.wmf"_s} << crashed
                                         << all;
    QTest::addRow("a crash, two workers")
        << u"crash:b.wmf"_s << QStringList {u"-j2"_s, u"a.wmf"_s, u"b.wmf"_s, u"c.wmf"_s} << crashed << all;
    QTest::addRow("a crash in a folder") << u"crash:b.wmf"_s << QStringList {u"-j2"_s, u"-o"_s, u"out"_s, u"."_s}
                                         << u"./"_s + crashed << QStringList {u"out/a.bmp"_s, u"out/c.bmp"_s};
    QTest::addRow("a stall past the time limit")
        << u"hang:b.wmf"_s << QStringList {u"--timeout=1"_s, u"a.wmf"_s, u"b.wmf"_s, u"c.wmf"_s}
        << u"b.wmf: could not be converted within 1 second; give it more time with --timeout\n"_s << all;
    QTest::addRow("more memory than allowed")
        << QString() << QStringList {u"--memory-limit=64M"_s, u"-fjpeg"_s, u"--size=5000x5000"_s, u"a.wmf"_s}
        << u"a.wmf: could not be converted: it needs more than the 64 MiB of memory a picture may take; give more "
           "with --memory-limit\n"_s
        << QStringList();
    QTest::addRow("a thumbnail that crashes")
        << u"crash:b.wmf"_s << QStringList {u"--thumbnail=64"_s, u"b.wmf"_s, u"b.png"_s} << crashed << QStringList();
    QTest::addRow("a description that crashes")
        << u"crash:b.wmf"_s << QStringList {u"--info"_s, u"a.wmf"_s, u"b.wmf"_s, u"c.wmf"_s}
        << u"b.wmf: could not be described: it crashed the converter (Aborted)\n"_s << QStringList();
    QTest::addRow("a picture to standard output that stalls")
        << u"hang:b.wmf"_s << QStringList {u"--timeout=1"_s, u"--stdout"_s, u"b.wmf"_s}
        << u"b.wmf: could not be converted within 1 second; give it more time with --timeout\n"_s << QStringList();
}

void tst_ConvertProgram::oneFileNeverEndsOrStallsTheOthers()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, arguments);
    QFETCH(QString, err);
    QFETCH(QStringList, written);
    for (const QString &name : {u"a.wmf"_s, u"b.wmf"_s, u"c.wmf"_s})
        copy(testData(u"wmf/wmfjs__rect.wmf"_s), name);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"PICTORATE_CONVERT_FAULT"_s, fault);
    // Built with AddressSanitizer (the sanitizer run), the converter's allocator returns null
    // for a refused allocation, as the C library's does, rather than ending the worker.
    const QString asan = environment.value(u"ASAN_OPTIONS"_s);
    environment.insert(u"ASAN_OPTIONS"_s, asan + (asan.isEmpty() ? u""_s : u":"_s) + u"allocator_may_return_null=1"_s);

    const Run result = run(arguments, 60000, environment);
    QCOMPARE(result.err, err);
    QCOMPARE(result.status, 1);
    for (const QString &name : written)
        QCOMPARE(QImage(path(name)).size(), QSize(96, 96));
    QVERIFY(!QFile::exists(path(u"b.bmp"_s)) && !QFile::exists(path(u"b.png"_s)));
    // Nothing of the stopped workers' files is left.
    QCOMPARE(QDir(path(written.isEmpty() ? u"."_s : QFileInfo(written.first()).path()))
                 .entryList(QDir::Files | QDir::Hidden)
                 .filter(u".pictorate"_s),
             QStringList());
}

// A corpus file holds a PNG image whose end is damaged; libpng, reading it through Qt, writes
// its complaint on standard error itself. The converter's standard error carries failures
// only, and with --verbose the complaint as a note of the file.
void tst_ConvertProgram::libraryNotesOnlyWhenVerbose_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("err");

    const QString note = u"damaged.wmf: note: libpng error: [00]IEN: invalid chunk type\n"_s;
    QTest::addRow("a batch") << QStringList {u"damaged.wmf"_s} << QString();
    QTest::addRow("a batch, quiet") << QStringList {u"-q"_s, u"damaged.wmf"_s} << QString();
    QTest::addRow("a batch, verbose") << QStringList {u"-v"_s, u"damaged.wmf"_s} << note;
    QTest::addRow("a thumbnail") << QStringList {u"--thumbnail=64"_s, u"damaged.wmf"_s, u"thumb.png"_s} << QString();
    QTest::addRow("to standard output") << QStringList {u"--stdout"_s, u"damaged.wmf"_s} << QString();
    QTest::addRow("described") << QStringList {u"--info"_s, u"damaged.wmf"_s} << QString();
    QTest::addRow("described, verbose") << QStringList {u"--info"_s, u"-v"_s, u"damaged.wmf"_s} << note;
}

void tst_ConvertProgram::libraryNotesOnlyWhenVerbose()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, err);
    const QString damaged = qEnvironmentVariable("PICTORATE_SHARED_CORPUS") + u"/real/libuemf__test_libuemf.wmf"_s;
    if (!QFile::exists(damaged))
        QSKIP("the shared corpus is not there");
    copy(damaged, u"damaged.wmf"_s);

    const Run result = run(arguments);
    QCOMPARE(result.status, 0);
    QCOMPARE(result.err, err);
}

// A batch's new pictures reach the disk at its end through one flush of each file system it
// wrote to, never through sync(), which waits for every other program's writes on every disk.
// A preloaded library notes the flushes asked for; each row lists them, "syncfs FOLDER"
// with the folder below the scratch folder.
void tst_ConvertProgram::flushesOnlyTheDisksItWrote_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("flushes");

    QTest::addRow("beside the sources") << QStringList {u"a.wmf"_s, u"sub/b.wmf"_s} << QStringList {u"syncfs ."_s};
    QTest::addRow("into an output folder")
        << QStringList {u"-o"_s, u"out"_s, u"-r"_s, u"."_s} << QStringList {u"syncfs out"_s};
    QTest::addRow("to a file system of its own")
        << QStringList {u"-o"_s, u"/dev/shm"_s, u"a.wmf"_s} << QStringList {u"syncfs /dev/shm"_s};
    QTest::addRow("nothing written") << QStringList {u"missing.wmf"_s} << QStringList();
}

void tst_ConvertProgram::flushesOnlyTheDisksItWrote()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, flushes);
    copy(testData(u"wmf/wmfjs__rect.wmf"_s), u"a.wmf"_s);
    copy(testData(u"wmf/wmfjs__rect.wmf"_s), u"sub/b.wmf"_s);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LD_PRELOAD"_s, QStringLiteral(SYNCSPY));
    environment.insert(u"SYNCSPY_LOG"_s, path(u"flushes.log"_s));
    // Under AddressSanitizer its runtime would otherwise insist on being loaded first.
    environment.insert(u"ASAN_OPTIONS"_s, environment.value(u"ASAN_OPTIONS"_s) + u":verify_asan_link_order=0"_s);

    const Run result = run(arguments, 60000, environment);
    QCOMPARE(result.status, arguments.contains(u"missing.wmf"_s) ? 1 : 0);
    const QString root = QDir(m_dir->path()).canonicalPath();
    QStringList noted = QString::fromLocal8Bit(contents(path(u"flushes.log"_s))).split(u'\n', Qt::SkipEmptyParts);
    for (QString &line : noted) {
        line.replace(u' ' + root + u'/', u" "_s);
        if (line.endsWith(u' ' + root))
            line = line.left(line.size() - root.size()) + u'.';
    }
    QCOMPARE(noted, flushes);
    if (arguments.contains(u"/dev/shm"_s))
        QFile::remove(u"/dev/shm/a.bmp"_s);
}

QTEST_GUILESS_MAIN(tst_ConvertProgram)
#include "tst_convertprogram.moc"
