#pragma once

#include "config/configmap.h"

#include <QDialog>

class QComboBox;
class QPushButton;

// The port configuration dialog: four lists and OK/Cancel. It only shows and
// returns list positions; the port window reads and writes the port.
class Configure : public QDialog {
    Q_OBJECT
public:
    explicit Configure(QWidget *parent = nullptr);

    void setSelection(const ConfigMap::Selection &sel);
    // baud is -1 after Cancel or closing by the frame.
    ConfigMap::Selection selection() const;

    QComboBox *BaudRate, *Parity, *DataBits, *StopBits;
    QPushButton *OKButton, *CancelButton;

protected:
    void keyPressEvent(QKeyEvent *e) override;

public Q_SLOTS:
    void reject() override;
};
