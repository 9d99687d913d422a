#pragma once
// The line overview "ライン一覧": one row per station of the window program
// (the program folder first, then the folders the user has added) with its
// lamp, message, last record, records and alarms, a start/stop button and
// "開く" for its main window or, during a run, its run monitor. It owns the
// stations and their windows, and it decides when the program ends: with
// only the program folder, closing its main window ends it as it always
// has; once folders are added, closing the overview does.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "base/message_box.h"
#include "base/program_folder.h"
#include "station/station.h"

class QPushButton;
class QTableWidget;

namespace vel::ui {

class FormMain;
class FormExe;

// Builds a station of the program on a folder (the process's office, the uplink).
using StationMaker = std::function<std::unique_ptr<Station>(const ProgramFolder&)>;

inline const QString kEndRunsQuestion =
    QStringLiteral("データ取得中のラインがあります。すべて終了してプログラムを終了しますか？");
inline const QString kKeepFirstStationMessage = QStringLiteral("最初のライン（プログラムのフォルダー）は一覧から外せません。");
inline const QString kRemoveRunningMessage = QStringLiteral("データ取得中のラインは外せません。終了してから外してください。");

class LineOverview : public QWidget {
public:
    // `messages` asks the overview's questions and shows its refusals;
    // `listFile` keeps the added folders (userStationListFile()).
    LineOverview(StationMaker make, ProgramFolder programFolder, QString listFile, MessageBox& messages,
                 QWidget* parent = nullptr);
    ~LineOverview() override;

    // Builds and starts up the stations: the program folder's, then the
    // added ones (a folder no longer usable is skipped with its message).
    // False when the program folder's station cannot start up.
    bool startUp();
    // The first window: the program folder's main window when no folder is
    // added, else the overview.
    void begin();

    int stationCount() const { return static_cast<int>(entries_.size()); }
    Station& station(int row) const;
    FormMain* mainWindow(int row) const;
    FormExe* runMonitor(int row) const;  // of its main window, or opened here
    QPushButton* runButton(int row) const;
    QPushButton* openButton(int row) const;

    // The row's start/stop button: a start through its main window's start
    // button when that window is open, else with setup.dat as it is saved;
    // a stop after the question.
    void commandRun(int row);
    // "開く": the row's main window, or during a run its run monitor.
    void commandOpen(int row);
    // "追加": a folder chosen, then added.
    void commandAdd();
    // "外す": the selected row.
    void commandRemove();
    bool addStation(const QString& folder);
    bool removeStation(int row);

    // Where a station's Help menu finds the manual (empty: its own folder's).
    std::function<QString(const ProgramFolder&)> manualOf;
    // Run before the first window shows (the start-up benchmark's sign).
    std::function<void(QWidget&)> beforeFirstShow;
    // The program ends: every run is over and every window has closed.
    std::function<void()> onEnded;
    // The folder dialog of "追加" (tests replace it); empty: cancelled.
    std::function<QString(QWidget*)> chooseFolder;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Entry;
    Entry* buildStation(const QString& folder);
    void addRow(Entry& entry);
    void showRow(const Entry& entry);
    int rowOf(const Entry& entry) const;
    void watch(Entry& entry);
    void openMainWindow(Entry& entry);
    void openRunMonitor(Entry& entry);
    void mainWindowClosed(Entry& entry);
    void runOver(Entry& entry);
    void beginEnd();
    void finishEnd();
    bool anyRunning() const;
    QStringList folders() const;
    QStringList addedFolders() const;
    void saveList();  // the added folders into the user's list, or a notice why not
    QWidget* ownerOf(const Entry& entry);

    StationMaker make_;
    ProgramFolder programFolder_;
    QString listFile_;
    MessageBox& messages_;
    std::vector<std::unique_ptr<Entry>> entries_;
    QTableWidget* table_;
    bool ending_ = false;
    bool tearingDown_ = false;
};

}  // namespace vel::ui
