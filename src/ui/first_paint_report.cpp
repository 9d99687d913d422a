#include "ui/first_paint_report.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace vel::ui {
namespace {

class FirstPaintWatch : public QObject {
public:
    FirstPaintWatch(QWidget& window, QElapsedTimer sinceStart, bool quitAfter)
        : QObject(&window), sinceStart_(sinceStart), quitAfter_(quitAfter) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            watched->removeEventFilter(this);
            // Once the paint has been done, not when it starts.
            QTimer::singleShot(0, this, [this] { report(); });
        }
        return false;
    }

private:
    void report() {
        std::fprintf(stderr, "velloran: main window shown after %lld ms\n",
                     static_cast<long long>(sinceStart_.elapsed()));
        std::fflush(stderr);
        if (quitAfter_) QCoreApplication::quit();
    }

    QElapsedTimer sinceStart_;
    bool quitAfter_;
    bool seen_ = false;
};

}  // namespace

void reportFirstPaint(QWidget& window, QElapsedTimer sinceStart, bool quitAfter) {
    new FirstPaintWatch(window, sinceStart, quitAfter);  // owned by the window
}

}  // namespace vel::ui
