// Port/Open's probe: constructing the port selection dialog opens and closes
// every mapped port. 32 pseudo-terminals are mapped to COM1..COM32.
//
//   bench_probe [--runs 5]

#include "benchutil.h"

#include "app/selectport.h"
#include "serial/portmap.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>

#include <memory>

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = int(bench::argValue(argc, argv, "--runs", 5));

    std::vector<std::unique_ptr<bench::Pty>> ptys;
    QMap<int, QString> map;
    for (int n = 1; n <= 32; ++n) {
        ptys.push_back(std::make_unique<bench::Pty>());
        map.insert(n, ptys.back()->slave);
    }
    PortMap::setCurrent(map);

    std::printf("bench_probe: SelectPort over 32 mapped ptys, %d runs (+1 warm-up)\n", runs);
    std::vector<double> ms;
    bool ok = true;
    for (int i = 0; i <= runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        auto *dlg = new SelectPort;
        const double t = clock.nsecsElapsed() / 1e6;
        const int listed = dlg->Port->count();
        delete dlg;
        ok = ok && listed == 32;
        std::printf("  run %d%s: %.2f ms, %d ports listed\n", i, i == 0 ? " (warm-up)" : "", t,
                    listed);
        if (i > 0)
            ms.push_back(t);
    }
    std::printf("\n");
    bench::printStats("SelectPort construction (32 ptys)", ms, "ms");
    std::vector<double> per;
    for (double t : ms)
        per.push_back(t / 32);
    bench::printStats("per port", per, "ms");
    std::printf("ports listed: %s\n", ok ? "all 32" : "MISSING SOME");
    return ok ? 0 : 1;
}
