#include "app/aboutbox.h"

#include "app/art.h"
#include "ui/twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

AboutBox::AboutBox(QWidget *parent)
    : ProgramDialog(parent, QStringLiteral("AboutBox"), QStringLiteral("About"), 4860, 3180) {
    auto *Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap::fromImage(Art::logo()));
    Image1->setAccessibleName(QStringLiteral("Kelvo logo"));
    Image1->setGeometry(QRect(Twips::rect(240, 120, 4320, 1080).topLeft(), QSize(288, 72)));

    auto label = [this](const char *name, const QString &text, double l, double t, double w,
                        double h, Qt::Alignment align) {
        auto *lbl = new QLabel(text, this);
        lbl->setObjectName(QLatin1String(name));
        lbl->setAlignment(align | Qt::AlignVCenter);
        lbl->setGeometry(Twips::rect(l, t, w, h));
        return lbl;
    };
    QLabel *Label1 =
        label("Label1", QStringLiteral("Kelvo Qarvelo"), 1200, 1320, 2295, 375, Qt::AlignHCenter);
    QFont title(QStringLiteral("Times New Roman"));
    title.setPointSizeF(15.75);
    title.setStyleHint(QFont::Serif);
    Label1->setFont(title);
    label("Label2", QStringLiteral("Version: 1.00"), 1560, 1680, 1455, 255, Qt::AlignHCenter);
    label("Label3", QStringLiteral("Copyright \u00A9 2026 Kelvo, Porlund."), 720, 2040, 3375, 255,
          Qt::AlignLeft);
    label("Label4", QStringLiteral("All rights reserved."), 1680, 2280, 1335, 255, Qt::AlignLeft);

    OKButton =
        addButton(QStringLiteral("OKButton"), QStringLiteral("&OK"), 1800, 2640, 1095, 375, true);
    OKButton->setFocus();
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}
