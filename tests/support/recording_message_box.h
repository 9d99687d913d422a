#pragma once
// Records every message the engine shows; answers questions from a queue.
#include <QStringList>
#include <deque>
#include <functional>

#include "base/message_box.h"

namespace vel::test {

class RecordingMessageBox : public MessageBox {
public:
    void info(const QString& text) override {
        shown.append(text);
        if (whileShown) whileShown(text);
    }
    bool ask(const QString& text) override {
        asked.append(text);
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }

    QStringList shown;
    QStringList asked;
    std::deque<bool> answers;  // Yes = true; No when empty
    // What the user does while a notice is open (its nested event loop runs).
    std::function<void(const QString&)> whileShown;
};

}  // namespace vel::test
