#pragma once
// Reading and writing setup.dat in the program folder. Failures are reported
// to the user here, with the program's fixed texts, and never stop the caller.
#include <QString>
#include <cstdint>
#include <functional>

#include "base/message_box.h"
#include "base/program_folder.h"
#include "settings/settings_record.h"

namespace vel {

// What the channel-0 port object holds, as slot 0 of the record keeps it.
struct PortSlot {
    int16_t portNumber = 0;
    QString settings;      // e.g. "9600,n,8,1"
    int16_t handshaking = 0;
};

// Gives the loaded slot 0 to the channel-0 port object; false when the port
// object refuses a value (for example port number 0).
using ConfigurePort = std::function<bool(const PortSlot&)>;

inline const QString kSaveFailedMessage = QStringLiteral("設定条件の保存に失敗しました");
inline const QString kLoadFailedMessage = QStringLiteral("設定条件の読込に失敗しました");

// Copies `channel0` into slot 0 of the record, then writes the record as the
// first 4096-byte record of setup.dat. The file is never shortened: bytes
// after the record, left from an earlier longer one, stay. It is replaced as
// a whole (written beside it and renamed), so a failed save leaves the old
// file as it was. On failure shows the save message; returns whether it saved.
bool saveSettings(SettingsRecord& record, const PortSlot& channel0, const ProgramFolder& folder,
                  MessageBox& box);

// Reads setup.dat into the record. Without the file the record gets the
// fresh-installation values (60000 ms acquisition time, both logs on) and no
// message. Otherwise the record's strings are emptied and the file is read;
// a file that cannot be opened or ends inside the record shows the read
// message, keeps the values read so far and does not configure the port.
// After a complete read slot 0 goes to `configurePort` (when given); a
// refusal shows the read message too. Returns whether all of it succeeded.
bool loadSettings(SettingsRecord& record, const ProgramFolder& folder, MessageBox& box,
                  const ConfigurePort& configurePort = {});

}  // namespace vel
