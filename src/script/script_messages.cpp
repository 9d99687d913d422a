#include "script/script_messages.h"

namespace vel::script_messages {

QString missingFile(const QString& path) {
    return QStringLiteral("ｽｸﾘﾌﾟﾄﾌｧｲﾙ:") + path + QStringLiteral("がありません");
}

QString noCommands(const QString& path) {
    return QStringLiteral("ｽｸﾘﾌﾟﾄﾌｧｲﾙ:") + path + QStringLiteral("にｽｸﾘﾌﾟﾄはありません");
}

QString badDefinition(const QString& path, const QString& line) {
    return QStringLiteral("ｽｸﾘﾌﾟﾄ不正(") + path + QStringLiteral(") ｽｸﾘﾌﾟﾄ:") + line + QStringLiteral(" ");
}

QString badCommand(const QString& path, int scriptNumber, const QString& line) {
    return QStringLiteral("ｽｸﾘﾌﾟﾄ不正(") + path + QStringLiteral(") ｽｸﾘﾌﾟﾄNo.") + QString::number(scriptNumber) +
           QStringLiteral(":") + line + QStringLiteral(" ");
}

QString readError(const QString& path) {
    return QStringLiteral("ｽｸﾘﾌﾟﾄﾌｧｲﾙ:") + path + QStringLiteral("の読み込みエラー");
}

}  // namespace vel::script_messages
