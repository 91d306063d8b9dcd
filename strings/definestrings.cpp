#include "strings/definestrings.h"

#include "ui/twips.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

DefineStrings::DefineStrings(KeyStringTable &edit, QWidget *parent)
    : ProgramDialog(parent, QStringLiteral("DefineStrings"), QStringLiteral("Define Strings"), 6510,
                    3510),
      model(edit) {
    OKButton =
        addButton(QStringLiteral("OKButton"), QStringLiteral("&OK"), 5280, 240, 1095, 375, true);
    CancelButton =
        addButton(QStringLiteral("CancelButton"), QStringLiteral("&Cancel"), 5280, 720, 1095, 375);

    auto *Frame1 = new QGroupBox(QStringLiteral("Key"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(Twips::rect(120, 120, 1095, 3255));
    for (int i = 1; i <= 12; ++i) {
        Key[i] = new QRadioButton(QStringLiteral("F%1").arg(i), Frame1);
        Key[i]->setObjectName(QStringLiteral("Key%1").arg(i));
        Key[i]->setGeometry(Twips::rect(120, 240 * i, 855, 255));
        connect(Key[i], &QRadioButton::clicked, this, [this, i] {
            if (i != model.nCurrentKey)
                StringValue->setPlainText(TestStrings::toBoxText(
                    model.selectKey(i, TestStrings::fromBoxText(StringValue->toPlainText()))));
        });
    }

    StringValue = new QPlainTextEdit(this);
    StringValue->setObjectName(QStringLiteral("StringValue"));
    StringValue->setAccessibleName(QStringLiteral("String"));
    StringValue->setGeometry(Twips::rect(1320, 240, 3855, 3135));
    StringValue->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    StringValue->setTabChangesFocus(true);
    StringValue->setToolTip(QStringLiteral("Ctrl+Enter starts a new line (sent as CR LF)"));
    QFont f(QStringLiteral("Courier New"));
    f.setPointSizeF(9.75);
    f.setStyleHint(QFont::Monospace);
    StringValue->setFont(f);
    StringValue->installEventFilter(this);

    connect(OKButton, &QPushButton::clicked, this, &DefineStrings::okClicked);
    connect(CancelButton, &QPushButton::clicked, this, &DefineStrings::cancelClicked);

    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, Key[1]);
    setTabOrder(Key[1], StringValue);

    // Load step.
    StringValue->setPlainText(TestStrings::toBoxText(model.load()));
    Key[1]->setChecked(true);
    OKButton->setFocus();
}

void DefineStrings::okClicked() {
    model.ok(TestStrings::fromBoxText(StringValue->toPlainText()));
    accept();
}

void DefineStrings::cancelClicked() {
    model.cancel();
    reject();
}

bool DefineStrings::eventFilter(QObject *o, QEvent *e) {
    if (o == StringValue && e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (k->modifiers() & Qt::ControlModifier)
                StringValue->insertPlainText(QStringLiteral("\n"));
            else
                okClicked();
            return true;
        }
        if (k->key() == Qt::Key_Escape) {
            okClicked();
            return true;
        }
    }
    return QDialog::eventFilter(o, e);
}

void DefineStrings::keyPressEvent(QKeyEvent *e) {
    // OK is both the default and the cancel button here.
    if (e->key() == Qt::Key_Escape) {
        okClicked();
        return;
    }
    QDialog::keyPressEvent(e);
}
