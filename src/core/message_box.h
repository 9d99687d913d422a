#pragma once
// Message boxes as the engine sees them: a single-OK notice or a yes/no
// question. The GUI shows QMessageBox, velloran-cli writes to stderr, tests
// record (tests/support/recording_message_box.h).
#include <QString>

namespace vel {

class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual void info(const QString& text) = 0;
    // Yes/No question with No preselected; true for Yes.
    virtual bool ask(const QString& text) = 0;
};

}  // namespace vel
