#pragma once
// The windows offscreen on an engine with a manual clock, a fake port and a
// recording message box, in a fresh program folder.
#include <QApplication>
#include <QEventLoop>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "support/engine_rig.h"
#include "support/event_spin.h"
#include "ui/form_exe.h"
#include "ui/form_main.h"

namespace vel::test {

inline void ensureUiApplication() {
    if (QApplication::instance()) return;
    // Offscreen, with its options when they are given (the pictures' screen).
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith("offscreen")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);  // lives until the test program ends
}

// Types a text into a field and leaves it, as the user would.
inline QString typeAndLeave(QLineEdit* field, const QString& text) {
    field->setText(text);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(field, &out);
    return field->text();
}

struct FormRig : EngineRig {
    std::unique_ptr<Station> station;  // the rig's engine on the test's thread
    std::unique_ptr<ui::FormMain> window;

    FormRig() {
        ensureUiApplication();
        station = std::make_unique<Station>(engine);
        window = std::make_unique<ui::FormMain>(*station, box);
    }
    ~FormRig() {
        window.reset();
        station.reset();
    }

    void load() { window->load(); }

    template <typename T>
    T* find(const char* name) const {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        if (!w) ADD_FAILURE() << "no control " << name;
        return w;
    }
    QLineEdit* field(const char* name) const { return find<QLineEdit>(name); }
};

// The run monitor over a loaded main window, shown, with its controls by name.
struct MonitorRig : FormRig {
    std::unique_ptr<ui::FormExe> exe;
    ~MonitorRig() { exe.reset(); }
    MonitorRig() {
        load();
        exe = std::make_unique<ui::FormExe>(*station, box, [] {});
        exe->show();
    }
    template <typename T>
    T* child(const char* name) {
        T* w = exe->findChild<T*>(QString::fromLatin1(name));
        if (!w) ADD_FAILURE() << "no control " << name;
        return w;
    }
};

}  // namespace vel::test
