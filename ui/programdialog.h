#pragma once

#include "ui/twips.h"

#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>

// A dialog as this program builds them: an ordinary window frame, a client
// area and controls given in twips, and no cancel button unless the dialog
// says otherwise, so Esc does nothing.
class ProgramDialog : public QDialog {
public:
    ProgramDialog(QWidget *parent, const QString &name, const QString &title, double widthTwips,
                  double heightTwips)
        : QDialog(parent) {
        setObjectName(name);
        setWindowTitle(title);
        setWindowFlags(Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
        resize(Twips::toPxX(widthTwips), Twips::toPxY(heightTwips));
    }

    QPushButton *addButton(const QString &name, const QString &caption, double l, double t,
                           double w, double h, bool isDefault = false) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setGeometry(Twips::rect(l, t, w, h));
        b->setDefault(isDefault);
        return b;
    }

protected:
    void keyPressEvent(QKeyEvent *e) override {
        if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
            e->accept();
            return;
        }
        QDialog::keyPressEvent(e);
    }
};
