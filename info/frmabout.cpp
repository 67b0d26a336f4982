// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "frmabout.h"

#include "appinfo.h"
#include "colourlabel.h"
#include "hoverarea.h"
#include "line.h"
#include "maker.h"
#include "services.h"
#include "timer.h"
#include "twips.h"

#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

#include <utility>

namespace {

const QString linkTooltip = QStringLiteral("Click for Quillfern Site");

QString descriptionText()
{
    // The run of blanks pushes the instructions past the end of the first paragraph.
    return QStringLiteral("Pictorate is an app that takes a WMF file and converts it into a BMP - at any "
                          "resolution the user requests.  The Default image size matches Quillfern's "
                          "Gumbledeck program.")
         + QString(139, QLatin1Char(' ')) + QStringLiteral("Just use the select button to choose a file, and then hit ")
         + QStringLiteral("\"Pictorate\" and it will create a BMP of the same name in the same location as the "
                          "source file.  Tha's it.  ");
}

QString disclaimerText()
{
    return QStringLiteral("This program was designed to create images for use with Quillfern's Gumbledecks "
                          "application.  See our website for more information.");
}

// A design label: left-aligned text at the top, wrapped at word boundaries.
template<typename Label>
Label *makeLabel(QWidget *parent, const char *name, double left, double top, double width, double height)
{
    auto *label = new Label(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    setTwipsGeometry(label, left, top, width, height);
    return label;
}

// A picture box with the platform's sunken border, 2 pixels on each side, showing `picture`
// at the top left of its inner area.
QLabel *makePictureBox(QWidget *parent, const char *name, double left, double top, double width, double height,
                       const QPixmap &picture)
{
    auto *box = new QLabel(parent);
    box->setObjectName(QLatin1String(name));
    box->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    box->setLineWidth(2);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box->setFocusPolicy(Qt::TabFocus);
    box->setPixmap(picture);
    setTwipsGeometry(box, left, top, width, height);
    return box;
}

} // namespace

frmAbout::frmAbout(Services &services) : QDialog(nullptr), m_services(services)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    // A fixed dialog frame: a title and a close box, no minimise, maximise or help button.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(twipsToPixelsX(7140), twipsToPixelsY(4800));
    setWindowIcon(QIcon(QStringLiteral(":/info.ico")));
    buildDesign();
    Form_Load();
}

void frmAbout::buildDesign()
{
    Timer1 = new Timer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &Timer::tick, this, &frmAbout::Timer1_Timer);

    buildPictures();

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    setTwipsGeometry(cmdOK, 5640, 3345, 1260, 345);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    picHyperlink = new QWidget(this);
    picHyperlink->setObjectName(QStringLiteral("picHyperlink"));
    picHyperlink->setToolTip(linkTooltip);
    picHyperlink->setFocusPolicy(Qt::TabFocus);
    setTwipsGeometry(picHyperlink, 4560, 120, 2775, 495);

    lbhyperlink = makeLabel<ColourLabel>(picHyperlink, "lbhyperlink", 120, 0, 2775, 255);
    lbhyperlink->setText(makerWebAddress());
    lbhyperlink->setToolTip(linkTooltip);
    lbhyperlink->setCursor(Qt::PointingHandCursor);
    lbhyperlink->setMouseTracking(true); // moves arrive without a button held
    lbhyperlink->installEventFilter(this);

    buildTexts();
    setTabChain();
    cmdOK->setFocus();
}

void frmAbout::buildPictures()
{
    piclogo = makePictureBox(this, "piclogo", 4560, 480, 2265, 2550, QPixmap(QStringLiteral(":/logo.bmp")));
    piclogo->setToolTip(QStringLiteral("Quillfern Logo"));
    const QIcon applicationIcon(QStringLiteral(":/app.ico"));
    picIcon = makePictureBox(this, "picIcon", 120, 120, 540, 540, applicationIcon.pixmap(QSize(32, 32)));
}

void frmAbout::buildTexts()
{
    lblVersion = makeLabel<QLabel>(this, "lblVersion", 960, 2760, 3375, 375);

    // Two rules on the same coordinates make one etched line: the grey one, 1 pixel wide, is
    // raised over the white one, 2 pixels wide, whose lower pixel row shows beneath it.
    Line1[1] = new Line(this, 180, 3240, 6927, 3240, QColor(0x80, 0x80, 0x80), 1);
    Line1[1]->setObjectName(QStringLiteral("Line1"));

    lblDescription = makeLabel<ColourLabel>(this, "lblDescription", 960, 600, 3405, 2010);
    lblDescription->setForeColor(0);
    lblDescription->setText(descriptionText());

    Line1[0] = new Line(this, 180, 3240, 6927, 3240, QColor(0xFF, 0xFF, 0xFF), 2);
    Line1[0]->setObjectName(QStringLiteral("Line1"));
    Line1[1]->raise();

    lblDisclaimer = makeLabel<ColourLabel>(this, "lblDisclaimer", 255, 3345, 4230, 825);
    lblDisclaimer->setForeColor(0);
    lblDisclaimer->setText(disclaimerText());

    lblTitle = makeLabel<ColourLabel>(this, "lblTitle", 960, 240, 3405, 360);
    lblTitle->setForeColor(0);
    // The title is bold "MS Sans Serif" at 8.25 points, the face the window was designed
    // with: the application's face stands for it (as for every other label), in bold. Its
    // character set 0 (ANSI) has no counterpart here: Qt picks faces by script.
    QFont titleFont = font();
    titleFont.setPointSizeF(8.25);
    titleFont.setWeight(QFont::Bold);
    lblTitle->setFont(titleFont);
}

void frmAbout::setTabChain()
{
    // By tab index; the labels never take the focus.
    QWidget::setTabOrder(cmdOK, picIcon);
    QWidget::setTabOrder(picIcon, picHyperlink);
    QWidget::setTabOrder(picHyperlink, piclogo);
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + App::Title());
    lblVersion->setText(QStringLiteral("Version %1.%2.%3").arg(App::Major).arg(App::Minor).arg(App::Revision));
    lblTitle->setText(App::Title());
    lbhyperlink->move(0, 0);
    lbhyperlink->setForeColor(colourIdle);
    const QRectF box = twipsGeometry(picHyperlink);
    const QRectF label = twipsGeometry(lbhyperlink);
    setTwipsGeometry(picHyperlink, box.left(), box.top(), label.width(), label.height());
}

void frmAbout::lbhyperlink_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, QPointF)
{
    if (lbhyperlink->ForeColor() != colourIdle)
        return;
    lbhyperlink->setForeColor(colourLit);
    lbhyperlink->setFontUnderline(true);
    Timer1->setInterval(pollMilliseconds);
    Timer1->setEnabled(true);
}

void frmAbout::lbhyperlink_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, QPointF)
{
    if (lbhyperlink->ForeColor() != colourLit)
        return;
    lbhyperlink->setForeColor(colourPressed);
    lbhyperlink->repaint();
}

void frmAbout::lbhyperlink_MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, QPointF)
{
    if (lbhyperlink->ForeColor() != colourPressed)
        return;
    lbhyperlink->setForeColor(colourLit);
    lbhyperlink->repaint();
}

void frmAbout::lbhyperlink_Click()
{
    shellExecuteFromDesktop(QStringLiteral("open"), lbhyperlink->text(), std::nullopt, std::nullopt, 1);
}

void frmAbout::Timer1_Timer()
{
    // The test is purely geometric: the box counts even where it is clipped by the window's
    // edge or covered by another window.
    const QPoint client = picHyperlink->mapFromGlobal(m_services.cursorPos());
    const QRectF box = twipsGeometry(picHyperlink);
    if (!pointerOutside(client, Screen::TwipsPerPixelX(), Screen::TwipsPerPixelY(), box.width(), box.height()))
        return;
    lbhyperlink->setForeColor(colourIdle);
    lbhyperlink->setFontUnderline(false);
    Timer1->setEnabled(false);
}

void frmAbout::cmdOK_Click() { close(); }

void frmAbout::shellExecuteFromDesktop(const QString &operation, const QString &file,
                                       const std::optional<QString> &parameters,
                                       const std::optional<QString> &directory, qint32 showCommand)
{
    // The call's owner is the desktop window. This desktop has no such window to give: the
    // shell service opens its documents without an owner, which stands for it. An absent
    // text passes as a null string; the result is not examined.
    m_services.shellExecute(operation, file, parameters.value_or(QString()), directory.value_or(QString()),
                            showCommand);
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != lbhyperlink)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        m_lastMove = MoveRecord {mouse->timestamp(),           mouse->globalPosition(), lbhyperlink->ForeColor(),
                                 lbhyperlink->FontUnderline(), Timer1->Interval(),      Timer1->Enabled()};
        lbhyperlink_MouseMove(mouse->buttons(), mouse->modifiers(), mouse->position());
        return true;
    }
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        takeBackMoveOfPress(*mouse);
        if (mouse->button() == Qt::LeftButton)
            m_clickPending = true;
        lbhyperlink_MouseDown(mouse->button(), mouse->modifiers(), mouse->position());
        return true;
    }
    case QEvent::MouseButtonDblClick:
        // The second press of a double click opens the address no second time.
        m_clickPending = false;
        return true;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        m_lastMove.reset();
        lbhyperlink_MouseUp(mouse->button(), mouse->modifiers(), mouse->position());
        // A click is a left press and release on the label; releasing elsewhere cancels it.
        if (mouse->button() == Qt::LeftButton && std::exchange(m_clickPending, false)
            && lbhyperlink->rect().contains(mouse->position().toPoint()))
            lbhyperlink_Click();
        return true;
    }
    default: return QDialog::eventFilter(watched, event);
    }
}

// A press where the pointer was last seen elsewhere reaches the label as two events: Qt
// first sends a move to the press's position, with the press's own timestamp, then the
// press. Such a move is no move of the user's: a press on an Idle label that the pointer
// has not moved over must change nothing. So when the press carries the timestamp and the
// position of the move just before it, the label is put back as that move found it (the
// move requested no repaint, so nothing of it was shown). A real move that the window
// system stamps with the same millisecond and place as the press that follows is taken
// back too; it differs from the press by nothing a handler could see.
void frmAbout::takeBackMoveOfPress(const QMouseEvent &press)
{
    const std::optional<MoveRecord> move = std::exchange(m_lastMove, std::nullopt);
    if (!move || move->timestamp != press.timestamp() || move->globalPosition != press.globalPosition()
        || move->colour == lbhyperlink->ForeColor())
        return;
    lbhyperlink->setForeColor(move->colour);
    lbhyperlink->setFontUnderline(move->underline);
    Timer1->setInterval(move->interval);
    Timer1->setEnabled(move->enabled);
}

void frmAbout::keyPressEvent(QKeyEvent *event)
{
    // cmdOK is the cancel button too: Escape presses it rather than rejecting the dialog.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
