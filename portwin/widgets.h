#pragma once

#include <QAccessibleWidget>
#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QString>

// A display-only text box: shows what the program sets, wraps at any
// character, never takes the focus, has no caret, selection or scroll bars,
// and is drawn in the normal (not greyed) text colour.
class DisplayBox : public QFrame {
    Q_OBJECT
public:
    explicit DisplayBox(QWidget *parent = nullptr);
    void setText(const QString &text);
    const QString &text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QString m_text;
};

// Assistive technology reads a DisplayBox's name and its whole text.
class DisplayBoxAccessible : public QAccessibleWidget {
public:
    explicit DisplayBoxAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override;
    static QAccessibleInterface *factory(const QString &className, QObject *object);
};

// A label that reports clicks (the DTR/RTS labels and the activity cells).
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(const QString &text, QWidget *parent = nullptr);
    void setTextColor(const QColor &c);
    void setBackground(const QColor &c);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *e) override;
};

// A modem-line indicator: a rectangle with curved corners, opaquely filled.
class Indicator : public QWidget {
    Q_OBJECT
public:
    explicit Indicator(QWidget *parent = nullptr);
    void setFill(const QColor &c);
    QColor fill() const { return m_fill; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QColor m_fill{255, 0, 0};
};
