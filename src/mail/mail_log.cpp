#include "mail/mail_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "log/log_rotation.h"
#include "text/cp932.h"
#include "text/vb.h"

namespace vel {
namespace {

QString oneLine(const QString& text) {
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

}  // namespace

QString mailLogLine(const QDateTime& when, const QString& server, const MailRecipients& recipients,
                    const QString& result) {
    QString to = QStringLiteral("to:") + recipients.to.join(QLatin1Char(','));
    if (!recipients.cc.isEmpty()) to += QStringLiteral(" cc:") + recipients.cc.join(QLatin1Char(','));
    if (!recipients.bcc.isEmpty()) to += QStringLiteral(" bcc:") + recipients.bcc.join(QLatin1Char(','));
    return vb::formatDate(when, vb::DateFormat::LongDateTime) + QStringLiteral(", ") + oneLine(urlForLog(server)) +
           QStringLiteral(", ") + oneLine(to) + QStringLiteral(", ") +
           (result.isEmpty() ? QStringLiteral("OK") : oneLine(result));
}

void appendMailLog(const QString& path, const QString& line) {
    if (path.isEmpty()) return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    rotateLog(path);  // a log past the limit starts afresh, as at program start
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    f.write(cp932::encode(line) + QByteArray("\r\n"));
}

}  // namespace vel
