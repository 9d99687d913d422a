#include "ui/line_overview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/form_exe.h"
#include "ui/form_main.h"
#include "ui/monitor_view.h"
#include "ui/qt_message_box.h"
#include "ui/station_list.h"
#include "ui/widgets.h"

namespace vel::ui {
namespace {

enum Column { ColName, ColLamp, ColMessage, ColLastRecord, ColRecords, ColAlarms, ColRun, ColOpen, ColCount };

QString chooseFolderWithDialog(QWidget* parent) {
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("ラインのプログラムフォルダー"), QDir::homePath());
}

QTableWidgetItem* cellOf(QTableWidget* table, int row, int column) {
    QTableWidgetItem* item = table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        table->setItem(row, column, item);
    }
    return item;
}

void setCell(QTableWidget* table, int row, int column, const QString& text, Qt::Alignment align = Qt::AlignLeft) {
    QTableWidgetItem* item = cellOf(table, row, column);
    if (item->text() != text) item->setText(text);
    item->setTextAlignment(align | Qt::AlignVCenter);
}

void bringUp(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

// One station with its message box and its windows. The box shows the
// station's notices over its own window, so a box left open belongs to the
// station whose notice it is.
struct LineOverview::Entry {
    ProgramFolder folder;
    QtMessageBox box;
    std::unique_ptr<Station> station;
    QPointer<FormMain> window;
    QPointer<FormExe> monitor;  // opened here during a run without the main window
    bool unattended = false;    // started here without its main window
    // What the process itself watches of the station's status (the web page).
    std::function<void(const StationStatus&)> processWatch;

    ~Entry() {
        delete monitor.data();
        delete window.data();
        station.reset();
    }
};

LineOverview::LineOverview(StationMaker make, ProgramFolder programFolder, QString listFile, MessageBox& messages,
                           QWidget* parent)
    : QWidget(parent),
      make_(std::move(make)),
      programFolder_(std::move(programFolder)),
      listFile_(std::move(listFile)),
      messages_(messages) {
    chooseFolder = chooseFolderWithDialog;
    setObjectName(QStringLiteral("FormLines"));
    setWindowTitle(QStringLiteral("ライン一覧"));
    table_ = new QTableWidget(0, ColCount, this);
    table_->setObjectName(QStringLiteral("GridLines"));
    table_->setHorizontalHeaderLabels({QStringLiteral("ライン"), QStringLiteral("ランプ"), QStringLiteral("メッセージ"),
                                       QStringLiteral("最終記録"), QStringLiteral("記録数"), QStringLiteral("アラーム"),
                                       QString(), QString()});
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(34);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setFocusPolicy(Qt::NoFocus);  // no cell cursor: a row is chosen by a click
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(ColMessage, QHeaderView::Stretch);
    header->setMinimumSectionSize(56);

    QPushButton* add = button(this, "CommandAdd", QStringLiteral("追加"));
    QPushButton* remove = button(this, "CommandRemove", QStringLiteral("外す"));
    connect(add, &QPushButton::clicked, this, [this] { commandAdd(); });
    connect(remove, &QPushButton::clicked, this, [this] { commandRemove(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(buttons);
    resize(820, 280);
}

LineOverview::~LineOverview() {
    tearingDown_ = true;
    entries_.clear();
}

bool LineOverview::startUp() {
    Entry* first = buildStation(programFolder_.root);
    if (!first) return false;
    for (const QString& folder : loadStationFolders(listFile_)) {
        const QString refusal = stationFolderRefusal(folder, folders());
        if (!refusal.isEmpty()) {
            messages_.warning(refusal);  // kept in the list: the folder may come back
            continue;
        }
        buildStation(folder);
    }
    return true;
}

void LineOverview::begin() {
    if (entries_.size() == 1) {
        // Today's program: the program folder's main window alone.
        openMainWindow(*entries_.front());
        return;
    }
    if (beforeFirstShow) beforeFirstShow(*this);
    bringUp(this);
}

LineOverview::Entry* LineOverview::buildStation(const QString& folder) {
    auto entry = std::make_unique<Entry>();
    entry->folder = ProgramFolder{QDir::cleanPath(QFileInfo(folder).absoluteFilePath())};
    entry->station = make_(entry->folder);
    Entry& e = *entry;
    e.box.owner = [this, &e] { return ownerOf(e); };
    e.processWatch = std::move(e.station->view().statusChanged);
    watch(e);
    if (!e.station->startUp()) {
        QCoreApplication::processEvents();  // its notice says why, before the station goes
        return nullptr;
    }
    entries_.push_back(std::move(entry));
    addRow(e);
    return &e;
}

// The station's reports into its row; its notices into its own box.
void LineOverview::watch(Entry& e) {
    if (tearingDown_) return;
    StationView& view = e.station->view();
    view.notice = [&e](const QString& text, bool warning) { e.box.notice(text, warning); };
    view.statusChanged = [this, &e](const StationStatus& status) {
        if (e.processWatch) e.processWatch(status);
        showRow(e);
    };
    view.startAnswered = [this, &e](bool) { showRow(e); };
    view.runOver = [this, &e] { runOver(e); };
    view.beep = [] { QApplication::beep(); };
}

QWidget* LineOverview::ownerOf(const Entry& e) {
    if (e.monitor && e.monitor->isVisible()) return e.monitor;
    if (e.window) {
        FormExe* exe = e.window->formExe();
        if (exe && exe->isVisible()) return exe;
        if (e.window->isVisible()) return e.window;
    }
    return isVisible() ? this : nullptr;
}

void LineOverview::addRow(Entry& e) {
    const int row = table_->rowCount();
    table_->insertRow(row);
    setCell(table_, row, ColName, e.station->name());
    cellOf(table_, row, ColName)->setToolTip(e.folder.root);
    QFont lampFont = font();
    lampFont.setPixelSize(22);
    cellOf(table_, row, ColLamp)->setFont(lampFont);
    QPushButton* run = button(nullptr, "CommandRun", QStringLiteral("開始"));
    QPushButton* open = button(nullptr, "CommandOpen", QStringLiteral("開く"));
    connect(run, &QPushButton::clicked, this, [this, &e] { commandRun(rowOf(e)); });
    connect(open, &QPushButton::clicked, this, [this, &e] { commandOpen(rowOf(e)); });
    table_->setCellWidget(row, ColRun, run);
    table_->setCellWidget(row, ColOpen, open);
    showRow(e);
}

void LineOverview::showRow(const Entry& e) {
    const int row = rowOf(e);
    if (row < 0) return;
    const StationStatus& s = e.station->status();
    QTableWidgetItem* lamp = cellOf(table_, row, ColLamp);
    lamp->setText(QStringLiteral("●"));
    lamp->setTextAlignment(Qt::AlignCenter);
    lamp->setForeground(colourOf(s.lampColour));
    setCell(table_, row, ColMessage, s.message);
    setCell(table_, row, ColLastRecord, s.lastRecord.isValid() ? s.lastRecord.toString("yy/MM/dd hh:mm:ss") : QString());
    setCell(table_, row, ColRecords, QString::number(s.records), Qt::AlignRight);
    setCell(table_, row, ColAlarms, QString::number(s.alarms), Qt::AlignRight);
    QPushButton* run = runButton(row);
    run->setText(e.station->running() ? QStringLiteral("終了") : QStringLiteral("開始"));
    run->setEnabled(!ending_);
}

int LineOverview::rowOf(const Entry& e) const {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].get() == &e) return static_cast<int>(i);
    return -1;
}

Station& LineOverview::station(int row) const { return *entries_.at(row)->station; }

FormMain* LineOverview::mainWindow(int row) const { return entries_.at(row)->window; }

FormExe* LineOverview::runMonitor(int row) const {
    const Entry& e = *entries_.at(row);
    if (e.monitor) return e.monitor;
    return e.window ? e.window->formExe() : nullptr;
}

QPushButton* LineOverview::runButton(int row) const {
    return static_cast<QPushButton*>(table_->cellWidget(row, ColRun));
}

QPushButton* LineOverview::openButton(int row) const {
    return static_cast<QPushButton*>(table_->cellWidget(row, ColOpen));
}

void LineOverview::commandRun(int row) {
    if (row < 0 || row >= stationCount() || ending_) return;
    Entry& e = *entries_[row];
    if (e.station->running()) {
        if (messages_.ask(kStopQuestion) && e.station->running()) e.station->stop();
        return;
    }
    delete e.monitor.data();  // the monitor of a run that is over
    if (e.window) {
        e.window->commandStart();  // the start button, on the fields as the window shows them
    } else {
        e.unattended = true;
        e.station->startUnattended();
    }
    showRow(e);
}

void LineOverview::commandOpen(int row) {
    if (row < 0 || row >= stationCount()) return;
    Entry& e = *entries_[row];
    if (FormExe* exe = runMonitor(row); exe && exe->isVisible()) bringUp(exe);
    else if (e.window) {
        if (e.window->isVisible()) bringUp(e.window);  // a closed one is about to go
    } else if (e.station->running()) openRunMonitor(e);
    else openMainWindow(e);
}

void LineOverview::openMainWindow(Entry& e) {
    auto* window = new FormMain(*e.station, e.box);
    e.window = window;
    if (entries_.size() > 1) window->setWindowTitle(QStringLiteral("Velloran － ") + e.station->name());
    if (manualOf) window->manualFile = manualOf(e.folder);
    window->openOverview = [this] { bringUp(this); };
    window->onUnloaded = [this, &e] { mainWindowClosed(e); };
    // The window's end leaves the station without a view: the overview's again.
    connect(window, &QObject::destroyed, this, [this, &e] { watch(e); });
    if (beforeFirstShow && !isVisible()) {
        beforeFirstShow(*window);
        beforeFirstShow = nullptr;
    }
    window->load();
}

// A run started here without the main window: its run monitor alone, which
// closes once the run is over.
void LineOverview::openRunMonitor(Entry& e) {
    e.monitor = new FormExe(*e.station, e.box, [] {});
    e.monitor->setWindowTitle(e.monitor->windowTitle() + QStringLiteral(" － ") + e.station->name());
    bringUp(e.monitor);
}

void LineOverview::mainWindowClosed(Entry& e) {
    if (ending_) return;  // finishEnd closes them
    if (entries_.size() == 1 && !isVisible()) {
        // Today's program: its main window's close ends it.
        ending_ = true;
        if (onEnded) onEnded();
        return;
    }
    e.window->deleteLater();  // the pointer clears itself once it is gone
    if (!isVisible()) bringUp(this);
}

void LineOverview::runOver(Entry& e) {
    showRow(e);
    if (e.unattended && !e.window) e.station->saveSettings();  // as the main window would when it closes
    e.unattended = false;
    if (ending_ && !anyRunning()) finishEnd();
}

bool LineOverview::anyRunning() const {
    for (const auto& e : entries_)
        if (e->station->running()) return true;
    return false;
}

// With only the program folder and its main window up, the overview just
// hides; otherwise closing it ends the program, after the question when
// runs are going: every run is stopped as a stop signal does, and the
// program ends once their outputs have finished.
void LineOverview::closeEvent(QCloseEvent* event) {
    if (ending_) {
        event->ignore();
        return;
    }
    const Entry& first = *entries_.front();
    if (entries_.size() == 1 && ownerOf(first) != this && ownerOf(first) != nullptr) {
        event->accept();
        return;
    }
    event->ignore();
    if (anyRunning() && !messages_.ask(kEndRunsQuestion)) return;
    beginEnd();
}

void LineOverview::beginEnd() {
    ending_ = true;
    for (const auto& e : entries_) {
        showRow(*e);
        if (e->station->running()) e->station->stopNow();
    }
    if (!anyRunning()) finishEnd();
}

void LineOverview::finishEnd() {
    for (const auto& e : entries_) {
        delete e->monitor.data();
        if (e->window) e->window->close();  // saves its settings as it always has
    }
    hide();
    if (onEnded) onEnded();
}

void LineOverview::commandAdd() {
    const QString folder = chooseFolder ? chooseFolder(this) : QString();
    if (!folder.isEmpty()) addStation(folder);
}

bool LineOverview::addStation(const QString& folder) {
    const QString refusal = stationFolderRefusal(folder, folders());
    if (!refusal.isEmpty()) {
        messages_.warning(refusal);
        return false;
    }
    if (!buildStation(folder)) return false;
    saveList();
    return true;
}

void LineOverview::commandRemove() {
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    if (!rows.isEmpty()) removeStation(rows.front().row());
}

bool LineOverview::removeStation(int row) {
    if (row < 0 || row >= stationCount()) return false;
    if (row == 0) {
        messages_.warning(kKeepFirstStationMessage);
        return false;
    }
    Entry& e = *entries_[row];
    if (e.station->running()) {
        messages_.warning(kRemoveRunningMessage);
        return false;
    }
    if (e.window) e.window->close();  // saves its settings
    table_->removeRow(row);
    entries_.erase(entries_.begin() + row);
    saveList();
    return true;
}

QStringList LineOverview::folders() const {
    QStringList all;
    for (const auto& e : entries_) all.append(e->folder.root);
    return all;
}

QStringList LineOverview::addedFolders() const { return folders().mid(1); }

void LineOverview::saveList() {
    if (!saveStationFolders(listFile_, addedFolders())) messages_.warning(kStationListSaveMessage + listFile_);
}

}  // namespace vel::ui
