// Settings text ("9600,n,8,1"): the parser never crashes, what it accepts is a
// combination a UART runs and comes back unchanged through settingsText, and
// SerialComm::setSettings agrees with it without changing anything on failure.
#include "serial/linesettings.h"
#include "serial/serialcomm.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void mismatch(const char *what, const QString &text) {
    std::fprintf(stderr, "mismatch: %s for \"%s\"\n", what, text.toUtf8().constData());
    std::abort();
}

#define CHECK(cond, text)                                                                          \
    do {                                                                                           \
        if (!(cond))                                                                               \
            mismatch(#cond, text);                                                                 \
    } while (0)

void checkText(const QString &text) {
    LineSettings s;
    s.BaudRate = 1234567; // must stay untouched on failure
    const LineSettings before = s;
    QString why;
    const bool ok = parseSettingsText(text, &s, &why);
    if (!ok) {
        CHECK(s == before, text);
        CHECK(!why.isEmpty(), text);
    } else {
        CHECK(isValidCombination(s), text);
        CHECK(s.BaudRate >= 1 && s.BaudRate <= 4000000, text);
        CHECK(s.fParity == (s.Parity != 0), text);
        const QString canonical = settingsText(s);
        LineSettings again;
        CHECK(parseSettingsText(canonical, &again), canonical);
        CHECK(again == s, canonical);
        CHECK(settingsText(again) == canonical, canonical);
    }

    SerialComm comm;
    const QString start = comm.Settings();
    SerialError err;
    const bool set = comm.setSettings(text, &err);
    CHECK(set == (ok && isStandardRate(s.BaudRate)), text);
    if (set) {
        CHECK(comm.Settings() == settingsText(s), text);
        CHECK(!err, text);
    } else {
        CHECK(comm.Settings() == start, text);
        CHECK(bool(err) && !err.message.isEmpty(), text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) {
        const std::string rest = in.ConsumeRemainingBytesAsString();
        checkText(QString::fromUtf8(rest.data(), qsizetype(rest.size())));
        checkText(QString::fromLatin1(rest.data(), qsizetype(rest.size())));
        return 0;
    }
    // A block made of fields, written out and parsed back.
    LineSettings s;
    s.BaudRate = in.ConsumeBool() ? in.ConsumeIntegral<quint32>()
                                  : in.PickValueInArray<quint32>({50, 150, 9600, 115200, 4000000});
    s.ByteSize = in.ConsumeIntegralInRange<quint8>(3, 10);
    // Only codes the text can name: parity n o e m s, stop bits 1, 1.5, 2.
    s.Parity = in.ConsumeIntegralInRange<quint8>(0, 4);
    s.StopBits = in.ConsumeIntegralInRange<quint8>(0, 2);
    s.fParity = s.Parity != 0;
    const QString text = settingsText(s);
    LineSettings back;
    const bool ok = parseSettingsText(text, &back);
    const bool valid = isValidCombination(s) && s.BaudRate >= 1 && s.BaudRate <= 4000000;
    CHECK(ok == valid, text);
    if (ok)
        CHECK(back == s, text);
    checkText(text);
    return 0;
}
