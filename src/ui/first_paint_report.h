#pragma once
// A sign to the outside that the main window is up: one line on standard
// error once the window has been painted for the first time. The start-up
// benchmark starts the program with VELLORAN_REPORT_SHOWN set and waits for
// that line; nothing else uses it.
#include <QElapsedTimer>

class QWidget;

namespace vel::ui {

// Writes "velloran: main window shown after N ms" (N counted from
// `sinceStart`) after the first paint of `window`; with `quitAfter` the
// program then ends.
void reportFirstPaint(QWidget& window, QElapsedTimer sinceStart, bool quitAfter);

}  // namespace vel::ui
