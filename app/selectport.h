#pragma once

#include "ui/programdialog.h"

class QComboBox;
class QPushButton;
class SerialComm;

// Lists the ports that can be opened right now. Its load step (the
// constructor) probes COM1..COM32; the selected index is its result.
class SelectPort : public ProgramDialog {
    Q_OBJECT
public:
    explicit SelectPort(QWidget *parent = nullptr);

    int selectedIndex() const; // -1: no port chosen
    QString entryText(int index) const;

    QComboBox *Port;
    QPushButton *OKButton, *CancelButton;
    SerialComm *MSComm1;

public Q_SLOTS:
    void reject() override;
};
