#include "portwin/widgets.h"

#include <QMouseEvent>
#include <QPainter>

DisplayBox::DisplayBox(QWidget *parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DisplayBox::setText(const QString &text) {
    if (text == m_text)
        return;
    m_text = text;
    update(); // painted once per frame however often the text changes
}

void DisplayBox::paintEvent(QPaintEvent *e) {
    QFrame::paintEvent(e);
    QPainter p(this);
    const QRect r = contentsRect().adjusted(1, 1, -1, -1);
    p.fillRect(contentsRect(), palette().color(QPalette::Base));
    if (m_text.isEmpty())
        return;
    const QFontMetrics fm(font());
    // Wrap where the layout's capacity assumes: at the font's real (fractional)
    // advance. A rounded-up advance wraps early and pushes the newest text
    // into a line below the box.
    const qreal cw = QFontMetricsF(font()).horizontalAdvance(QLatin1Char('W'));
    const int columns = cw > 0 ? int(r.width() / cw) : 0;
    if (columns <= 0)
        return;
    p.setPen(palette().color(QPalette::Active, QPalette::Text));
    p.setFont(font());
    int y = r.top() + fm.ascent();
    for (qsizetype i = 0; i < m_text.size() && y - fm.ascent() < r.bottom(); i += columns) {
        p.drawText(r.left(), y, m_text.mid(i, columns));
        y += fm.height();
    }
}

QString DisplayBoxAccessible::text(QAccessible::Text t) const {
    const auto *box = static_cast<const DisplayBox *>(widget());
    switch (t) {
    case QAccessible::Name:
        return box->accessibleName();
    case QAccessible::Value:
    case QAccessible::Description:
        return box->text();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessibleInterface *DisplayBoxAccessible::factory(const QString &, QObject *object) {
    if (auto *box = qobject_cast<DisplayBox *>(object))
        return new DisplayBoxAccessible(box);
    return nullptr;
}

ClickLabel::ClickLabel(const QString &text, QWidget *parent) : QLabel(text, parent) {
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(text);
}

void ClickLabel::setTextColor(const QColor &c) {
    QPalette pal = palette();
    if (pal.color(QPalette::WindowText) == c)
        return;
    pal.setColor(QPalette::WindowText, c);
    setPalette(pal);
}

void ClickLabel::setBackground(const QColor &c) {
    QPalette pal = palette();
    if (autoFillBackground() && pal.color(QPalette::Window) == c)
        return;
    setAutoFillBackground(true);
    pal.setColor(QPalette::Window, c);
    setPalette(pal);
}

void ClickLabel::mousePressEvent(QMouseEvent *e) {
    if (e->button() == Qt::LeftButton)
        Q_EMIT clicked();
    e->accept();
}

Indicator::Indicator(QWidget *parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void Indicator::setFill(const QColor &c) {
    if (c == m_fill)
        return;
    m_fill = c;
    update();
}

void Indicator::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    p.setBrush(m_fill);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = qMin(r.width(), r.height()) / 3.0;
    p.drawRoundedRect(r, radius, radius);
}
