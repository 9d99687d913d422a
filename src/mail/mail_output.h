#pragma once
// Normal and alarm mail as a subscriber of the record stream: at every closed
// record the mail check decides which mail is due and sends it, and once
// more when a run ends by itself (a stopped run sends nothing more). The
// alarm changes it reports were marked by evaluation (AlarmMailPending).
#include <functional>

#include "mail/mail_check.h"
#include "measure/record_stream.h"

namespace vel {

class MailOutput : public RecordSubscriber {
public:
    // `context` builds the mail check's context when a record closes.
    explicit MailOutput(std::function<MailContext()> context) : context_(std::move(context)) {}
    void recordClosed(const ClosedRecord&) override {
        MailContext ctx = context_();
        mailCheck(ctx, true);
    }
    void runEvent(const RunEvent& event) override {
        if (event.phase != RunPhase::Ending || event.stopped) return;
        MailContext ctx = context_();
        mailCheck(ctx, false);
    }

private:
    std::function<MailContext()> context_;
};

}  // namespace vel
