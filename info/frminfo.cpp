// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "frminfo.h"

#include "maker.h"
#include "twips.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace {

QString descriptionText()
{
    // The run of blanks sets the pointer to the web site apart from the description.
    return QStringLiteral("Pictorate is an app that takes a WMF file and converts it into a BMP - at any "
                          "resolution the user requests.  The Default image size matches Quillfern's "
                          "Gumbledeck program.")
         + QString(101, QLatin1Char(' ')) + QStringLiteral("See ") + makerWebAddress()
         + QStringLiteral(" for more info on that and other applications.");
}

} // namespace

frmInfo::frmInfo() : QWidget(nullptr, Qt::Window)
{
    setObjectName(QStringLiteral("frmInfo"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Info on Pictorate"));
    setWindowIcon(QIcon(QStringLiteral(":/info.ico")));
    resize(twipsToPixelsX(6510), twipsToPixelsY(1995));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setWordWrap(true);
    Label1->setText(descriptionText());
    setTwipsGeometry(Label1, 120, 120, 6135, 975);

    cmdOk = new QPushButton(QStringLiteral("&Close"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    // Outside a dialog, autoDefault makes Enter press the button only while it has the focus.
    cmdOk->setAutoDefault(true);
    setTwipsGeometry(cmdOk, 5160, 1440, 735, 375);
    connect(cmdOk, &QPushButton::clicked, this, &frmInfo::cmdOk_Click);
    cmdOk->setFocus();
}

void frmInfo::cmdOk_Click() { close(); }
