#include "ui/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace vel::ui {
namespace {

const QString kTitle = QStringLiteral("Velloran");

int showBox(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
            QMessageBox::StandardButton preselected) {
    QMessageBox box(icon, kTitle, text, buttons, QApplication::activeWindow());
    box.setDefaultButton(preselected);
    return box.exec();
}

}  // namespace

void QtMessageBox::info(const QString& text) {
    showBox(QMessageBox::NoIcon, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtMessageBox::warning(const QString& text) {
    showBox(QMessageBox::Warning, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtMessageBox::ask(const QString& text) {
    return showBox(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

}  // namespace vel::ui
