#pragma once

#include "line/modemlines.h"
#include "portwin/portstate.h"
#include "serial/serialcomm.h"

#include <QAction>
#include <QList>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <array>

class ClickLabel;
class DisplayBox;
class Indicator;
class PortWindowHost;
class QFrame;

// One port window: shows what passes on one serial port and sends what the
// user types. The behaviour lives in PortWindowState and the serial component;
// this class wires widgets, keys, menus and the timer to them.
class MDIChild1 : public QWidget {
    Q_OBJECT
public:
    explicit MDIChild1(PortWindowHost *host, QWidget *parent = nullptr);
    ~MDIChild1() override;

    bool OpenPort(const qint16 &nPortNum);
    void mnuFileConfigure_Click();
    // Check marks of DTR and RTS from the component (right after OpenPort).
    void syncLineChecks();

    // The menus the frame shows while this window is active.
    QList<QMenu *> menus() const { return m_menus; }
    QSize sizeHint() const override;

    // For the frame and for tests.
    SerialComm *comm() const { return MSComm1; }
    const PortWindowState &state() const { return s; }
    const SerialError &openError() const { return m_openError; }
    bool portGone() const { return m_gone; }
    bool timerRunning() const { return Timer1.isActive(); }
    DisplayBox *transmitBox() const { return Transmit; }
    DisplayBox *receiveBox() const { return Receive; }
    QAction *action(const char *name) const;
    ClickLabel *label(const char *name) const;
    Indicator *indicator(ModemLine line) const { return m_indicators[int(line)]; }
    ClickLabel *txCell(int k) const { return TX[k - 1]; }
    ClickLabel *rxCell(int k) const { return RX[k - 1]; }

    void SendString(const QByteArray &text);
    void Timer1_Timer();

protected:
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    void buildControls();
    void buildMenus();
    void MSComm1_OnComm();
    void Form_Resize();
    void functionKey(int n);
    void mnuWindowClear_Click();
    void mnuOptionsStrings_Click();
    void Repeat_Click();
    void DTR_Click();
    void RTS_Click();
    void showRow(const std::array<ClickLabel *, 8> &cells, const ActivityRow &row);
    void paintLine(ModemLine line, bool on);
    void showPortGone(const SerialError &why);
    void armTimer();
    bool tickNeeded() const;
    QWidget *dialogParent() const;

    PortWindowHost *host;
    PortWindowState s;
    LineIndicators lines;
    SerialComm *MSComm1;
    QTimer Timer1;
    bool timerEnabled = false; // the timer's Enabled: load to unload
    bool pollPending = true;   // something may have changed since the last tick
    bool m_gone = false;
    SerialError m_openError;

    DisplayBox *Transmit = nullptr;
    DisplayBox *Receive = nullptr;
    ClickLabel *TransmitLabel = nullptr;
    ClickLabel *ReceivedLabel = nullptr;
    std::array<ClickLabel *, 8> TX{};
    std::array<ClickLabel *, 8> RX{};
    std::array<ClickLabel *, 5> m_labels{};    // by ModemLine
    std::array<Indicator *, 5> m_indicators{}; // by ModemLine
    QFrame *DivideLine = nullptr;
    QList<QMenu *> m_menus;
};
