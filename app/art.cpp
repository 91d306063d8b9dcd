#include "app/art.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace {
const QColor kBlue(0, 0, 128);
const QColor kLightBlue(0, 0, 255);
} // namespace

QImage Art::logo() {
    QImage img(288, 72, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // A serial frame as a square wave: start bit, data, stop bit.
    QPainterPath wave;
    const int bits[] = {1, 0, 1, 0, 0, 1, 1, 0, 1, 1};
    double x = 8, y = 20;
    wave.moveTo(x, y);
    for (int b : bits) {
        const double ny = b ? 20 : 52;
        if (ny != y)
            wave.lineTo(x, ny);
        y = ny;
        x += 9;
        wave.lineTo(x, y);
    }
    p.setPen(QPen(kLightBlue, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(wave);
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(34);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRect(112, 6, 176, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("KELVO"));
    f.setPixelSize(14);
    f.setBold(false);
    p.setFont(f);
    p.setPen(kBlue);
    p.drawText(QRect(114, 46, 176, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("serial line tools"));
    return img;
}

QImage Art::icon(int size) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 32.0;
    p.scale(s, s);
    // A connector shell with a running square wave across it.
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(QColor(192, 192, 192));
    QPainterPath shell;
    shell.moveTo(2, 7);
    shell.lineTo(30, 7);
    shell.lineTo(26, 25);
    shell.lineTo(6, 25);
    shell.closeSubpath();
    p.drawPath(shell);
    p.setPen(QPen(kLightBlue, 2.5, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF wave[] = {{5, 20}, {9, 20}, {9, 12}, {14, 12}, {14, 20}, {18, 20},
                            {18, 12}, {23, 12}, {23, 20}, {27, 20}};
    p.drawPolyline(wave, int(std::size(wave)));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 128, 0));
    p.drawEllipse(QPointF(27, 11), 2.5, 2.5);
    return img;
}

QIcon Art::appIcon() {
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(QPixmap::fromImage(Art::icon(size)));
    return icon;
}
