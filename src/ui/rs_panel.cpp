#include "ui/rs_panel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QHeaderView>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "base/network_port_url.h"
#include "serial/line_settings.h"
#include "serial/network_port.h"
#include "serial/refused_settings.h"
#include "serial/serial_devices.h"
#include "ui/rs_choices.h"
#include "ui/widgets.h"

namespace vel::ui {
namespace {

// How long the Com table waits for a network Com to answer.
constexpr int kAnswerCheckMs = 300;
const QString kRawTcpNote = QStringLiteral("（tcp:// は通信条件を使いません）");
const QString kNoPort = QStringLiteral("なし");
constexpr int kChannelCount = static_cast<int>(std::tuple_size_v<decltype(ExtensionSettings::channels)>);

QComboBox* list(QWidget* parent, const char* name) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setMinimumWidth(110);
    return c;
}

void fill(QComboBox* list, const QStringList& entries) {
    list->clear();
    list->addItems(entries);
}

void selectText(QComboBox* list, const QString& text) { list->setCurrentIndex(list->findText(text)); }

QString refusedSettingsText(const QString& settings) {
    return QStringLiteral("通信条件 %1 は設定できません").arg(settings);
}

// Where the shown channel's choices are kept.
QString channelFileText(int channel) {
    return channel == 0 ? QStringLiteral("setup.dat に保存")
                        : QStringLiteral("velloran.ini [channel%1] に保存").arg(channel);
}

bool sameChannel(const ChannelPort& a, const ChannelPort& b) {
    return a.port == b.port && a.lineSettings == b.lineSettings;
}

// A settings string in the form the port reports, "9600,N,8,1" as
// "9600,n,8,1"; as it is when no port could take it.
QString portForm(const QString& lineSettings) {
    const auto parsed = parseLineSettings(lineSettings);
    return parsed ? formatLineSettings(*parsed) : lineSettings;
}

}  // namespace

RsPanel::RsPanel(MainContext& context, QWidget* parent) : QGroupBox(parent), context_(context) {
    setObjectName(QStringLiteral("FrameRs"));
    setTitle(QStringLiteral("RS232C通信条件"));
    cboChannel = list(this, "cboChannel");
    for (int ch = 0; ch < kChannelCount; ++ch) cboChannel->addItem(QString::number(ch));
    labelChannelFile = label(this, QString(), "LabelChannelFile");
    // Room for the longest place from the start: the window's size is fixed.
    const QString longest = channelFileText(kChannelCount - 1);
    labelChannelFile->setMinimumWidth(labelChannelFile->fontMetrics().horizontalAdvance(longest));
    commandPortClear = button(this, "CommandPortClear", QStringLiteral("ポートなし"));
    cboPort = list(this, "cboPort");
    cboSpeed = list(this, "cboSpeed");
    cboDataBits = list(this, "cboDataBits");
    cboParity = list(this, "cboParity");
    cboStopBits = list(this, "cboStopBits");
    cboFlow = list(this, "cboFlow");
    labelPortDevice = label(this, QString(), "LabelPortDevice");
    labelPortMissing = label(this, QString(), "LabelPortMissing");
    QPalette missing = labelPortMissing->palette();
    missing.setColor(QPalette::WindowText, Qt::red);
    labelPortMissing->setPalette(missing);
    listComDevices = new QTreeWidget(this);
    listComDevices->setObjectName(QStringLiteral("ListComDevices"));
    listComDevices->setHeaderLabels({QStringLiteral("ポート"), QStringLiteral("デバイス"), QStringLiteral("状態")});
    listComDevices->setRootIsDecorated(false);
    listComDevices->setSelectionMode(QAbstractItemView::NoSelection);
    listComDevices->setFocusPolicy(Qt::NoFocus);
    listComDevices->header()->setStretchLastSection(false);
    listComDevices->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    listComDevices->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    listComDevices->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    cboDevice = list(this, "cboDevice");
    // Long by-id names stay in the drop-down; the closed list keeps its place.
    cboDevice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboDevice->setMinimumContentsLength(16);
    cboDevice->view()->setTextElideMode(Qt::ElideMiddle);
    commandDeviceLink = button(this, "CommandDeviceLink", QStringLiteral("割り当て"));
    labelRefused = label(this, QString(), "LabelRefused");
    // Names every refused setting: wraps under the lists.
    labelRefused->setWordWrap(true);
    labelRefused->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    commandRsOk = button(this, "CommandRsOk", QStringLiteral("OK"));
    commandRsNg = button(this, "CommandRsNg", QStringLiteral("キャンセル"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    const std::pair<QString, QComboBox*> rows[] = {
        {QStringLiteral("チャンネル"), cboChannel},    {QStringLiteral("ポート"), cboPort},
        {QStringLiteral("通信速度"), cboSpeed},        {QStringLiteral("ﾃﾞｰﾀ ﾋﾞｯﾄ："), cboDataBits},
        {QStringLiteral("ﾊﾟﾘﾃｨ："), cboParity},
        {QStringLiteral("ｽﾄｯﾌﾟ ﾋﾞｯﾄ："), cboStopBits}, {QStringLiteral("ﾌﾛｰ制御(&F)"), cboFlow},
    };
    int r = 0;
    for (const auto& [caption, combo] : rows) {
        QLabel* l = label(this, caption);
        l->setBuddy(combo);
        grid->addWidget(l, r, 0);
        grid->addWidget(combo, r, 1);
        ++r;
    }
    auto* channel = new QHBoxLayout;
    channel->addWidget(labelChannelFile);
    channel->addStretch(1);
    channel->addWidget(commandPortClear);
    grid->addLayout(channel, 0, 2);
    auto* device = new QHBoxLayout;
    device->addWidget(labelPortDevice);
    device->addWidget(labelPortMissing);
    device->addStretch(1);
    grid->addLayout(device, 1, 2);
    grid->addWidget(listComDevices, 2, 2, 4, 1);
    auto* present = new QHBoxLayout;
    present->setSpacing(6);
    present->addWidget(label(this, QStringLiteral("接続中：")));
    present->addWidget(cboDevice, 1);
    present->addWidget(commandDeviceLink);
    grid->addLayout(present, 6, 2);
    grid->setColumnStretch(2, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(commandRsOk);
    buttons->addWidget(commandRsNg);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 8, 16, 8);
    layout->addLayout(grid);
    layout->addWidget(labelRefused);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(cboPort, &QComboBox::currentIndexChanged, this, [this] {
        portChosen();
        showDevice();
    });
    for (QComboBox* line : {cboSpeed, cboDataBits, cboParity, cboStopBits})
        connect(line, &QComboBox::currentIndexChanged, this, [this] { lineChosen(); });
    connect(cboChannel, &QComboBox::currentIndexChanged, this, [this](int index) { showChannel(index); });
    connect(commandPortClear, &QPushButton::clicked, this, [this] { clearChannelPort(); });
    showChannel(0);
    connect(commandDeviceLink, &QPushButton::clicked, this, [this] { linkChosenDevice(); });
}

void RsPanel::showDevice() {
    const int number = cboPort->currentIndex() + 1;
    const QString device = number >= 1 ? context_.port.deviceFor(static_cast<int16_t>(number)) : QString();
    labelPortDevice->setText(device.isEmpty() ? QString() : QStringLiteral("→ ") + device);
    if (const auto url = parseNetworkPortUrl(device)) {
        labelPortMissing->setText(url->kind == NetworkPortUrl::Tcp ? kRawTcpNote : QString());
        return;
    }
    const bool missing = !device.isEmpty() && !serialDevicePresent(device, context_.deviceRoot);
    labelPortMissing->setText(missing ? QStringLiteral("（見つかりません）") : QString());
}

void RsPanel::refreshDevices() {
    listComDevices->clear();
    for (int number = 1; number <= cboPort->count(); ++number) {
        const QString device = context_.port.deviceFor(static_cast<int16_t>(number));
        const bool network = parseNetworkPortUrl(device).has_value();
        const bool inUse = network && context_.port.isOpen() && context_.port.portNumber() == number;
        const bool present = network ? inUse || networkPortAnswers(device, kAnswerCheckMs)
                                     : serialDevicePresent(device, context_.deviceRoot);
        const QString state = network ? (inUse ? QStringLiteral("使用中") : present ? QStringLiteral("応答あり") : QStringLiteral("応答なし"))
                                      : (present ? QStringLiteral("あり") : QStringLiteral("なし"));
        auto* row = new QTreeWidgetItem(listComDevices, {cboPort->itemText(number - 1), device, state});
        row->setToolTip(1, device);
        if (!present) row->setForeground(2, Qt::red);
    }
    cboDevice->clear();
    // Long by-id names are cut in the middle, where they differ least (the
    // maker at the start, the serial number and port at the end); the tool
    // tip holds the whole path.
    const QFontMetrics metrics(cboDevice->font());
    const int room = std::max(cboDevice->width(), cboDevice->sizeHint().width()) - 36;
    for (const SerialDevice& d : presentSerialDevices(context_.deviceRoot)) {
        const QString shown = d.description.isEmpty() || d.path.endsWith(d.description)
                                  ? d.path.mid(d.path.lastIndexOf(u'/') + 1)
                                  : d.path + QStringLiteral("　") + d.description;
        cboDevice->addItem(metrics.elidedText(shown, Qt::ElideMiddle, room), d.path);
        cboDevice->setItemData(cboDevice->count() - 1, d.node == d.path ? d.path : d.path + " → " + d.node,
                               Qt::ToolTipRole);
    }
    commandDeviceLink->setEnabled(cboDevice->count() > 0);
    showDevice();
}

void RsPanel::linkChosenDevice() {
    const int number = cboPort->currentIndex() + 1;
    const QString device = cboDevice->currentData().toString();
    if (number < 1 || device.isEmpty()) return;
    const QString failed = linkComDevice(context_.folder, number, device);
    if (!failed.isEmpty()) context_.messages.warning(QStringLiteral("%1 を作れません").arg(failed));
    refreshDevices();
}

// What the port refused of the settings it runs with now; empty while closed.
void RsPanel::showRefusal() { labelRefused->setText(refusedSettingsLine(context_.port)); }

void RsPanel::showEvent(QShowEvent* event) {
    // Opened anew (not shown again with its window): on channel 0, the
    // other channels as the file holds them now.
    if (reopened_) {
        reopened_ = false;
        cboChannel->setCurrentIndex(0);
        loadChannels();
    }
    // A run may have opened the port, an adapter may have been plugged in,
    // since the panel was last shown.
    showRefusal();
    refreshDevices();
    QGroupBox::showEvent(event);
}

void RsPanel::hideEvent(QHideEvent* event) {
    // Hidden itself, not with its window (the run monitor replaces it).
    if (isHidden()) reopened_ = true;
    QGroupBox::hideEvent(event);
}

void RsPanel::loadChannels() {
    channels_ = loadExtensionSettings(context_.folder.extensionIni()).channels;
    channelsInFile_ = channels_;
}

RsPanel::ListIndexes RsPanel::listIndexes() const {
    return {cboPort->currentIndex(),     cboSpeed->currentIndex(), cboDataBits->currentIndex(),
            cboParity->currentIndex(),   cboStopBits->currentIndex(), cboFlow->currentIndex()};
}

void RsPanel::selectIndexes(const ListIndexes& indexes) {
    cboPort->setCurrentIndex(indexes.port);
    cboSpeed->setCurrentIndex(indexes.speed);
    cboDataBits->setCurrentIndex(indexes.dataBits);
    cboParity->setCurrentIndex(indexes.parity);
    cboStopBits->setCurrentIndex(indexes.stopBits);
    cboFlow->setCurrentIndex(indexes.flow);
}

void RsPanel::showChannel(int channel) {
    if (channel < 0 || channel >= kChannelCount) return;
    if (channel_ == 0 && channel != 0) channel0_ = listIndexes();
    channel_ = channel;
    showingChannel_ = true;
    const bool other = channel != 0;
    if (!other) {
        cboPort->setPlaceholderText(QString());
        selectIndexes(channel0_);
    } else {
        // A channel's port has no flow control of its own: shown as none.
        const ChannelPort& shown = channels_[static_cast<size_t>(channel)];
        int handshaking = 0;
        const RsSelection sel = selectionFor(portForm(shown.lineSettings), shown.port, handshaking);
        // A port the list does not hold (none, or above Com16) shows as text.
        cboPort->setPlaceholderText(shown.port == 0 ? kNoPort : QStringLiteral("Com%1").arg(shown.port));
        cboPort->setCurrentIndex(sel.portIndex);
        selectText(cboSpeed, sel.speed);
        cboParity->setCurrentIndex(sel.parityIndex);
        selectText(cboDataBits, sel.dataBits);
        selectText(cboStopBits, sel.stopBits);
        cboFlow->setCurrentIndex(sel.flowIndex);
    }
    cboFlow->setEnabled(!other);
    commandPortClear->setEnabled(other);
    labelChannelFile->setText(channelFileText(channel));
    showingChannel_ = false;
    showDevice();
}

void RsPanel::clearChannelPort() {
    if (channel_ == 0) return;
    channels_[static_cast<size_t>(channel_)].port = 0;
    showingChannel_ = true;
    cboPort->setPlaceholderText(kNoPort);
    cboPort->setCurrentIndex(-1);
    showingChannel_ = false;
}

void RsPanel::portChosen() {
    if (showingChannel_ || channel_ == 0 || cboPort->currentIndex() < 0) return;
    channels_[static_cast<size_t>(channel_)].port = cboPort->currentIndex() + 1;
}

void RsPanel::lineChosen() {
    if (showingChannel_ || channel_ == 0) return;
    channels_[static_cast<size_t>(channel_)].lineSettings = portForm(settingsFromLists(
        cboSpeed->currentText(), cboParity->currentText(), cboDataBits->currentText(), cboStopBits->currentText()));
}

void RsPanel::loadPropertySettings() {
    fill(cboPort, portEntries());
    fill(cboSpeed, speedEntries());
    fill(cboDataBits, dataBitsEntries());
    fill(cboParity, parityEntries());
    fill(cboStopBits, stopBitsEntries());
    fill(cboFlow, flowEntries());

    SerialPort& port = context_.port;
    int handshaking = port.handshaking();
    const RsSelection sel = selectionFor(port.settings(), port.portNumber(), handshaking);
    selectText(cboSpeed, sel.speed);
    cboParity->setCurrentIndex(sel.parityIndex);
    selectText(cboDataBits, sel.dataBits);
    selectText(cboStopBits, sel.stopBits);
    cboPort->setCurrentIndex(sel.portIndex);
    if (handshaking != port.handshaking()) port.setHandshaking(static_cast<int16_t>(handshaking));
    cboFlow->setCurrentIndex(sel.flowIndex);
    showDevice();
}

bool RsPanel::applyPortNumber() {
    SerialPort& port = context_.port;
    const int16_t oldPort = port.portNumber();
    const int newPort = cboPort->currentIndex() + 1;
    if (newPort == oldPort) return true;
    if (newPort < 1) {
        context_.messages.warning(QStringLiteral("ポート番号が正しくありません"));
        return false;
    }
    const bool wasOpen = port.isOpen();
    if (wasOpen) port.close();
    port.setPortNumber(static_cast<int16_t>(newPort));
    if (wasOpen && !port.open()) {
        const QString device = port.deviceFor(static_cast<int16_t>(newPort));
        context_.messages.warning(QStringLiteral("Com%1 (%2) を開けません").arg(newPort).arg(device));
        port.setPortNumber(oldPort);
        return false;
    }
    return true;
}

bool RsPanel::apply() {
    if (!saveChannels()) return false;
    cboChannel->setCurrentIndex(0);
    return applyChannel0();
}

bool RsPanel::saveChannels() {
    bool changed = false;
    for (int ch = 1; ch < kChannelCount; ++ch) {
        const ChannelPort& edited = channels_[static_cast<size_t>(ch)];
        if (sameChannel(edited, channelsInFile_[static_cast<size_t>(ch)])) continue;
        changed = true;
        // A channel without a port leaves its section, whatever its settings.
        if (edited.port != 0 && !parseLineSettings(edited.lineSettings)) {
            cboChannel->setCurrentIndex(ch);
            context_.messages.warning(refusedSettingsText(edited.lineSettings));
            return false;
        }
    }
    if (!changed) return true;
    // The other keys as the file holds them now.
    const QString ini = context_.folder.extensionIni();
    ExtensionSettings settings = loadExtensionSettings(ini);
    for (int ch = 1; ch < kChannelCount; ++ch)
        if (!sameChannel(channels_[static_cast<size_t>(ch)], channelsInFile_[static_cast<size_t>(ch)]))
            settings.channels[static_cast<size_t>(ch)] = channels_[static_cast<size_t>(ch)];
    if (!saveExtensionSettings(ini, settings)) {
        context_.messages.warning(QStringLiteral("velloran.ini に書き込みできません！"));
        return false;
    }
    channelsInFile_ = channels_;
    return true;
}

bool RsPanel::applyChannel0() {
    if (!applyPortNumber()) return false;
    const QString settings = settingsFromLists(cboSpeed->currentText(), cboParity->currentText(),
                                               cboDataBits->currentText(), cboStopBits->currentText());
    if (!context_.port.setSettings(settings)) {
        context_.messages.warning(refusedSettingsText(settings));
        return false;
    }
    if (cboFlow->currentIndex() < 0) {
        context_.messages.warning(QStringLiteral("ﾌﾛｰ制御が選ばれていません"));
        return false;
    }
    context_.port.setHandshaking(static_cast<int16_t>(cboFlow->currentIndex()));
    showRefusal();
    if (!labelRefused->text().isEmpty()) context_.messages.warning(labelRefused->text());
    return true;
}

}  // namespace vel::ui
