#pragma once
// The message box of a station's engine: a notice is handed to the station's
// view and the run goes on at once; nothing in a run waits on a person. The
// one question a run has (the stop confirmation) is asked by the window
// before it tells the station, so a question reaching this box is answered
// No, the answer that changes nothing, and shown as a notice.
#include <functional>

#include "base/message_box.h"

namespace vel {

class PostedMessageBox : public MessageBox {
public:
    explicit PostedMessageBox(std::function<void(const QString&, bool warning)> post) : post_(std::move(post)) {}
    void info(const QString& text) override { post_(text, false); }
    void warning(const QString& text) override { post_(text, true); }
    bool ask(const QString& text) override {
        post_(text, false);
        return false;
    }

private:
    std::function<void(const QString&, bool)> post_;
};

}  // namespace vel
