#pragma once

#include "serial/linesettings.h"

#include <QString>
#include <QStringList>

// The configuration dialog's lists and how their positions map to a port's
// line settings. Pure functions; the dialog only shows and returns indices.
namespace ConfigMap {

const QStringList &baudEntries();     // "150" .. "115200"
const QStringList &parityEntries();   // "None", "Odd", "Even", "Mark", "Space"
const QStringList &dataBitsEntries(); // "5" .. "8"
const QStringList &stopBitsEntries(); // "1", "1.5", "2"

struct Selection {
    int baud = -1, parity = -1, dataBits = -1, stopBits = -1; // -1: none (Cancel)
};

// Presets from a port's settings: 9600 when the rate is not listed, parity from
// fParity/Parity.
Selection presetFrom(const LineSettings &s);
// The settings block with the selections written in; other fields kept.
LineSettings applyTo(LineSettings block, const Selection &sel);
// Window caption: the name (text before the first blank), three blanks, then
// "9600, None, 8, 1" for the given settings.
QString caption(const QString &oldCaption, const LineSettings &s);
// "5 data bits with 2 stop bits" style description of a settings block.
QString describe(const LineSettings &s);
// Just the data/stop bit part: "5 data bits with 2 stop bits".
QString describeCombination(const LineSettings &s);

} // namespace ConfigMap
