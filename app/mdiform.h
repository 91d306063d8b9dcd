#pragma once

#include "portwin/portwindowhost.h"

#include <QList>
#include <QMainWindow>

class QMdiArea;
class QMdiSubWindow;
class QMenu;
class MDIChild1;

// The main frame: holds the port windows, opens ports, places dialogs and
// shows the active port window's menus in place of its own.
class MDIForm1 : public QMainWindow, public PortWindowHost {
    Q_OBJECT
public:
    explicit MDIForm1(QWidget *parent = nullptr);
    ~MDIForm1() override;

    // PortWindowHost
    void mnuFileOpen_Click() override;
    void mnuFileExit_Click() override;
    void arrange(int mode) override;
    void mnuHelpAbout_Click() override;
    void placeDialog(QWidget *dialog) override;
    KeyStringTable &keyStrings() override;
    KeyStringTable &editStrings() override;

    // The frame's first activation runs Port/Open once.
    void Form_Activate();
    bool firstActivatePending() const { return bFirstActivate; }

    QMdiArea *area() const { return m_area; }
    QList<MDIChild1 *> portWindows() const;
    MDIChild1 *activePortWindow() const;

protected:
    bool event(QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void showEvent(QShowEvent *e) override;

private:
    void Form_Load();
    void showMenusOf(QMdiSubWindow *sub);

    QMdiArea *m_area;
    QList<QMenu *> m_ownMenus;
    bool bFirstActivate = true;
    bool m_placedWithFrame = false;
};
