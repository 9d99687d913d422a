#pragma once
// The station web page of a process: one server for every station, set up
// from [web] of the process's first program folder. The program builds it
// before its stations, gives each station its run output and its hooks, and
// drops it after them (the server stops, open streams are closed).
#include <QString>
#include <functional>
#include <memory>

#include "base/program_folder.h"
#include "measure/run_output.h"
#include "station/station_view.h"
#include "web/web_board.h"
#include "web/web_events.h"
#include "web/web_server.h"

namespace vel {

class WebPage {
public:
    WebPage();
    ~WebPage();
    WebPage(const WebPage&) = delete;
    WebPage& operator=(const WebPage&) = delete;

    // Opens the page as velloran.ini's [web] of `folder` says (nothing when
    // no listen address is set). A page that may not or cannot open is told
    // once through `say` (stderr, a message) and goes into the alarm log of
    // the next run that starts; the stations run on without it. True when
    // the page serves.
    bool open(const ProgramFolder& folder, const std::function<void(const QString&)>& say);
    bool serving() const { return server_ != nullptr; }
    QString url() const { return server_ ? server_->url() : QString(); }

    // A station of the process: its run output to append to
    // StationOptions::runOutputs, and its lines and view hooked (chained
    // before any hooks they hold already). Call after open(): without a page
    // the run output only tells why and nothing is hooked.
    RunOutputFactory runOutput();
    void watch(const ProgramFolder& folder, StationLines& lines);
    void watch(const ProgramFolder& folder, StationView& view);

    WebBoard& board() { return board_; }

private:
    EventHub hub_;
    WebBoard board_{hub_};
    std::unique_ptr<WebServer> server_;
    std::mutex noteMutex_;
    QString pendingNote_;  // the refusal, for the alarm log of the next run
};

}  // namespace vel
