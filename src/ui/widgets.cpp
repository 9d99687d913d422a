#include "ui/widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace vel::ui {

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

QRadioButton* optionButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* r = new QRadioButton(caption, parent);
    r->setObjectName(name);
    return r;
}

QLineEdit* textField(QWidget* parent, const char* name, int widthPx) {
    auto* t = new QLineEdit(parent);
    t->setObjectName(QString::fromLatin1(name));
    if (widthPx > 0) t->setFixedWidth(widthPx);
    return t;
}

QLabel* label(QWidget* parent, const QString& caption, const char* name) {
    auto* l = new QLabel(caption, parent);
    if (name) l->setObjectName(QString::fromLatin1(name));
    return l;
}

}  // namespace vel::ui
