// velloran: the main window and the run monitor on one station (its engine on
// a thread of its own, with the real clock, serial port, mail library and
// spreadsheet). The program folder is the
// executable's folder, or ~/.local/share/velloran for an installed program;
// there are no command-line options. Folders the user has added to the line
// overview (ライン一覧) become further stations of the process, each with
// its own windows; with any added, the program opens with the overview.
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "base/local_time_zone.h"
#include "base/program_places.h"
#include "output/workbook_backend.h"
#include "station/station.h"
#include "uplink/uplink_output.h"
#include "web/web_page.h"
#include "ui/first_paint_report.h"
#include "ui/line_overview.h"
#include "ui/qt_message_box.h"
#include "ui/qt_translations.h"
#include "ui/station_list.h"

int main(int argc, char* argv[]) {
    vel::readLocalTimeZoneOnce();  // before Qt or any thread asks for the local time
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);  // the main window hides during a run
    vel::ui::installQtTranslations(app);              // Japanese standard buttons and dialogs

    const vel::ProgramPlaces places = vel::runningProgramPlaces({});
    const vel::ProgramFolder folder = vel::chooseProgramFolder(places);
    // One office for the process; each station opens its own workbook in it.
    vel::OfficeSession office(vel::programOfficeOptions(folder));
    // One web page for the process, as the program folder's velloran.ini says;
    // a refusal is told on stderr and in the alarm log of the first run.
    vel::WebPage web;
    web.open(folder, [](const QString& line) { std::fprintf(stderr, "velloran: %s\n", line.toUtf8().constData()); });
    const vel::ui::StationMaker makeStation = [&office, &web](const vel::ProgramFolder& stationFolder) {
        vel::StationOptions options;
        options.makeWorkbook = [&office](const vel::ProgramFolder&) { return office.stationWorkbook(); };
        options.runOutputs = {vel::uplinkRunOutput(), web.runOutput()};
        vel::StationView view;
        vel::StationLines lines;
        web.watch(stationFolder, view);
        web.watch(stationFolder, lines);
        return std::make_unique<vel::Station>(stationFolder, std::move(options), std::move(view), std::move(lines));
    };
    vel::ui::QtMessageBox overviewMessages;
    vel::ui::LineOverview overview(makeStation, folder, vel::ui::userStationListFile(), overviewMessages);
    overviewMessages.owner = [&overview]() -> QWidget* { return &overview; };
    overview.manualOf = [&places](const vel::ProgramFolder& f) { return vel::manualFile(f, places.installedShare); };
    overview.onEnded = [] { QCoreApplication::quit(); };
    // The start-up benchmark's sign ("quit": end once the window is shown).
    const QByteArray reportShown = qgetenv("VELLORAN_REPORT_SHOWN");
    if (!reportShown.isEmpty())
        overview.beforeFirstShow = [&sinceStart, reportShown](QWidget& window) {
            vel::ui::reportFirstPaint(window, sinceStart, reportShown == "quit");
        };
    if (!overview.startUp()) return 1;  // no usable clock: the message has been shown
    overview.begin();
    return QApplication::exec();
}
