#include "strings/teststrings.h"

#include <QtCore/qnamespace.h>

namespace TestStrings {

KeyStringTable defaults() {
    KeyStringTable t;
    t(1) = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    t(2) = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    t(3) = QStringLiteral("1234567890");
    t(4) = QString(50, QLatin1Char('U'));
    return t;
}

int functionKeyIndex(int qtKey) {
    const int key = qtKey & ~int(Qt::KeyboardModifierMask);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return key - Qt::Key_F1 + 1;
    return 0;
}

QByteArray toBytes(const QString &text, int *dropped) {
    QByteArray out;
    out.reserve(text.size());
    int lost = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 256) {
            out.append(char(c.unicode()));
            continue;
        }
        ++lost;
        // A surrogate pair is one character, not two.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
    }
    if (dropped)
        *dropped = lost;
    return out;
}

QString fromBoxText(const QString &boxText) {
    QString s = boxText;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return s;
}

QString toBoxText(const QString &entry) {
    QString s = entry;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

} // namespace TestStrings

QString DefineStringsModel::load() {
    nStatus = 0;
    nCurrentKey = 1;
    return edit(1);
}

QString DefineStringsModel::selectKey(int i, const QString &boxText) {
    if (i < 1 || i > 12)
        return boxText; // not a key: the box keeps what it shows
    edit(nCurrentKey) = boxText;
    nCurrentKey = qint16(i);
    return edit(i);
}

void DefineStringsModel::ok(const QString &boxText) {
    edit(nCurrentKey) = boxText;
}

bool repeatMaySend(qsizetype queued, qsizetype textLength, qsizetype lowWater) {
    return queued <= 0 || queued + textLength <= lowWater;
}
