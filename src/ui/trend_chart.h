#pragma once
// The trend tab's chart: for each item shown its line (broken where text
// values came), its MAX/MIN limits and numeric alarm comparisons as dashed
// lines in its colour, named at their right end, and its values in alarm as
// red points, over local time. Items of one unit share a value axis, each
// unit its own (left, right, left, ...), titled with the unit, so a few volts
// and tens of degrees are both read at their own scale. The series are kept
// and refilled, so a redraw costs only the points of the shown stretch.
#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <utility>
#include <vector>

#include "trend/trend_store.h"

class QChart;
class QDateTimeAxis;
class QGraphicsSimpleTextItem;
class QLineSeries;
class QValueAxis;
class QXYSeries;

namespace vel::ui {

// The colour of the n-th item's line; never the alarm red.
QColor trendColour(std::size_t n);

// Entries an item's line is drawn from: one for two pixels of the chart.
inline constexpr std::size_t kDrawnEntries = 300;
// The shown stretch is cut into this many slots; the alarms of one slot are
// one marker that counts them, about one for ten pixels of the chart.
inline constexpr int kAlarmSlots = 60;

// A red point standing for `count` values in alarm (the number written beside
// it when more than one).
struct AlarmMark {
    QPointF at;
    int count = 1;
};

// The points of one item's line in [fromMs, toMs]: each bucket its least and
// greatest value, split into runs at the gaps. Also widens lo/hi to the values
// and gives the alarm markers of the stretch.
std::vector<QList<QPointF>> trendRuns(const trend::Series& series, qint64 fromMs, qint64 toMs, double& lo,
                                      double& hi, std::vector<AlarmMark>* alarms);

// How a value axis is titled: its unit, or "単位なし" for the items without one.
QString unitTitle(const QString& unit);

class TrendChart {
public:
    explicit TrendChart(QChart* chart);
    ~TrendChart();

    // Draws the items whose `shown` entry is true over [fromMs, toMs]; each
    // value axis fits the drawn values of its unit unless `keepValueAxes`.
    void draw(const trend::Store& store, const std::vector<bool>& shown, qint64 fromMs, qint64 toMs,
              bool keepValueAxes);

    QChart* chart() const { return chart_; }
    // What the last draw put on the chart (for the tests and the benchmark).
    int linePoints() const { return linePoints_; }
    int alarmPoints() const { return alarmPoints_; }  // markers
    int alarmsShown() const { return alarmsShown_; }  // values in alarm they stand for
    int limitLines() const { return limitLines_; }
    // The units of the value axes shown, in the order they were made.
    QStringList axisUnits() const;
    // The range of a unit's value axis; {0, 0} when it has none.
    std::pair<double, double> yRange(const QString& unit) const;
    // The texts written on the chart: the lines' names and the alarm counts.
    QStringList labels() const;

private:
    struct UnitAxis {
        QString unit;
        QValueAxis* axis;
        bool fitted = false;  // has had a range of its own values
    };
    struct ItemSeries {
        QValueAxis* axis = nullptr;
        std::vector<QLineSeries*> runs;
        QLineSeries* alarms = nullptr;
        std::vector<QLineSeries*> limits;
    };
    // A text at a value of a series: a line's name at the plot's right end,
    // or an alarm count beside its marker.
    struct Label {
        QXYSeries* series;
        QPointF value;
        bool atRightEnd;
    };
    QValueAxis* axisFor(const QString& unit);
    ItemSeries& itemSeries(std::size_t n, QValueAxis* axis);
    void attach(QXYSeries* series, QValueAxis* axis);
    QLineSeries* addLine(const QColor& colour, Qt::PenStyle style, QValueAxis* axis);
    void setLabel(std::size_t k, const QString& text, const QColor& colour, const Label& where);
    void placeLabels();

    QChart* chart_;
    QDateTimeAxis* x_;
    std::vector<UnitAxis> axes_;
    std::vector<ItemSeries> items_;
    std::vector<QGraphicsSimpleTextItem*> labelItems_;
    std::vector<Label> labels_;
    int linePoints_ = 0;
    int alarmPoints_ = 0;
    int alarmsShown_ = 0;
    int limitLines_ = 0;
};

}  // namespace vel::ui
