#pragma once

#include "strings/teststrings.h"

class QWidget;

// What a port window asks of the frame that holds it.
class PortWindowHost {
public:
    virtual ~PortWindowHost() = default;
    virtual void mnuFileOpen_Click() = 0;
    virtual void mnuFileExit_Click() = 0;
    virtual void arrange(int mode) = 0; // 0 cascade, 1 tile horizontal, 2 tile vertical
    virtual void mnuHelpAbout_Click() = 0;
    // Moves a dialog to its place over the frame.
    virtual void placeDialog(QWidget *dialog) = 0;
    // Program-wide function-key strings and their editing copy.
    virtual KeyStringTable &keyStrings() = 0;
    virtual KeyStringTable &editStrings() = 0;
};
