#pragma once
// The texts of the lines that go to the communication log and the alarm log,
// composed in one place so every log says the same thing the same way. The
// reporting code passes the result to LogSink::rsLogLine or alarmLogLine.
// `now` is the local time of the event (Timer::localNow()).
#include <QDateTime>
#include <QString>

namespace vel::loglines {

// "yyyy/mm/dd hh:mm:ss", the time stamp of every log line.
QString stamp(const QDateTime& now);

// How a line names a channel other than 0: "CH1 "; empty for channel 0,
// whose lines name none.
QString channelTag(int channel);

// Communication log.
QString cycleMarker(const QDateTime& now);   // "[2024/05/01 12:00:00]"
// "● " + text, "○ " + reply; a channel other than 0 is named: "●CH1 " + text.
QString sent(const QString& text, int channel = 0);
QString received(const QString& reply, int channel = 0);

// Alarm log. `itemNumber` is the number shown for the item (its row in the
// run monitor grid), written with at least three digits.
QString acquisitionStarted(const QDateTime& now);
QString acquisitionEnded(const QDateTime& now);
QString alarmRaised(const QDateTime& now, int itemNumber, const QString& name, const QString& value);
QString alarmCleared(const QDateTime& now, int itemNumber, const QString& name, const QString& value);
QString workbookUnreachable(const QDateTime& now);
// The run ended while an office call was still in progress: writing stopped
// and the workbook counts as closed.
QString workbookCallUnfinished(const QDateTime& now);
// A change of the station itself (port lost or back, no reply or replies
// again): the time stamp and the change's text.
QString stationChange(const QDateTime& now, const QString& text);
// The workbook fell behind the run: `skipped` older records were left out so
// that the latest ones are written.
QString workbookRecordsSkipped(const QDateTime& now, int skipped);
QString normalMailRefused(const QDateTime& now, const QString& libraryMessage);
QString alarmMailRefused(const QDateTime& now, const QString& libraryMessage);

}  // namespace vel::loglines
