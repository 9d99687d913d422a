#pragma once
// Alarm transitions not yet looked at by the alarm mail. The evaluator sets
// them; the alarm-mail check clears them. They carry over from run to run.
#include <QStringList>

namespace vel {

struct AlarmMailPending {
    bool raised = false;
    bool cleared = false;
    // Mail lines of station changes (port lost or back, no reply), which no
    // item of the record shows; the next alarm mail carries them.
    QStringList notes;
};

}  // namespace vel
