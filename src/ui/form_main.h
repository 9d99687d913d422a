#pragma once
// The main window "Velloran": the three panels at one spot (files and
// workbook, conditions and mail, serial settings), the menus, the start
// button, and the window's load and unload. It shows the engine's settings
// record and hands the run to the run monitor. It works on one station: its
// engine's settings while no run goes, its messages while one does.
#include <QMainWindow>
#include <QPointer>
#include <functional>

#include "engine/engine.h"
#include "station/station.h"
#include "settings/window_fields.h"
#include "ui/form_exe.h"
#include "ui/main_context.h"
#include "ui/manual_viewer.h"

class QAction;
class QMenu;

namespace vel::ui {

class CondPanel;
class FilePanel;
class RsPanel;
class ExtPanel;

class FormMain : public QMainWindow {
public:
    // `messages` shows the window's own notices and questions and the
    // station's notices.
    FormMain(Station& station, MessageBox& messages, QWidget* parent = nullptr);
    ~FormMain() override;

    // The load handler: geometry, setup.dat onto the record and the port, the
    // serial lists, the settings shown, the main panel; then the window shows.
    void load();

    // Panel switching.
    void showMainPanel();
    void openCondPanel();
    void openRsPanel();
    void openExtPanel();  // velloran.ini: reconnect, no-reply alarm, daily CSV, uplink

    // The buttons and menu entries.
    void commandStart();
    void commandCondOk();
    void commandCondNg();
    void commandRsOk();
    void commandExtOk();
    void commandRsNg();
    void menuDoc();

    // The widgets as plain field values, and back (with the click effects of
    // every check box and option button whose state changes).
    WindowFields readFields() const;
    void showFields(const WindowFields& fields);

    // The run monitor of the run in progress (or the one that has ended and
    // not been closed yet); null otherwise.
    FormExe* formExe() const { return exe_; }

    MainContext& context() { return context_; }
    FilePanel* filePanel() const { return file_; }
    CondPanel* condPanel() const { return cond_; }
    RsPanel* rsPanel() const { return rs_; }
    ExtPanel* extPanel() const { return ext_; }

    // Run once the window has unloaded (closing it ends the program).
    std::function<void()> onUnloaded;
    // Where the Help menu finds the manual (empty: manual/ of the program
    // folder) and what shows it (tests replace it).
    QString manualFile;
    std::function<bool(const QString&)> openManual = openInHtmlViewer;
    // Opens the line overview (the ﾌｧｲﾙ menu's "ライン一覧"; the entry shows
    // only when this is set before load()).
    std::function<void()> openOverview;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void placePanels();
    QSize windowSize() const;
    void setPanelMenusEnabled(bool enabled);
    void unload();
    void openRunMonitor();
    void runMonitorClosed();
    void connectStation();

    Station& station_;
    Engine& engine_;
    MainContext context_;
    QWidget* panelArea_;
    FilePanel* file_;
    CondPanel* cond_;
    RsPanel* rs_;
    ExtPanel* ext_;
    QAction* menuEnd_;
    QAction* menuLines_;
    QAction* menuCond_;
    QAction* menuRs_;
    QAction* menuExt_;
    QAction* menuDoc_;
    QPointer<FormExe> exe_;
};

}  // namespace vel::ui
