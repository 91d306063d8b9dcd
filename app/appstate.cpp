#include "app/appstate.h"

#include <cmath>

namespace App {

double dGoldenRatio = 0;
QVector<QPointer<MDIChild1>> PortWindows;
qint32 lPortWindowCount = 0;
KeyStringTable sKeyStrings;
KeyStringTable sEditStrings;

void startUp() {
    dGoldenRatio = (1 + std::sqrt(5.0)) / 2;
    lPortWindowCount = 0;
    PortWindows.clear();
    for (int i = 1; i <= 12; ++i) {
        sKeyStrings(i).clear();
        sEditStrings(i).clear();
    }
    const KeyStringTable builtIn = TestStrings::defaults();
    for (int i = 1; i <= 4; ++i)
        sKeyStrings(i) = builtIn(i);
}

} // namespace App
