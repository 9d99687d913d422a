#pragma once
// The windows' text fields act when they lose the focus and on the Enter
// key, as their owners decide (an unchanged text is normalised too); a
// button can take the Enter key the same way.
#include <QObject>
#include <functional>

class QWidget;

namespace vel::ui {

class FieldEvents : public QObject {
public:
    // Calls `onLeave` (when given) whenever `field` loses the focus; `onEnter` (when
    // given) on the Enter or Return key.
    static void watch(QWidget* field, std::function<void()> onLeave, std::function<void()> onEnter = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FieldEvents(QWidget* field, std::function<void()> onLeave, std::function<void()> onEnter);
    std::function<void()> onLeave_;
    std::function<void()> onEnter_;
};

}  // namespace vel::ui
