#include "ui/form_main.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

#include "output/workbook_connection.h"
#include "settings/channel0_port.h"
#include "settings/setup_dat_file.h"
#include "settings/window_transfer.h"
#include "ui/cond_panel.h"
#include "ui/ext_panel.h"
#include "ui/file_panel.h"
#include "ui/form_exe.h"
#include "ui/rs_panel.h"
#include "ui/twips.h"

namespace vel::ui {
namespace {

constexpr int kWidthTwips = 9375;
constexpr int kHeightTwips = 4950;
constexpr int kPanelLeftTwips = 225;
constexpr int kPanelTopTwips = 90;

}  // namespace

FormMain::FormMain(Station& station, MessageBox& messages, QWidget* parent)
    : QMainWindow(parent),
      station_(station),
      engine_(station.engine()),
      context_{engine_.settings(), engine_.workbook(), station.port(), messages, station.folder()} {
    setObjectName(QStringLiteral("FormMain"));
    context_.alarmLogLine = [this](const QString& line) { engine_.log().alarmLogLine(line); };
    setWindowTitle(QStringLiteral("Velloran"));
    panelArea_ = new QWidget(this);
    setCentralWidget(panelArea_);
    file_ = new FilePanel(context_, panelArea_);
    cond_ = new CondPanel(context_, panelArea_);
    rs_ = new RsPanel(context_, panelArea_);
    ext_ = new ExtPanel(context_, panelArea_);
    buildMenus();

    connect(file_->commandStart, &QAbstractButton::clicked, this, [this] { commandStart(); });
    connect(file_->commandRs, &QAbstractButton::clicked, this, [this] { openRsPanel(); });
    connect(file_->commandCond, &QAbstractButton::clicked, this, [this] { openCondPanel(); });
    connect(cond_->commandCondOk, &QAbstractButton::clicked, this, [this] { commandCondOk(); });
    connect(cond_->commandCondNg, &QAbstractButton::clicked, this, [this] { commandCondNg(); });
    connect(rs_->commandRsOk, &QAbstractButton::clicked, this, [this] { commandRsOk(); });
    connect(rs_->commandRsNg, &QAbstractButton::clicked, this, [this] { commandRsNg(); });
    connect(ext_->commandExtOk, &QAbstractButton::clicked, this, [this] { commandExtOk(); });
    connect(ext_->commandExtNg, &QAbstractButton::clicked, this, [this] { showMainPanel(); });
    connectStation();
    cond_->hide();
    rs_->hide();
    ext_->hide();
}

FormMain::~FormMain() {
    delete exe_.data();
    station_.view() = StationView{};
}

void FormMain::buildMenus() {
    auto menu = [this](const char* name, const QString& caption) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [this](QMenu* m, const char* name, const QString& caption, void (FormMain::*action)()) {
        QAction* a = m->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, action] { (this->*action)(); });
        return a;
    };
    QMenu* fileMenu = menu("MenuFile", QStringLiteral("ﾌｧｲﾙ(&F)"));
    menuLines_ = fileMenu->addAction(QStringLiteral("ライン一覧(&L)"));
    menuLines_->setObjectName(QStringLiteral("MenuLines"));
    connect(menuLines_, &QAction::triggered, this, [this] {
        if (openOverview) openOverview();
    });
    menuEnd_ = fileMenu->addAction(QStringLiteral("終了(&Q)"));
    menuEnd_->setObjectName(QStringLiteral("MenuEnd"));
    connect(menuEnd_, &QAction::triggered, this, &QWidget::close);
    QMenu* setMenu = menu("MenuSet", QStringLiteral("条件設定(&S)"));
    menuCond_ = item(setMenu, "MenuCond", QStringLiteral("取得条件、ﾒｰﾙ設定"), &FormMain::openCondPanel);
    menuRs_ = item(setMenu, "MenuRS", QStringLiteral("RS232C通信条件"), &FormMain::openRsPanel);
    menuExt_ = item(setMenu, "MenuExt", QStringLiteral("無人運転、ｱｯﾌﾟﾘﾝｸ設定"), &FormMain::openExtPanel);
    QMenu* helpMenu = menu("MenuHelp", QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    menuDoc_ = item(helpMenu, "MenuDoc", QStringLiteral("ヘルプ"), &FormMain::menuDoc);
}

// What the station reports during a run, into this window's fields and the
// run monitor.
void FormMain::connectStation() {
    StationView& view = station_.view();
    view.acquisitionNumber = [this](int32_t number) { cond_->textCellNo->setText(QString::number(number)); };
    view.startColumn = [this](const QString& letters) { file_->textStartCol->setText(letters); };
    view.startRow = [this](int32_t row) { file_->textStartRow->setText(QString::number(row)); };
    view.runMonitorOpened = [this] { openRunMonitor(); };
    view.notice = [this](const QString& text, bool warning) { context_.messages.notice(text, warning); };
    view.beep = [] { QApplication::beep(); };
}

void FormMain::placePanels() {
    const QRect area(QPoint(px(kPanelLeftTwips), px(kPanelTopTwips)),
                     panelArea_->size() - QSize(2 * px(kPanelLeftTwips), 2 * px(kPanelTopTwips)));
    for (QWidget* panel : std::initializer_list<QWidget*>{file_, cond_, rs_, ext_}) panel->setGeometry(area);
}

void FormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    placePanels();
}

// The designed size is the smallest the window gets: where a panel's
// captions need more room in the fonts at hand, the window grows to it.
QSize FormMain::windowSize() const {
    const QSize margins(2 * px(kPanelLeftTwips), 2 * px(kPanelTopTwips) + menuBar()->sizeHint().height());
    QSize size = pxSize(kWidthTwips, kHeightTwips);
    for (const QWidget* panel : std::initializer_list<const QWidget*>{file_, cond_, rs_, ext_})
        size = size.expandedTo(panel->minimumSizeHint() + margins);
    return size;
}

void FormMain::load() {
    QCoreApplication::setApplicationName(QStringLiteral("Velloran"));
    const QSize size = windowSize();
    setFixedSize(size);
    if (const QScreen* s = screen()) move(s->availableGeometry().left() + (s->availableGeometry().width() - size.width()) / 2,
                                          s->availableGeometry().top());
    placePanels();
    menuLines_->setVisible(static_cast<bool>(openOverview));
    file_->workbookNameCheck();
    cond_->textMin->setText(QStringLiteral("60"));
    loadSettings(engine_.settings(), context_.folder, context_.messages, configurePortOf(context_.port));
    rs_->loadPropertySettings();
    WindowFields fields = readFields();
    applySettingsToWindow(engine_.settings(), fields);
    showFields(fields);
    showMainPanel();
    show();
}

void FormMain::setPanelMenusEnabled(bool enabled) {
    menuCond_->setEnabled(enabled);
    menuRs_->setEnabled(enabled);
    menuExt_->setEnabled(enabled);
}

void FormMain::showMainPanel() {
    file_->show();
    cond_->hide();
    rs_->hide();
    ext_->hide();
    setPanelMenusEnabled(true);
    file_->refreshConnectionPanel();
}

void FormMain::openCondPanel() {
    cond_->applyAlarmCheck();
    cond_->applyNormalCheck();
    setPanelMenusEnabled(false);
    file_->hide();
    cond_->show();
    rs_->hide();
    ext_->hide();
}

void FormMain::openRsPanel() {
    setPanelMenusEnabled(false);
    file_->hide();
    cond_->hide();
    rs_->show();
    ext_->hide();
}

void FormMain::openExtPanel() {
    ext_->load();
    setPanelMenusEnabled(false);
    file_->hide();
    cond_->hide();
    rs_->hide();
    ext_->show();
}

void FormMain::commandExtOk() {
    if (ext_->save()) showMainPanel();
}

void FormMain::commandCondOk() {
    collectConditionsPanel(readFields(), engine_.settings());
    showMainPanel();
}

void FormMain::commandCondNg() { showMainPanel(); }

void FormMain::commandRsOk() {
    if (rs_->apply()) showMainPanel();
}

void FormMain::commandRsNg() { showMainPanel(); }

void FormMain::commandStart() {
    collectFilePanel(readFields(), engine_.settings());
    commandCondOk();
    station_.startRun();
}

// The manual opens in the desktop's HTML viewer; when the file or a viewer
// is missing, a notice tells where the manual is, and the program goes on.
void FormMain::menuDoc() {
    const QString manual = manualFile.isEmpty() ? context_.folder.manual() : manualFile;
    if (QFileInfo::exists(manual) && openManual && openManual(manual)) return;
    context_.messages.info(QStringLiteral("ヘルプを表示できません。マニュアルは次の場所にあります：\n") + manual);
}

void FormMain::closeEvent(QCloseEvent* event) {
    unload();
    event->accept();
    if (onUnloaded) onUnloaded();
}

void FormMain::unload() {
    collectFilePanel(readFields(), engine_.settings());
    commandCondOk();
    saveSettings(engine_.settings(), portSlotOf(context_.port), context_.folder, context_.messages);
    // The spreadsheet is let go without saving or closing the workbook.
    releaseWorkbookConnection(engine_.workbook());
    engine_.closeOutputs();
}

void FormMain::openRunMonitor() {
    delete exe_.data();
    exe_ = new FormExe(station_, context_.messages, [this] { runMonitorClosed(); });
    exe_->move(frameGeometry().topLeft());
    hide();
    exe_->show();
    exe_->activateWindow();
}

void FormMain::runMonitorClosed() {
    exe_ = nullptr;  // the window deletes itself once its close is over
    show();
    activateWindow();
}

}  // namespace vel::ui
