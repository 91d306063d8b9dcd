#pragma once

#include <QDialog>

#include <functional>

// Every modal dialog of the program is shown through here, so that tests can
// answer a dialog without a nested event loop waiting for a person.
namespace Modal {

using Runner = std::function<int(QDialog *)>;

inline Runner &runner() {
    static Runner r;
    return r;
}

inline int exec(QDialog *dialog) {
    if (runner())
        return runner()(dialog);
    const int result = dialog->exec();
    // Without a window manager nobody gives the focus back, and the frame's
    // shortcuts (Ctrl+P/D/R, Alt+letter) would stay dead until a click.
    if (QWidget *owner = dialog->parentWidget())
        owner->window()->activateWindow();
    return result;
}

} // namespace Modal
