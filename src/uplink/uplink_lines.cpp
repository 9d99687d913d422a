#include "uplink/uplink_lines.h"

#include "log/log_lines.h"

namespace vel::uplinklines {

QString connected(const QString& url) { return QStringLiteral("アップリンク: ブローカーに接続しました (%1)").arg(url); }
QString lost() { return QStringLiteral("アップリンク: ブローカーとの接続が切れました。再接続します"); }
QString unreachable(const QString& url) {
    return QStringLiteral("アップリンク: ブローカーに接続できません。データを保存して再接続します (%1)").arg(url);
}
QString refused(const QDateTime& now, const QString& why) {
    return loglines::stamp(now) + QStringLiteral(", アップリンク: ブローカーが接続を拒否しました (%1)").arg(why);
}
QString dropped(const QDateTime& now, uint64_t count) {
    return loglines::stamp(now) +
           QStringLiteral(", アップリンク: 送信待ちのデータが上限を超えたため、古いデータ%1件を捨てました").arg(count);
}
QString spoolFailed(const QDateTime& now, const QString& folder) {
    return loglines::stamp(now) + QStringLiteral(", アップリンク: 送信待ちのデータを保存できません (%1)").arg(folder);
}

QString spoolFull(const QString& folder) {
    return QStringLiteral("アップリンク: ディスクに空きがないため、送信待ちのデータを保存できません。空きができるまでのデータは捨てます (%1)")
        .arg(folder);
}
QString unstored(uint64_t count) {
    return QStringLiteral("アップリンク: ディスクに空きがなかったため、データ%1件を保存できずに捨てました").arg(count);
}

}  // namespace vel::uplinklines
