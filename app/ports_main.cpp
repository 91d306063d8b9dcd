// qarvelo-ports: prints which device each COM number stands for, as the
// program will see it (QARVELO_PORTS when set, the machine's serial devices
// otherwise). Reads the port map only; opens no device.
#include "serial/portmap.h"

#include <cstdio>

int main() {
    const auto &map = PortMap::current();
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        std::printf("COM%d %s\n", it.key(), it.value().toLocal8Bit().constData());
    return 0;
}
