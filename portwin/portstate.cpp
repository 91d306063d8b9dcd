#include "portwin/portstate.h"

QString PortWindowState::receive(QByteArrayView chunk) {
    if (chunk.isEmpty())
        return rxBoxText();
    rxLight.step(chunk.size());
    DisplayText::appendToHistory(sRxHistory, DisplayText::tailDisplay(chunk, nRxLimit), nRxLimit);
    return rxBoxText();
}

QString PortWindowState::recordSend(const QByteArray &s) {
    sLastSent = s;
    txLight.step(s.size());
    DisplayText::appendToHistory(sTxHistory, DisplayText::tailDisplay(s, nTxLimit), nTxLimit);
    return txBoxText();
}

void PortWindowState::clear() {
    sRxHistory.clear();
    sTxHistory.clear();
}
