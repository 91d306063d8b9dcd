#include "app/appstate.h"
#include "app/art.h"
#include "app/mdiform.h"
#include "portwin/widgets.h"

#include <QAccessible>
#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kelvo"));
    QApplication::setApplicationName(QStringLiteral("qarvelo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kelvo Qarvelo"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    QApplication::setDesktopFileName(QStringLiteral("qarvelo"));
    QApplication::setWindowIcon(Art::appIcon());
    QAccessible::installFactory(&DisplayBoxAccessible::factory);

    App::startUp();
    auto *frame = new MDIForm1;
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->show();
    frame->activateWindow(); // without a window manager nobody else activates it
    return app.exec();
}
