#pragma once
// The program's message boxes on QMessageBox: a notice with one OK button, a
// warning with its icon, and a Yes/No question with No preselected. Each box
// belongs to the window that is active when it appears.
#include "base/message_box.h"

namespace vel::ui {

class QtMessageBox : public MessageBox {
public:
    void info(const QString& text) override;
    void warning(const QString& text) override;
    bool ask(const QString& text) override;
};

}  // namespace vel::ui
