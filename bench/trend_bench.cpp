// The trend tab's costs: the store's memory for a week at 10 records/s of 16
// items (simulated time), and one redraw of each span on an offscreen chart
// (series refilled, then the chart view painted), against the plain way of
// putting every value of the span into a QLineSeries.
//
//   trend_bench [DAYS] [ITEMS]     default 7 days, 16 items
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QElapsedTimer>
#include <QFile>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "trend/time_window.h"
#include "trend/trend_store.h"
#include "ui/trend_chart.h"

namespace {

constexpr qint64 kRecordMs = 100;  // 10 records a second
constexpr int kShown = 8;          // the items on at the start
constexpr int kRepeats = 5;
constexpr qint64 kPlainLimit = 3'000'000;  // points the plain way is tried with
const char* const kSpanNames[] = {"1 min", "10 min", "1 h", "8 h", "whole"};

long rssKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

double value(int item, qint64 i) {
    return 50 + 10 * item + 5 * std::sin(static_cast<double>(i) / (300 + item * 37)) + (i * 7919 + item) % 13 * 0.01;
}

double medianMs(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Refills and paints; the paint is where Qt Charts turns the points into lines.
template <typename Fill>
double timedRedraw(QChartView& view, Fill fill) {
    std::vector<double> times;
    std::vector<double> fills;
    for (int r = 0; r < kRepeats; ++r) {
        QElapsedTimer t;
        t.start();
        fill();
        const qint64 filled = t.nsecsElapsed();
        view.grab();
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        fills.push_back(static_cast<double>(filled) / 1e6);
    }
    std::printf("(series filled in %5.1f ms) ", medianMs(fills));
    return medianMs(times);
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int days = argc > 1 ? std::atoi(argv[1]) : 7;
    const int items = argc > 2 ? std::atoi(argv[2]) : 16;
    if (days <= 0 || items <= 0) {
        std::fprintf(stderr, "usage: trend_bench [DAYS] [ITEMS]\n");
        return 2;
    }

    // The store fed as the record stream would, one record every 100 ms.
    const long rssBefore = rssKiB();
    vel::trend::Store store;
    const qint64 t0 = QDateTime(QDate(2026, 12, 1), QTime(0, 0)).toMSecsSinceEpoch();
    const qint64 records = static_cast<qint64>(days) * 24 * 3600 * 1000 / kRecordMs;
    QElapsedTimer fill;
    fill.start();
    std::vector<QString> names;
    for (int n = 0; n < items; ++n) names.push_back(QStringLiteral("D%1").arg(n + 1, 3, 10, QChar(u'0')));
    // Two units, so the chart draws two value axes.
    for (int n = 0; n < items; ++n) store.setUnit(n, n % 2 == 0 ? QStringLiteral("V") : QStringLiteral("℃"));
    for (qint64 i = 0; i < records; ++i) {
        const qint64 ms = t0 + i * kRecordMs;
        for (int n = 0; n < items; ++n)
            store.add(n, n + 1, names[static_cast<std::size_t>(n)], ms, value(n, i), i % 5000 == 0);
    }
    const double fillS = static_cast<double>(fill.nsecsElapsed()) / 1e9;
    std::printf("store: %d days, %lld records x %d items in %.1f s (%.0f ns a value)\n", days,
                static_cast<long long>(records), items, fillS, fillS * 1e9 / static_cast<double>(records * items));
    std::printf("store: %.1f MB counted, resident memory grew by %.1f MB\n", store.bytes() / 1e6,
                (rssKiB() - rssBefore) / 1024.0);

    // One redraw of each span, following the newest value.
    QChartView view;
    auto* chart = new QChart;
    vel::ui::TrendChart trendChart(chart);
    view.setChart(chart);
    view.resize(600, 420);
    view.show();
    app.processEvents();
    std::vector<bool> shown(static_cast<std::size_t>(items), false);
    for (int n = 0; n < std::min(items, kShown); ++n) shown[static_cast<std::size_t>(n)] = true;
    std::printf("\n%-8s %12s %8s %14s\n", "span", "points", "alarms", "redraw ms");
    for (std::size_t k = 0; k < vel::trend::kSpansMs.size(); ++k) {
        vel::trend::TimeWindow w;
        vel::trend::follow(w, vel::trend::kSpansMs[k]);
        const auto [from, to] = vel::trend::shownRange(w, store.firstMs(), store.lastMs());
        const double ms = timedRedraw(view, [&] { trendChart.draw(store, shown, from, to, false); });
        std::printf("%-8s %12d %8d %14.2f\n", kSpanNames[k], trendChart.linePoints(), trendChart.alarmPoints(), ms);
    }

    // The plain way: every value of the span in one QLineSeries per item.
    QChartView plainView;
    auto* plainChart = new QChart;
    plainChart->legend()->hide();
    auto* x = new QDateTimeAxis;
    auto* y = new QValueAxis;
    plainChart->addAxis(x, Qt::AlignBottom);
    plainChart->addAxis(y, Qt::AlignLeft);
    std::vector<QLineSeries*> lines;
    for (int n = 0; n < std::min(items, kShown); ++n) {
        auto* line = new QLineSeries;
        plainChart->addSeries(line);
        line->attachAxis(x);
        line->attachAxis(y);
        lines.push_back(line);
    }
    plainView.setChart(plainChart);
    plainView.resize(600, 420);
    plainView.show();
    app.processEvents();
    std::printf("\nplain QLineSeries, every value (%d items shown)\n%-8s %12s %14s %12s\n", kShown, "span", "points",
                "redraw ms", "points MB");
    const qint64 end = t0 + (records - 1) * kRecordMs;
    for (std::size_t k = 0; k < vel::trend::kSpansMs.size(); ++k) {
        const qint64 span = vel::trend::kSpansMs[k] == 0 ? end - t0 : vel::trend::kSpansMs[k];
        const qint64 count = span / kRecordMs + 1;
        if (count * static_cast<qint64>(lines.size()) > kPlainLimit) {
            std::printf("%-8s %12lld %14s %12.1f\n", kSpanNames[k], static_cast<long long>(count * lines.size()),
                        "not run", static_cast<double>(count * lines.size() * sizeof(QPointF)) / 1e6);
            continue;
        }
        std::vector<QList<QPointF>> points(lines.size());
        for (std::size_t n = 0; n < lines.size(); ++n) {
            points[n].reserve(count);
            for (qint64 i = records - count; i < records; ++i)
                points[n].append(QPointF(static_cast<qreal>(t0 + i * kRecordMs), value(static_cast<int>(n), i)));
        }
        x->setRange(QDateTime::fromMSecsSinceEpoch(end - span), QDateTime::fromMSecsSinceEpoch(end));
        y->setRange(40, 130);
        const double ms = timedRedraw(plainView, [&] {
            for (std::size_t n = 0; n < lines.size(); ++n) lines[n]->replace(points[n]);
        });
        std::printf("%-8s %12lld %14.2f %12.1f\n", kSpanNames[k], static_cast<long long>(count * lines.size()), ms,
                    static_cast<double>(count * lines.size() * sizeof(QPointF)) / 1e6);
        for (QLineSeries* line : lines) line->clear();
    }
    return 0;
}
