// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "frmconvert.h"

#include "bandedsave.h"
#include "canvas.h"
#include "frmabout.h"
#include "frminfo.h"
#include "line.h"
#include "naming.h"
#include "services.h"
#include "sizeplan.h"
#include "targetpath.h"
#include "twips.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

namespace {

const auto openFilter = QStringLiteral(
    "All Files (*.*)|*.*|Windows Metafiles (*.wmf)|*.wmf|Text Files (*.txt)|*.txt|Batch Files (*.bat)|*.bat");

const auto notesCaption = QStringLiteral(
    "NOTE:  Files pictorated will be saved in the same directory as the source file, with the .bmp extension , "
    "and by default will be the correct size for my tilecard app.  If no filename is specified, the original "
    "name +.bmp will be used.  Files of the same name will be overwritten.");

const auto twipsCaption = QStringLiteral("Twips, 1440 to the inch. Default: 4095 wide by 3255 high.");

template<typename Control>
Control *place(QWidget *parent, const char *name, const QString &caption, double left, double top, double width,
               double height)
{
    auto *control = new Control(caption, parent);
    control->setObjectName(QLatin1StringView(name));
    setTwipsGeometry(control, left, top, width, height);
    return control;
}

QLineEdit *placeTextBox(QWidget *parent, const char *name, double left, double top, double width, double height)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QLatin1StringView(name));
    setTwipsGeometry(box, left, top, width, height);
    return box;
}

} // namespace

frmconvert::frmconvert(Services &services, QWidget *parent)
    : QMainWindow(parent)
    , comdlg_open(services, this)
    , m_services(services)
{
    setObjectName(QStringLiteral("frmconvert"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Pictorate!"));
    setWindowIcon(QIcon(QStringLiteral(":/app.ico")));
    createMenus();
    createControls();
    Form_Load();
}

void frmconvert::createControls()
{
    // An ordinary sizeable frame: the window may be made smaller or larger than its design,
    // and the controls keep their places and sizes.
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    resize(twipsToPixelsX(7950), twipsToPixelsY(5640) + menuBar()->sizeHint().height());

    // Created in tab-index order; labels take no focus.
    cmdconvert = place<QPushButton>(client, "cmdconvert", QStringLiteral("P&ictorate!!!"), 5160, 1320, 1935, 1935);
    cmdconvert->setDefault(true);
    picloadedpic = new Canvas(client);
    picloadedpic->setObjectName(QStringLiteral("picloadedpic"));
    picloadedpic->Move(240, 120, defaultCanvasWidthTwips, defaultCanvasHeightTwips);
    cmdselect = place<QPushButton>(client, "cmdselect", QStringLiteral("S&elect file"), 5040, 360, 2175, 735);
    cmdselect->setAutoDefault(true);
    lblNotes = place<QLabel>(client, "lblNotes", notesCaption, 120, 4800, 7695, 615);
    lblNotes->setWordWrap(true);
    lblNotes->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    chkresolution =
        place<QCheckBox>(client, "chkresolution", QStringLiteral("Specify Target Resolution"), 240, 3480, 2295, 375);
    lblHeight = place<QLabel>(client, "lblHeight", QStringLiteral("Height:"), 240, 3960, 615, 255);
    lblwidth = place<QLabel>(client, "lblwidth", QStringLiteral("Width:"), 2400, 3960, 615, 255);
    txtheight = placeTextBox(client, "txtheight", 960, 3960, 1335, 285);
    lbltwips = place<QLabel>(client, "lbltwips", twipsCaption, 240, 4320, 5055, 255);
    lbltwips->setVisible(false);
    txtwidth = placeTextBox(client, "txtwidth", 3000, 3960, 1335, 285);
    txttargetfilename = placeTextBox(client, "txttargetfilename", 5040, 3720, 2175, 285);
    lbltargetname = place<QLabel>(client, "lbltargetname", QStringLiteral("Target Filename:"), 4680, 3480, 2535, 255);
    for (QLabel *label : {lblNotes, lblHeight, lblwidth, lbltwips, lbltargetname})
        label->setAlignment(label->alignment() | Qt::AlignTop);

    Line1 = new Line(client, 0, 0, 7920, 0);
    Line1->setObjectName(QStringLiteral("Line1"));

    setTabOrder(cmdconvert, picloadedpic);
    setTabOrder(picloadedpic, cmdselect);
    setTabOrder(cmdselect, chkresolution);
    setTabOrder(chkresolution, txtheight);
    setTabOrder(txtheight, txtwidth);
    setTabOrder(txtwidth, txttargetfilename);
    cmdconvert->setFocus();

    connect(cmdselect, &QPushButton::clicked, this, &frmconvert::cmdselect_Click);
    connect(cmdconvert, &QPushButton::clicked, this, &frmconvert::cmdconvert_Click);
    connect(chkresolution, &QCheckBox::stateChanged, this, &frmconvert::chkresolution_Click);
}

void frmconvert::createMenus()
{
    auto addItem = [this](QMenu *menu, const char *name, const QString &caption, void (frmconvert::*handler)()) {
        QAction *item = menu->addAction(caption);
        item->setObjectName(QLatin1StringView(name));
        connect(item, &QAction::triggered, this, handler);
        return item;
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuselect = addItem(mnuFile, "mnuselect", QStringLiteral("&Select File"), &frmconvert::mnuselect_Click);
    mnuconvert = addItem(mnuFile, "mnuconvert", QStringLiteral("&Pictorate"), &frmconvert::mnuconvert_Click);
    mnuExit = addItem(mnuFile, "mnuExit", QStringLiteral("E&xit"), &frmconvert::mnuExit_Click);
    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuabout = addItem(mnuHelp, "mnuabout", QStringLiteral("&About"), &frmconvert::mnuabout_Click);
    mnuinfo = addItem(mnuHelp, "mnuinfo", QStringLiteral("Pictorate &Info"), &frmconvert::mnuinfo_Click);
}

QString frmconvert::changeExtension(QString sOrigValue, QString sNewExt) const
{
    return ::changeExtension(std::move(sOrigValue), std::move(sNewExt));
}

void frmconvert::Form_Load()
{
    lblHeight->setVisible(false);
    lblwidth->setVisible(false);
    txtheight->setVisible(false);
    txtwidth->setVisible(false);
    chkresolution->setCheckState(Qt::Unchecked);
}

void frmconvert::chkresolution_Click()
{
    const QList<QWidget *> sizeGroup = {lblHeight, lblwidth, lbltwips, txtheight, txtwidth};
    if (chkresolution->checkState() == Qt::Checked) {
        for (QWidget *control : sizeGroup)
            control->setVisible(true);
    }
    if (chkresolution->checkState() == Qt::Unchecked) {
        for (QWidget *control : sizeGroup)
            control->setVisible(false);
    }
}

void frmconvert::cmdselect_Click()
{
    comdlg_open.DefaultExt = QStringLiteral("wmf");
    comdlg_open.Filter = openFilter;
    comdlg_open.FilterIndex = 2;
    comdlg_open.DialogTitle = QStringLiteral("Select file to pictorate:");
    const QString previous = comdlg_open.FileName;
    comdlg_open.ShowOpen();

    QString why;
    std::optional<Picture> picture = LoadPicture(comdlg_open.FileName, &why);
    if (!picture) {
        // The choice is refused whole: the selection and the preview stay as they were.
        const QString chosen = comdlg_open.FileName;
        comdlg_open.FileName = previous;
        MsgBox(m_services, this, QStringLiteral("The file %1 could not be read as a picture: %2.").arg(chosen, why));
        return;
    }
    picloadedpic->setPicture(std::move(*picture));
}

void frmconvert::cmdconvert_Click()
{
    if (comdlg_open.FileName.isEmpty()) {
        MsgBox(m_services, this, QStringLiteral("Please make sure you have selected a file to convert."));
        return;
    }
    convertFile();
}

void frmconvert::convertFile()
{
    const bool ticked = chkresolution->checkState() == Qt::Checked;
    const SizePlan size = planSize({ticked, txtheight->text(), txtwidth->text(), QLocale()});
    if (size.action == SizePlan::Action::Refuse) {
        MsgBox(m_services, this, size.message);
        return;
    }
    const QString source = comdlg_open.FileName;
    const QString target = resolveTargetPath(chooseTargetName(txttargetfilename->text(), source), source);
    auto cannotSave = [&](const QString &why) {
        MsgBox(m_services, this,
               QStringLiteral("The file %1 could not be saved: %2.").arg(QDir::toNativeSeparators(target), why));
    };
    // Writing the bitmap over its own source would lose the source: refused before anything
    // changes, whatever name, link or second spelling leads there.
    if (isSameFile(target, source)) {
        cannotSave(sourceIsTargetReason());
        return;
    }

    const float oldHeight = picloadedpic->Height();
    const float oldWidth = picloadedpic->Width();
    if (size.action == SizePlan::Action::Apply && !applyTargetSize(size.height, size.width))
        return;
    // A run that fails from here on leaves the canvas at its size from before the run.
    auto restoreSize = [&] {
        picloadedpic->setHeight(oldHeight);
        picloadedpic->setWidth(oldWidth);
    };

    QString why;
    const SaveOutcome outcome = saveCanvas(source, target, &why);
    if (outcome != SaveOutcome::Saved)
        restoreSize();
    if (outcome == SaveOutcome::NoMemory)
        MsgBox(m_services, this, QStringLiteral("There is not enough memory for an image of that size."));
    if (outcome == SaveOutcome::Failed)
        cannotSave(why);
    // A cancelled run ends quietly: the user asked for it, and the old file is as it was.
    if (outcome != SaveOutcome::Saved)
        return;
    // A picture none of whose records could be drawn was written blank: saying it was converted
    // would hide that nothing of it shows.
    const QString message = picloadedpic->picture().drawsNothing()
                              ? QStringLiteral("The image %1 draws nothing that can be shown: %2 was saved blank.")
                              : QStringLiteral("The image %1 has been converted and saved as %2.");
    MsgBox(m_services, this, message.arg(source, QDir::toNativeSeparators(target)));
    resetForm();
}

// Draws and writes the canvas's picture at the canvas's size a band at a time on a thread of its
// own, so that a picture of any size the canvas accepts takes little memory and the window
// stays alive while it works.
SaveOutcome frmconvert::saveCanvas(const QString &source, const QString &target, QString *why)
{
    const Picture picture = picloadedpic->picture();
    const QSize pixels = picloadedpic->imageSize();
    BandedSave how;
    how.physicalTwips = QSizeF(picloadedpic->Width(), picloadedpic->Height());
    SaveOutcome outcome = SaveOutcome::Failed;
    const QString label = QStringLiteral("The image %1 is being converted and saved as %2.")
                              .arg(source, QDir::toNativeSeparators(target));
    m_services.whileBusy(this, QStringLiteral("Pictorating..."), label, [&](BusyProgress &progress) {
        how.progress = [&progress](int done, int rows) { return progress.report(done, rows); };
        outcome = savePictureInBands(picture, pixels, target, how, why);
    });
    return outcome;
}

// Refuses, with nothing changed, a size whose inner area the canvas cannot hold; otherwise
// applies the height and then the width.
bool frmconvert::applyTargetSize(float heightTwips, float widthTwips)
{
    const QSize inner = Canvas::innerPixels(widthTwips, heightTwips);
    if (!canvasHoldsPixels(inner.height())) {
        MsgBox(m_services, this, canvasSizeLimitMessage(QStringLiteral("height"), Screen::TwipsPerPixelY()));
        return false;
    }
    if (!canvasHoldsPixels(inner.width())) {
        MsgBox(m_services, this, canvasSizeLimitMessage(QStringLiteral("width"), Screen::TwipsPerPixelX()));
        return false;
    }
    picloadedpic->setHeight(heightTwips);
    picloadedpic->setWidth(widthTwips);
    return true;
}

void frmconvert::resetForm()
{
    comdlg_open.FileName.clear();
    picloadedpic->setWidth(defaultCanvasWidthTwips);
    picloadedpic->setHeight(defaultCanvasHeightTwips);
    picloadedpic->setPicture(Picture());
}

void frmconvert::mnuselect_Click() { cmdselect_Click(); }
void frmconvert::mnuconvert_Click() { cmdconvert_Click(); }
void frmconvert::mnuExit_Click() { close(); }

void frmconvert::mnuabout_Click()
{
    if (!m_about)
        m_about = new frmAbout(m_services);
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void frmconvert::mnuinfo_Click()
{
    if (!m_info)
        m_info = new frmInfo();
    m_info->show();
    m_info->raise();
    m_info->activateWindow();
}

// The convert button is the window's default button: Enter that no other control takes
// presses it.
void frmconvert::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && cmdconvert->isVisible()) {
        cmdconvert->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}
