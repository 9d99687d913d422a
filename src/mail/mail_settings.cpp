#include "mail/mail_settings.h"

#include <QFile>
#include <QFileInfo>

#include "settings/settings_record.h"
#include "text/cp932.h"
#include "text/vb.h"

namespace vel {
namespace {

const QString kDefaultMark = QStringLiteral("※");

QString messagePrefix(MailKind kind) {
    return kind == MailKind::Normal ? QStringLiteral("通常ﾒｰﾙ") : QStringLiteral("緊急ﾒｰﾙ");
}

// Stores one key line; false when the key is not one of the file's keys.
bool storeKey(int key, const QString& value, MailSettings& r) {
    switch (key) {
    case 1: r.server = value; return true;
    case 2: r.to = value; return true;
    case 3: r.cc = value; return true;
    case 4: r.bcc = value; return true;
    case 5: r.sender = value; return true;
    case 6: r.pop = value; return true;
    case 11: r.subject = value; return true;
    case 12: r.bodyHead += value + QStringLiteral("\r\n"); return true;
    case 13: r.bodyTail += value + QStringLiteral("\r\n"); return true;
    case 14:
        if (!value.isEmpty()) r.alarmMark = value;
        return true;
    default: return false;
    }
}

// One filtered line: ignored when empty or a comment, otherwise a key line.
bool processLine(const QString& buffer, MailKind kind, MailSettings& r, MessageBox& messages) {
    const QString line = vb::trim(buffer);
    if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('\''))) return true;
    if (line.size() > 2 && line[2] == QLatin1Char('.')) {
        const double key = vb::roundHalfEven(vb::leadingValue(line.left(2)));
        if (storeKey(static_cast<int>(key), line.mid(3), r)) return true;
    }
    messages.info(messagePrefix(kind) + QStringLiteral("ｽｸﾘﾌﾟﾄｴﾗｰ:(") + line + QStringLiteral(")"));
    return false;
}

bool keepsCharacter(QChar c) { return c.unicode() == 9 || c.unicode() > 32; }

QString commasTo(const QString& list, QChar separator) {
    QString s = list;
    s.replace(QLatin1Char(','), separator);
    return s;
}

}  // namespace

void resetMailRecords(MailRecords& records) {
    for (MailSettings& r : records) {
        r = MailSettings{};
        r.alarmMark = kDefaultMark;
    }
}

bool loadMailSettingsFile(MailKind kind, const QString& path, MailSettings& r, MessageBox& messages) {
    if (!QFileInfo::exists(path) || path.isEmpty()) {
        messages.info(messagePrefix(kind) + QStringLiteral("設定ﾌｧｲﾙ:") + path + QStringLiteral("がありません"));
        return false;
    }
    QFile file(path);
    QByteArray bytes;
    bool readOk = QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
    if (readOk) {
        bytes = file.readAll();
        readOk = file.error() == QFileDevice::NoError;
        file.close();
    }
    if (!readOk) {
        messages.info(messagePrefix(kind) + QStringLiteral("設定ﾌｧｲﾙ:") + path + QStringLiteral("を読み込めません"));
        return false;
    }

    const QString text = cp932::decode(bytes);
    QString buffer;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool last = i == text.size() - 1;
        if (c == QLatin1Char('\r') || last) {
            if (c != QLatin1Char('\r') && c.unicode() > 32) buffer += c;
            if (!processLine(buffer, kind, r, messages)) return false;
            buffer.clear();
        } else if (keepsCharacter(c)) {
            buffer += c;
        }
    }

    if (r.to.isEmpty() || r.server.isEmpty() || r.sender.isEmpty()) {
        messages.info(QStringLiteral("送信ｻｰﾊﾞｰ名または送信先または送信元ｱﾄﾞﾚｽがありません"));
        return false;
    }
    const QChar tab(9);
    r.recipients = commasTo(r.to, tab);
    if (!r.cc.isEmpty()) r.recipients += tab + QStringLiteral("cc") + tab + commasTo(r.cc, tab);
    if (!r.bcc.isEmpty()) r.recipients += tab + QStringLiteral("bcc") + tab + commasTo(r.bcc, tab);
    if (!r.pop.isEmpty()) r.sender += tab + commasTo(r.pop, QLatin1Char(':')) + tab + QStringLiteral("pop");
    return true;
}

bool loadMailSettings(MailKind kind, const SettingsRecord& settings, MailRecords& records, MessageBox& messages) {
    const bool on = kind == MailKind::Normal ? settings.normalMailOn : settings.alarmMailOn;
    if (!on) return false;
    const QString& file = kind == MailKind::Normal ? settings.normalMailFile : settings.alarmMailFile;
    return loadMailSettingsFile(kind, vb::trim(file), records[mailRecordIndex(kind)], messages);
}

}  // namespace vel

namespace vel {

bool loadMailRecordsForRun(const SettingsRecord& settings, MailRecords& records, MessageBox& messages) {
    resetMailRecords(records);
    if (settings.alarmMailOn && !loadMailSettings(MailKind::Alarm, settings, records, messages)) return false;
    if (settings.normalMailOn && !loadMailSettings(MailKind::Normal, settings, records, messages)) return false;
    return true;
}

}  // namespace vel
