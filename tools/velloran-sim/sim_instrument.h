#pragma once
// What velloran-sim does with the bytes it receives and when it answers,
// apart from the pseudo-terminal itself.
#include <QByteArray>
#include <QHash>
#include <QString>

#include <deque>
#include <functional>

#include "sim_options.h"
#include "sim_readings.h"

namespace vel::sim {

class Instrument {
public:
    using Send = std::function<void(const QByteArray&)>;
    using Print = std::function<void(const QString&)>;

    Instrument(const SimOptions& options, Send send, Print print, qint64 nowMs);

    // Bytes from the line; a command ends with CR, LF or CR LF.
    void received(const QByteArray& bytes, qint64 nowMs);
    // Sends what is due: delayed answers, streamed readings, flood chunks
    // (only when lineIdle, so that flooding never outruns the line).
    void tick(qint64 nowMs, bool lineIdle);
    // When tick next has something to do; -1 when nothing is planned. A busy
    // line holds back the flood, so it does not count then.
    qint64 nextDueMs(bool lineIdle) const;

private:
    struct Pending {
        qint64 dueMs;
        QString templ;
    };
    void command(const QByteArray& line, const QByteArray& terminator, qint64 nowMs);
    void answer(const QString& templ);

    SimOptions options_;
    Send send_;
    Print print_;
    Drift drift_;
    QHash<QString, QString> replies_;  // command -> template
    QByteArray line_;
    bool afterCr_ = false;
    std::deque<Pending> pending_;
    long answers_ = 0;
    qint64 nextStreamMs_ = -1;
    qint64 nextFloodMs_ = -1;
};

}  // namespace vel::sim
