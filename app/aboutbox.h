#pragma once

#include "ui/programdialog.h"

class QPushButton;

// Names the program, its version and its maker. Enter or Alt+O closes it;
// Esc does nothing.
class AboutBox : public ProgramDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);
    QPushButton *OKButton;
};
