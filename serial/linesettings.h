#pragma once

#include <QtGlobal>

// The line-settings block the configuration dialog reads from and writes to an
// open port. Field names follow the classic device control block.
struct LineSettings {
    quint32 BaudRate = 9600;
    quint8 ByteSize = 8;  // 5..8
    quint8 Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    quint8 StopBits = 0;  // 0 one, 1 one and a half, 2 two
    bool fParity = false; // parity generation/checking on

    friend bool operator==(const LineSettings &, const LineSettings &) = default;
};

// 5 data bits with 2 stop bits and 6..8 data bits with 1.5 stop bits are refused,
// as a 16550 UART does.
bool isValidCombination(const LineSettings &s);

class QString;

// Every rate termios names (B50..B4000000); the dialog offers 150..115200.
bool isStandardRate(quint32 baud);

// Parses Settings text: "baud,parity,data,stop" with parity one of n o e m s (either
// case), data bits 5..8, stop bits 1, 1.5 or 2. False with the reason in *why when the
// text is malformed or names a combination a UART cannot run.
bool parseSettingsText(const QString &text, LineSettings *out, QString *why = nullptr);
// The canonical text of a block: "9600,n,8,1".
QString settingsText(const LineSettings &s);
// "8 data bits with 1.5 stop bits", for messages.
QString describeFraming(const LineSettings &s);
