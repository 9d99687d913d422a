#pragma once
// What the main window's panels work on: the settings record, the workbook
// connection and the channel-0 port of the engine, the message boxes, the
// program folder, the file dialog and where serial devices are looked for
// (which tests replace).
#include <functional>

#include "base/message_box.h"
#include "base/program_folder.h"
#include "output/workbook_connection.h"
#include "serial/serial_port.h"
#include "settings/settings_record.h"
#include "ui/file_chooser.h"

namespace vel::ui {

struct MainContext {
    SettingsRecord& settings;
    WorkbookConnection& workbook;
    SerialPort& port;
    MessageBox& messages;
    ProgramFolder folder;
    FileChooser chooseFile = chooseFileWithDialog;
    QString deviceRoot{};  // prefixed to /dev and /sys when looking for serial devices (tests)
    // Writes a line to the alarm log (the engine's log sink); may be empty.
    std::function<void(const QString&)> alarmLogLine{};
};

}  // namespace vel::ui
