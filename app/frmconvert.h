// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#pragma once

// The main window: the canvas that previews the chosen picture and is saved as the BMP,
// the buttons that select and convert, the size option, the target name, and the menus
// that reach the About and Info windows. The controls are the program's whole state.

#include "bandedsave.h"
#include "commondialog.h"
#include "frmabout.h"
#include "frminfo.h"

#include <QMainWindow>
#include <QPointer>

class Canvas;
class Line;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class Services;

class frmconvert : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmconvert(Services &services, QWidget *parent = nullptr);

    QString changeExtension(QString sOrigValue, QString sNewExt) const;

    Canvas *picloadedpic = nullptr;
    QPushButton *cmdselect = nullptr;
    QPushButton *cmdconvert = nullptr;
    QCheckBox *chkresolution = nullptr;
    QLabel *lbltargetname = nullptr;
    QLineEdit *txttargetfilename = nullptr;
    QLabel *lblHeight = nullptr;
    QLineEdit *txtheight = nullptr;
    QLabel *lblwidth = nullptr;
    QLineEdit *txtwidth = nullptr;
    QLabel *lbltwips = nullptr;
    QLabel *lblNotes = nullptr;
    Line *Line1 = nullptr;
    CommonDialog comdlg_open;

    QMenu *mnuFile = nullptr;
    QAction *mnuselect = nullptr;
    QAction *mnuconvert = nullptr;
    QAction *mnuExit = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuabout = nullptr;
    QAction *mnuinfo = nullptr;

    // The secondary windows while they are open.
    frmAbout *aboutWindow() const { return m_about; }
    frmInfo *infoWindow() const { return m_info; }

public Q_SLOTS:
    void Form_Load();
    void cmdselect_Click();
    void cmdconvert_Click();
    void chkresolution_Click();
    void mnuselect_Click();
    void mnuconvert_Click();
    void mnuExit_Click();
    void mnuabout_Click();
    void mnuinfo_Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void createMenus();
    void convertFile();
    SaveOutcome saveCanvas(const QString &source, const QString &target, QString *why);
    void resetForm();
    bool applyTargetSize(float heightTwips, float widthTwips);

    Services &m_services;
    QPointer<frmAbout> m_about;
    QPointer<frmInfo> m_info;
};
