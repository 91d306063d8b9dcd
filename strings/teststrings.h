#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// The twelve function-key strings, index 1..12 (index 0 unused).
struct KeyStringTable {
    std::array<QString, 13> s;
    QString &operator()(int i) { return s.at(i); }
    const QString &operator()(int i) const { return s.at(i); }
};

namespace TestStrings {

// The four built-in entries; 5..12 empty.
KeyStringTable defaults();

// Qt key code to 1..12 for F1..F12, 0 for anything else (modifiers ignored).
int functionKeyIndex(int qtKey);

// Text to line bytes, one byte per character (Latin-1). Characters with no
// single-byte form are left out; *dropped counts them.
QByteArray toBytes(const QString &text, int *dropped = nullptr);

// The strings box uses '\n' for a line break; entries store CR LF.
QString fromBoxText(const QString &boxText);
QString toBoxText(const QString &entry);

} // namespace TestStrings

// The Define Strings dialog's behaviour on sEditStrings, without widgets.
struct DefineStringsModel {
    KeyStringTable &edit; // sEditStrings
    qint16 nStatus = 0;
    qint16 nCurrentKey = 1;

    explicit DefineStringsModel(KeyStringTable &e) : edit(e) {}
    QString load();                                     // box text for F1
    QString selectKey(int i, const QString &boxText);   // stores, returns the new box text
    void ok(const QString &boxText);                    // stores the selected key's text
    void cancel() { nStatus = -1; }
};

// Repeat sends again only when the port's output queue has room for the text:
// the queue is empty, or queued + textLength stays within lowWater. So what the
// Transmit box echoes is what really leaves the port, and memory stays bounded.
bool repeatMaySend(qsizetype queued, qsizetype textLength, qsizetype lowWater);
