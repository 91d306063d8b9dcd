// QARVELO_PORTS parsing: never crashes; every accepted entry maps 1..32 to
// "loopback" or an absolute path; every other non-empty entry is reported.
#include "serial/portmap.h"

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void mismatch(const char *what, const QString &text) {
    std::fprintf(stderr, "mismatch: %s for \"%s\"\n", what, text.toUtf8().constData());
    std::abort();
}

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond))                                                                               \
            mismatch(#cond, text);                                                                 \
    } while (0)

void check(const QString &text) {
    QStringList errors;
    const QMap<int, QString> map = PortMap::parse(text, &errors);
    qsizetype entries = 0;
    for (const QString &e : text.split(QLatin1Char(',')))
        entries += e.trimmed().isEmpty() ? 0 : 1;
    CHECK(map.size() + errors.size() == entries);
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        CHECK(it.key() >= 1 && it.key() <= 32);
        CHECK(!it.value().isEmpty());
        CHECK(it.value() == QLatin1String(PortMap::kLoopback) ||
              it.value().startsWith(QLatin1Char('/')));
        CHECK(it.value() == it.value().trimmed());
        CHECK(!it.value().contains(QLatin1Char(',')));
    }
    for (const QString &e : errors) {
        CHECK(!e.isEmpty());
        CHECK(e.startsWith(QLatin1String("QARVELO_PORTS: entry")));
    }
    // Without an error list the same map comes out.
    CHECK(PortMap::parse(text, nullptr) == map);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const char *bytes = reinterpret_cast<const char *>(data);
    check(QString::fromUtf8(bytes, qsizetype(size)));
    check(QString::fromLatin1(bytes, qsizetype(size)));
    return 0;
}
