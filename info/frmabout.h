// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The About window: the application icon, title and version, a fixed description and
// disclaimer, the maker's logo, and the maker's web address as a link label.
//
// All behaviour beyond the load sits in the link label `lbhyperlink`. Its text colour is
// the only record of its state: Idle (black), Lit (blue, underlined, pointer poll on) and
// Pressed (red, underlined, poll on). Mouse events of the label reach the handlers through
// an event filter; while the label is lit, `Timer1` polls the pointer every 100 ms and
// returns the label to Idle once the pointer lies outside `picHyperlink`. A click hands the
// label's caption to the shell's "open" through Services.
//
// The window has no owner and deletes itself when closed: closing it is its unload.

#include <QDialog>
#include <QPointF>
#include <QString>

#include <array>
#include <optional>

class ColourLabel;
class Line;
class QLabel;
class QMouseEvent;
class QPushButton;
class Services;
class Timer;

class frmAbout : public QDialog
{
    Q_OBJECT

public:
    // The label states, as colour values.
    static constexpr quint32 colourIdle = 0x000000;
    static constexpr quint32 colourLit = 0xFF0000;
    static constexpr quint32 colourPressed = 0x0000FF;
    static constexpr int pollMilliseconds = 100;

    // Builds the window from its design and runs Form_Load.
    explicit frmAbout(Services &services);

    // The controls, named as in the window's design.
    Timer *Timer1;
    QLabel *piclogo;
    QLabel *picIcon;
    QPushButton *cmdOK;
    QWidget *picHyperlink;
    ColourLabel *lbhyperlink;
    QLabel *lblVersion;
    std::array<Line *, 2> Line1;
    ColourLabel *lblDescription;
    ColourLabel *lblDisclaimer;
    ColourLabel *lblTitle;

    // The handlers; the mouse handlers are given the button, the modifiers and the position,
    // and use none of them.
    void Form_Load();
    void lbhyperlink_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, QPointF position);
    void lbhyperlink_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPointF position);
    void lbhyperlink_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPointF position);
    void lbhyperlink_Click();
    void Timer1_Timer();
    void cmdOK_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildDesign();
    void buildPictures();
    void buildTexts();
    void setTabChain();
    void shellExecuteFromDesktop(const QString &operation, const QString &file,
                                 const std::optional<QString> &parameters, const std::optional<QString> &directory,
                                 qint32 showCommand);

    // The link label's state as a move found it, to be put back should the move turn out to
    // be Qt's half of a press (see takeBackMoveOfPress).
    struct MoveRecord
    {
        quint64 timestamp = 0;
        QPointF globalPosition;
        quint32 colour = 0;
        bool underline = false;
        int interval = 0;
        bool enabled = false;
    };
    void takeBackMoveOfPress(const QMouseEvent &press);

    Services &m_services;
    bool m_clickPending = false; // the left button went down on the label and is still down
    std::optional<MoveRecord> m_lastMove; // the move that the label saw last, until a button event
};
