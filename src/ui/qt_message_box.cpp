#include "ui/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace vel::ui {
namespace {

const QString kTitle = QStringLiteral("Velloran");

int showBox(QWidget* owner, QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
            QMessageBox::StandardButton preselected) {
    QMessageBox box(icon, kTitle, text, buttons, owner);
    box.setDefaultButton(preselected);
    return box.exec();
}

}  // namespace

QWidget* QtMessageBox::ownerWindow() const {
    QWidget* window = owner ? owner() : nullptr;
    return window ? window : QApplication::activeWindow();
}

void QtMessageBox::info(const QString& text) {
    showBox(ownerWindow(), QMessageBox::NoIcon, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtMessageBox::warning(const QString& text) {
    showBox(ownerWindow(), QMessageBox::Warning, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtMessageBox::ask(const QString& text) {
    return showBox(ownerWindow(), QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace vel::ui
