#include "portwin/portwindow.h"

#include "config/configmap.h"
#include "config/configuredialog.h"
#include "portwin/portwindowhost.h"
#include "portwin/widgets.h"
#include "strings/definestrings.h"
#include "ui/layout.h"
#include "ui/modal.h"
#include "ui/twips.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMessageBox>

#include <algorithm>
#include <cmath>

namespace {

const QColor kLit(0, 128, 0);          // activity cell lit
const QColor kActiveFill(255, 0, 0);   // indicator, line on
const QColor kActiveText(0, 0, 0);     // label, line on
const QColor kInactive(128, 128, 128); // label and indicator, line off
const QColor kWindowBackground(192, 192, 192);
const QColor kReceiveBackground(255, 255, 255);

const char *const kCellCaptions[8] = {"A", "C", "T", "I", "V", "I", "T", "Y"};

QRect px(const QRectF &twips) {
    return Twips::rect(twips.x(), twips.y(), twips.width(), twips.height());
}

// Repeat hands the line new text only while the output queue holds less than
// about a tenth of a second of line time, so the echo never runs far ahead.
qsizetype repeatLowWater(const SerialComm *comm) {
    LineSettings ls;
    const quint32 baud = comm->readLineSettings(ls) ? ls.BaudRate : 9600;
    return std::max<qsizetype>(64, baud / 100);
}

} // namespace

MDIChild1::MDIChild1(PortWindowHost *h, QWidget *parent)
    : QWidget(parent), host(h), MSComm1(new SerialComm(this)) {
    setObjectName(QStringLiteral("MDIChild1"));
    setWindowTitle(QStringLiteral("Serial Port Window"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    QFont f(QStringLiteral("Courier New"));
    f.setPointSizeF(9.75);
    f.setStyleHint(QFont::Monospace);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kWindowBackground);
    setPalette(pal);
    setAutoFillBackground(true);

    buildControls();
    buildMenus();

    connect(MSComm1, &SerialComm::OnComm, this, &MDIChild1::MSComm1_OnComm);
    Timer1.setInterval(1);
    Timer1.setTimerType(Qt::PreciseTimer);
    connect(&Timer1, &QTimer::timeout, this, &MDIChild1::Timer1_Timer);

    // Load step: the timer runs from here to the unload step.
    timerEnabled = true;
    armTimer();
}

MDIChild1::~MDIChild1() {
    timerEnabled = false;
    Timer1.stop();
    qDeleteAll(m_menus); // not QObject children of this window: the frame's bar shows them
}

QSize MDIChild1::sizeHint() const {
    return QSize(Twips::toPxX(6480), Twips::toPxY(4890));
}

void MDIChild1::buildControls() {
    Transmit = new DisplayBox(this);
    Transmit->setObjectName(QStringLiteral("Transmit"));
    Transmit->setAccessibleName(QStringLiteral("Transmit"));
    Receive = new DisplayBox(this);
    Receive->setObjectName(QStringLiteral("Receive"));
    Receive->setAccessibleName(QStringLiteral("Receive"));
    QPalette rp = Receive->palette();
    rp.setColor(QPalette::Base, kReceiveBackground);
    Receive->setPalette(rp);
    Transmit->setGeometry(Twips::rect(0, 600, 4935, 1575));
    Receive->setGeometry(Twips::rect(0, 2760, 4935, 1455));

    TransmitLabel = new ClickLabel(QStringLiteral("Transmitted Chars:"), this);
    TransmitLabel->setObjectName(QStringLiteral("TransmitLabel"));
    TransmitLabel->setGeometry(Twips::rect(0, 360, 2295, 255));
    ReceivedLabel = new ClickLabel(QStringLiteral("Received Chars:"), this);
    ReceivedLabel->setObjectName(QStringLiteral("ReceivedLabel"));
    ReceivedLabel->setGeometry(Twips::rect(0, 2520, 1935, 255));

    for (int k = 0; k < 8; ++k) {
        const QString cap = QLatin1String(kCellCaptions[k]);
        TX[k] = new ClickLabel(cap, this);
        TX[k]->setObjectName(QStringLiteral("TX%1").arg(k + 1));
        TX[k]->setAccessibleName(QStringLiteral("Transmit activity %1").arg(k + 1));
        TX[k]->setGeometry(Twips::rect(2880 + 120 * k, 360, 135, 255));
        RX[k] = new ClickLabel(cap, this);
        RX[k]->setObjectName(QStringLiteral("RX%1").arg(k + 1));
        RX[k]->setAccessibleName(QStringLiteral("Receive activity %1").arg(k + 1));
        RX[k]->setGeometry(Twips::rect(2880 + 120 * k, 2520, 135, 255));
    }
    TX[0]->setBackground(kWindowBackground);
    TX[7]->setBackground(kWindowBackground);
    connect(TX[0], &ClickLabel::clicked, this, [this] {
        s.txLight.restart();
        showRow(TX, s.txLight);
    });
    connect(RX[0], &ClickLabel::clicked, this, [this] {
        s.rxLight.restart();
        showRow(RX, s.rxLight);
    });

    struct LineDef {
        ModemLine line;
        const char *name;
        const char *caption;
        const char *indicatorName;
        int labelWidth, indicatorWidth;
    };
    const LineDef defs[] = {
        {ModemLine::DCD, "CD", "DCD", "DCDIndicator", 375, 345},
        {ModemLine::CTS, "CTS", "CTS", "CTSIndicator", 495, 345},
        {ModemLine::DSR, "DSR", "DSR", "DSRIndicator", 495, 345},
        {ModemLine::RTS, "cRTS", "RTS", "RTSIndicator", 495, 350},
        {ModemLine::DTR, "cDTR", "DTR", "DTRIndicator", 495, 345},
    };
    for (const LineDef &d : defs) {
        auto *lbl = new ClickLabel(QLatin1String(d.caption), this);
        lbl->setObjectName(QLatin1String(d.name));
        lbl->resize(Twips::toPxX(d.labelWidth), Twips::toPxY(255));
        auto *ind = new Indicator(this);
        ind->setObjectName(QLatin1String(d.indicatorName));
        ind->setAccessibleName(QLatin1String(d.caption) + QStringLiteral(" indicator"));
        ind->resize(Twips::toPxX(d.indicatorWidth), Twips::toPxY(135));
        m_labels[int(d.line)] = lbl;
        m_indicators[int(d.line)] = ind;
    }
    // A label click is exactly the menu item's toggle, check mark included.
    connect(m_labels[int(ModemLine::DTR)], &ClickLabel::clicked, this,
            [this] { action("DTR")->trigger(); });
    connect(m_labels[int(ModemLine::RTS)], &ClickLabel::clicked, this,
            [this] { action("RTS")->trigger(); });

    DivideLine = new QFrame(this);
    DivideLine->setObjectName(QStringLiteral("DivideLine"));
    DivideLine->setFrameShape(QFrame::VLine);
    DivideLine->setFrameShadow(QFrame::Plain);
}

void MDIChild1::buildMenus() {
    auto item = [this](QMenu *menu, const char *name, const QString &caption, auto slot) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto separator = [](QMenu *menu, const char *name) {
        menu->addSeparator()->setObjectName(QLatin1String(name));
    };

    auto *mnuFile = new QMenu(QStringLiteral("&Port"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    item(mnuFile, "mnuFileOpen", QStringLiteral("&Open"), [this] { host->mnuFileOpen_Click(); });
    item(mnuFile, "mnuFileConfigure", QStringLiteral("Configure"),
         &MDIChild1::mnuFileConfigure_Click);
    separator(mnuFile, "mnuFileSeparator1");
    item(mnuFile, "mnuFileExit", QStringLiteral("E&xit"), [this] { host->mnuFileExit_Click(); });

    auto *mnuWindow = new QMenu(QStringLiteral("&Window"));
    mnuWindow->setObjectName(QStringLiteral("mnuWindow"));
    item(mnuWindow, "mnuWindowClear", QStringLiteral("Clear"), &MDIChild1::mnuWindowClear_Click);
    separator(mnuWindow, "mnuFileSeparator2");
    item(mnuWindow, "mnuWindowCascade", QStringLiteral("Cascade"), [this] { host->arrange(0); });
    item(mnuWindow, "mnuWindowTileHorizontal", QStringLiteral("Tile Horizontal"),
         [this] { host->arrange(1); });
    item(mnuWindow, "mnuWindowTileVertical", QStringLiteral("Tile Vertical"),
         [this] { host->arrange(2); });

    auto *mnuOptions = new QMenu(QStringLiteral("&Options"));
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    item(mnuOptions, "mnuOptionsStrings", QStringLiteral("Strings"),
         &MDIChild1::mnuOptionsStrings_Click);
    QAction *repeat =
        item(mnuOptions, "Repeat", QStringLiteral("&Repeat"), &MDIChild1::Repeat_Click);
    separator(mnuOptions, "mnuWindowSeparator1");
    QAction *dtr = item(mnuOptions, "DTR", QStringLiteral("DTR"), &MDIChild1::DTR_Click);
    QAction *rts = item(mnuOptions, "RTS", QStringLiteral("RTS"), &MDIChild1::RTS_Click);
    // Checkable: triggering flips the mark, the handler flips the state.
    for (QAction *a : {repeat, dtr, rts})
        a->setCheckable(true);
    repeat->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    dtr->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    rts->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));

    auto *mnuHelp = new QMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    item(mnuHelp, "mnuHelpAbout", QStringLiteral("&About"), [this] { host->mnuHelpAbout_Click(); });

    m_menus = {mnuFile, mnuWindow, mnuOptions, mnuHelp};
}

QAction *MDIChild1::action(const char *name) const {
    for (QMenu *m : m_menus)
        if (auto *a = m->findChild<QAction *>(QLatin1String(name)))
            return a;
    return nullptr;
}

ClickLabel *MDIChild1::label(const char *name) const {
    return findChild<ClickLabel *>(QLatin1String(name));
}

QWidget *MDIChild1::dialogParent() const {
    return window();
}

bool MDIChild1::OpenPort(const qint16 &nPortNum) {
    m_openError = {};
    SerialError err;
    if (!MSComm1->setCommPort(nPortNum, &err) ||
        !MSComm1->setSettings(QStringLiteral("9600,N,8,1"), &err)) {
        m_openError = err;
        return false;
    }
    MSComm1->setInputLen(0);
    MSComm1->setRThreshold(1);
    MSComm1->setSThreshold(0);
    MSComm1->setHandshaking(0);
    if (!MSComm1->setPortOpen(true, &err))
        m_openError = err;
    pollPending = true;
    armTimer();
    return MSComm1->PortOpen();
}

void MDIChild1::syncLineChecks() {
    action("DTR")->setChecked(MSComm1->DTREnable());
    action("RTS")->setChecked(MSComm1->RTSEnable());
}

// ---- serial events -------------------------------------------------------

void MDIChild1::MSComm1_OnComm() {
    const int ev = MSComm1->CommEvent();
    ModemLine line;
    if (ev == SerialComm::comEvReceive) {
        Receive->setText(s.receive(MSComm1->Input()));
        showRow(RX, s.rxLight);
    } else if (lineForEvent(ev, &line)) {
        const bool on = line == ModemLine::DCD   ? MSComm1->CDHolding()
                        : line == ModemLine::CTS ? MSComm1->CTSHolding()
                                                 : MSComm1->DSRHolding();
        m_labels[int(line)]->setTextColor(on ? kActiveText : kInactive);
        pollPending = true; // the indicator follows on the next tick
        armTimer();
    } else if (ev == SerialComm::comEvPortGone) {
        showPortGone(MSComm1->lastError());
    }
}

void MDIChild1::showPortGone(const SerialError &why) {
    m_gone = true;
    const QString name = windowTitle().section(QLatin1Char(' '), 0, 0);
    setWindowTitle(name + QStringLiteral("   port gone") +
                   (why.message.isEmpty() ? QString() : QStringLiteral(": ") + why.message));
    const unsigned changed = lines.showClosed();
    for (ModemLine l : kTickOrder)
        if (changed & (1u << int(l)))
            paintLine(l, false);
    armTimer();
}

// ---- timer -----------------------------------------------------------------

bool MDIChild1::tickNeeded() const {
    if (!timerEnabled)
        return false;
    if (pollPending)
        return true;
    // Repeat only sends on an open port; a closed or vanished one must not keep
    // a 1 ms timer spinning for nothing.
    if (s.bRepeat && MSComm1->PortOpen())
        return true;
    // A device that cannot report line changes must be polled.
    return MSComm1->PortOpen() && !MSComm1->modemChangesNotified();
}

void MDIChild1::armTimer() {
    // The tick stays 1 ms while anything can change; an idle window sleeps.
    if (tickNeeded()) {
        if (!Timer1.isActive())
            Timer1.start();
    } else {
        Timer1.stop();
    }
}

void MDIChild1::Timer1_Timer() {
    pollPending = false;
    if (MSComm1->PortOpen()) {
        ModemState now;
        now[ModemLine::DCD] = MSComm1->CDHolding();
        now[ModemLine::CTS] = MSComm1->CTSHolding();
        now[ModemLine::DSR] = MSComm1->DSRHolding();
        now[ModemLine::RTS] = MSComm1->RTSEnable();
        now[ModemLine::DTR] = MSComm1->DTREnable();
        const unsigned changed = lines.tick(now);
        for (ModemLine l : kTickOrder)
            if (changed & (1u << int(l)))
                paintLine(l, now[l]);
    } else if (!m_gone) {
        // Never opened: nothing to ask; show the lines as off.
        const unsigned changed = lines.showClosed();
        for (ModemLine l : kTickOrder)
            if (changed & (1u << int(l)))
                paintLine(l, false);
    }
    s.bLastCD = lines.last[ModemLine::DCD];
    s.bLastCTS = lines.last[ModemLine::CTS];
    s.bLastDSR = lines.last[ModemLine::DSR];
    s.bLastRTS = lines.last[ModemLine::RTS];
    s.bLastDTR = lines.last[ModemLine::DTR];

    // Repeat step: send again only when the line has room for the text.
    if (s.bRepeat && MSComm1->PortOpen() &&
        repeatMaySend(MSComm1->outputQueued(), s.sLastSent.size(), repeatLowWater(MSComm1)))
        SendString(s.sLastSent);
    armTimer();
}

void MDIChild1::paintLine(ModemLine line, bool on) {
    m_labels[int(line)]->setTextColor(on ? kActiveText : kInactive);
    m_indicators[int(line)]->setFill(on ? kActiveFill : kInactive);
}

// ---- transmit ----------------------------------------------------------------

void MDIChild1::SendString(const QByteArray &text) {
    Transmit->setText(s.recordSend(text));
    showRow(TX, s.txLight);
    if (MSComm1->PortOpen()) {
        const qsizetype taken = MSComm1->Output(text);
        if (taken < text.size())
            QApplication::beep(); // the output queue is full: the rest did not go out
    }
}

bool MDIChild1::event(QEvent *e) {
    // Tab is a character to send here, not focus navigation.
    if (e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    return QWidget::event(e);
}

void MDIChild1::keyPressEvent(QKeyEvent *e) {
    if (const int n = TestStrings::functionKeyIndex(e->key())) {
        functionKey(n);
        return;
    }
    if (e->modifiers() & Qt::AltModifier) { // Alt combinations belong to the menus
        e->ignore();
        return;
    }
    QString text = e->text();
    if (text.isEmpty()) {
        const int key = e->key();
        if ((e->modifiers() & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
            text = QChar(key - Qt::Key_A + 1);
        else if (key == Qt::Key_Return || key == Qt::Key_Enter)
            text = QChar(13);
        else if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            text = QChar(9);
        else if (key == Qt::Key_Escape)
            text = QChar(27);
        else if (key == Qt::Key_Backspace)
            text = QChar(8);
    }
    if (text.isEmpty()) {
        e->ignore();
        return;
    }
    for (const QChar ch : text) {
        if (ch.unicode() < 256)
            SendString(QByteArray(1, char(ch.unicode())));
        else
            QApplication::beep(); // no single-byte form: not sent
    }
}

void MDIChild1::functionKey(int n) {
    const QString &entry = host->keyStrings()(n);
    if (entry.isEmpty())
        return;
    int dropped = 0;
    const QByteArray bytes = TestStrings::toBytes(entry, &dropped);
    if (dropped)
        QApplication::beep();
    if (!bytes.isEmpty())
        SendString(bytes);
}

// ---- menus ---------------------------------------------------------------------

void MDIChild1::mnuWindowClear_Click() {
    s.clear();
    Receive->setText(QString());
    Transmit->setText(QString());
}

void MDIChild1::Repeat_Click() {
    s.bRepeat = !s.bRepeat; // the item's check mark was flipped by the trigger
    armTimer();
}

void MDIChild1::DTR_Click() {
    if (!MSComm1->PortOpen()) { // nothing to switch; keep the mark truthful
        action("DTR")->setChecked(!action("DTR")->isChecked());
        return;
    }
    MSComm1->setDTREnable(!MSComm1->DTREnable());
    pollPending = true;
    armTimer();
}

void MDIChild1::RTS_Click() {
    if (!MSComm1->PortOpen()) {
        action("RTS")->setChecked(!action("RTS")->isChecked());
        return;
    }
    MSComm1->setRTSEnable(!MSComm1->RTSEnable());
    pollPending = true;
    armTimer();
}

void MDIChild1::mnuOptionsStrings_Click() {
    KeyStringTable &edit = host->editStrings();
    edit = host->keyStrings();
    auto *dlg = new DefineStrings(edit, dialogParent());
    dlg->setGeometry(Twips::rect(2895, 4650, 6510, 3510)); // its designed place
    Modal::exec(dlg);
    if (dlg->nStatus() != -1)
        host->keyStrings() = edit;
    delete dlg;
}

void MDIChild1::mnuFileConfigure_Click() {
    const QString name = windowTitle().section(QLatin1Char(' '), 0, 0);
    LineSettings block;
    SerialError err;
    if (!MSComm1->PortOpen() || !MSComm1->readLineSettings(block, &err)) {
        const QString why = m_gone ? QStringLiteral("The port is gone.")
                            : err  ? err.message
                                   : QStringLiteral("The port is not open.");
        auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Configure ") + name,
                                    name + QStringLiteral(": cannot configure. ") + why,
                                    QMessageBox::Ok, dialogParent());
        Modal::exec(box);
        delete box;
        return;
    }

    auto *dlg = new Configure(dialogParent());
    host->placeDialog(dlg);
    dlg->setSelection(ConfigMap::presetFrom(block));
    dlg->setWindowTitle(QStringLiteral("Configure ") + windowTitle());
    Modal::exec(dlg);
    const ConfigMap::Selection sel = dlg->selection();
    delete dlg;
    if (sel.baud < 0)
        return;

    const LineSettings wanted = ConfigMap::applyTo(block, sel);
    if (MSComm1->writeLineSettings(wanted, &err)) {
        setWindowTitle(ConfigMap::caption(windowTitle(), wanted));
        return;
    }
    // The port kept other settings: the caption shows what it really runs.
    LineSettings actual = block;
    const bool stillOpen = MSComm1->PortOpen() && MSComm1->readLineSettings(actual);
    if (stillOpen)
        setWindowTitle(ConfigMap::caption(windowTitle(), actual));
    // A port that vanished while the dialog was up runs nothing any more.
    const QString msg = stillOpen ? QStringLiteral("%1 refused %2.\n%3\nThe port still runs %4.")
                                        .arg(name, ConfigMap::describe(wanted), err.message,
                                             ConfigMap::describe(actual))
                                  : QStringLiteral("%1 is gone: %2 was not applied.")
                                        .arg(name, ConfigMap::describe(wanted));
    qWarning().noquote() << msg;
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Configure ") + name, msg,
                                QMessageBox::Ok, dialogParent());
    Modal::exec(box);
    delete box;
}

// ---- lights and layout ---------------------------------------------------------

void MDIChild1::showRow(const std::array<ClickLabel *, 8> &cells, const ActivityRow &row) {
    const QColor unlit = palette().color(QPalette::Window);
    for (int k = 1; k <= 8; ++k)
        if (row.isLit(k) || cells[k - 1]->autoFillBackground())
            cells[k - 1]->setBackground(row.isLit(k) ? kLit : unlit);
}

void MDIChild1::showEvent(QShowEvent *e) {
    QWidget::showEvent(e);
    Form_Resize();
}

void MDIChild1::resizeEvent(QResizeEvent *e) {
    QWidget::resizeEvent(e);
    Form_Resize();
}

void MDIChild1::Form_Resize() {
    QWidget *frame = parentWidget() ? parentWidget() : this; // the MDI subwindow
    if (frame->isMinimized())
        return;
    const double tx = Twips::perPixelX(), ty = Twips::perPixelY();
    const QFontMetricsF fm(font());
    LayoutInput in;
    in.W = frame->width() * tx;
    in.H = frame->height() * ty;
    in.px = tx;
    in.py = ty;
    in.TW = fm.horizontalAdvance(QLatin1Char('W')) * tx;
    in.TH = fm.height() * ty;
    const PortWindowLayout L = computePortWindowLayout(in);
    if (L.widthClamped || L.heightClamped) {
        frame->resize(Twips::toPxX(L.W), Twips::toPxY(L.H)); // runs the layout again
        return;
    }
    Transmit->setGeometry(px(L.Transmit));
    Receive->setGeometry(px(L.Receive));
    TransmitLabel->move(px(L.TransmitLabel).topLeft());
    ReceivedLabel->move(px(L.ReceivedLabel).topLeft());
    for (int k = 0; k < 8; ++k) {
        TX[k]->move(px(L.TX[k]).topLeft());
        RX[k]->move(px(L.RX[k]).topLeft());
    }
    const std::pair<ModemLine, std::pair<QRectF, QRectF>> group[] = {
        {ModemLine::DTR, {L.cDTR, L.DTRIndicator}},
        {ModemLine::RTS, {L.cRTS, L.RTSIndicator}},
        {ModemLine::DSR, {L.DSR, L.DSRIndicator}},
        {ModemLine::CTS, {L.CTS, L.CTSIndicator}},
        {ModemLine::DCD, {L.CD, L.DCDIndicator}}};
    for (const auto &[line, rects] : group) {
        m_labels[int(line)]->move(px(rects.first).topLeft());
        m_indicators[int(line)]->move(px(rects.second).topLeft());
    }
    const QPoint top(Twips::toPxX(L.DivideLine.x1()), Twips::toPxY(L.DivideLine.y1()));
    const int bottom = Twips::toPxY(L.DivideLine.y2());
    DivideLine->setGeometry(top.x() - 1, top.y(), 3, std::max(1, bottom - top.y()));

    // A box's text is refreshed only when its capacity changed.
    if (L.nRxVisible != s.nRxVisible) {
        s.nRxVisible = L.nRxVisible;
        Receive->setText(s.rxBoxText());
    }
    if (L.nTxVisible != s.nTxVisible) {
        s.nTxVisible = L.nTxVisible;
        Transmit->setText(s.txBoxText());
    }
}

void MDIChild1::closeEvent(QCloseEvent *e) {
    // Unload step: the timer stops; the port goes with the component.
    timerEnabled = false;
    Timer1.stop();
    QWidget::closeEvent(e);
}
