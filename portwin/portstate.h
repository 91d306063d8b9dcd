#pragma once

#include "portwin/activity.h"
#include "portwin/display.h"

#include <QByteArray>
#include <QString>

// The per-window state of a port window and the receive/transmit rules that
// change it, free of any widget.
struct PortWindowState {
    qint16 nRxLimit = DisplayText::kHistoryLimit;
    qint16 nTxLimit = DisplayText::kHistoryLimit;
    qint16 nRxVisible = 0;
    qint16 nTxVisible = 0;
    QString sRxHistory;
    QString sTxHistory;
    QByteArray sLastSent = QByteArrayLiteral("U");
    bool bRepeat = false;
    bool bLastRTS = true;
    bool bLastDTR = true;
    bool bLastDSR = true;
    bool bLastCTS = true;
    bool bLastCD = true;
    ActivityRow txLight; // nTxLight is txLight.n
    ActivityRow rxLight; // nRxLight is rxLight.n

    // A received chunk: light steps, display form, history cut. Returns the
    // text the Receive box shows now.
    QString receive(QByteArrayView chunk);
    // The echo half of a send: sLastSent, light steps, history. Returns the
    // text the Transmit box shows now. The caller writes the bytes afterwards.
    QString recordSend(const QByteArray &s);
    // Window/Clear: both histories empty; lights, sLastSent, Repeat untouched.
    void clear();

    QString rxBoxText() const { return DisplayText::boxTail(sRxHistory, nRxVisible); }
    QString txBoxText() const { return DisplayText::boxTail(sTxHistory, nTxVisible); }
};
