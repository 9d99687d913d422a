#include "ui/trend_chart.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QScatterSeries>
#include <QValueAxis>
#include <cmath>

#include "trend/time_window.h"

namespace vel::ui {
namespace {

constexpr int kTimeTicks = 5;

QPen linePen(const QColor& colour, Qt::PenStyle style) {
    QPen pen(colour, style == Qt::SolidLine ? 2 : 1, style);
    pen.setCosmetic(true);
    return pen;
}

// A time axis label that suits the stretch shown: seconds for short ones,
// the date for those longer than a day.
QString timeFormat(qint64 widthMs) {
    if (widthMs <= 10 * 60'000) return QStringLiteral("HH:mm:ss");
    if (widthMs <= 24 * 3'600'000) return QStringLiteral("HH:mm");
    return QStringLiteral("MM/dd HH:mm");
}

QImage alarmMarker() {
    QImage dot(7, 7, QImage::Format_ARGB32_Premultiplied);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    painter.drawEllipse(QRectF(0.5, 0.5, 6, 6));
    return dot;
}

}  // namespace

QColor trendColour(std::size_t n) {
    static constexpr QRgb kColours[] = {0x1f77b4, 0x2ca02c, 0xff7f0e, 0x9467bd, 0x8c564b, 0x17becf,
                                        0xe377c2, 0x7f7f7f, 0xbcbd22, 0x393b79, 0x637939, 0x8c6d31};
    return QColor::fromRgb(kColours[n % std::size(kColours)]);
}

std::vector<QList<QPointF>> trendRuns(const trend::Series& series, qint64 fromMs, qint64 toMs, double& lo,
                                      double& hi, QList<QPointF>* alarms) {
    std::vector<QList<QPointF>> runs;
    if (series.empty()) return runs;
    const std::size_t level = series.resolutionFor(fromMs, toMs);
    bool open = false;
    for (const trend::Bucket& b : trend::merged(series.entries(level, fromMs, toMs), kDrawnEntries)) {
        if (b.gap()) {
            open = false;
            continue;
        }
        if (!open) runs.emplace_back();
        open = true;
        const auto x = static_cast<qreal>(b.ms);
        // Least and greatest in turns (min-max, max-min, ...): the line goes
        // up and down its buckets instead of crossing each one diagonally.
        const bool up = runs.back().size() % 2 == 0;
        runs.back().append(QPointF(x, up ? b.min : b.max));
        if (b.max != b.min) runs.back().append(QPointF(x, up ? b.max : b.min));
        if (b.ms >= fromMs && b.ms <= toMs) {
            lo = std::min(lo, b.min);
            hi = std::max(hi, b.max);
        }
        if (alarms && b.hasAlarm()) alarms->append(QPointF(x, b.alarm));
    }
    if (alarms && alarms->size() > static_cast<qsizetype>(kDrawnAlarms)) {
        // One marker a slot of the stretch: each marker costs the chart far
        // more than a point of a line; zooming in shows every alarm again.
        const double slot = static_cast<double>(std::max<qint64>(toMs - fromMs, 1)) / kDrawnAlarms;
        QList<QPointF> kept;
        double nextX = -INFINITY;
        for (const QPointF& p : std::as_const(*alarms)) {
            if (p.x() < nextX) continue;
            kept.append(p);
            nextX = fromMs + (std::floor((p.x() - fromMs) / slot) + 1) * slot;
        }
        *alarms = kept;
    }
    return runs;
}

TrendChart::TrendChart(QChart* chart) : chart_(chart), x_(new QDateTimeAxis), y_(new QValueAxis) {
    chart_->legend()->hide();  // the tab's own list names the items and switches them
    chart_->setMargins(QMargins(2, 2, 2, 2));
    chart_->setBackgroundRoundness(0);
    chart_->addAxis(x_, Qt::AlignBottom);
    chart_->addAxis(y_, Qt::AlignLeft);
    x_->setFormat(QStringLiteral("HH:mm:ss"));
    x_->setTickCount(kTimeTicks);
    y_->setTickCount(6);
    y_->setLabelFormat(QStringLiteral("%.4g"));
}

QLineSeries* TrendChart::addLine(const QColor& colour, Qt::PenStyle style) {
    auto* line = new QLineSeries;
    line->setPen(linePen(colour, style));
    chart_->addSeries(line);
    line->attachAxis(x_);
    line->attachAxis(y_);
    return line;
}

TrendChart::ItemSeries& TrendChart::itemSeries(std::size_t n) {
    while (items_.size() <= n) {
        ItemSeries s;
        s.alarms = new QScatterSeries;
        s.alarms->setColor(Qt::red);
        s.alarms->setBorderColor(Qt::red);
        s.alarms->setMarkerSize(7);
        // Painted straight from an image: an ordinary marker is an object of
        // its own and a long run's hundreds of alarm points slow every redraw.
        s.alarms->setLightMarker(alarmMarker());
        chart_->addSeries(s.alarms);
        s.alarms->attachAxis(x_);
        s.alarms->attachAxis(y_);
        items_.push_back(s);
    }
    return items_[n];
}

namespace {

struct ItemPoints {
    std::vector<QList<QPointF>> runs;
    QList<QPointF> alarms;
    std::vector<std::pair<double, Qt::PenStyle>> levels;
};

ItemPoints itemPoints(const trend::Item& item, qint64 fromMs, qint64 toMs, double& lo, double& hi) {
    ItemPoints p;
    p.runs = trendRuns(item.series, fromMs, toMs, lo, hi, &p.alarms);
    for (double v : item.limits.limits) p.levels.emplace_back(v, Qt::DashLine);
    // The value axis takes in the alarm thresholds, so that the user sees how
    // far the values are from an alarm; MAX and MIN only when the values
    // come near them.
    for (double v : item.limits.thresholds) {
        p.levels.emplace_back(v, Qt::DashDotLine);
        if (!p.runs.empty()) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    return p;
}

void empty(QXYSeries* series) {
    if (series->count() > 0) series->replace(QList<QPointF>{});
}

}  // namespace

void TrendChart::draw(const trend::Store& store, const std::vector<bool>& shown, qint64 fromMs, qint64 toMs,
                      std::optional<std::pair<double, double>> fixedY) {
    linePoints_ = alarmPoints_ = limitLines_ = 0;
    double lo = INFINITY;
    double hi = -INFINITY;
    std::vector<ItemPoints> points(store.items().size());
    for (std::size_t n = 0; n < points.size(); ++n)
        if (n < shown.size() && shown[n]) points[n] = itemPoints(store.items()[n], fromMs, toMs, lo, hi);

    // Every change of an axis makes each series compute its geometry anew:
    // the series are emptied first, so that happens once, with the new points.
    for (ItemSeries& s : items_) {
        for (QLineSeries* line : s.runs) empty(line);
        for (QLineSeries* line : s.limits) empty(line);
        empty(s.alarms);
    }
    x_->setFormat(timeFormat(toMs - fromMs));
    x_->setRange(QDateTime::fromMSecsSinceEpoch(fromMs), QDateTime::fromMSecsSinceEpoch(toMs));
    // A new time range alone leaves the time axis without labels and grid
    // lines in this Qt Charts; a change of the tick count lays them out again.
    x_->setTickCount(kTimeTicks + 1);
    x_->setTickCount(kTimeTicks);
    if (fixedY) {
        y_->setRange(fixedY->first, fixedY->second);
    } else if (const auto fitted = trend::fittedRange(lo, hi)) {
        y_->setRange(fitted->first, fitted->second);
        y_->applyNiceNumbers();  // round tick values
    }

    for (std::size_t n = 0; n < points.size(); ++n) {
        const ItemPoints& p = points[n];
        ItemSeries& s = itemSeries(n);
        const QColor colour = trendColour(n);
        if (s.runs.size() < p.runs.size()) {
            while (s.runs.size() < p.runs.size()) s.runs.push_back(addLine(colour, Qt::SolidLine));
            // The chart draws its series in the order they came: the alarm
            // points go on top of the item's new lines again.
            chart_->removeSeries(s.alarms);
            chart_->addSeries(s.alarms);
            s.alarms->attachAxis(x_);
            s.alarms->attachAxis(y_);
        }
        for (std::size_t r = 0; r < p.runs.size(); ++r) {
            s.runs[r]->replace(p.runs[r]);
            linePoints_ += static_cast<int>(p.runs[r].size());
        }
        if (!p.alarms.isEmpty()) s.alarms->replace(p.alarms);
        alarmPoints_ += static_cast<int>(p.alarms.size());
        while (s.limits.size() < p.levels.size()) s.limits.push_back(addLine(colour, Qt::DashLine));
        for (std::size_t k = 0; k < p.levels.size(); ++k) {
            const auto [value, style] = p.levels[k];
            if (s.limits[k]->pen().style() != style) s.limits[k]->setPen(linePen(colour, style));
            s.limits[k]->replace(QList<QPointF>{{static_cast<qreal>(fromMs), value}, {static_cast<qreal>(toMs), value}});
            ++limitLines_;
        }
    }
}

std::pair<double, double> TrendChart::yRange() const { return {y_->min(), y_->max()}; }

}  // namespace vel::ui
