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
    // A notice about an error (the GUI shows a warning icon); a plain notice
    // wherever there is no such distinction.
    virtual void warning(const QString& text) { info(text); }
    // Yes/No question with No preselected; true for Yes.
    virtual bool ask(const QString& text) = 0;
    // A notice that came from elsewhere (a station), shown as it was meant.
    void notice(const QString& text, bool isWarning) {
        if (isWarning) warning(text);
        else info(text);
    }
};

}  // namespace vel
