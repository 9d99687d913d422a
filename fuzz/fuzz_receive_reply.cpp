// The receive handler and the reply assembler on an arbitrary stream of port
// events. Bytes 0..2 are the start, delimiter and end codes; then each
// record is one control byte and its payload:
//   control & 3 == 0: received bytes (length = control >> 2), decoded
//                     incrementally as the port does;
//   control & 3 == 1: an event code (one byte: 1..7 or 1000 + byte % 16);
//   control & 3 == 2: take replies while there are any;
//   control & 3 == 3: the cycle ends (values cleared, as at EEE) and the
//                     clock moves on by the next byte in 10 ms.
// Properties: the buffer never grows past its limit by more than one
// chunk, a record never holds more than 257 values, a reply is taken exactly
// when one is said to be buffered.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "measure/monitor_output.h"
#include "measure/value_store.h"
#include "measure/workbook_output.h"
#include "serial/receive_handler.h"
#include "serial/reply_assembler.h"
#include "support/fake_serial_port.h"
#include "support/fake_workbook.h"
#include "support/manual_clock.h"
#include "support/recording_log_sink.h"
#include "support/recording_message_box.h"
#include "text/cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vel;
    if (size < 3) return 0;
    RunState run;
    run.running = true;
    run.startCode[0] = data[0];
    run.delimiterCode[0] = data[1];
    run.endCode[0] = data[2];
    ScriptTables tables;
    SettingsRecord settings;
    settings.numberColumnOn = data[0] & 1;
    settings.timeStampMode = static_cast<int16_t>(data[1] % 3);
    RunMonitorModel monitor;
    test::RecordingLogSink log;
    AlarmMailPending alarmMail;
    test::ManualClock clock;
    Timer timer{clock};
    timer.timerInit();
    test::FakeWorkbook app;
    WorkbookConnection workbook{&app, false};
    test::RecordingMessageBox box;
    WorkbookOutput workbookOutput{workbook, settings, log, box};
    MonitorOutput monitorOutput{monitor, settings};
    RecordStream stream;
    stream.subscribe(workbookOutput);
    stream.subscribe(monitorOutput);
    MeasureContext measure{run, tables, settings, alarmMail, timer, stream};
    test::FakeSerialPort port;
    LineReportState report;
    ReceiveContext receive{run, monitor, port, timer, report};
    cp932::Decoder decoder;

    size_t at = 3;
    while (at < size) {
        const uint8_t control = data[at++];
        switch (control & 3) {
        case 0: {
            const size_t n = std::min<size_t>(control >> 2, size - at);
            const QByteArray chunk(reinterpret_cast<const char*>(data + at), static_cast<qsizetype>(n));
            at += n;
            const qsizetype before = run.receiveBuffer[0].size();
            const QString text = decoder.feed(chunk);
            handleCommEvent(receive, 0, CommEvent{CommEvReceive, text});
            if (before >= kReceiveBufferLimit) fuzz::require(run.receiveBuffer[0].size() == before);
            break;
        }
        case 1: {
            if (at >= size) break;
            const uint8_t b = data[at++];
            const int code = b < 128 ? 1 + b % 7 : 1000 + b % 16;
            handleCommEvent(receive, 0, CommEvent{code, {}});
            break;
        }
        case 2:
            for (int i = 0; i < 64; ++i) {
                // The loop ticks at once while a reply is buffered: a buffered
                // reply that cannot be taken would spin it.
                const bool buffered = replyBuffered(run, 0);
                const std::optional<QStringList> fields = takeReply(run, log, 0);
                fuzz::require(fields.has_value() == buffered);
                if (fields) storeReplyFields(measure, *fields);
                if (!buffered) break;
                fuzz::require(run.valueCount <= 257);
            }
            break;
        case 3:
            run.valueCount = 0;
            clock.advanceMs(10.0 * (at < size ? data[at++] : 1));
            break;
        }
        fuzz::require(run.receiveBuffer[0].size() < kReceiveBufferLimit + 64);
        if (log.rsLines.size() > 1000) log.rsLines.clear();
    }
    return 0;
}
