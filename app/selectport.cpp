#include "app/selectport.h"

#include "serial/portmap.h"
#include "serial/serialcomm.h"
#include "ui/twips.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>

SelectPort::SelectPort(QWidget *parent)
    : ProgramDialog(parent, QStringLiteral("SelectPort"), QStringLiteral("Select Port"), 3240,
                    1440),
      MSComm1(new SerialComm(this)) {
    OKButton =
        addButton(QStringLiteral("OKButton"), QStringLiteral("&OK"), 480, 960, 975, 375, true);
    CancelButton =
        addButton(QStringLiteral("CancelButton"), QStringLiteral("&Cancel"), 1680, 960, 975, 375);
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

int SelectPort::selectedIndex() const {
    return Port->currentIndex();
}

QString SelectPort::entryText(int index) const {
    return Port->itemText(index);
}

void SelectPort::reject() {
    // Cancel, and closing by the frame, choose nothing.
    Port->setCurrentIndex(-1);
    QDialog::reject();
}
