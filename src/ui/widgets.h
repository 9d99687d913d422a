#pragma once
// Small helpers for building the windows: widgets with their control names
// and captions.
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace vel::ui {

QPushButton* button(QWidget* parent, const char* name, const QString& caption);
QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption);
QRadioButton* optionButton(QWidget* parent, const QString& name, const QString& caption);
QLineEdit* textField(QWidget* parent, const char* name, int widthPx = 0);
QLabel* label(QWidget* parent, const QString& caption, const char* name = nullptr);

}  // namespace vel::ui
