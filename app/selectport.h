#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;
class SerialComm;

// Lists the ports that can be opened right now. Its load step (the
// constructor) probes COM1..COM32; the selected index is its result.
class SelectPort : public QDialog {
    Q_OBJECT
public:
    explicit SelectPort(QWidget *parent = nullptr);

    int selectedIndex() const; // -1: no port chosen
    QString entryText(int index) const;

    QComboBox *Port;
    QPushButton *OKButton, *CancelButton;
    SerialComm *MSComm1;

protected:
    void keyPressEvent(QKeyEvent *e) override;

public Q_SLOTS:
    void reject() override;
};
