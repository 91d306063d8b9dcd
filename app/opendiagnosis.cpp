#include "app/opendiagnosis.h"

#include <grp.h>
#include <sys/stat.h>

QString deviceGroup(const QString &devicePath) {
    struct stat st {};
    if (devicePath.isEmpty() || ::stat(devicePath.toLocal8Bit().constData(), &st) != 0)
        return {};
    if (const struct group *g = ::getgrgid(st.st_gid))
        return QString::fromLocal8Bit(g->gr_name);
    return QString::number(st.st_gid);
}

QString describeOpenFailure(const QString &portName, const SerialError &err) {
    const QString device = err.device.isEmpty() ? QStringLiteral("(no device)") : err.device;
    QString text = QStringLiteral("%1 (%2) could not be opened: %3")
                       .arg(portName, device,
                            err.message.isEmpty() ? QStringLiteral("unknown error") : err.message);
    switch (err.kind) {
    case SerialErrorKind::PermissionDenied: {
        QString group = deviceGroup(err.device);
        if (group.isEmpty())
            group = QStringLiteral("dialout");
        text += QStringLiteral("\nYou may not use this device. Join its group '%1':\n"
                               "    sudo usermod -aG %1 $USER\n"
                               "then log out and in again.")
                    .arg(group);
        break;
    }
    case SerialErrorKind::Busy:
        if (!err.holder.isEmpty())
            text += QStringLiteral("\nThe port is in use by %1. Close that program, then open "
                                   "the port again.")
                        .arg(err.holder);
        else
            text += QStringLiteral("\nThe port is in use by another program (ModemManager "
                                   "sometimes grabs new modems). Close it, then open the port "
                                   "again.");
        break;
    case SerialErrorKind::NotFound:
    case SerialErrorKind::Gone:
        text += QStringLiteral("\nThe device is not there (any more). Plug it in and use "
                               "Port/Open again.");
        break;
    case SerialErrorKind::NoSuchPort:
        text += QStringLiteral("\nNo device is mapped to this port. Check QARVELO_PORTS.");
        break;
    default:
        break;
    }
    return text;
}
