#pragma once
// The program folders the user has added to the line overview as further
// stations. The list belongs to the user, not to a program folder: it is kept
// in the user's own settings (stations.ini under the user's config folder).
#include <QString>
#include <QStringList>

namespace vel::ui {

inline const QString kStationListedMessage = QStringLiteral("このフォルダーは既にライン一覧にあります。\n");
inline const QString kStationUnusableMessage =
    QStringLiteral("このフォルダーはプログラムフォルダーとして使えません（フォルダーがないか、書き込めません）。\n");
inline const QString kStationListSaveMessage = QStringLiteral("ライン一覧を保存できませんでした。\n");

// ~/.config/velloran/stations.ini (the user's config folder).
QString userStationListFile();

// The added folders in the order they were added; none when the file is missing.
QStringList loadStationFolders(const QString& listFile);
// Replaces the list; false when the file could not be written.
bool saveStationFolders(const QString& listFile, const QStringList& folders);

// Why `folder` cannot become a station next to `listed` (the message and the
// folder), or empty when it can: it must be a folder the program can write
// setup.dat and Log/ into, and not one already listed (under any spelling
// of its path).
QString stationFolderRefusal(const QString& folder, const QStringList& listed);

}  // namespace vel::ui
