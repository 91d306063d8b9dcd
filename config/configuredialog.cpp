#include "config/configuredialog.h"

#include "ui/twips.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

Configure::Configure(QWidget *parent)
    : ProgramDialog(parent, QStringLiteral("Configure"), QStringLiteral("Port Configuration"), 3555,
                    2145) {
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

    OKButton =
        addButton(QStringLiteral("OKButton"), QStringLiteral("&OK"), 720, 1680, 975, 375, true);
    CancelButton =
        addButton(QStringLiteral("CancelButton"), QStringLiteral("&Cancel"), 1920, 1680, 975, 375);
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

void Configure::reject() {
    // Cancel and the close box: nothing selected means nothing is applied.
    BaudRate->setCurrentIndex(-1);
    QDialog::reject();
}
