// velloran: the main window and the run monitor on one station (its engine on
// a thread of its own, with the real clock, serial port, mail library and
// spreadsheet). The program folder is the
// executable's folder, or ~/.local/share/velloran for an installed program;
// there are no command-line options.
#include <QApplication>
#include <QElapsedTimer>

#include "base/local_time_zone.h"
#include "base/program_places.h"
#include "output/workbook_backend.h"
#include "station/station.h"
#include "uplink/uplink_output.h"
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
    vel::OfficeSession office(vel::programOfficeOptions(folder));
    vel::StationOptions options;
    options.makeWorkbook = [&office](const vel::ProgramFolder&) { return office.stationWorkbook(); };
    options.runOutputs = {vel::uplinkRunOutput()};
    vel::StationView view;
    view.notice = [&messages](const QString& text, bool warning) {
        if (warning) messages.warning(text);
        else messages.info(text);
    };
    vel::Station station(folder, std::move(options), std::move(view));
    if (!station.startUp()) {  // no usable clock
        QCoreApplication::processEvents();  // the station's notice
        return 1;
    }

    vel::ui::FormMain formMain(station, messages);
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
