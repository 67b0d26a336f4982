#include "picture.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

class tst_Picture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void emptyPathGivesNoPicture();
    void loadsRasterFormats_data();
    void loadsRasterFormats();
    void refusesUnreadableFiles_data();
    void refusesUnreadableFiles();
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
    else if (name != u"gone.wmf")
        path = write(folder, name, bytes);

    QString error;
    QVERIFY(!LoadPicture(path, &error));
    QVERIFY(!error.isEmpty());
    if (!reason.isEmpty())
        QCOMPARE(error, reason);
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
