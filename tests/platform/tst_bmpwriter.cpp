// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "bmpwriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <optional>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

class tst_BmpWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesUncompressed24BitBottomUp_data();
    void writesUncompressed24BitBottomUp();
    void resolutionGivesRequestedPhysicalSize();
    void readBackByQt();
    void replacesExistingFile();
    void failedSaveKeepsExistingFileAndLeavesNothing_data();
    void failedSaveKeepsExistingFileAndLeavesNothing();
    void replacedFileKeepsItsPermissions();
    void diskThatRefusesTheBytesIsNamed_data();
    void diskThatRefusesTheBytesIsNamed();
};

namespace {

quint32 u32(const QByteArray &bytes, int at) { return qFromLittleEndian<quint32>(bytes.constData() + at); }
quint16 u16(const QByteArray &bytes, int at) { return qFromLittleEndian<quint16>(bytes.constData() + at); }

QImage sample(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 40 % 256, y * 60 % 256, (x + y) * 20 % 256));
    return image;
}

QByteArray bmpOf(const QImage &image, QSizeF twips = {})
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!writeBmp(image, buffer, twips))
        return {};
    return buffer.data();
}

} // namespace

void tst_BmpWriter::writesUncompressed24BitBottomUp_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("rowBytes");
    QTest::addRow("row padded 3 to 4") << 1 << 2 << 4;
    QTest::addRow("row padded 6 to 8") << 2 << 3 << 8;
    QTest::addRow("row of 9 padded to 12") << 3 << 1 << 12;
    QTest::addRow("no padding") << 4 << 2 << 12;
    QTest::addRow("default canvas") << 269 << 213 << 808;
    QTest::addRow("written in several batches") << 3000 << 100 << 9000;
}

void tst_BmpWriter::writesUncompressed24BitBottomUp()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, rowBytes);
    const QImage image = sample(width, height);
    const QByteArray bmp = bmpOf(image);

    QCOMPARE(bmp.left(2), QByteArray("BM"));
    QCOMPARE(u32(bmp, 2), quint32(bmp.size()));
    QCOMPARE(u32(bmp, 10), 54u);
    QCOMPARE(u32(bmp, 14), 40u);
    QCOMPARE(qint32(u32(bmp, 18)), width);
    QCOMPARE(qint32(u32(bmp, 22)), height); // positive: bottom-up
    QCOMPARE(u16(bmp, 26), 1);
    QCOMPARE(u16(bmp, 28), 24);
    QCOMPARE(u32(bmp, 30), 0u); // BI_RGB
    QCOMPARE(bmp.size(), 54 + rowBytes * height);

    for (int y = 0; y < height; ++y) {
        const int row = 54 + (height - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            const QRgb expected = image.pixel(x, y);
            const int at = row + 3 * x;
            QCOMPARE(quint8(bmp[at]), quint8(qBlue(expected)));
            QCOMPARE(quint8(bmp[at + 1]), quint8(qGreen(expected)));
            QCOMPARE(quint8(bmp[at + 2]), quint8(qRed(expected)));
        }
        for (int pad = 3 * width; pad < rowBytes; ++pad)
            QCOMPARE(bmp[row + pad], '\0');
    }
}

void tst_BmpWriter::resolutionGivesRequestedPhysicalSize()
{
    // 269 pixels over 4095 twips (2.84375 in): 3724 pixels per metre, rounded.
    const QByteArray bmp = bmpOf(sample(269, 213), QSizeF(4095, 3255));
    QCOMPARE(u32(bmp, 38), 3724u);
    QCOMPARE(u32(bmp, 42), 3710u);
    const QByteArray unknown = bmpOf(sample(2, 2));
    QCOMPARE(u32(unknown, 38), 0u);
}

void tst_BmpWriter::readBackByQt()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("out.bmp"));
    const QImage image = sample(37, 11);
    QVERIFY(SavePicture(image, path, QSizeF(555, 165)));
    QImage back(path);
    QCOMPARE(back.size(), image.size());
    QCOMPARE(back.convertToFormat(QImage::Format_RGB32), image);
}

void tst_BmpWriter::replacesExistingFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("out.bmp"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old contents");
    old.close();
    QVERIFY(SavePicture(sample(5, 5), path));
    QCOMPARE(QImage(path).size(), QSize(5, 5));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList {QStringLiteral("out.bmp")});

    // A batch's saves, flushed only when they replace a file, write the same whole files.
    const QString fresh = folder.filePath(QStringLiteral("fresh.bmp"));
    QVERIFY(SavePicture(sample(6, 2), fresh, {}, nullptr, SaveSync::WhenReplacing));
    QVERIFY(SavePicture(sample(7, 3), path, {}, nullptr, SaveSync::WhenReplacing));
    QCOMPARE(QImage(fresh).size(), QSize(6, 2));
    QCOMPARE(QImage(path).size(), QSize(7, 3));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
             (QStringList {QStringLiteral("fresh.bmp"), QStringLiteral("out.bmp")}));
}

void tst_BmpWriter::failedSaveKeepsExistingFileAndLeavesNothing_data()
{
    QTest::addColumn<QString>("target"); // relative to a scratch folder holding "file" and "dir/"
    QTest::addColumn<QString>("reason");
    QTest::addRow("folder missing") << QStringLiteral("missing/out.bmp") << QStringLiteral("the folder does not exist");
    QTest::addRow("folder is a file") << QStringLiteral("file/out.bmp")
                                      << QStringLiteral("a folder in the path is a file");
    QTest::addRow("target is a folder") << QStringLiteral("dir") << QStringLiteral("a folder of that name exists");
    QTest::addRow("null image") << QStringLiteral("file") << QStringLiteral("there is no image to save");
    QTest::addRow("name too long") << QString(300, u'n') << QStringLiteral("the name is too long");
    QTest::addRow("target is a named pipe")
        << QStringLiteral("pipe") << QStringLiteral("it is a named pipe, not a file");
    QTest::addRow("target links to a device")
        << QStringLiteral("device") << QStringLiteral("it is a device, not a file");
}

void tst_BmpWriter::failedSaveKeepsExistingFileAndLeavesNothing()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("precious");
    file.close();
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("dir")));
    const bool special = target == QStringLiteral("pipe") || target == QStringLiteral("device");
    if (target == QStringLiteral("pipe"))
        QCOMPARE(::mkfifo(QFile::encodeName(folder.filePath(target)).constData(), 0600), 0);
    if (target == QStringLiteral("device"))
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder.filePath(target)));

    const QImage image = QTest::currentDataTag() == QByteArray("null image") ? QImage() : sample(3, 3);
    QString error;
    QVERIFY(!SavePicture(image, folder.filePath(target), {}, &error));
    QCOMPARE(error, reason);

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("precious"));
    QStringList expected {QStringLiteral("dir"), QStringLiteral("file")};
    if (special)
        expected.prepend(target);
    expected.sort();
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), expected);
    if (special)
        QVERIFY(!QFileInfo(folder.filePath(target)).isFile()); // still the pipe or the link to the device
}

void tst_BmpWriter::replacedFileKeepsItsPermissions()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("shared.bmp"));
    QVERIFY(SavePicture(sample(2, 2), path));
    const auto shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(path, shared));
    QVERIFY(SavePicture(sample(4, 4), path));
    QCOMPARE(QImage(path).size(), QSize(4, 4));
    const auto userBits = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser; // the owner's, as seen by us
    QCOMPARE(QFile::permissions(path) & ~userBits, shared);
}

namespace {

// A scratch file system mounted for one test; only root may mount.
class Mounted
{
public:
    explicit Mounted(const QByteArray &options)
    {
        m_ok = m_folder.isValid()
            && ::mount("tmpfs", QFile::encodeName(m_folder.path()).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~Mounted()
    {
        if (m_ok)
            ::umount2(QFile::encodeName(m_folder.path()).constData(), MNT_DETACH);
    }
    Mounted(const Mounted &) = delete;
    Mounted &operator=(const Mounted &) = delete;
    bool ok() const { return m_ok; }
    QString path() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
    bool m_ok = false;
};

// Files may grow to `bytes` while it lives: a write past that takes part of its bytes and
// fails on the rest with EFBIG, as a disk that fills up midway does with ENOSPC.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN); // the signal would end the test
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_old = {};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace

void tst_BmpWriter::diskThatRefusesTheBytesIsNamed_data()
{
    QTest::addColumn<QString>("disk");
    QTest::addColumn<QString>("reason");
    QTest::addRow("disk full midway") << QStringLiteral("tmpfs size=64k")
                                      << QStringLiteral("there is no space left on the disk");
    QTest::addRow("read-only disk") << QStringLiteral("tmpfs ro") << QStringLiteral("the disk is read-only");
    QTest::addRow("file size limit midway") << QStringLiteral("limit") << QStringLiteral("file too large");
}

// A bitmap of 300 x 100 pixels needs 90,054 bytes: more than either disk takes.
void tst_BmpWriter::diskThatRefusesTheBytesIsNamed()
{
    QFETCH(QString, disk);
    QFETCH(QString, reason);
    QTemporaryDir scratch;
    std::optional<Mounted> mounted;
    QString folder = scratch.path();
    if (disk.startsWith(u"tmpfs")) {
        if (::geteuid() != 0)
            QSKIP("mounting a small disk needs root");
        const bool readOnly = disk.endsWith(u"ro");
        mounted.emplace(readOnly ? "size=64k" : disk.section(u' ', 1).toLatin1());
        if (!mounted->ok())
            QSKIP("this system does not let the test mount a disk");
        folder = mounted->path();
        QFile old(folder + QStringLiteral("/out.bmp"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("precious");
        old.close();
        if (readOnly)
            QVERIFY(::mount(nullptr, QFile::encodeName(folder).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr)
                    == 0);
    } else {
        QFile old(folder + QStringLiteral("/out.bmp"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("precious");
        old.close();
    }

    QString error;
    bool saved = true;
    {
        std::optional<FileSizeLimit> limit;
        if (disk == u"limit")
            limit.emplace(64 * 1024);
        saved = SavePicture(sample(300, 100), folder + QStringLiteral("/out.bmp"), {}, &error);
    }
    QVERIFY(!saved);
    QCOMPARE(error, reason);
    QFile old(folder + QStringLiteral("/out.bmp"));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("precious"));
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList {QStringLiteral("out.bmp")});
}

QTEST_GUILESS_MAIN(tst_BmpWriter)
#include "tst_bmpwriter.moc"
