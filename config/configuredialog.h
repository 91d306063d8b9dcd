#pragma once

#include "config/configmap.h"

#include "ui/programdialog.h"

class QComboBox;
class QPushButton;

// The port configuration dialog: four lists and OK/Cancel. It only shows and
// returns list positions; the port window reads and writes the port.
class Configure : public ProgramDialog {
    Q_OBJECT
public:
    explicit Configure(QWidget *parent = nullptr);

    void setSelection(const ConfigMap::Selection &sel);
    // baud is -1 after Cancel or closing by the frame.
    ConfigMap::Selection selection() const;

    QComboBox *BaudRate, *Parity, *DataBits, *StopBits;
    QPushButton *OKButton, *CancelButton;

public Q_SLOTS:
    void reject() override;
};
