#include "ui/trend_chart.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <map>

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
                                      double& hi, std::vector<AlarmMark>* alarms) {
    std::vector<QList<QPointF>> runs;
    if (series.empty()) return runs;
    const std::size_t level = series.resolutionFor(fromMs, toMs);
    // Alarms closer than a slot are one marker that counts them: each marker
    // costs the chart far more than a point of a line, and two this close
    // would cover each other anyway. Zooming in parts them again.
    const double slot = static_cast<double>(std::max<qint64>(toMs - fromMs, 1)) / kAlarmSlots;
    qint64 markSlot = -1;
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
        if (b.ms < fromMs || b.ms > toMs) continue;
        lo = std::min(lo, b.min);
        hi = std::max(hi, b.max);
        if (!alarms || !b.hasAlarm()) continue;
        const auto s = static_cast<qint64>(std::floor(static_cast<double>(b.ms - fromMs) / slot));
        if (s == markSlot && !alarms->empty()) {
            alarms->back().at = QPointF(x, b.alarm);  // the newest alarm of the slot, like a bucket's
            alarms->back().count += static_cast<int>(std::max<quint32>(b.alarms, 1));
        } else {
            alarms->push_back(AlarmMark{QPointF(x, b.alarm), static_cast<int>(std::max<quint32>(b.alarms, 1))});
            markSlot = s;
        }
    }
    return runs;
}

QString unitTitle(const QString& unit) { return unit.isEmpty() ? QStringLiteral("単位なし") : unit; }

TrendChart::TrendChart(QChart* chart) : chart_(chart), x_(new QDateTimeAxis) {
    chart_->legend()->hide();  // the tab's own list names the items and switches them
    chart_->setMargins(QMargins(2, 2, 2, 2));
    chart_->setBackgroundRoundness(0);
    chart_->addAxis(x_, Qt::AlignBottom);
    x_->setFormat(QStringLiteral("HH:mm:ss"));
    x_->setTickCount(kTimeTicks);
    // The names and counts are placed anew whenever the plot moves or resizes.
    QObject::connect(chart_, &QChart::plotAreaChanged, chart_, [this] { placeLabels(); });
}

TrendChart::~TrendChart() { QObject::disconnect(chart_, &QChart::plotAreaChanged, chart_, nullptr); }

QValueAxis* TrendChart::axisFor(const QString& unit) {
    for (const UnitAxis& a : axes_)
        if (a.unit == unit) return a.axis;
    auto* axis = new QValueAxis;
    axis->setTickCount(6);
    axis->setLabelFormat(QStringLiteral("%.4g"));
    axis->setTitleText(unitTitle(unit));
    QFont font = axis->titleFont();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    font.setBold(false);
    axis->setTitleFont(font);
    // The first unit on the left, the second on the right, and so on.
    chart_->addAxis(axis, axes_.size() % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
    axes_.push_back({unit, axis, false});
    return axis;
}

void TrendChart::attach(QXYSeries* series, QValueAxis* axis) {
    for (QAbstractAxis* old : series->attachedAxes())
        if (old != x_ && old != axis) series->detachAxis(old);
    if (!series->attachedAxes().contains(x_)) series->attachAxis(x_);
    if (!series->attachedAxes().contains(axis)) series->attachAxis(axis);
}

QLineSeries* TrendChart::addLine(const QColor& colour, Qt::PenStyle style, QValueAxis* axis) {
    auto* line = new QLineSeries;
    line->setPen(linePen(colour, style));
    chart_->addSeries(line);
    attach(line, axis);
    return line;
}

TrendChart::ItemSeries& TrendChart::itemSeries(std::size_t n, QValueAxis* axis) {
    while (items_.size() <= n) {
        ItemSeries s;
        s.axis = axis;
        // The alarm points as a line series without a line, its points
        // painted from an image: a scatter series makes each point an object
        // of its own, and a week's hundreds of alarms then slow every redraw.
        s.alarms = new QLineSeries;
        s.alarms->setPen(Qt::NoPen);
        s.alarms->setMarkerSize(7);
        s.alarms->setLightMarker(alarmMarker());
        s.alarms->setPointsVisible(true);
        chart_->addSeries(s.alarms);
        attach(s.alarms, axis);
        items_.push_back(s);
    }
    ItemSeries& s = items_[n];
    if (s.axis != axis) {  // the item's unit changed: its series move to the other axis
        s.axis = axis;
        for (QLineSeries* line : s.runs) attach(line, axis);
        for (QLineSeries* line : s.limits) attach(line, axis);
        attach(s.alarms, axis);
    }
    return s;
}

namespace {

struct ItemPoints {
    std::vector<QList<QPointF>> runs;
    std::vector<AlarmMark> alarms;
};

struct Span {
    double lo = INFINITY;
    double hi = -INFINITY;
    int items = 0;
    std::size_t firstItem = 0;
};

ItemPoints itemPoints(const trend::Item& item, qint64 fromMs, qint64 toMs, Span& span) {
    ItemPoints p;
    p.runs = trendRuns(item.series, fromMs, toMs, span.lo, span.hi, &p.alarms);
    // The value axis takes in the alarm thresholds, so that the user sees how
    // far the values are from an alarm; MAX and MIN only when the values
    // come near them.
    if (!p.runs.empty())
        for (const trend::Level& level : item.limits.levels)
            if (level.threshold) {
                span.lo = std::min(span.lo, level.value);
                span.hi = std::max(span.hi, level.value);
            }
    return p;
}

void empty(QXYSeries* series) {
    if (series->count() > 0) series->replace(QList<QPointF>{});
}

}  // namespace

void TrendChart::draw(const trend::Store& store, const std::vector<bool>& shown, qint64 fromMs, qint64 toMs,
                      bool keepValueAxes) {
    linePoints_ = alarmPoints_ = alarmsShown_ = limitLines_ = 0;
    const auto& items = store.items();
    std::vector<ItemPoints> points(items.size());
    std::map<QString, Span> spans;  // by unit
    for (std::size_t n = 0; n < points.size(); ++n) {
        if (n >= shown.size() || !shown[n]) continue;
        Span& span = spans[items[n].unit];
        if (span.items++ == 0) {
            span.firstItem = n;
            axisFor(items[n].unit);  // axes made in the order of the items: the first unit on the left
        }
        points[n] = itemPoints(items[n], fromMs, toMs, span);
    }

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

    // One axis a unit of the items shown; the first of them draws the grid.
    bool grid = true;
    for (const auto& [unit, span] : spans) {
        QValueAxis* axis = axisFor(unit);
        UnitAxis& a = *std::find_if(axes_.begin(), axes_.end(), [&](const UnitAxis& u) { return u.axis == axis; });
        if (!keepValueAxes || !a.fitted)
            if (const auto fitted = trend::fittedRange(span.lo, span.hi)) {
                axis->setRange(fitted->first, fitted->second);
                axis->applyNiceNumbers();  // round tick values
                a.fitted = true;
            }
        // An axis of one item in that item's colour, so the eye finds its scale.
        const QColor ink = span.items == 1 ? trendColour(span.firstItem) : QColor(Qt::black);
        if (axis->labelsBrush().color() != ink) {
            axis->setLabelsBrush(ink);
            axis->setTitleBrush(ink);
        }
        axis->setGridLineVisible(grid);
        grid = false;
    }
    for (const UnitAxis& a : axes_) a.axis->setVisible(spans.count(a.unit) > 0);

    std::size_t label = 0;
    labels_.clear();
    for (std::size_t n = 0; n < points.size(); ++n) {
        const bool on = n < shown.size() && shown[n];
        if (!on && n >= items_.size()) continue;
        const ItemPoints& p = points[n];
        ItemSeries& s = itemSeries(n, on ? axisFor(items[n].unit) : (n < items_.size() ? items_[n].axis : nullptr));
        if (!on) continue;
        const QColor colour = trendColour(n);
        if (s.runs.size() < p.runs.size()) {
            while (s.runs.size() < p.runs.size()) s.runs.push_back(addLine(colour, Qt::SolidLine, s.axis));
            // The chart draws its series in the order they came: the alarm
            // points go on top of the item's new lines again.
            chart_->removeSeries(s.alarms);
            chart_->addSeries(s.alarms);
            attach(s.alarms, s.axis);
        }
        for (std::size_t r = 0; r < p.runs.size(); ++r) {
            s.runs[r]->replace(p.runs[r]);
            linePoints_ += static_cast<int>(p.runs[r].size());
        }
        if (!p.alarms.empty()) {
            QList<QPointF> marks;
            marks.reserve(static_cast<qsizetype>(p.alarms.size()));
            for (const AlarmMark& m : p.alarms) {
                marks.append(m.at);
                alarmsShown_ += m.count;
                if (m.count > 1)
                    setLabel(label++, QStringLiteral("×%1").arg(m.count), Qt::red, Label{s.alarms, m.at, false});
            }
            s.alarms->replace(marks);
        }
        alarmPoints_ += static_cast<int>(p.alarms.size());
        const auto& levels = items[n].limits.levels;
        while (s.limits.size() < levels.size()) s.limits.push_back(addLine(colour, Qt::DashLine, s.axis));
        for (std::size_t k = 0; k < levels.size(); ++k) {
            const Qt::PenStyle style = levels[k].threshold ? Qt::DashDotLine : Qt::DashLine;
            if (s.limits[k]->pen().style() != style) s.limits[k]->setPen(linePen(colour, style));
            const QPointF end(static_cast<qreal>(toMs), levels[k].value);
            s.limits[k]->replace(QList<QPointF>{{static_cast<qreal>(fromMs), levels[k].value}, end});
            setLabel(label++, levels[k].name, colour, Label{s.limits[k], end, true});
            ++limitLines_;
        }
    }
    for (std::size_t k = label; k < labelItems_.size(); ++k) labelItems_[k]->parentItem()->hide();
    placeLabels();
}

void TrendChart::setLabel(std::size_t k, const QString& text, const QColor& colour, const Label& where) {
    while (labelItems_.size() <= k) {
        // On a pale box of its own, so the lines it sits on do not strike it through.
        auto* box = new QGraphicsRectItem(chart_);
        box->setPen(Qt::NoPen);
        box->setBrush(QColor(255, 255, 255, 210));
        box->setZValue(10);  // above the series
        auto* text = new QGraphicsSimpleTextItem(box);
        QFont font = text->font();
        font.setPointSizeF(font.pointSizeF() * 0.85);
        text->setFont(font);
        text->setPos(1, 0);
        labelItems_.push_back(text);
    }
    QGraphicsSimpleTextItem* item = labelItems_[k];
    if (item->text() != text) {
        item->setText(text);
        static_cast<QGraphicsRectItem*>(item->parentItem())->setRect(item->boundingRect().adjusted(0, 0, 2, 0));
    }
    if (item->brush().color() != colour) item->setBrush(colour);
    labels_.push_back(where);
}

void TrendChart::placeLabels() {
    const QRectF plot = chart_->plotArea();
    for (std::size_t k = 0; k < labels_.size() && k < labelItems_.size(); ++k) {
        QGraphicsItem* box = labelItems_[k]->parentItem();
        const Label& l = labels_[k];
        const QPointF at = chart_->mapToPosition(l.value, l.series);
        const QRectF size = box->childrenBoundingRect();
        // A line's name just above its right end; a count up and right of its marker.
        const QPointF pos = l.atRightEnd ? QPointF(plot.right() - size.width() - 3, at.y() - size.height())
                                         : QPointF(at.x() + 4, at.y() - size.height());
        box->setPos(pos);
        box->setVisible(plot.contains(at.x() - (l.atRightEnd ? 1 : 0), at.y()));
    }
}

QStringList TrendChart::axisUnits() const {
    QStringList units;
    for (const UnitAxis& a : axes_)
        if (a.axis->isVisible()) units.append(a.unit);
    return units;
}

std::pair<double, double> TrendChart::yRange(const QString& unit) const {
    for (const UnitAxis& a : axes_)
        if (a.unit == unit) return {a.axis->min(), a.axis->max()};
    return {0, 0};
}

QStringList TrendChart::labels() const {
    QStringList texts;
    for (std::size_t k = 0; k < labels_.size() && k < labelItems_.size(); ++k) texts.append(labelItems_[k]->text());
    return texts;
}

}  // namespace vel::ui
