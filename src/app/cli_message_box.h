#pragma once
// Message boxes of velloran-cli: every notice goes to stderr as one line;
// a question is answered No (nobody is there to press Yes).
#include "base/message_box.h"

namespace vel {

class StderrMessageBox : public MessageBox {
public:
    void info(const QString& text) override;
    bool ask(const QString& text) override;
};

}  // namespace vel
