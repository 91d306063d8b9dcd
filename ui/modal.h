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

inline int exec(QDialog *dialog) { return runner() ? runner()(dialog) : dialog->exec(); }

} // namespace Modal
