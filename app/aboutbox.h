#pragma once

#include <QDialog>

class QPushButton;

// Names the program, its version and its maker. Enter or Alt+O closes it;
// Esc does nothing.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);
    QPushButton *OKButton;

protected:
    void keyPressEvent(QKeyEvent *e) override;
};
