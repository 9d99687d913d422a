#pragma once
// Alarm transitions not yet looked at by the alarm mail. The evaluator sets
// them; the alarm-mail check clears them. They carry over from run to run.
namespace vel {

struct AlarmMailPending {
    bool raised = false;
    bool cleared = false;
};

}  // namespace vel
