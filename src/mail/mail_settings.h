#pragma once
// The two mail records (normal and alarm mail) and their loader. Each kind
// of mail takes its server, addresses, subject and fixed texts from a mail
// settings file of its own, a CP932 text file of numbered key lines:
//
//   01.server  02.to  03.cc  04.bcc  05.sender  06.pop
//   11.subject  12.body head line  13.body tail line  14.alarm mark
//
// Spaces and control characters (except tabs) are dropped while reading, so
// a value never contains a space. Keys 12 and 13 add one line each time.
#include <QString>
#include <array>
#include <cstdint>

#include "base/message_box.h"

namespace vel {

struct SettingsRecord;

struct MailSettings {
    QString server;      // 01
    QString to;          // 02, addresses separated by ","
    QString cc;          // 03
    QString bcc;         // 04
    QString recipients;  // composed: to, then tab "cc" tab cc..., tab "bcc" tab bcc..., all tab-separated
    QString sender;      // 05; after loading: address [tab pop-items-joined-by-":" tab "pop"]
    QString subject;     // 11
    QString bodyHead;    // 12, each line followed by CR LF
    QString bodyTail;    // 13, each line followed by CR LF
    QString alarmMark;   // 14, "※" unless the file gives one
    QString pop;         // 06, items separated by ","
    QString body;        // composed by the mail check for the mail being sent
};

// Record 0 is the normal mail, record 1 the alarm mail.
using MailRecords = std::array<MailSettings, 2>;

// The kind of mail as the loader is called with it: -1 normal, 0 alarm.
enum class MailKind : int16_t { Normal = -1, Alarm = 0 };

inline constexpr int kNormalMailRecord = 0;
inline constexpr int kAlarmMailRecord = 1;

inline int mailRecordIndex(MailKind kind) { return kind == MailKind::Normal ? kNormalMailRecord : kAlarmMailRecord; }

// What the run start does before loading: every field empty, both marks "※".
void resetMailRecords(MailRecords& records);

// Loads the settings file of the kind into its record when that kind of mail
// is on (normalMailOn / alarmMailOn); the file is normalMailFile /
// alarmMailFile with surrounding spaces removed. True when the file loaded
// and passed its checks. With the mail off it returns false silently; every
// other false has shown its message.
bool loadMailSettings(MailKind kind, const SettingsRecord& settings, MailRecords& records, MessageBox& messages);

// The run start's loading: both records emptied (marks "※"), then the alarm
// file if alarm mail is on, then the normal file if normal mail is on. False
// as soon as one of them fails (its message has been shown).
bool loadMailRecordsForRun(const SettingsRecord& settings, MailRecords& records, MessageBox& messages);

// The same on a named file, whatever the settings say.
bool loadMailSettingsFile(MailKind kind, const QString& path, MailSettings& record, MessageBox& messages);

}  // namespace vel
