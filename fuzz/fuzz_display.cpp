// Display conversion, history cut, tail rule and activity lights of a port
// window against a naive reference that handles one byte at a time.
#include "portwin/activity.h"
#include "portwin/display.h"
#include "portwin/portstate.h"

#include "fuzz/fuzzcheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

namespace {

QString naiveForm(uchar c) {
    if (c >= 33 && c <= 125)
        return QString(QChar(char16_t(c)));
    static const char hex[] = "0123456789ABCDEF";
    QString s;
    s += QChar(u'<');
    s += QChar(char16_t(hex[c / 16]));
    s += QChar(char16_t(hex[c % 16]));
    s += QChar(u'>');
    return s;
}

// One history and one light row, advanced byte by byte.
struct Side {
    QString history;
    qint16 light = 0;

    void feed(const QByteArray &bytes) {
        for (char ch : bytes) {
            history += naiveForm(uchar(ch));
            if (history.size() > DisplayText::kHistoryLimit)
                history.remove(0, history.size() - DisplayText::kHistoryLimit);
            light = qint16(light % 8 + 1);
        }
    }
    QString box(int visible) const {
        if (visible <= 0)
            return QString();
        return history.size() > visible ? history.right(visible) : history;
    }
};

qint16 naiveSteps(qint16 from, qint64 k) {
    qint16 n = (from >= 0 && from <= 8) ? from : 0;
    for (qint64 i = 0; i < k; ++i)
        n = qint16(n % 8 + 1);
    return n;
}

void checkLights(FuzzedDataProvider &in) {
    ActivityRow row;
    row.n = in.ConsumeIntegral<qint16>();
    const qint16 from = row.n;
    const qint64 k = in.ConsumeIntegral<qint64>();
    row.step(k);
    if (k <= 0) {
        CHECK(row.n == from);
        return;
    }
    CHECK(row.n >= 1 && row.n <= 8);
    // Eight steps come back to the same cell, so a huge k equals a small one.
    const qint64 small = (k - 1) % 8 + 1 + 8 * (k > 8 ? 1 : 0);
    CHECK(row.n == naiveSteps(from, small));
    if (k <= 4096)
        CHECK(row.n == naiveSteps(from, k));
    for (int cell = 1; cell <= 8; ++cell)
        CHECK(row.isLit(cell) == (cell == row.n));
}

QByteArray chunk(FuzzedDataProvider &in) {
    const size_t n = in.ConsumeIntegralInRange<size_t>(0, 6000);
    const std::string bytes = in.ConsumeBytesAsString(n);
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    PortWindowState s;
    Side rx, tx;
    QByteArray lastSent = QByteArrayLiteral("U");
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange(0, 7)) {
        case 0: {
            const QByteArray c = chunk(in);
            const QString shown = s.receive(c);
            rx.feed(c);
            CHECK(shown == rx.box(s.nRxVisible));
            break;
        }
        case 1: {
            const QByteArray c = chunk(in);
            const QString shown = s.recordSend(c);
            tx.feed(c);
            lastSent = c;
            CHECK(shown == tx.box(s.nTxVisible));
            break;
        }
        case 2:
            s.nRxVisible = in.ConsumeIntegral<qint16>();
            break;
        case 3:
            s.nTxVisible = in.ConsumeIntegral<qint16>();
            break;
        case 4:
            s.clear();
            rx.history.clear();
            tx.history.clear();
            break;
        case 5:
            // A click on the first cell.
            s.rxLight.restart();
            rx.light = 1;
            break;
        case 6:
            checkLights(in);
            break;
        case 7: {
            // The chunk-level helpers on their own, with any limit.
            const QByteArray c = chunk(in);
            const qsizetype limit = in.ConsumeIntegralInRange<qsizetype>(-2, 30000);
            QString full;
            for (char ch : c)
                full += naiveForm(uchar(ch));
            CHECK(DisplayText::toDisplay(c) == full);
            CHECK(DisplayText::tailDisplay(c, limit) ==
                  (limit <= 0 ? QString() : full.right(limit)));
            QString history = rx.history;
            const int hlimit = in.ConsumeIntegralInRange(-1, 5000);
            DisplayText::appendToHistory(history, full, hlimit);
            const QString joined = rx.history + full;
            CHECK(history == (hlimit <= 0 ? QString() : joined.right(hlimit)));
            break;
        }
        }
        CHECK(s.sRxHistory == rx.history);
        CHECK(s.sTxHistory == tx.history);
        CHECK(s.rxBoxText() == rx.box(s.nRxVisible));
        CHECK(s.txBoxText() == tx.box(s.nTxVisible));
        CHECK(s.rxLight.n == rx.light);
        CHECK(s.txLight.n == tx.light);
        CHECK(s.sLastSent == lastSent);
        CHECK(s.sRxHistory.size() <= DisplayText::kHistoryLimit);
    }
    return 0;
}
