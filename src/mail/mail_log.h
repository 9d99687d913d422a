#pragma once
// The mail library's own log: one line per sending, appended in CP932 with
// CR LF: time, server, recipients and the result ("OK" or the error text);
// a log past the rotation limit becomes MailLog.bak before the next line.
// Passwords never reach it: the server is written without user information
// and the POP part of the sender is not written at all.
#include <QDateTime>
#include <QString>

#include "mail/mail_address.h"

namespace vel {

QString mailLogLine(const QDateTime& when, const QString& server, const MailRecipients& recipients,
                    const QString& result);

// Appends one line, creating the folder when missing; a failure is ignored
// (the sending's result does not depend on its log).
void appendMailLog(const QString& path, const QString& line);

}  // namespace vel
