#pragma once
// The web page as an output of a run: the run's start, its values (the
// trend), its records and its end go onto the board, on the run's thread,
// each under the board's short lock.
#include <QString>
#include <functional>

#include "measure/run_output.h"
#include "web/web_board.h"

namespace vel {

class WebOutput : public RunOutput {
public:
    WebOutput(WebBoard& board, const RunOutputContext& run);

    void runEvent(const RunEvent& event) override;
    void valueEvaluated(const EvaluatedValue& value) override { board_.valueEvaluated(value); }
    void recordClosed(const ClosedRecord& record) override { board_.recordClosed(record, numberColumnOn_); }

private:
    WebBoard& board_;
    const QString station_;
    const bool numberColumnOn_;
    const QMap<QString, QString> units_;
    const int silenceCycles_;
};

// Outputs onto `board` for every run of every station; none without a board
// (no page: a fast line pays nothing for it). `startNote` is asked at each
// run's start for a line the alarm log should get once (why the page did not
// open), empty when there is none.
RunOutputFactory webRunOutput(WebBoard* board, std::function<QString()> startNote = {});

}  // namespace vel
