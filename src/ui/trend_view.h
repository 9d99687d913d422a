#pragma once
// The run monitor's "トレンド" tab: the span buttons, the switch that keeps
// the value axes where they are, the picture button, the chart and the list of
// items with a check box each (the first eight on). The chart follows the
// newest value until the user zooms (wheel) or pans (drag); a double click
// or a span button makes it follow again. It is redrawn at most every
// kRedrawMs, and only when the store or the view changed, whatever the
// record rate.
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "base/message_box.h"
#include "trend/time_window.h"
#include "trend/trend_store.h"
#include "ui/file_chooser.h"

class QCheckBox;
class QChartView;
class QListWidget;
class QPushButton;

namespace vel::ui {

class TrendChart;

class TrendView : public QWidget {
public:
    static constexpr int kRedrawMs = 100;
    static constexpr int kShownAtStart = 8;

    TrendView(const trend::Store& store, MessageBox& messages, QString pictureFolder, QWidget* parent = nullptr);
    ~TrendView() override;

    // Redraws when the store or the view changed since the last draw.
    void redrawIfChanged();
    void redraw();

    void chooseSpan(std::size_t span);  // index into trend::kSpansMs
    void setYFixed(bool fixed);
    void zoomAt(double factor, qint64 anchorMs);
    void panBy(qint64 deltaMs);
    void followNewest();
    // Asks for a file name and saves the chart there as PNG.
    void savePicture();

    const trend::TimeWindow& window() const { return window_; }
    const TrendChart& chart() const { return *chart_; }
    QChartView* chartView() const { return view_; }
    int drawCount() const { return drawCount_; }

    FileChooser chooser;  // the save dialog; tests put their own in its place
    // The station the saved picture names (pictureStation).
    std::function<QString()> station;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildTopRow();
    void addNewItems();
    std::vector<bool> shownItems() const;

    const trend::Store& store_;
    MessageBox& messages_;
    QString pictureFolder_;
    trend::TimeWindow window_;
    QChartView* view_;
    std::unique_ptr<TrendChart> chart_;
    QListWidget* list_;
    QCheckBox* checkYFixed_;
    std::vector<QPushButton*> spanButtons_;
    QTimer timer_;
    std::uint64_t drawnRevision_ = ~std::uint64_t{0};
    bool stale_ = true;
    int drawCount_ = 0;
    qint64 drawnFromMs_ = 0;
    qint64 drawnToMs_ = 0;
};

}  // namespace vel::ui
