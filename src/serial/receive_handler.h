#pragma once
// The receive handler of a channel: every communication event of the port
// comes here. Received text goes into the channel's receive buffer while a
// run is in progress; line errors are shown on the run monitor's error line,
// at most once per clock second, and what the port still holds is then
// discarded.
#include <QDateTime>
#include <QString>

#include "base/clock.h"
#include "base/run_state.h"
#include "monitor/run_monitor_model.h"
#include "serial/serial_port.h"

namespace vel {

// Received data is appended only while the buffer holds fewer characters.
inline constexpr int kReceiveBufferLimit = 32000;

// What the handler reported last; belongs to the main window.
struct LineReportState {
    QString lineEventText;    // line-state event (codes 3..7)
    QString lineErrorText;    // line error (1001..1011, unknown codes)
    QDateTime errorShownTime; // when the error line was last written, whole seconds; invalid before that
};

struct ReceiveContext {
    RunState& run;            // running, receiveBuffer
    RunMonitorModel& monitor; // labelErrorMess
    SerialPort& port;         // discardInput after an error display
    const Timer& timer;       // the clock second of an error
    LineReportState& report;
};

// The fixed text of an event or error code; unknown codes (and the data and
// send events, which have none) give "未定義のｴﾗｰまたはｲﾍﾞﾝﾄが発生しました。".
QString commEventText(int code);

// Handles one event of the port of `channel` (0..7). Both report texts are
// cleared once the event is handled, so each error is judged on its own: a
// later error is still shown after a line-state event, and received
// characters never rewrite the error line.
void handleCommEvent(ReceiveContext& ctx, int channel, const CommEvent& event);

}  // namespace vel
