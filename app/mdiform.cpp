#include "app/mdiform.h"

#include "app/aboutbox.h"
#include "app/appstate.h"
#include "app/opendiagnosis.h"
#include "app/selectport.h"
#include "portwin/portwindow.h"
#include "ui/geometry.h"
#include "ui/modal.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <cstdio>

MDIForm1::MDIForm1(QWidget *parent) : QMainWindow(parent), m_area(new QMdiArea(this)) {
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral("Kelvo Qarvelo"));
    setCentralWidget(m_area);
    m_area->setBackground(palette().brush(QPalette::Dark));

    auto *mnuFile = new QMenu(QStringLiteral("&Port"), this);
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction *open = mnuFile->addAction(QStringLiteral("&Open"));
    open->setObjectName(QStringLiteral("mnuFileOpen"));
    connect(open, &QAction::triggered, this, &MDIForm1::mnuFileOpen_Click);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuFileSeparator1"));
    QAction *exit = mnuFile->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuFileExit"));
    connect(exit, &QAction::triggered, this, &MDIForm1::mnuFileExit_Click);
    auto *mnuHelp = new QMenu(QStringLiteral("&Help"), this);
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    QAction *about = mnuHelp->addAction(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("mnuHelpAbout"));
    connect(about, &QAction::triggered, this, &MDIForm1::mnuHelpAbout_Click);
    m_ownMenus = {mnuFile, mnuHelp};
    showMenusOf(nullptr);

    // The active port window's menus replace the frame's.
    connect(m_area, &QMdiArea::subWindowActivated, this, &MDIForm1::showMenusOf);
    Form_Load();
}

MDIForm1::~MDIForm1() {
    // The area outlives this part of the object while it tears down its windows.
    disconnect(m_area, nullptr, this, nullptr);
}

void MDIForm1::Form_Load() {
    const QScreen *screen = this->screen();
    const QSize size = screen ? screen->size() : QSize(800, 600);
    setGeometry(Geometry::frameRect(size, Twips::perPixelX(), Twips::perPixelY()));
    bFirstActivate = true;
}

void MDIForm1::showEvent(QShowEvent *e) {
    QMainWindow::showEvent(e);
    if (m_placedWithFrame)
        return;
    m_placedWithFrame = true;
    // The start rectangle is the outer one; once a window manager has added
    // its frame, shrink the client area by the frame's size.
    QTimer::singleShot(0, this, [this] {
        const QSize frame = frameGeometry().size() - geometry().size();
        if (frame.isEmpty() || frame == QSize(0, 0))
            return;
        const QScreen *screen = this->screen();
        const QRect outer = Geometry::frameRect(screen ? screen->size() : QSize(800, 600),
                                                Twips::perPixelX(), Twips::perPixelY());
        resize(outer.size() - frame);
        move(outer.topLeft());
    });
}

void MDIForm1::showMenusOf(QMdiSubWindow *sub) {
    QList<QMenu *> menus = m_ownMenus;
    if (sub)
        if (auto *w = qobject_cast<MDIChild1 *>(sub->widget()))
            menus = w->menus();
    QMenuBar *bar = menuBar();
    bar->clear();
    for (QMenu *m : menus)
        bar->addMenu(m);
}

bool MDIForm1::event(QEvent *e) {
    if (e->type() == QEvent::WindowActivate && bFirstActivate)
        QTimer::singleShot(0, this, &MDIForm1::Form_Activate);
    return QMainWindow::event(e);
}

void MDIForm1::Form_Activate() {
    if (!bFirstActivate)
        return;
    bFirstActivate = false;
    mnuFileOpen_Click();
}

void MDIForm1::placeDialog(QWidget *dialog) {
    // Before it is shown a dialog has no frame yet: assume the frame's own.
    const QSize decoration = frameGeometry().size() - geometry().size();
    const QRect r = Geometry::placeDialog(frameGeometry(), dialog->size() + decoration,
                                          Twips::perPixelX(), Twips::perPixelY());
    dialog->move(r.topLeft());
}

void MDIForm1::mnuFileOpen_Click() {
    auto *dlg = new SelectPort(this); // its load step probes the ports
    placeDialog(dlg);
    Modal::exec(dlg);
    const int index = dlg->selectedIndex();
    const QString entry = index >= 0 ? dlg->entryText(index) : QString();
    delete dlg; // the next Port/Open probes afresh
    if (index == -1)
        return;

    App::PortWindows.resize(App::lPortWindowCount + 1);
    const qint16 portNum = qint16(entry.mid(3).toInt());
    auto *w = new MDIChild1(this);
    QMdiSubWindow *sub = m_area->addSubWindow(w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(windowIcon());
    App::PortWindows[App::lPortWindowCount] = w;
    w->setWindowTitle(entry);
    sub->show();

    const QPointer<MDIChild1> guard(w);
    if (!w->OpenPort(portNum)) {
        // Say why, and do not leave a window on screen that cannot work.
        const QString why = describeOpenFailure(entry, w->openError());
        std::fprintf(stderr, "qarvelo: %s\n", why.toLocal8Bit().constData());
        sub->close();
        ++App::lPortWindowCount;
        auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Port/Open"), why,
                                    QMessageBox::Ok, this);
        placeDialog(box);
        Modal::exec(box);
        delete box;
        return;
    }
    w->syncLineChecks();
    w->mnuFileConfigure_Click();
    ++App::lPortWindowCount;
    if (guard)
        guard->setFocus();
}

void MDIForm1::mnuFileExit_Click() { close(); }

void MDIForm1::closeEvent(QCloseEvent *e) {
    // Every port window runs its unload step and releases its port.
    m_area->closeAllSubWindows();
    e->accept();
}

QList<MDIChild1 *> MDIForm1::portWindows() const {
    QList<MDIChild1 *> list;
    for (QMdiSubWindow *sub : m_area->subWindowList(QMdiArea::CreationOrder))
        if (auto *w = qobject_cast<MDIChild1 *>(sub->widget()))
            list << w;
    return list;
}

MDIChild1 *MDIForm1::activePortWindow() const {
    QMdiSubWindow *sub = m_area->activeSubWindow();
    return sub ? qobject_cast<MDIChild1 *>(sub->widget()) : nullptr;
}

void MDIForm1::arrange(int mode) {
    if (mode == 0) {
        m_area->cascadeSubWindows();
        return;
    }
    QList<QMdiSubWindow *> subs;
    for (QMdiSubWindow *sub : m_area->subWindowList(QMdiArea::CreationOrder))
        if (sub->isVisible() && !sub->isMinimized())
            subs << sub;
    const QRect area = m_area->viewport()->rect();
    const QVector<QRect> rects = mode == 1 ? Geometry::tileHorizontal(area, int(subs.size()))
                                           : Geometry::tileVertical(area, int(subs.size()));
    for (int i = 0; i < subs.size(); ++i) {
        if (subs[i]->isMaximized())
            subs[i]->showNormal();
        subs[i]->setGeometry(rects[i]);
    }
}

void MDIForm1::mnuHelpAbout_Click() {
    auto *box = new AboutBox(this);
    placeDialog(box);
    Modal::exec(box);
    delete box;
}

KeyStringTable &MDIForm1::keyStrings() { return App::sKeyStrings; }
KeyStringTable &MDIForm1::editStrings() { return App::sEditStrings; }
