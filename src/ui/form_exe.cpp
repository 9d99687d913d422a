#include "ui/form_exe.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include "settings/extension_settings.h"
#include "ui/field_events.h"
#include "ui/message_label.h"
#include "ui/monitor_view.h"
#include "ui/trend_picture.h"
#include "ui/trend_view.h"
#include "ui/twips.h"
#include "ui/widgets.h"

namespace vel::ui {
namespace {

const QPoint kTabTopLeft(px(120), px(960));
constexpr int kColumnTwips[kGridColumns] = {700, 1400, 1600, 600, 800, 1200, 1200, 1200};


void setTextColour(QWidget* w, const QColor& colour) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::WindowText, colour);
    w->setPalette(palette);
}

QLabel* placedLabel(QWidget* parent, const QString& text, const char* name, const QRect& rect) {
    QLabel* l = label(parent, text, name);
    l->setGeometry(rect);
    return l;
}

QPlainTextEdit* pane(QWidget* parent, const char* name) {
    auto* p = new QPlainTextEdit(parent);
    p->setObjectName(QString::fromLatin1(name));
    p->setReadOnly(true);
    p->setLineWrapMode(QPlainTextEdit::NoWrap);
    p->move(4, 4);
    return p;
}

QString savedAt(const ProgramFolder& folder, const char* file) {
    return QStringLiteral("保存先=") + folder.logFile(QString::fromLatin1(file));
}

}  // namespace

FormExe::FormExe(Station& station, MessageBox& messages, std::function<void()> onClosed, QWidget* parent)
    : QWidget(parent),
      station_(station),
      messages_(messages),
      opening_(station.opening()),
      onClosed_(std::move(onClosed)),
      design_(exeDesign()) {
    setObjectName(QStringLiteral("FormExe"));
    setWindowTitle(QStringLiteral("Velloran （通信処理）"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildTopLine();
    buildTabs();
    termView_ = std::make_unique<PaneView>(txtTerm_);
    logView_ = std::make_unique<PaneView>(txtLog_);

    // The state of a freshly loaded window.
    commandClose_->hide();
    commandRsEnd_->show();
    commandNext_->hide();
    labelSetumei_->hide();
    checkRsLog_->setChecked(opening_.rsLogEnabled);
    checkAlarmLog_->setChecked(opening_.alarmLogEnabled);
    showLogSwitches();
    setDetail(false);
    refresh();

    trendOutput_.unitOf = [this](int index) { return itemUnit(opening_.extensions, index); };
    station_.watchValues([this](const ValueSeen& v) { trendOutput_.take(v.index, v.itemNumber, v.item, v.at); });
    trendSubscribed_ = true;
    refreshTimer_.setSingleShot(true);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] {
        refresh();
        sinceRefresh_.start();
    });
    station_.view().monitorChanged = [this](const RunMonitorModel&) { refreshAtMostEveryTick(); };
    station_.setMonitorWanted(true);
}

FormExe::~FormExe() { stopTrend(); }

// The trend, the reports and a pending redraw stop with the window's close: a
// closed window is deleted later, when the station it was opened on may be gone.
void FormExe::stopTrend() {
    refreshTimer_.stop();
    if (!trendSubscribed_) return;
    station_.watchValues({});
    station_.view().monitorChanged = nullptr;
    station_.setMonitorWanted(false);
    trendSubscribed_ = false;
}

void FormExe::buildTopLine() {
    const QRect lampRect(6, 6, 48, 48);
    QLabel* ring = placedLabel(this, QStringLiteral("○"), "Label4", lampRect);
    labelLamp_ = placedLabel(this, QStringLiteral("●"), "LabelLamp", lampRect);
    for (QLabel* l : {ring, labelLamp_}) l->setAlignment(Qt::AlignCenter);
    QFont ringFont = ring->font();
    ringFont.setPixelSize(40);
    ring->setFont(ringFont);
    QFont lampFont = labelLamp_->font();
    lampFont.setPixelSize(24);
    labelLamp_->setFont(lampFont);

    placedLabel(this, QStringLiteral("ﾒｯｾｰｼﾞ："), "Label1", QRect(60, 20, 60, 20));
    // The longest messages (the PAU prompt, the end-of-run texts) take a
    // second line: the line is as high as the top row, centred on its caption.
    labelMess_ = new MessageLabel(this);
    labelMess_->setObjectName(QStringLiteral("LabelMess"));
    labelMess_->setGeometry(120, 4, 254, 52);
    labelMess_->setWordWrap(true);  // its own painting breaks the lines between phrases
    labelMess_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTextColour(labelMess_, Qt::blue);
    commandNext_ = button(this, "CommandNext", QStringLiteral("次へ"));
    commandRsEnd_ = button(this, "CommandRsEnd", QStringLiteral("終了"));
    commandClose_ = button(this, "CommandClose", QStringLiteral("戻る"));
    commandNext_->setGeometry(378, 16, 60, 28);
    commandRsEnd_->setGeometry(444, 16, 60, 28);
    commandClose_->setGeometry(444, 16, 60, 28);
    checkLog_ = checkBox(this, "CheckLog", QString());
    checkLog_->setGeometry(524, 20, 20, 20);
    placedLabel(this, QStringLiteral("詳細"), "Label2", QRect(546, 20, 60, 20));

    connect(commandNext_, &QPushButton::clicked, this, [this] { commandNext(); });
    FieldEvents::watch(commandNext_, {}, [this] { commandNext(); });
    connect(commandRsEnd_, &QPushButton::clicked, this, [this] { commandRsEnd(); });
    connect(commandClose_, &QPushButton::clicked, this, [this] { commandClose(); });
    connect(checkLog_, &QCheckBox::toggled, this, [this](bool on) { setDetail(on); });
}

void FormExe::buildTabs() {
    tab_ = new QTabWidget(this);
    tab_->setObjectName(QStringLiteral("SSTab1"));
    tab_->move(kTabTopLeft);
    tab_->addTab(buildDataTab(), QStringLiteral("データモニター"));
    tab_->addTab(buildTermTab(), QStringLiteral("通信ログ"));
    tab_->addTab(buildAlarmTab(), QStringLiteral("アラームログ"));
    trendView_ = new TrendView(trendStore_, messages_, station_.folder().root);
    trendView_->station = [this] { return pictureStation(opening_.extensions.uplinkStation, station_.folder().root); };
    tab_->addTab(trendView_, QStringLiteral("トレンド"));
}

QWidget* FormExe::buildDataTab() {
    auto* page = new QWidget;
    placedLabel(page, QStringLiteral("N ="), "Label3", QRect(8, 6, 30, 18));
    labelNsu_ = placedLabel(page, QString(), "LabelNsu", QRect(40, 6, 120, 18));
    grid_ = new QTableWidget(0, kGridColumns, page);
    grid_->setObjectName(QStringLiteral("MSFlexData"));
    grid_->move(4, 28);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(20);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    for (int c = 0; c < kGridColumns; ++c) grid_->setColumnWidth(c, px(kColumnTwips[c]));
    labelDataLogFile_ = label(page, savedAt(station_.folder(), "DataLog.log"), "LabelDataLogFile");
    return page;
}

QWidget* FormExe::buildTermTab() {
    auto* page = new QWidget;
    txtTerm_ = pane(page, "txtTerm");
    labelSetumei_ = label(page, QStringLiteral("●：送信 ○：受信"), "LabelSetumei");
    checkRsLog_ = checkBox(page, "CheckRsLog", QStringLiteral("通信ﾛｸﾞ保存"));
    labelRsLogFile_ = label(page, savedAt(station_.folder(), "RsLog.log"), "LabelRsLogFile");
    labelErrorMess_ = label(page, QString(), "LabelErrorMess");
    setTextColour(labelErrorMess_, Qt::red);
    connect(checkRsLog_, &QCheckBox::toggled, this, [this] { logSwitchesChanged(); });
    return page;
}

QWidget* FormExe::buildAlarmTab() {
    auto* page = new QWidget;
    txtLog_ = pane(page, "txtLog");
    checkAlarmLog_ = checkBox(page, "CheckAlarmLog", QStringLiteral("ｱﾗｰﾑﾛｸﾞ保存"));
    labelAlarmLogFile_ = label(page, savedAt(station_.folder(), "AlarmLog.log"), "LabelAlarmLogFile");
    connect(checkAlarmLog_, &QCheckBox::toggled, this, [this] { logSwitchesChanged(); });
    return page;
}

void FormExe::logSwitchesChanged() {
    station_.setLogSwitches(checkRsLog_->isChecked(), checkAlarmLog_->isChecked());
    showLogSwitches();
}

void FormExe::showLogSwitches() {
    labelRsLogFile_->setVisible(checkRsLog_->isChecked());
    labelAlarmLogFile_->setVisible(checkAlarmLog_->isChecked());
}

void FormExe::applyLayout(const ExeLayout& layout) {
    tab_->resize(layout.tab);
    grid_->resize(layout.grid);
    txtTerm_->resize(layout.pane);
    txtLog_->resize(layout.pane);
    // The lines under the grid and the panes move down with them.
    const int width = layout.pane.width();
    labelDataLogFile_->setGeometry(4, 28 + layout.grid.height() + 4, layout.grid.width(), 18);
    const int below = 4 + layout.pane.height() + 4;
    labelSetumei_->setGeometry(4, below, 200, 18);
    checkRsLog_->setGeometry(4, below + 20, 116, 20);
    labelRsLogFile_->setGeometry(124, below + 20, width - 120, 20);
    labelErrorMess_->setGeometry(4, below + 44, width, 18);
    checkAlarmLog_->setGeometry(4, below, 116, 20);
    labelAlarmLogFile_->setGeometry(124, below, width - 120, 20);
}

bool FormExe::detail() const { return checkLog_->isChecked(); }

void FormExe::setDetail(bool on) {
    if (checkLog_->isChecked() != on) {
        checkLog_->setChecked(on);  // comes back here through the box's signal
        return;
    }
    labelSetumei_->setVisible(on);
    const ExeLayout layout = exeLayout(design_, on, on ? design_.detailMin : design_.compact);
    if (on) {
        setMinimumSize(design_.detailMin);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(design_.compact);
    }
    resize(layout.window);
    applyLayout(layout);
}

void FormExe::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const ExeLayout layout = exeLayout(design_, detail(), event->size());
    applyLayout(layout);
    if (layout.window != event->size()) resize(layout.window);
}

// While the loop runs tick after tick at once, the window is redrawn at the
// usual tick rate, not after every step; a run that is over is shown at once.
void FormExe::refreshAtMostEveryTick() {
    if (station_.running() && sinceRefresh_.isValid() && sinceRefresh_.elapsed() < kUsualTickMs) {
        if (!refreshTimer_.isActive()) refreshTimer_.start(kUsualTickMs);
        return;
    }
    refresh();
    sinceRefresh_.start();
}

void FormExe::refresh() {
    const RunMonitorModel& m = station_.monitor();
    if (m.lampColour != lampShown_) {
        setTextColour(labelLamp_, colourOf(m.lampColour));
        lampShown_ = m.lampColour;
    }
    if (labelMess_->text() != m.labelMess) labelMess_->setText(m.labelMess);
    if (labelErrorMess_->text() != m.labelErrorMess) labelErrorMess_->setText(m.labelErrorMess);
    if (labelNsu_->text() != m.recordCounterText()) labelNsu_->setText(m.recordCounterText());
    commandNext_->setVisible(m.nextVisible);
    commandRsEnd_->setVisible(m.rsEndVisible);
    commandClose_->setVisible(m.closeVisible);
    showGrid(grid_, m);
    widenColumnsToContent(grid_);
    termView_->show(m.txtTerm);
    logView_->show(m.txtLog);
    if (m.focus != focusShown_) {
        focusShown_ = m.focus;
        QPushButton* target = m.focus == MonitorFocus::Close   ? commandClose_
                              : m.focus == MonitorFocus::Next  ? commandNext_
                              : m.focus == MonitorFocus::RsEnd ? commandRsEnd_
                                                               : nullptr;
        if (target) target->setFocus();
    }
}

void FormExe::commandNext() { station_.continueAfterPause(); }

// The stop question is asked here, by the window; the station only hears the
// answer, so its run never waits on a person.
void FormExe::commandRsEnd() {
    if (!station_.running()) return;
    if (!messages_.ask(kStopQuestion)) return;
    station_.stop();
}

void FormExe::commandClose() { close(); }

// During a run the window stays: only a run that is over can be left.
void FormExe::closeEvent(QCloseEvent* event) {
    if (!station_.monitor().closeVisible) {
        event->ignore();
        return;
    }
    event->accept();
    stopTrend();
    if (onClosed_) onClosed_();
}

}  // namespace vel::ui
