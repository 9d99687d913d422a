#pragma once
// The texts the uplink writes to the communication log and the alarm log.
#include <QDateTime>
#include <QString>

#include "uplink/uplink_client.h"

namespace vel::uplinklines {

// Communication log: the connection came, went, or cannot be made.
QString connected(const QString& url);
QString lost();
QString unreachable(const QString& url);
// Alarm log, with the time stamp of the other alarm-log lines.
QString refused(const QDateTime& now, const QString& why);
QString dropped(const QDateTime& now, uint64_t count);
QString spoolFailed(const QDateTime& now, const QString& folder);
// Both logs (the alarm log with its time stamp before it): the spool's disk
// is full, and what that cost once it has room again or the run ends.
QString spoolFull(const QString& folder);
QString unstored(uint64_t count);

}  // namespace vel::uplinklines
