#include "config/configmap.h"

namespace ConfigMap {

const QStringList &baudEntries() {
    static const QStringList list = {
        QStringLiteral("150"),   QStringLiteral("300"),   QStringLiteral("600"),
        QStringLiteral("1200"),  QStringLiteral("2400"),  QStringLiteral("4800"),
        QStringLiteral("9600"),  QStringLiteral("19200"), QStringLiteral("38400"),
        QStringLiteral("57600"), QStringLiteral("115200")};
    return list;
}

const QStringList &parityEntries() {
    static const QStringList list = {QStringLiteral("None"), QStringLiteral("Odd"),
                                     QStringLiteral("Even"), QStringLiteral("Mark"),
                                     QStringLiteral("Space")};
    return list;
}

const QStringList &dataBitsEntries() {
    static const QStringList list = {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
                                     QStringLiteral("8")};
    return list;
}

const QStringList &stopBitsEntries() {
    static const QStringList list = {QStringLiteral("1"), QStringLiteral("1.5"),
                                     QStringLiteral("2")};
    return list;
}

namespace {

constexpr int kBaud9600 = 6;

bool inRange(int index, const QStringList &list) {
    return index >= 0 && index < list.size();
}

// Parity as the port runs it: the code counts only while parity is enabled.
int effectiveParity(const LineSettings &s) {
    return s.fParity ? s.Parity : 0;
}

QString entryOr(const QStringList &list, int index) {
    return inRange(index, list) ? list.at(index) : QString::number(index);
}

} // namespace

Selection presetFrom(const LineSettings &s) {
    Selection sel;
    sel.baud = kBaud9600;
    const QStringList &bauds = baudEntries();
    for (int i = 0; i < bauds.size(); ++i) {
        if (bauds.at(i).toUInt() == s.BaudRate) {
            sel.baud = i;
            break;
        }
    }
    // A block the lists cannot show (a driver reporting an odd value) falls
    // back to the start settings rather than leaving a list blank.
    sel.parity = effectiveParity(s);
    if (!inRange(sel.parity, parityEntries()))
        sel.parity = 0;
    sel.dataBits = int(s.ByteSize) - 5;
    if (!inRange(sel.dataBits, dataBitsEntries()))
        sel.dataBits = 3;
    sel.stopBits = s.StopBits;
    if (!inRange(sel.stopBits, stopBitsEntries()))
        sel.stopBits = 0;
    return sel;
}

LineSettings applyTo(LineSettings block, const Selection &sel) {
    if (!inRange(sel.baud, baudEntries()))
        return block; // nothing selected: cancelled
    block.BaudRate = baudEntries().at(sel.baud).toUInt();
    if (inRange(sel.parity, parityEntries())) {
        block.Parity = quint8(sel.parity);
        block.fParity = sel.parity != 0;
    }
    if (inRange(sel.dataBits, dataBitsEntries()))
        block.ByteSize = quint8(sel.dataBits + 5);
    if (inRange(sel.stopBits, stopBitsEntries()))
        block.StopBits = quint8(sel.stopBits);
    return block;
}

QString caption(const QString &oldCaption, const LineSettings &s) {
    const qsizetype blank = oldCaption.indexOf(QLatin1Char(' '));
    const QString name = blank < 0 ? oldCaption : oldCaption.left(blank);
    return name + QStringLiteral("   ") + QString::number(s.BaudRate) + QStringLiteral(", ") +
           entryOr(parityEntries(), effectiveParity(s)) + QStringLiteral(", ") +
           QString::number(s.ByteSize) + QStringLiteral(", ") +
           entryOr(stopBitsEntries(), s.StopBits);
}

namespace {

QString dataBitsText(const LineSettings &s) {
    return QStringLiteral("%1 data bits").arg(s.ByteSize);
}

QString stopBitsText(const LineSettings &s) {
    return QStringLiteral("%1 stop %2")
        .arg(entryOr(stopBitsEntries(), s.StopBits),
             s.StopBits == 0 ? QStringLiteral("bit") : QStringLiteral("bits"));
}

} // namespace

QString describeCombination(const LineSettings &s) {
    return dataBitsText(s) + QStringLiteral(" with ") + stopBitsText(s);
}

QString describe(const LineSettings &s) {
    const int parity = effectiveParity(s);
    const QString parityText =
        parity == 0 ? QStringLiteral("no") : entryOr(parityEntries(), parity);
    return QStringLiteral("%1 baud, %2 parity, %3, %4")
        .arg(QString::number(s.BaudRate), parityText, dataBitsText(s), stopBitsText(s));
}

} // namespace ConfigMap
