#pragma once

// Shared by the widget tests of the port window and its dialogs: a pseudo-
// terminal whose raw master the test holds, a host standing in for the frame,
// and a main window with an MDI area whose menu bar shows the active port
// window's menus (so that Ctrl+D, Ctrl+R and Ctrl+P reach them).

#include "portwin/portwindow.h"
#include "portwin/portwindowhost.h"
#include "portwin/widgets.h"
#include "serial/portmap.h"
#include "strings/teststrings.h"
#include "tests/support/testpty.h"
#include "ui/modal.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPalette>
#include <QPointer>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace fixture {

// A pseudo-terminal; the window under test opens the slave.
struct Pty : TestPty {
    QByteArray got; // everything read from the master so far, not yet taken

    // What the port wrote so far and nobody took yet.
    const QByteArray &read() {
        char buf[4096];
        while (master >= 0) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, n);
        }
        return got;
    }
    QByteArray take() {
        read();
        return std::exchange(got, {});
    }
    // The line settings the slave runs (on Linux the master reports its
    // slave's termios).
    termios settings() const {
        termios t{};
        ::tcgetattr(master, &t);
        return t;
    }
};

struct TestHost : PortWindowHost {
    KeyStringTable keys = TestStrings::defaults();
    KeyStringTable edit;
    int opens = 0, exits = 0, abouts = 0, placed = 0;
    QList<int> arranged;

    void mnuFileOpen_Click() override { ++opens; }
    void mnuFileExit_Click() override { ++exits; }
    void arrange(int mode) override { arranged << mode; }
    void mnuHelpAbout_Click() override { ++abouts; }
    void placeDialog(QWidget *) override { ++placed; }
    KeyStringTable &keyStrings() override { return keys; }
    KeyStringTable &editStrings() override { return edit; }
};

// A frame for port windows: MDI area plus the active window's menus.
struct Frame {
    TestHost host;
    QMainWindow main;
    QMdiArea *area = nullptr;

    Frame() {
        area = new QMdiArea(&main);
        main.setCentralWidget(area);
        main.resize(1000, 800);
        QObject::connect(area, &QMdiArea::subWindowActivated, &main, [this](QMdiSubWindow *sub) {
            if (auto *w = sub ? qobject_cast<MDIChild1 *>(sub->widget()) : nullptr) {
                main.menuBar()->clear();
                for (QMenu *m : w->menus())
                    main.menuBar()->addMenu(m);
            }
        });
        main.show();
        main.activateWindow();
    }
    ~Frame() { Modal::runner() = nullptr; }
    Frame(const Frame &) = delete;
    Frame &operator=(const Frame &) = delete;

    // As Port/Open does it: create, name, show, OpenPort, check marks.
    MDIChild1 *open(qint16 port, const QString &name = QStringLiteral("COM1"),
                    bool *opened = nullptr) {
        auto *w = new MDIChild1(&host);
        QMdiSubWindow *sub = area->addSubWindow(w);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        w->setWindowTitle(name);
        sub->show();
        const bool ok = w->OpenPort(port);
        if (opened)
            *opened = ok;
        w->syncLineChecks();
        area->setActiveSubWindow(sub);
        w->setFocus();
        return w;
    }
};

inline bool isLit(const ClickLabel *cell) {
    return cell->autoFillBackground() &&
           cell->palette().color(QPalette::Window) == QColor(0, 128, 0);
}

// The lit cells of a row, as cell numbers.
inline QList<int> litCells(MDIChild1 *w, bool tx) {
    QList<int> lit;
    for (int k = 1; k <= 8; ++k)
        if (isLit(tx ? w->txCell(k) : w->rxCell(k)))
            lit << k;
    return lit;
}

inline QColor textColor(const ClickLabel *l) {
    return l->palette().color(QPalette::WindowText);
}

inline const QColor kActiveFill(255, 0, 0);
inline const QColor kBlack(0, 0, 0);
inline const QColor kGrey(128, 128, 128);

} // namespace fixture
