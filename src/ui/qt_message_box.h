#pragma once
// The program's message boxes on QMessageBox: a notice with one OK button, a
// warning with its icon, and a Yes/No question with No preselected. Each box
// belongs to, and is centred on, the window its owner function names (the
// run monitor during a run, else the main window); without one, the window
// that is active when it appears. A box that closes leaves no window active
// on some desktops, so the active window alone would put the next box at the
// screen's centre.
#include <functional>

#include "base/message_box.h"

class QWidget;

namespace vel::ui {

class QtMessageBox : public MessageBox {
public:
    std::function<QWidget*()> owner;

    void info(const QString& text) override;
    void warning(const QString& text) override;
    bool ask(const QString& text) override;

private:
    QWidget* ownerWindow() const;
};

}  // namespace vel::ui
