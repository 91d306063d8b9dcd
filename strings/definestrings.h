#pragma once

#include "strings/teststrings.h"

#include "ui/programdialog.h"

#include <array>

class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// Edits the twelve function-key strings on the editing copy. Enter and Esc
// both press OK; Ctrl+Enter puts a line break into the text.
class DefineStrings : public ProgramDialog {
    Q_OBJECT
public:
    DefineStrings(KeyStringTable &edit, QWidget *parent = nullptr);

    qint16 nStatus() const { return model.nStatus; } // -1 after Cancel, 0 otherwise
    QPlainTextEdit *StringValue;
    std::array<QRadioButton *, 13> Key{}; // 1..12
    QPushButton *OKButton, *CancelButton;

    void okClicked();
    void cancelClicked();

protected:
    bool eventFilter(QObject *o, QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    DefineStringsModel model;
};
