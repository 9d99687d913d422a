#pragma once
// The run monitor "Velloran （通信処理）": the lamp, the message line, the
// 次へ / 終了 / 戻る buttons, the detail switch and the four tabs (values,
// communication log, alarm log, trend). The trend is filled from the record
// stream from the run's first value while the window is open. It shows the
// run monitor model the station reports and tells the station the buttons;
// it keeps nothing the run needs.
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "base/message_box.h"
#include "engine/engine.h"
#include "station/station.h"
#include "trend/trend_output.h"
#include "ui/exe_layout.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace vel::ui {

class PaneView;
class TrendView;

class FormExe : public QWidget {
public:
    // `onClosed` runs when the window closes after the run is over (the main
    // window comes back).
    // `messages` asks the stop question.
    FormExe(Station& station, MessageBox& messages, std::function<void()> onClosed, QWidget* parent = nullptr);
    ~FormExe() override;

    // Shows the model in the widgets.
    void refresh();

    // The buttons.
    void commandNext();
    void commandRsEnd();
    void commandClose();

    // The detail view on or off (CheckLog).
    void setDetail(bool detail);
    bool detail() const;

    TrendView* trendView() const { return trendView_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildTopLine();
    void buildTabs();
    QWidget* buildDataTab();
    QWidget* buildTermTab();
    QWidget* buildAlarmTab();
    void applyLayout(const ExeLayout& layout);
    void showLogSwitches();
    void logSwitchesChanged();
    void stopTrend();

    Station& station_;
    MessageBox& messages_;
    RunOpening opening_;  // the run's settings the window shows
    std::function<void()> onClosed_;
    ExeDesign design_;
    trend::Store trendStore_;
    trend::TrendOutput trendOutput_{trendStore_};
    bool trendSubscribed_ = false;
    void refreshAtMostEveryTick();

    QTimer refreshTimer_;  // the redraw held back while ticks come at once
    QLabel* labelLamp_;
    QLabel* labelMess_;
    QPushButton* commandNext_;
    QPushButton* commandRsEnd_;
    QPushButton* commandClose_;
    QCheckBox* checkLog_;
    QTabWidget* tab_;
    QLabel* labelNsu_;
    QTableWidget* grid_;
    QLabel* labelDataLogFile_;
    QPlainTextEdit* txtTerm_;
    QLabel* labelSetumei_;
    QCheckBox* checkRsLog_;
    QLabel* labelRsLogFile_;
    QLabel* labelErrorMess_;
    QPlainTextEdit* txtLog_;
    QCheckBox* checkAlarmLog_;
    QLabel* labelAlarmLogFile_;
    std::unique_ptr<PaneView> termView_;
    std::unique_ptr<PaneView> logView_;
    TrendView* trendView_ = nullptr;
    MonitorFocus focusShown_ = MonitorFocus::None;
    int lampShown_ = -1;
    QElapsedTimer sinceRefresh_;
};

}  // namespace vel::ui
