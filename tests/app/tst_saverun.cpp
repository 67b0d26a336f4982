// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The conversion run's save as the window does it: in bands while the window waits, cancelled
// with nothing changed, and refused in the program's words where the target is protected.

#include "asuser.h"
#include "canvas.h"
#include "fakeservices.h"
#include "frmconvert.h"
#include "look.h"
#include "renderpicture.h"
#include "samplefiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class tst_SaveRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void savesWhileTheWindowWaits();
    void cancelledRunChangesNothing_data();
    void cancelledRunChangesNothing();
    void targetsAreRefusedInTheProgramsWords_data();
    void targetsAreRefusedInTheProgramsWords();
    void wideCanvasIsSavedInBands();

private:
    QString convert(const QString &target, const QString &height = {}, const QString &width = {});

    FakeServices m_services;
    frmconvert *m_window = nullptr;
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_source;
};

void tst_SaveRun::initTestCase()
{
    QApplication::setFont(defaultFont());
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_SaveRun::init()
{
    m_services = FakeServices();
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(QFile::setPermissions(m_folder->path(), QFile::Permissions(0x7777))); // another user may write it
    m_source = m_folder->filePath(QStringLiteral("logo.wmf"));
    QVERIFY(writeFile(m_source, redRectangleMetafile()));
    m_window = new frmconvert(m_services);
    m_window->show();
}

void tst_SaveRun::cleanup()
{
    delete m_window;
    m_folder.reset();
}

// Selects the source and converts it to the target text, with a size when given; returns the
// one message the run showed.
QString tst_SaveRun::convert(const QString &target, const QString &height, const QString &width)
{
    m_services.answers << m_source;
    m_window->cmdselect->click();
    if (!height.isEmpty()) {
        m_window->chkresolution->setCheckState(Qt::Checked);
        m_window->txtheight->setText(height);
        m_window->txtwidth->setText(width);
    }
    m_window->txttargetfilename->setText(target);
    m_window->cmdconvert->click();
    return m_services.messages.value(0, QStringLiteral("<no message>"));
}

void tst_SaveRun::savesWhileTheWindowWaits()
{
    const QString target = m_folder->filePath(QStringLiteral("logo.bmp"));
    QVERIFY(convert({}).contains(QStringLiteral("converted")));
    QCOMPARE(m_services.busyLabels,
             QStringList {QStringLiteral("The image %1 is being converted and saved as %2.").arg(m_source, target)});
    QCOMPARE(QImage(target).size(), QSize(269, 213));
}

void tst_SaveRun::cancelledRunChangesNothing_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("sized");
    QTest::addRow("replacing, default size") << true << false;
    QTest::addRow("replacing, sized") << true << true;
    QTest::addRow("new file, sized") << false << true;
}

// Cancel leaves the old file, the selection, the picture and the canvas's size, and no message.
void tst_SaveRun::cancelledRunChangesNothing()
{
    QFETCH(bool, existing);
    QFETCH(bool, sized);
    const QString target = m_folder->filePath(QStringLiteral("logo.bmp"));
    if (existing)
        QVERIFY(writeFile(target, "old picture"));
    m_services.cancelBusyWork = true;
    QCOMPARE(convert({}, sized ? QStringLiteral("1500") : QString(), QStringLiteral("3000")),
             QStringLiteral("<no message>"));
    QCOMPARE(m_services.busyLabels.size(), 1);
    QCOMPARE(contents(target), existing ? QByteArray("old picture") : QByteArray());
    QCOMPARE(entries(m_folder->path()).size(), existing ? 2 : 1);
    QCOMPARE(m_window->comdlg_open.FileName, m_source);
    QVERIFY(!m_window->picloadedpic->picture().isNull());
    QCOMPARE(m_window->picloadedpic->Width(), 4095.f);
    QCOMPARE(m_window->picloadedpic->Height(), 3255.f);
}

void tst_SaveRun::targetsAreRefusedInTheProgramsWords_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("mode"); // of an existing file of another user, 0 for none
    QTest::addColumn<QString>("reason"); // empty: converted
    const QString name = QStringLiteral("target.bmp");
    QTest::addRow("read-only file of another user") << name << 0444 << "it is write-protected";
    QTest::addRow("another user's file") << name << 0644 << "it is write-protected";
    QTest::addRow("another user's file open to all") << name << 0666 << "";
    QTest::addRow("name of 255 bytes") << QString(251, u'n') + QStringLiteral(".bmp") << 0 << "";
    QTest::addRow("name of 256 bytes") << QString(252, u'n') + QStringLiteral(".bmp") << 0 << "the name is too long";
}

// The run as another user than the file's owner (`nobody` when the test runs as root).
void tst_SaveRun::targetsAreRefusedInTheProgramsWords()
{
    QFETCH(QString, name);
    QFETCH(int, mode);
    QFETCH(QString, reason);
    const QString target = m_folder->filePath(name);
    if (mode != 0) {
        if (::geteuid() != 0)
            QSKIP("files of another user need root to arrange");
        QVERIFY(writeFile(target, "precious"));
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), mode_t(mode)), 0);
    }
    const QString message =
        testsupport::inChildProcess(mode ? testsupport::nobody : ::geteuid(), [&] { return convert(target); });
    if (reason.isEmpty()) {
        QCOMPARE(message, QStringLiteral("The image %1 has been converted and saved as %2.").arg(m_source, target));
        QCOMPARE(QImage(target).size(), QSize(269, 213));
    } else {
        QCOMPARE(message, QStringLiteral("The file %1 could not be saved: %2.").arg(target, reason));
        QCOMPARE(contents(target), mode ? QByteArray("precious") : QByteArray());
    }
    QCOMPARE(entries(m_folder->path()).size(), reason.isEmpty() || mode ? 2 : 1);
}

// A canvas wider than the widest band holds whole: saved in bands that join into the picture.
void tst_SaveRun::wideCanvasIsSavedInBands()
{
    const QString target = m_folder->filePath(QStringLiteral("wide.bmp"));
    QVERIFY(convert(target, QStringLiteral("9000"), QStringLiteral("491565")).contains(QStringLiteral("converted")));
    const QByteArray bmp = contents(target);
    QCOMPARE(qFromLittleEndian<qint32>(bmp.constData() + 18), 32767);
    QCOMPARE(qFromLittleEndian<qint32>(bmp.constData() + 22), 596);
    const std::optional<Picture> picture = LoadPicture(m_source);
    QVERIFY(picture);
    const QImage written = QImage(target).convertToFormat(QImage::Format_RGB32);
    const QSize size(32767, 596);
    for (const QRect band : {QRect(0, 0, 32767, 512), QRect(0, 512, 32767, 84)})
        QVERIFY(written.copy(band) == renderPictureRegion(*picture, size, band));
}

QTEST_MAIN(tst_SaveRun)
#include "tst_saverun.moc"
