#include "frmconvert.h"
#include "look.h"
#include "services.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pictorate"));
    QApplication::setApplicationVersion(QStringLiteral(PICTORATE_VERSION));
    QApplication::setFont(defaultFont());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app.ico")));

    DesktopServices services;
    auto *window = new frmconvert(services);
    window->show();
    return application.exec();
}
