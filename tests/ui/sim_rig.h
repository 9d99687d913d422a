#pragma once
// The windows on the real clock and serial port, against velloran-sim linked
// as Com1 of a fresh program folder: whole runs from the start button.
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "base/system_clock.h"
#include "serial/qt_serial_port.h"
#include "settings/setup_dat_file.h"
#include "support/fake_mailer.h"
#include "support/recording_message_box.h"
#include "support/temp_folder.h"
#include "text/cp932.h"
#include "ui/file_panel.h"
#include "ui/form_main.h"
#include "ui_rig.h"

namespace vel::test {

inline const QString kSimProgram = QStringLiteral(VEL_BINARY_DIR "/velloran-sim");

struct SimRig {
    TempProgramFolder home;
    ProgramFolder folder;  // the temporary folder unless one is named
    SystemClock clock;
    RecordingMessageBox box;
    QtSerialPort port{folder};
    FakeMailer mailer;
    Engine engine{EnginePlatform{clock, box, port, mailer, folder, [] { QCoreApplication::processEvents(); }, {}}};
    QProcess sim;
    std::unique_ptr<Station> station;
    std::unique_ptr<ui::FormMain> window;

    explicit SimRig(const QString& root = {}) : folder{root.isEmpty() ? home.folder.root : root} {
        ensureUiApplication();
    }
    ~SimRig() {
        window.reset();
        station.reset();
        port.close();
        if (sim.state() != QProcess::NotRunning) {
            sim.terminate();
            if (!sim.waitForFinished(3000)) sim.kill();
            sim.waitForFinished(3000);
        }
    }

    // Starts the instrument as Com1 and waits until its link is there.
    bool startSim(QStringList args = {}) {
        args << "--quiet" << "--home" << folder.root << "--com" << "1";
        sim.start(kSimProgram, args);
        if (!sim.waitForStarted(5000)) return false;
        return spinUntil([this] { return QFileInfo(folder.comLink(1)).symLinkTarget().startsWith("/dev/pts/"); });
    }

    // The main window loaded from the folder, with a script, CSV on and Com1.
    void openWindow(const QStringList& script) {
        engine.startUp();
        station = std::make_unique<Station>(engine);
        window = std::make_unique<ui::FormMain>(*station, box);
        window->load();
        const QString scriptPath = home.write("script.txt", cp932::encode(script.join("\r\n") + "\r\n"));
        ui::FilePanel* panel = window->filePanel();
        panel->textScrName->setText(scriptPath);
        panel->checkCsv->setChecked(true);
        panel->textCsvName->setText(home.path("out.csv"));
    }

    // setup.dat as the main window saves it, for a start without the window:
    // the script, CSV on and Com1.
    bool saveSetup(const QString& scriptPath, const QString& csvPath) {
        SettingsRecord record;
        loadSettings(record, folder, box);  // the fresh values
        record.scriptPath = scriptPath;
        record.csvOn = true;
        record.csvPath = csvPath;
        return saveSettings(record, PortSlot{1, QStringLiteral("9600,n,8,1"), 0}, folder, box);
    }

    ui::FormExe* exe() const { return window ? window->formExe() : nullptr; }

    template <typename T>
    T* exeChild(const char* name) const {
        T* w = exe() ? exe()->findChild<T*>(QString::fromLatin1(name)) : nullptr;
        if (!w) ADD_FAILURE() << "no run monitor control " << name;
        return w;
    }
};

}  // namespace vel::test
