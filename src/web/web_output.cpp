#include "web/web_output.h"

#include "log/log_lines.h"

namespace vel {

WebOutput::WebOutput(WebBoard& board, const RunOutputContext& run)
    : board_(board),
      station_(run.station),
      numberColumnOn_(run.settings.numberColumnOn),
      units_(run.extensions.units),
      silenceCycles_(run.extensions.silenceCycles) {}

void WebOutput::runEvent(const RunEvent& event) {
    if (event.phase == RunPhase::Started) board_.runStarted(station_, units_, silenceCycles_);
    else if (event.phase == RunPhase::Over) board_.runOver(station_);
}

RunOutputFactory webRunOutput(WebBoard* board, std::function<QString()> startNote) {
    return [board, startNote](const RunOutputContext& run) -> std::unique_ptr<RunOutput> {
        if (startNote)
            if (const QString note = startNote(); !note.isEmpty())
                run.log.alarmLogLine(loglines::stamp(run.localNow()) + QStringLiteral(", ") + note);
        if (!board) return nullptr;
        return std::make_unique<WebOutput>(*board, run);
    };
}

}  // namespace vel
