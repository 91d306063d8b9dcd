#include "app/appstate.h"
#include "app/art.h"
#include "app/mdiform.h"
#include "portwin/widgets.h"
#include "version.h"

#include <QAccessible>
#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QLatin1String(Version::kCompany));
    QApplication::setApplicationName(QLatin1String(Version::kInternalName));
    QApplication::setApplicationDisplayName(QStringLiteral("Kelvo Qarvelo"));
    QApplication::setApplicationVersion(QLatin1String(Version::kVersion));
    QApplication::setDesktopFileName(QStringLiteral("com.kelvo.qarvelo"));
    QApplication::setWindowIcon(Art::appIcon());
    QAccessible::installFactory(&DisplayBoxAccessible::factory);

    App::startUp();
    auto *frame = new MDIForm1;
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->show();
    frame->activateWindow(); // without a window manager nobody else activates it
    return app.exec();
}
