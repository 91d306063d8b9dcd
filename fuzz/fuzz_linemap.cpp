// The configuration dialog's mapping (presets, applying a selection, caption)
// with any settings block and any selection, and the termios mapping: writing a
// valid block into any termios and reading it back gives the same block, and
// nothing but the mapped bits changes.
#include "config/configmap.h"
#include "serial/linesettings.h"
#include "serial/termiosmap.h"

#include "fuzz/fuzzcheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool inList(int i, const QStringList &list) {
    return i >= 0 && i < list.size();
}

LineSettings anyBlock(FuzzedDataProvider &in) {
    LineSettings s;
    s.BaudRate = in.ConsumeBool()
                     ? in.ConsumeIntegral<quint32>()
                     : in.PickValueInArray<quint32>({150, 300, 600, 1200, 2400, 4800, 9600, 19200,
                                                     38400, 57600, 115200, 50, 230400, 4000000});
    s.ByteSize =
        in.ConsumeBool() ? in.ConsumeIntegral<quint8>() : in.ConsumeIntegralInRange<quint8>(5, 8);
    s.Parity =
        in.ConsumeBool() ? in.ConsumeIntegral<quint8>() : in.ConsumeIntegralInRange<quint8>(0, 4);
    s.StopBits =
        in.ConsumeBool() ? in.ConsumeIntegral<quint8>() : in.ConsumeIntegralInRange<quint8>(0, 2);
    s.fParity = in.ConsumeBool();
    return s;
}

void checkConfigMap(FuzzedDataProvider &in) {
    const LineSettings s = anyBlock(in);
    const ConfigMap::Selection preset = ConfigMap::presetFrom(s);
    CHECK(inList(preset.baud, ConfigMap::baudEntries()));
    CHECK(inList(preset.parity, ConfigMap::parityEntries()));
    CHECK(inList(preset.dataBits, ConfigMap::dataBitsEntries()));
    CHECK(inList(preset.stopBits, ConfigMap::stopBitsEntries()));

    // OK without changes keeps a block the lists can show.
    const bool showable = ConfigMap::baudEntries().contains(QString::number(s.BaudRate)) &&
                          s.ByteSize >= 5 && s.ByteSize <= 8 && s.Parity <= 4 && s.StopBits <= 2 &&
                          s.fParity == (s.Parity != 0);
    if (showable)
        CHECK(ConfigMap::applyTo(s, preset) == s);

    ConfigMap::Selection sel;
    sel.baud = in.ConsumeIntegralInRange(-3, 14);
    sel.parity = in.ConsumeIntegralInRange(-3, 8);
    sel.dataBits = in.ConsumeIntegralInRange(-3, 7);
    sel.stopBits = in.ConsumeIntegralInRange(-3, 6);
    const LineSettings out = ConfigMap::applyTo(s, sel);
    if (!inList(sel.baud, ConfigMap::baudEntries())) {
        CHECK(out == s); // cancelled
    } else {
        CHECK(QString::number(out.BaudRate) == ConfigMap::baudEntries().at(sel.baud));
        const ConfigMap::Selection back = ConfigMap::presetFrom(out);
        CHECK(back.baud == sel.baud);
        if (inList(sel.parity, ConfigMap::parityEntries()))
            CHECK(back.parity == sel.parity && out.fParity == (sel.parity != 0));
        else
            CHECK(out.Parity == s.Parity && out.fParity == s.fParity);
        if (inList(sel.dataBits, ConfigMap::dataBitsEntries()))
            CHECK(back.dataBits == sel.dataBits);
        else
            CHECK(out.ByteSize == s.ByteSize);
        if (inList(sel.stopBits, ConfigMap::stopBitsEntries()))
            CHECK(back.stopBits == sel.stopBits);
        else
            CHECK(out.StopBits == s.StopBits);
    }

    const std::string raw = in.ConsumeRandomLengthString(64);
    const QString old = QString::fromUtf8(raw.data(), qsizetype(raw.size()));
    const QString cap = ConfigMap::caption(old, s);
    const QString name = old.section(QLatin1Char(' '), 0, 0);
    CHECK(cap.startsWith(name + QStringLiteral("   ") + QString::number(s.BaudRate) +
                         QStringLiteral(", ")));
    CHECK(ConfigMap::caption(cap, s) == cap); // rewriting twice changes nothing
    if (showable) {
        CHECK(cap == name + QStringLiteral("   %1, %2, %3, %4")
                                .arg(ConfigMap::baudEntries().at(preset.baud),
                                     ConfigMap::parityEntries().at(preset.parity),
                                     ConfigMap::dataBitsEntries().at(preset.dataBits),
                                     ConfigMap::stopBitsEntries().at(preset.stopBits)));
    }
    CHECK(!ConfigMap::describe(s).isEmpty());
}

void checkTermios(FuzzedDataProvider &in) {
    termios t{};
    const std::string raw = in.ConsumeBytesAsString(sizeof t);
    std::memcpy(&t, raw.data(), raw.size());
    LineSettings s = anyBlock(in);
    speed_t speed{};
    if (!isValidCombination(s) || !TermiosMap::speedCode(s.BaudRate, &speed))
        return; // the devices refuse these before mapping
    CHECK(TermiosMap::speedBaud(speed) == s.BaudRate);
    const termios before = t;
    TermiosMap::apply(t, s, speed);
    LineSettings expected = s;
    expected.fParity = s.fParity && s.Parity != 0;
    CHECK(TermiosMap::read(t) == expected);

    const tcflag_t mappedC = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CBAUD | CBAUDEX | CIBAUD;
    CHECK((t.c_cflag & ~mappedC) == (before.c_cflag & ~mappedC));
    // glibc keeps "input speed 0" as a private c_iflag bit (IBAUD0).
    const tcflag_t mappedI = INPCK | tcflag_t(020000000000);
    CHECK((t.c_iflag & ~mappedI) == (before.c_iflag & ~mappedI));
    CHECK(t.c_oflag == before.c_oflag);
    CHECK(t.c_lflag == before.c_lflag);
    CHECK(std::memcmp(t.c_cc, before.c_cc, sizeof t.c_cc) == 0);

    // Writing what was read changes nothing further.
    termios again = t;
    TermiosMap::apply(again, TermiosMap::read(t), speed);
    CHECK(TermiosMap::read(again) == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool())
        checkConfigMap(in);
    else
        checkTermios(in);
    return 0;
}
