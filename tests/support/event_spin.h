#pragma once
// Running the Qt event loop inside a test: one application object for the
// whole test program, and a bounded wait for a condition.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace vel::test {

inline void ensureCoreApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "velloran-test";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);  // lives until the test program ends
}

// Runs the event loop until done() is true or timeoutMs has passed; returns done().
inline bool spinUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    ensureCoreApplication();
    if (done()) return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    check.start(2);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

}  // namespace vel::test
