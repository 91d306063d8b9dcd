#include "app/selectport.h"

#include "serial/portmap.h"
#include "serial/serialcomm.h"
#include "ui/twips.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>

SelectPort::SelectPort(QWidget *parent) : QDialog(parent), MSComm1(new SerialComm(this)) {
    setObjectName(QStringLiteral("SelectPort"));
    setWindowTitle(QStringLiteral("Select Port"));
    setWindowFlags(Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    resize(Twips::toPxX(3240), Twips::toPxY(1440));

    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(Twips::rect(480, 960, 975, 375));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(Twips::rect(1680, 960, 975, 375));
    Port = new QComboBox(this);
    Port->setObjectName(QStringLiteral("Port"));
    Port->setAccessibleName(QStringLiteral("Port"));
    Port->setGeometry(Twips::rect(120, 120, 2055, 315));
    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, Port);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &SelectPort::reject);
    // The tooltip names the device behind the port shown.
    connect(Port, &QComboBox::currentIndexChanged, this, [this](int i) {
        Port->setToolTip(i < 0 ? QString() : Port->itemData(i, Qt::ToolTipRole).toString());
    });

    // Load step: list every port that opens now.
    MSComm1->setSettings(QStringLiteral("9600,n,8,1"));
    bool found = false;
    for (int n = 1; n <= 32; ++n) {
        if (!MSComm1->setCommPort(n))
            continue;
        if (MSComm1->setPortOpen(true) && MSComm1->PortOpen()) {
            found = true;
            Port->addItem(QStringLiteral("COM%1").arg(n));
            Port->setItemData(Port->count() - 1, MSComm1->devicePath(), Qt::ToolTipRole);
            MSComm1->setPortOpen(false);
        }
    }
    Port->setCurrentIndex(found ? 0 : -1);
    OKButton->setFocus();
}

int SelectPort::selectedIndex() const { return Port->currentIndex(); }

QString SelectPort::entryText(int index) const { return Port->itemText(index); }

void SelectPort::keyPressEvent(QKeyEvent *e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        e->accept(); // no cancel button: Esc does nothing
        return;
    }
    QDialog::keyPressEvent(e);
}

void SelectPort::reject() {
    // Cancel, and closing by the frame, choose nothing.
    Port->setCurrentIndex(-1);
    QDialog::reject();
}
