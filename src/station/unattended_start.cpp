#include "station/unattended_start.h"

#include "output/workbook_connection.h"
#include "settings/channel0_port.h"
#include "settings/setup_dat_file.h"
#include "settings/window_transfer.h"

namespace vel {

void prepareUnattendedRun(Engine& engine, SerialPort& port, MessageBox& messages) {
    const ProgramFolder& folder = engine.platform().folder;
    loadSettings(engine.settings(), folder, messages, configurePortOf(port));
    WindowFields fields;
    applySettingsToWindow(engine.settings(), fields);
    collectFilePanel(fields, engine.settings());
    collectConditionsPanel(fields, engine.settings());
    if (engine.settings().workbookOn) {
        QString path = engine.settings().workbookPath;
        openWorkbookConnection(engine.workbook(), path, engine.settings().workbookPath, messages);
    }
}

}  // namespace vel
