#include "ui/field_events.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace vel::ui {

FieldEvents::FieldEvents(QWidget* field, std::function<void()> onLeave, std::function<void()> onEnter)
    : QObject(field), onLeave_(std::move(onLeave)), onEnter_(std::move(onEnter)) {
    field->installEventFilter(this);
}

void FieldEvents::watch(QWidget* field, std::function<void()> onLeave, std::function<void()> onEnter) {
    new FieldEvents(field, std::move(onLeave), std::move(onEnter));  // owned by the field
}

bool FieldEvents::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && onLeave_) {
        onLeave_();
    } else if (event->type() == QEvent::KeyPress && onEnter_) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            onEnter_();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace vel::ui
