// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Selecting a source, previewing it, and converting it to a BMP file.

#include "canvas.h"
#include "colours.h"
#include "emfbuilder.h"
#include "emfplusbuilder.h"
#include "fakeservices.h"
#include "frmconvert.h"
#include "look.h"
#include "samplefiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <unistd.h>

namespace {

const QString noSelection = QStringLiteral("Please make sure you have selected a file to convert.");
const QString allFilters = QStringLiteral(
    "All Files (*.*)|*.*|Windows Metafiles (*.wmf)|*.wmf|Text Files (*.txt)|*.txt|Batch Files (*.bat)|*.bat");

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The pixel size and depth from a BMP file's header, read without Qt's image readers.
struct BmpHeader
{
    int width = 0, height = 0, bitsPerPixel = 0;
};

BmpHeader bmpHeader(const QString &path)
{
    const QByteArray bytes = contents(path);
    if (bytes.size() < 54 || !bytes.startsWith("BM"))
        return {};
    return {qFromLittleEndian<qint32>(bytes.constData() + 18), qFromLittleEndian<qint32>(bytes.constData() + 22),
            qFromLittleEndian<quint16>(bytes.constData() + 28)};
}

bool hasInk(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                return true;
    return false;
}

} // namespace

class tst_Conversion : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void dialogSettingsEveryTime();
    void cancelAtStartLeavesNothingSelected();
    void cancelAfterChoiceReloadsIt();
    void secondChoiceReplacesFirst();
    void unreadableChoiceRestoresPreviousState_data();
    void unreadableChoiceRestoresPreviousState();
    void realDialogOpensWithMetafileFilter();

    void convertTwiceAfterOneSelection();
    void defaultSizeBesideTheSource();
    void requestedSizeThenBackToDefault();
    void sizeChangesInOrder();
    void confirmationNamesSourceWhenTargetElsewhere();
    void reusedTargetTextOverwrites();
    void relativeTargetLandsBesideSource();
    void refusedSizesChangeNothing_data();
    void refusedSizesChangeNothing();
    void failedSaveKeepsEverything();
    void failedSavePutsCanvasSizeBack();
    void sourceIsNeverItsOwnTarget_data();
    void sourceIsNeverItsOwnTarget();
    void enhancedMetafileConvertsLikeAWindowsMetafile_data();
    void enhancedMetafileConvertsLikeAWindowsMetafile();
    void emfPlusPicturesAndBlankOnes_data();
    void emfPlusPicturesAndBlankOnes();

private:
    QString metafile(const QString &name = QStringLiteral("logo.wmf"));
    void select(const QString &path);
    void tick(const QString &height, const QString &width);

    FakeServices m_services;
    frmconvert *m_window = nullptr;
    std::unique_ptr<QTemporaryDir> m_folder;
};

void tst_Conversion::initTestCase()
{
    QApplication::setFont(defaultFont());
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_Conversion::init()
{
    m_services = FakeServices();
    m_folder = std::make_unique<QTemporaryDir>();
    m_window = new frmconvert(m_services);
    m_window->show();
}

void tst_Conversion::cleanup()
{
    delete m_window;
    m_folder.reset();
}

QString tst_Conversion::metafile(const QString &name)
{
    const QString path = m_folder->filePath(name);
    writeFile(path, redRectangleMetafile());
    return path;
}

void tst_Conversion::select(const QString &path)
{
    m_services.answers << path;
    m_window->cmdselect->click();
}

void tst_Conversion::tick(const QString &height, const QString &width)
{
    m_window->chkresolution->setCheckState(Qt::Checked);
    m_window->txtheight->setText(height);
    m_window->txtwidth->setText(width);
}

void tst_Conversion::dialogSettingsEveryTime()
{
    const QString first = metafile();
    m_services.answers << first << std::nullopt;
    m_window->cmdselect->click();
    m_window->comdlg_open.FilterIndex = 3; // as if the user had picked another filter
    m_window->comdlg_open.DefaultExt = QStringLiteral("txt");
    m_window->mnuselect->trigger();
    QCOMPARE(m_services.shown.size(), 2);
    for (const FakeServices::DialogSettings &settings : std::as_const(m_services.shown)) {
        QCOMPARE(settings.defaultExt, QStringLiteral("wmf"));
        QCOMPARE(settings.filter, allFilters);
        QCOMPARE(settings.filterIndex, 2);
        QCOMPARE(settings.title, QStringLiteral("Select file to pictorate:"));
    }
}

void tst_Conversion::cancelAtStartLeavesNothingSelected()
{
    m_services.answers << std::nullopt;
    m_window->cmdselect->click();
    QVERIFY(m_window->comdlg_open.FileName.isEmpty());
    QVERIFY(m_window->picloadedpic->picture().isNull());
    QVERIFY(m_services.messages.isEmpty());
    m_window->cmdconvert->click();
    QCOMPARE(m_services.messages, QStringList {noSelection});
}

void tst_Conversion::cancelAfterChoiceReloadsIt()
{
    const QString path = metafile();
    select(path);
    QVERIFY(hasInk(m_window->picloadedpic->Image()));
    m_window->picloadedpic->setPicture(Picture()); // so that a reload shows
    m_services.answers << std::nullopt;
    m_window->cmdselect->click();
    QCOMPARE(m_window->comdlg_open.FileName, path);
    QVERIFY(hasInk(m_window->picloadedpic->Image()));
}

void tst_Conversion::secondChoiceReplacesFirst()
{
    select(metafile(QStringLiteral("first.wmf")));
    QImage blue(4, 4, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    const QString second = m_folder->filePath(QStringLiteral("second.png"));
    QVERIFY(blue.save(second));
    select(second);
    QCOMPARE(m_window->comdlg_open.FileName, second);
    QCOMPARE(m_window->picloadedpic->Image().pixel(100, 100), qRgb(0, 0, 255));
    QCOMPARE(m_window->picloadedpic->Width(), 4095.f); // selection keeps the canvas's size
}

void tst_Conversion::unreadableChoiceRestoresPreviousState_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // written unless the name says the file is gone
    QTest::addRow("text file") << QStringLiteral("readme.txt") << QByteArray("just words\r\n");
    QTest::addRow("batch file") << QStringLiteral("go.bat") << QByteArray("@echo off\r\n");
    QTest::addRow("damaged metafile") << QStringLiteral("bad.wmf") << QByteArray::fromHex("0100090000030000ffff");
    QTest::addRow("truncated metafile") << QStringLiteral("cut.wmf") << redRectangleMetafile().left(30);
    QTest::addRow("metafile cut inside a record") << QStringLiteral("cut2.wmf") << redRectangleMetafile().left(70);
    QTest::addRow("vanished file") << QStringLiteral("gone.wmf") << QByteArray();
    QTest::addRow("folder") << QStringLiteral("folder") << QByteArray();
}

void tst_Conversion::unreadableChoiceRestoresPreviousState()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString good = metafile();
    select(good);
    const QImage before = m_window->picloadedpic->Image();

    const QString bad = m_folder->filePath(name);
    if (name == u"folder")
        QDir(m_folder->path()).mkdir(name);
    else if (name != u"gone.wmf")
        QVERIFY(writeFile(bad, bytes));
    select(bad);

    QCOMPARE(m_services.messages.size(), 1);
    QVERIFY2(m_services.messages[0].startsWith(QStringLiteral("The file %1 could not be read as a picture: ").arg(bad)),
             qPrintable(m_services.messages[0]));
    QCOMPARE(m_window->comdlg_open.FileName, good);
    QCOMPARE(m_window->picloadedpic->Image(), before);

    // The same at start: nothing was selected, and nothing is.
    delete m_window;
    m_services = FakeServices();
    m_window = new frmconvert(m_services);
    select(bad);
    QVERIFY(m_window->comdlg_open.FileName.isEmpty());
    QVERIFY(m_window->picloadedpic->picture().isNull());
}

void tst_Conversion::realDialogOpensWithMetafileFilter()
{
    // The real dialog: opened with the settings, a typed name without extension gets .wmf,
    // and "All Files (*.*)" lists names without a dot too.
    const QString path = metafile(QStringLiteral("plan.wmf"));
    writeFile(m_folder->filePath(QStringLiteral("README")), "no dot");
    DesktopServices desktop;
    CommonDialog dialog(desktop, m_window);
    dialog.DefaultExt = QStringLiteral("wmf");
    dialog.Filter = allFilters;
    dialog.FilterIndex = 2;
    dialog.DialogTitle = QStringLiteral("Select file to pictorate:");
    dialog.FileName = m_folder->filePath(QStringLiteral("x"));

    QString title, selectedFilter;
    QStringList allFilesPatterns;
    QTimer::singleShot(0, [&] {
        auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        title = chooser->windowTitle();
        selectedFilter = chooser->selectedNameFilter();
        chooser->selectNameFilter(QStringLiteral("All Files (*.*)"));
        Q_EMIT chooser->filterSelected(QStringLiteral("All Files (*.*)"));
        if (auto *model = chooser->findChild<QFileSystemModel *>())
            allFilesPatterns = model->nameFilters();
        chooser->selectFile(QStringLiteral("plan"));
        static_cast<QDialog *>(chooser)->accept();
    });
    dialog.ShowOpen();
    QCOMPARE(title, QStringLiteral("Select file to pictorate:"));
    QCOMPARE(selectedFilter, QStringLiteral("Windows Metafiles (*.wmf)"));
    QCOMPARE(allFilesPatterns, QStringList {QStringLiteral("*")});
    QCOMPARE(QFileInfo(dialog.FileName), QFileInfo(path));
}

void tst_Conversion::convertTwiceAfterOneSelection()
{
    select(metafile());
    m_window->cmdconvert->click();
    QCOMPARE(m_services.messages.size(), 1);
    m_window->cmdconvert->click();
    QCOMPARE(m_services.messages.size(), 2);
    QCOMPARE(m_services.messages[1], noSelection);
}

void tst_Conversion::defaultSizeBesideTheSource()
{
    const QString source = metafile();
    select(source);
    m_window->cmdconvert->click();
    const QString target = m_folder->filePath(QStringLiteral("logo.bmp"));
    const BmpHeader header = bmpHeader(target);
    QCOMPARE(header.width, 269);
    QCOMPARE(header.height, 213);
    QCOMPARE(header.bitsPerPixel, 24);
    const QImage written(target);
    QCOMPARE(written.size(), QSize(269, 213));
    QCOMPARE(written.pixel(134, 106), qRgb(255, 0, 0)); // the rectangle's middle
    QCOMPARE(written.pixel(3, 3), qRgb(255, 255, 255));

    QCOMPARE(m_services.messages.size(), 1);
    QVERIFY(m_services.messages[0].contains(source));
    QVERIFY(m_services.messages[0].contains(QStringLiteral("converted")));
    QVERIFY(m_window->comdlg_open.FileName.isEmpty());
    QVERIFY(m_window->picloadedpic->picture().isNull());
}

void tst_Conversion::requestedSizeThenBackToDefault()
{
    select(metafile());
    tick(QStringLiteral("1500"), QStringLiteral("3000"));
    m_window->txttargetfilename->setText(QStringLiteral("out.bmp"));
    QSize shownWhileConfirming;
    bool pictureWhileConfirming = false;
    m_services.onMessage = [&](const QString &) {
        shownWhileConfirming = m_window->picloadedpic->size();
        pictureWhileConfirming = !m_window->picloadedpic->picture().isNull();
    };
    m_window->cmdconvert->click();
    const BmpHeader header = bmpHeader(m_folder->filePath(QStringLiteral("out.bmp")));
    QCOMPARE(header.width, 196); // 3000 twips = 200 px, less the border
    QCOMPARE(header.height, 96); // 1500 twips = 100 px
    QCOMPARE(shownWhileConfirming, QSize(200, 100));
    QVERIFY(pictureWhileConfirming);

    QCOMPARE(m_window->picloadedpic->Width(), 4095.f);
    QCOMPARE(m_window->picloadedpic->Height(), 3255.f);
    QVERIFY(m_window->picloadedpic->picture().isNull());
    QCOMPARE(m_window->chkresolution->checkState(), Qt::Checked);
    QCOMPARE(m_window->txtheight->text(), QStringLiteral("1500"));
    QCOMPARE(m_window->txttargetfilename->text(), QStringLiteral("out.bmp"));
}

void tst_Conversion::sizeChangesInOrder()
{
    struct SizeLog : QObject
    {
        QList<QSize> sizes;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Resize)
                sizes << static_cast<QResizeEvent *>(event)->size();
            return false;
        }
    } log;
    select(metafile());
    tick(QStringLiteral("1500"), QStringLiteral("3000"));
    m_window->picloadedpic->installEventFilter(&log);
    QCoreApplication::processEvents();
    m_window->cmdconvert->click();
    QCoreApplication::processEvents();
    // Height, then width; the reset puts back the width, then the height.
    QCOMPARE(log.sizes, (QList<QSize> {{273, 100}, {200, 100}, {273, 100}, {273, 217}}));
}

void tst_Conversion::confirmationNamesSourceWhenTargetElsewhere()
{
    const QString source = metafile();
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(QStringLiteral("shot.bmp"));
    select(source);
    m_window->txttargetfilename->setText(target);
    m_window->cmdconvert->click();
    QCOMPARE(bmpHeader(target).bitsPerPixel, 24);
    QCOMPARE(m_services.messages.size(), 1);
    QVERIFY(m_services.messages[0].contains(source));
    QVERIFY(m_services.messages[0].contains(QDir::toNativeSeparators(target)));
}

void tst_Conversion::reusedTargetTextOverwrites()
{
    const QString target = m_folder->filePath(QStringLiteral("same.bmp"));
    m_window->txttargetfilename->setText(target);
    select(metafile());
    m_window->cmdconvert->click();
    const QByteArray first = contents(target);
    select(metafile());
    tick(QStringLiteral("600"), QStringLiteral("600"));
    m_window->cmdconvert->click();
    QCOMPARE(bmpHeader(target).width, 36);
    QVERIFY(contents(target) != first);
    QCOMPARE(QDir(m_folder->path()).entryList({QStringLiteral("*.bmp")}), QStringList {QStringLiteral("same.bmp")});
}

void tst_Conversion::relativeTargetLandsBesideSource()
{
    select(metafile());
    m_window->txttargetfilename->setText(QStringLiteral("picture"));
    m_window->cmdconvert->click();
    QVERIFY(QFileInfo::exists(m_folder->filePath(QStringLiteral("picture.bmp"))));
}

void tst_Conversion::refusedSizesChangeNothing_data()
{
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("message");
    const QString badHeight = QStringLiteral("Please enter a valid height");
    const QString badWidth = QStringLiteral("Please enter a valid width");
    QTest::addRow("both invalid") << "-1"
                                  << "x" << badHeight;
    QTest::addRow("height empty") << ""
                                  << "100" << badHeight;
    QTest::addRow("width negative") << "1500"
                                    << "-1" << badWidth;
    QTest::addRow("height zero") << "0"
                                 << "3000" << QStringLiteral("Please enter a valid height from 68 to 491572 twips");
    QTest::addRow("width under a pixel inside")
        << "1500"
        << "60" << QStringLiteral("Please enter a valid width from 68 to 491572 twips");
    QTest::addRow("width too large") << "1500"
                                     << "1e7" << QStringLiteral("Please enter a valid width from 68 to 491572 twips");
}

void tst_Conversion::refusedSizesChangeNothing()
{
    QFETCH(QString, height);
    QFETCH(QString, width);
    QFETCH(QString, message);
    const QString source = metafile();
    select(source);
    tick(height, width);
    m_window->cmdconvert->click();
    QCOMPARE(m_services.messages, QStringList {message});
    QCOMPARE(m_window->picloadedpic->Width(), 4095.f);
    QCOMPARE(m_window->picloadedpic->Height(), 3255.f);
    QCOMPARE(m_window->comdlg_open.FileName, source);
    QVERIFY(!m_window->picloadedpic->picture().isNull());
    QCOMPARE(m_window->txtheight->text(), height);
    QCOMPARE(QDir(m_folder->path()).entryList({QStringLiteral("*.bmp")}), QStringList());
}

void tst_Conversion::failedSaveKeepsEverything()
{
    const QString source = metafile();
    writeFile(m_folder->filePath(QStringLiteral("blocker")), "a file where a folder should be");
    select(source);
    m_window->txttargetfilename->setText(m_folder->filePath(QStringLiteral("blocker/out.bmp")));
    m_window->cmdconvert->click();
    QCOMPARE(m_services.messages.size(), 1);
    QVERIFY2(m_services.messages[0].startsWith(QStringLiteral("The file ")), qPrintable(m_services.messages[0]));
    QVERIFY(m_services.messages[0].contains(QStringLiteral("could not be saved")));
    QCOMPARE(m_window->comdlg_open.FileName, source);
    QVERIFY(!m_window->picloadedpic->picture().isNull());
    QCOMPARE(contents(m_folder->filePath(QStringLiteral("blocker"))), QByteArray("a file where a folder should be"));

    // An existing target that cannot be replaced (a folder of that name) stays as it was.
    QDir(m_folder->path()).mkdir(QStringLiteral("taken.bmp"));
    m_window->txttargetfilename->setText(m_folder->filePath(QStringLiteral("taken.bmp")));
    m_window->cmdconvert->click();
    QCOMPARE(m_services.messages.size(), 2);
    QVERIFY(m_services.messages[1].contains(QStringLiteral("could not be saved")));
    QVERIFY(QFileInfo(m_folder->filePath(QStringLiteral("taken.bmp"))).isDir());
    QCOMPARE(m_window->comdlg_open.FileName, source);
}

void tst_Conversion::failedSavePutsCanvasSizeBack()
{
    select(metafile());
    tick(QStringLiteral("3000"), QStringLiteral("6000"));
    m_window->txttargetfilename->setText(QStringLiteral("nofolder/x.bmp"));
    m_window->cmdconvert->click();
    QCOMPARE(m_services.messages.size(), 1);
    QVERIFY2(m_services.messages[0].endsWith(QStringLiteral("could not be saved: the folder does not exist.")),
             qPrintable(m_services.messages[0]));
    QCOMPARE(m_window->picloadedpic->Width(), 4095.f);
    QCOMPARE(m_window->picloadedpic->Height(), 3255.f);
    QCOMPARE(m_window->picloadedpic->size(), QSize(273, 217));

    // The next run without the option writes the default size.
    m_window->chkresolution->setCheckState(Qt::Unchecked);
    m_window->txttargetfilename->setText(QStringLiteral("x.bmp"));
    m_window->cmdconvert->click();
    const BmpHeader header = bmpHeader(m_folder->filePath(QStringLiteral("x.bmp")));
    QCOMPARE(QSize(header.width, header.height), QSize(269, 213));
}

void tst_Conversion::sourceIsNeverItsOwnTarget_data()
{
    QTest::addColumn<QString>("source"); // a file in the scratch folder
    QTest::addColumn<QString>("target"); // the target text; "<source>" stands for the source's full path
    QTest::addColumn<bool>("sized"); // with the size option ticked
    QTest::addRow("metafile named .bmp, no target") << "drawing.bmp"
                                                    << "" << false;
    QTest::addRow("real bitmap, no target") << "photo.bmp"
                                            << "" << true;
    QTest::addRow("typed name of the source") << "drawing.bmp"
                                              << "drawing.bmp" << true;
    QTest::addRow("full path of the source") << "drawing.bmp"
                                             << "<source>" << false;
    QTest::addRow("another spelling") << "drawing.bmp"
                                      << "sub/../drawing.bmp" << false;
    QTest::addRow("symbolic link to the source") << "drawing.bmp"
                                                 << "link.bmp" << true;
    QTest::addRow("hard link to the source") << "drawing.bmp"
                                             << "hard.bmp" << false;
}

void tst_Conversion::sourceIsNeverItsOwnTarget()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(bool, sized);
    const QString path = m_folder->filePath(source);
    if (source == u"photo.bmp") {
        QImage photo(30, 20, QImage::Format_RGB32);
        photo.fill(Qt::green);
        QVERIFY(photo.save(path, "BMP"));
    } else {
        QVERIFY(writeFile(path, redRectangleMetafile()));
    }
    QDir(m_folder->path()).mkdir(QStringLiteral("sub"));
    QVERIFY(QFile::link(path, m_folder->filePath(QStringLiteral("link.bmp"))));
    QVERIFY(QFile::copy(path, m_folder->filePath(QStringLiteral("copy"))));
    QCOMPARE(::link(QFile::encodeName(path).constData(),
                    QFile::encodeName(m_folder->filePath(QStringLiteral("hard.bmp"))).constData()),
             0);
    const QByteArray original = contents(path);

    select(path);
    if (sized)
        tick(QStringLiteral("1500"), QStringLiteral("3000"));
    m_window->txttargetfilename->setText(target == u"<source>" ? path : target);
    m_window->cmdconvert->click();

    QCOMPARE(m_services.messages.size(), 1);
    QVERIFY2(m_services.messages[0].endsWith(
                 QStringLiteral("could not be saved: it is the source file itself, which would be lost.")),
             qPrintable(m_services.messages[0]));
    QCOMPARE(contents(path), original);
    QCOMPARE(m_window->comdlg_open.FileName, path);
    QVERIFY(!m_window->picloadedpic->picture().isNull());
    QCOMPARE(m_window->picloadedpic->Width(), 4095.f);
    QCOMPARE(m_window->picloadedpic->Height(), 3255.f);

    // Any other file of that name is still replaced: the copy is no source.
    m_window->txttargetfilename->setText(QStringLiteral("copy.bmp"));
    QVERIFY(QFile::rename(m_folder->filePath(QStringLiteral("copy")), m_folder->filePath(QStringLiteral("copy.bmp"))));
    m_window->cmdconvert->click();
    QCOMPARE(m_services.messages.size(), 2);
    QVERIFY(m_services.messages[1].contains(QStringLiteral("converted")));
    QVERIFY(contents(m_folder->filePath(QStringLiteral("copy.bmp"))) != original);
    QCOMPARE(contents(path), original);
}

QTEST_MAIN(tst_Conversion)
void tst_Conversion::enhancedMetafileConvertsLikeAWindowsMetafile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("sized");
    // Told by its content whatever its name, as files come from "All Files".
    QTest::newRow("drawing.emf") << QStringLiteral("drawing.emf") << false;
    QTest::newRow("named .wmf") << QStringLiteral("drawing.wmf") << false;
    QTest::newRow("no extension") << QStringLiteral("drawing") << false;
    QTest::newRow("resized") << QStringLiteral("drawing.emf") << true;
}

// An Enhanced Metafile previews and converts as a Windows Metafile does: a red square over
// the middle of a 100 x 100 frame.
void tst_Conversion::enhancedMetafileConvertsLikeAWindowsMetafile()
{
    QFETCH(QString, name);
    QFETCH(bool, sized);
    EmfBuilder emf;
    emf.fillWith(1, colorref::red).rectangle(QRect(25, 25, 50, 50));
    const QString source = m_folder->filePath(name);
    QVERIFY(writeFile(source, emf.bytes()));
    select(source);
    QCOMPARE(m_window->comdlg_open.FileName, source);
    const QImage preview = m_window->picloadedpic->Image();
    QVERIFY(!preview.isNull());
    QCOMPARE(preview.pixel(preview.width() / 2, preview.height() / 2), qRgb(255, 0, 0));

    if (sized)
        tick(QStringLiteral("1500"), QStringLiteral("3000"));
    m_window->cmdconvert->click();
    QCOMPARE(m_services.messages.size(), 1);
    QVERIFY2(m_services.messages[0].contains(QStringLiteral("converted")), qPrintable(m_services.messages[0]));
    const QString target = m_folder->filePath(QFileInfo(name).completeBaseName() + QStringLiteral(".bmp"));
    const QImage written(target);
    QVERIFY(!written.isNull());
    if (sized)
        QCOMPARE(written.size(), QSize(196, 96)); // the canvas less its border
    QCOMPARE(written.pixel(written.width() / 2, written.height() / 2), qRgb(255, 0, 0));
    QCOMPARE(written.pixel(2, 2), qRgb(255, 255, 255));
    QCOMPARE(QFileInfo(source).size(), emf.bytes().size()); // the source untouched
}

// The window draws an EMF+-only picture from its EMF+ records, as Office shows it, and says
// when a picture draws nothing at all instead of confirming a conversion; the file is written.
void tst_Conversion::emfPlusPicturesAndBlankOnes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QRgb>("centre");
    QTest::addColumn<QString>("said");
    using B = EmfPlusBuilder;
    B plus;
    plus.header().record(B::FillRects, B::solid, EmfBuilder::ints({0xFFFF0000, 1}) + B::rectF({25, 25, 50, 50}));
    B undrawable; // a fill with an empty brush slot
    undrawable.header().record(B::FillRects, 0, EmfBuilder::ints({7, 1}) + B::rectF({25, 25, 50, 50}));
    QTest::newRow("EMF+ only") << plus.bytes() << qRgb(255, 0, 0) << QStringLiteral("has been converted");
    QTest::newRow("EMF+ that cannot be drawn")
        << undrawable.bytes() << qRgb(255, 255, 255) << QStringLiteral("draws nothing that can be shown");
    QTest::newRow("an empty EMF") << EmfBuilder().bytes() << qRgb(255, 255, 255)
                                  << QStringLiteral("draws nothing that can be shown");
}

void tst_Conversion::emfPlusPicturesAndBlankOnes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QRgb, centre);
    QFETCH(QString, said);
    const QString source = m_folder->filePath(QStringLiteral("chart.emf"));
    QVERIFY(writeFile(source, bytes));
    select(source);
    const QImage preview = m_window->picloadedpic->Image();
    QCOMPARE(preview.pixel(preview.width() / 2, preview.height() / 2), centre);
    m_window->cmdconvert->click();
    QCOMPARE(m_services.messages.size(), 1);
    QVERIFY2(m_services.messages[0].contains(said), qPrintable(m_services.messages[0]));
    const QImage written(m_folder->filePath(QStringLiteral("chart.bmp")));
    QVERIFY(!written.isNull());
    QCOMPARE(written.pixel(written.width() / 2, written.height() / 2), centre);
}

#include "tst_conversion.moc"
