#pragma once

#include "strings/teststrings.h"

#include <QPointer>
#include <QVector>

class MDIChild1;

// Program-wide state, filled by the start-up routine and kept for the whole run.
namespace App {

extern double dGoldenRatio;
// Every port window ever created, in creation order. A closed window's slot
// stays (never reused) but holds a null pointer, not a dangling one, and keeps
// nothing of the window alive.
extern QVector<QPointer<MDIChild1>> PortWindows;
extern qint32 lPortWindowCount;
extern KeyStringTable sKeyStrings;
extern KeyStringTable sEditStrings;

void startUp();

} // namespace App
