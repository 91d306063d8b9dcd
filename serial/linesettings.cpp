#include "serial/linesettings.h"

#include <QString>
#include <QStringList>

#include <array>

namespace {

constexpr std::array<quint32, 30> kRates = {
    50,     75,     110,     134,     150,     200,     300,     600,     1200,    1800,
    2400,   4800,   9600,    19200,   38400,   57600,   115200,  230400,  460800,  500000,
    576000, 921600, 1000000, 1152000, 1500000, 2000000, 2500000, 3000000, 3500000, 4000000};

QString stopText(quint8 stopBits) {
    switch (stopBits) {
    case 0:
        return QStringLiteral("1");
    case 1:
        return QStringLiteral("1.5");
    default:
        return QStringLiteral("2");
    }
}

bool fail(QString *why, const QString &text) {
    if (why)
        *why = text;
    return false;
}

} // namespace

bool isValidCombination(const LineSettings &s) {
    if (s.ByteSize < 5 || s.ByteSize > 8 || s.Parity > 4 || s.StopBits > 2)
        return false;
    if (s.ByteSize == 5 && s.StopBits == 2)
        return false;
    if (s.ByteSize > 5 && s.StopBits == 1)
        return false;
    return true;
}

bool isStandardRate(quint32 baud) {
    for (quint32 r : kRates) {
        if (r == baud)
            return true;
    }
    return false;
}

bool parseSettingsText(const QString &text, LineSettings *out, QString *why) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return fail(
            why,
            QStringLiteral("settings \"%1\" need four fields: baud,parity,data,stop").arg(text));
    LineSettings s;
    const QString baudText = parts[0].trimmed();
    bool ok = !baudText.isEmpty();
    for (QChar c : baudText)
        ok = ok && c.isDigit() && c.unicode() < 128;
    const qulonglong baud = ok ? baudText.toULongLong(&ok) : 0;
    if (!ok || baud == 0 || baud > 4000000)
        return fail(why, QStringLiteral("invalid baud rate \"%1\"").arg(baudText));
    s.BaudRate = quint32(baud);

    const QString parity = parts[1].trimmed().toLower();
    static const QString letters = QStringLiteral("noems");
    if (parity.size() != 1 || !letters.contains(parity))
        return fail(why, QStringLiteral("invalid parity \"%1\" (n, o, e, m or s)").arg(parts[1]));
    s.Parity = quint8(letters.indexOf(parity));
    // n o e m s -> 0 none, 1 odd, 2 even, 3 mark, 4 space
    s.fParity = s.Parity != 0;

    const QString data = parts[2].trimmed();
    if (data.size() != 1 || data[0] < QLatin1Char('5') || data[0] > QLatin1Char('8'))
        return fail(why, QStringLiteral("invalid data bits \"%1\" (5 to 8)").arg(parts[2]));
    s.ByteSize = quint8(data[0].unicode() - '0');

    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        s.StopBits = 0;
    else if (stop == QLatin1String("1.5"))
        s.StopBits = 1;
    else if (stop == QLatin1String("2"))
        s.StopBits = 2;
    else
        return fail(why, QStringLiteral("invalid stop bits \"%1\" (1, 1.5 or 2)").arg(parts[3]));

    if (!isValidCombination(s))
        return fail(why, QStringLiteral("%1 cannot be used").arg(describeFraming(s)));
    if (out)
        *out = s;
    return true;
}

QString settingsText(const LineSettings &s) {
    static const char letters[] = "noems";
    const QChar parity = s.Parity <= 4 ? QLatin1Char(letters[s.Parity]) : QLatin1Char('?');
    return QStringLiteral("%1,%2,%3,%4")
        .arg(s.BaudRate)
        .arg(parity)
        .arg(s.ByteSize)
        .arg(stopText(s.StopBits));
}

QString describeFraming(const LineSettings &s) {
    return QStringLiteral("%1 data bits with %2 stop bits")
        .arg(s.ByteSize)
        .arg(stopText(s.StopBits));
}
