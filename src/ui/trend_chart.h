#pragma once
// The trend tab's chart: for each item shown its line (broken where text
// values came), its MAX/MIN limits and numeric alarm thresholds as dashed
// lines in its colour, and its values in alarm as red points, over local
// time. The series are kept and refilled, so a redraw costs only the points
// of the shown stretch.
#include <QColor>
#include <QList>
#include <QPointF>
#include <optional>
#include <utility>
#include <vector>

#include "trend/trend_store.h"

class QChart;
class QDateTimeAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

namespace vel::ui {

// The colour of the n-th item's line; never the alarm red.
QColor trendColour(std::size_t n);

// Entries an item's line is drawn from: one for two pixels of the chart.
inline constexpr std::size_t kDrawnEntries = 300;
// Alarm markers an item shows at most over the shown stretch.
inline constexpr int kDrawnAlarms = 20;

// The points of one item's line in [fromMs, toMs]: each bucket its least and
// greatest value, split into runs at the gaps. Also widens lo/hi to the values.
std::vector<QList<QPointF>> trendRuns(const trend::Series& series, qint64 fromMs, qint64 toMs, double& lo,
                                      double& hi, QList<QPointF>* alarms);

class TrendChart {
public:
    explicit TrendChart(QChart* chart);

    // Draws the items whose `shown` entry is true over [fromMs, toMs]; the
    // value axis fits the drawn values unless `fixedY` gives its range.
    void draw(const trend::Store& store, const std::vector<bool>& shown, qint64 fromMs, qint64 toMs,
              std::optional<std::pair<double, double>> fixedY);

    QChart* chart() const { return chart_; }
    std::pair<double, double> yRange() const;
    // What the last draw put on the chart (for the tests and the benchmark).
    int linePoints() const { return linePoints_; }
    int alarmPoints() const { return alarmPoints_; }
    int limitLines() const { return limitLines_; }

private:
    struct ItemSeries {
        std::vector<QLineSeries*> runs;
        QScatterSeries* alarms = nullptr;
        std::vector<QLineSeries*> limits;
    };
    ItemSeries& itemSeries(std::size_t n);
    QLineSeries* addLine(const QColor& colour, Qt::PenStyle style);

    QChart* chart_;
    QDateTimeAxis* x_;
    QValueAxis* y_;
    std::vector<ItemSeries> items_;
    int linePoints_ = 0;
    int alarmPoints_ = 0;
    int limitLines_ = 0;
};

}  // namespace vel::ui
