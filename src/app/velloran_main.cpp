// velloran: the main window and the run monitor on the engine, with the real
// clock, serial port, mail library and spreadsheet. The program folder is the
// executable's folder, or ~/.local/share/velloran for an installed program;
// there are no command-line options.
#include <QApplication>
#include <QElapsedTimer>

#include "base/local_time_zone.h"
#include "engine/engine.h"
#include "base/program_places.h"
#include "base/system_clock.h"
#include "mail/curl_mailer.h"
#include "output/workbook_backend.h"
#include "serial/qt_serial_port.h"
#include "ui/first_paint_report.h"
#include "ui/form_main.h"
#include "ui/qt_message_box.h"
#include "ui/qt_translations.h"

int main(int argc, char* argv[]) {
    vel::readLocalTimeZoneOnce();  // before Qt or any thread asks for the local time
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);  // the main window hides during a run
    vel::ui::installQtTranslations(app);              // Japanese standard buttons and dialogs

    const vel::ProgramPlaces places = vel::runningProgramPlaces({});
    const vel::ProgramFolder folder = vel::chooseProgramFolder(places);
    vel::ui::QtMessageBox messages;
    vel::SystemClock clock;
    vel::QtSerialPort port(folder);
    vel::CurlMailer mailer(clock);
    const std::unique_ptr<vel::Workbook> workbook = vel::makeWorkbookBackend(folder);

    vel::Engine engine(vel::EnginePlatform{clock, messages, port, mailer, folder,
                                           [] { QCoreApplication::processEvents(); },
                                           [] { QApplication::beep(); }, /*outputThreads=*/true});
    engine.workbook().app = workbook.get();
    if (!engine.startUp()) return 1;  // no usable clock: the message has been shown

    vel::ui::FormMain formMain(engine);
    messages.owner = [&formMain]() -> QWidget* {
        vel::ui::FormExe* exe = formMain.formExe();
        return exe && exe->isVisible() ? static_cast<QWidget*>(exe) : &formMain;
    };
    formMain.manualFile = vel::manualFile(folder, places.installedShare);
    formMain.onUnloaded = [] { QCoreApplication::quit(); };
    // The start-up benchmark's sign ("quit": end once the window is shown).
    const QByteArray reportShown = qgetenv("VELLORAN_REPORT_SHOWN");
    if (!reportShown.isEmpty()) vel::ui::reportFirstPaint(formMain, sinceStart, reportShown == "quit");
    formMain.load();
    return QApplication::exec();
}
