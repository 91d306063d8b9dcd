#include "serial/portmap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace PortMap {

namespace {

constexpr int kMaxPort = 32;

struct TtyName {
    int rank;   // 0 built-in UART, 1 ttyUSB, 2 ttyACM, 3 anything else
    int family; // order among built-in UART families
    QString prefix;
    qlonglong number;
    QString name;
};

TtyName classify(const QString &name) {
    static const QRegularExpression re(QStringLiteral("^(.*?)(\\d*)$"));
    const auto m = re.match(name);
    TtyName t{3, 0, m.captured(1), -1, name};
    if (!m.captured(2).isEmpty())
        t.number = m.captured(2).toLongLong();
    static const QStringList uarts = {
        QStringLiteral("ttyS"),   QStringLiteral("ttyAMA"),  QStringLiteral("ttyO"),
        QStringLiteral("ttySAC"), QStringLiteral("ttymxc"),  QStringLiteral("ttyTHS"),
        QStringLiteral("ttyMSM"), QStringLiteral("ttyPS"),   QStringLiteral("ttySC"),
        QStringLiteral("ttyHS"),  QStringLiteral("ttyMV"),   QStringLiteral("ttySIF"),
        QStringLiteral("ttyLP"),  QStringLiteral("ttyAML"),  QStringLiteral("ttyUL"),
        QStringLiteral("ttyMFD"), QStringLiteral("ttyGS"),   QStringLiteral("ttySTM"),
        QStringLiteral("ttyFIQ"), QStringLiteral("ttyRPMSG")};
    const int family = int(uarts.indexOf(t.prefix));
    if (family >= 0) {
        t.rank = 0;
        t.family = family;
    } else if (t.prefix == QLatin1String("ttyUSB")) {
        t.rank = 1;
    } else if (t.prefix == QLatin1String("ttyACM")) {
        t.rank = 2;
    }
    return t;
}

bool isVirtualTerminal(const QString &name) {
    static const QRegularExpression vt(QStringLiteral("^tty\\d*$"));
    return vt.match(name).hasMatch() || name == QLatin1String("console") ||
           name == QLatin1String("ptmx");
}

QString readSmallFile(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(f.read(4096)).trimmed();
}

QMutex &mapMutex() {
    static QMutex m;
    return m;
}

std::optional<QMap<int, QString>> &storedMap() {
    static std::optional<QMap<int, QString>> map;
    return map;
}

} // namespace

QMap<int, QString> parse(const QString &text, QStringList *errors) {
    QMap<int, QString> map;
    auto report = [errors](const QString &entry, const QString &what) {
        if (errors)
            errors->append(QStringLiteral("QARVELO_PORTS: entry \"%1\": %2").arg(entry, what));
    };
    static const QRegularExpression key(QStringLiteral("^com(\\d{1,3})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QStringList entries = text.split(QLatin1Char(','));
    for (const QString &raw : entries) {
        const QString entry = raw.trimmed();
        if (entry.isEmpty())
            continue; // stray or trailing comma
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        if (eq < 0) {
            report(entry, QStringLiteral("missing '=' (expected COMn=/dev/path or COMn=loopback)"));
            continue;
        }
        const QString name = entry.left(eq).trimmed();
        const QString device = entry.mid(eq + 1).trimmed();
        const auto m = key.match(name);
        if (!m.hasMatch()) {
            report(entry, QStringLiteral("\"%1\" is not COM1 to COM32").arg(name));
            continue;
        }
        const int port = m.captured(1).toInt();
        if (port < 1 || port > kMaxPort) {
            report(entry, QStringLiteral("port number %1 is outside 1 to 32").arg(port));
            continue;
        }
        if (map.contains(port)) {
            report(entry,
                   QStringLiteral("COM%1 is mapped twice; the first entry is used").arg(port));
            continue;
        }
        if (device.isEmpty()) {
            report(entry, QStringLiteral("no device given"));
            continue;
        }
        if (device.compare(QLatin1String(kLoopback), Qt::CaseInsensitive) == 0) {
            map.insert(port, QLatin1String(kLoopback));
            continue;
        }
        if (!device.startsWith(QLatin1Char('/'))) {
            report(entry, QStringLiteral("device \"%1\" is not an absolute path").arg(device));
            continue;
        }
        map.insert(port, device);
    }
    return map;
}

QStringList detectDevices(const QString &sysfsRoot) {
    const QString ttyDir = sysfsRoot + QStringLiteral("/class/tty");
    const QStringList consoles = readSmallFile(ttyDir + QStringLiteral("/console/active"))
                                     .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QList<TtyName> found;
    const QStringList names =
        QDir(ttyDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString &name : names) {
        if (isVirtualTerminal(name) || consoles.contains(name))
            continue;
        const QString entry = ttyDir + QLatin1Char('/') + name;
        const QFileInfo device(entry + QStringLiteral("/device"));
        if (!device.exists() && !device.isSymLink())
            continue; // virtual: pty, console, virtual terminal
        const QString typePath = entry + QStringLiteral("/type");
        if (QFileInfo::exists(typePath) && readSmallFile(typePath) == QLatin1String("0"))
            continue; // a serial8250 slot with no UART behind it
        found.append(classify(name));
    }
    std::sort(found.begin(), found.end(), [](const TtyName &a, const TtyName &b) {
        if (a.rank != b.rank)
            return a.rank < b.rank;
        if (a.family != b.family)
            return a.family < b.family;
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        if (a.number != b.number)
            return a.number < b.number;
        return a.name < b.name;
    });
    QStringList devices;
    for (const TtyName &t : found)
        devices.append(QStringLiteral("/dev/") + t.name);
    return devices;
}

const QMap<int, QString> &current() {
    QMutexLocker lock(&mapMutex());
    auto &map = storedMap();
    if (!map) {
        QStringList errors;
        if (qEnvironmentVariableIsSet("QARVELO_PORTS")) {
            map = parse(qEnvironmentVariable("QARVELO_PORTS"), &errors);
        } else {
            QMap<int, QString> detected;
            int port = 1;
            for (const QString &dev : detectDevices()) {
                if (port > kMaxPort)
                    break;
                detected.insert(port++, dev);
            }
            map = detected;
        }
        for (const QString &e : errors)
            std::fprintf(stderr, "%s\n", e.toLocal8Bit().constData());
    }
    return *map;
}

void setCurrent(const QMap<int, QString> &newMap) {
    QMutexLocker lock(&mapMutex());
    storedMap() = newMap;
}

QString deviceFor(int port) {
    return current().value(port);
}

} // namespace PortMap
