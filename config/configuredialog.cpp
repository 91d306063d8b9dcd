#include "config/configuredialog.h"

#include "ui/twips.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

Configure::Configure(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Configure"));
    setWindowTitle(QStringLiteral("Port Configuration"));
    setWindowFlags(Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    resize(Twips::toPxX(3555), Twips::toPxY(2145));

    auto list = [this](const char *name, const char *caption, const QStringList &entries, double l,
                       double t) {
        auto *lbl = new QLabel(QLatin1String(caption), this);
        lbl->setGeometry(Twips::rect(l, t - 240, 855, 255));
        auto *box = new QComboBox(this);
        box->setObjectName(QLatin1String(name));
        box->addItems(entries);
        box->setCurrentIndex(-1);
        box->setGeometry(Twips::rect(l, t, 1575, 315));
        box->setAccessibleName(QString(QLatin1String(caption)).chopped(1));
        lbl->setBuddy(box);
        return box;
    };
    BaudRate = list("BaudRate", "Baud rate:", ConfigMap::baudEntries(), 120, 360);
    Parity = list("Parity", "Parity:", ConfigMap::parityEntries(), 1920, 360);
    DataBits = list("DataBits", "Data bits:", ConfigMap::dataBitsEntries(), 120, 1080);
    StopBits = list("StopBits", "Stop bits:", ConfigMap::stopBitsEntries(), 1920, 1080);

    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(Twips::rect(720, 1680, 975, 375));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(Twips::rect(1920, 1680, 975, 375));
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &Configure::reject);

    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, BaudRate);
    setTabOrder(BaudRate, Parity);
    setTabOrder(Parity, DataBits);
    setTabOrder(DataBits, StopBits);
    OKButton->setFocus();
}

void Configure::setSelection(const ConfigMap::Selection &sel) {
    BaudRate->setCurrentIndex(sel.baud);
    Parity->setCurrentIndex(sel.parity);
    DataBits->setCurrentIndex(sel.dataBits);
    StopBits->setCurrentIndex(sel.stopBits);
}

ConfigMap::Selection Configure::selection() const {
    return {BaudRate->currentIndex(), Parity->currentIndex(), DataBits->currentIndex(),
            StopBits->currentIndex()};
}

void Configure::keyPressEvent(QKeyEvent *e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        e->accept(); // no cancel button: Esc does nothing
        return;
    }
    QDialog::keyPressEvent(e);
}

void Configure::reject() {
    // Cancel and the close box: nothing selected means nothing is applied.
    BaudRate->setCurrentIndex(-1);
    QDialog::reject();
}
