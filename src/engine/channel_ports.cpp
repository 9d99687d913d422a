// The ports of channels 1–7: a script selects one with CHN:n. Channel 0 is
// setup.dat's port; the others are named in velloran.ini ([channel1] ...).
#include "engine/engine.h"
#include "log/log_lines.h"
#include "serial/refused_settings.h"

namespace vel {

SerialPort& Engine::portOf(int channel) {
    SerialPort* port = channel > 0 && channel < kChannels ? platform_.channelPorts[static_cast<size_t>(channel)] : nullptr;
    return port ? *port : platform_.port;
}

// Channel 0 and every channel the loaded script selects with CHN.
std::array<bool, kChannels> Engine::channelsUsed() const {
    std::array<bool, kChannels> used{};
    used[0] = true;
    for (const ScriptCommand& command : tables_.scriptTable)
        if (command.code == OpCHN && command.param > 0 && command.param < kChannels) used[static_cast<size_t>(command.param)] = true;
    return used;
}

// What the open ports of the run refused of their line settings: channel 0's
// line as ever, then each other channel's, named.
QString Engine::refusedSettingsLines() {
    QStringList lines;
    const std::array<bool, kChannels> used = channelsUsed();
    for (int ch = 0; ch < kChannels; ++ch) {
        if (!used[static_cast<size_t>(ch)]) continue;
        const QString line = refusedSettingsLine(portOf(ch));
        if (!line.isEmpty()) lines << loglines::channelTag(ch) + line;
    }
    return lines.join(QStringLiteral("　"));
}

// Opens the port of every channel other than 0 the script selects, with the
// number and line settings of velloran.ini; a channel whose port cannot be
// opened stops the start with the same two messages as channel 0.
bool Engine::channelPortsOpen() {
    const std::array<bool, kChannels> used = channelsUsed();
    for (int ch = 1; ch < kChannels; ++ch) {
        if (!used[static_cast<size_t>(ch)]) continue;
        SerialPort* port = platform_.channelPorts[static_cast<size_t>(ch)];
        const ChannelPort& wanted = extensions_.channels[static_cast<size_t>(ch)];
        bool open = false;
        if (port && wanted.port > 0) {
            if (port->isOpen()) port->close();
            port->setPortNumber(static_cast<int16_t>(wanted.port));
            port->setSettings(wanted.lineSettings);
            open = port->open();
        }
        if (!open) {
            platform_.messages.info(QStringLiteral("通信ポートがオープンできません！"));
            platform_.messages.info(QStringLiteral("通信CH") + QString::number(wanted.port) +
                                    QStringLiteral("が使用できません！"));
            closePorts();
            return false;
        }
        port->prepare();
        run_.receiveBuffer[static_cast<size_t>(ch)].clear();
    }
    return true;
}

void Engine::closePorts() {
    if (platform_.port.isOpen()) platform_.port.close();
    for (SerialPort* port : platform_.channelPorts)
        if (port && port->isOpen()) port->close();
}

}  // namespace vel
