#pragma once
// The trend tab's saved picture: a heading with the station, the date and
// the shown stretch, the chart, and a legend naming each item shown with its
// unit, so the file says on its own what it shows.
#include <QColor>
#include <QImage>
#include <QString>
#include <vector>

#include "trend/trend_store.h"

namespace vel::ui {

struct LegendEntry {
    QString name;
    QString unit;
    QColor colour;
};

// The items drawn (their `shown` entry true), in the chart's colours.
std::vector<LegendEntry> trendLegend(const trend::Store& store, const std::vector<bool>& shown);

// An item as the legend and the tab's list name it: "温度 [℃]", or the name alone.
QString itemWithUnit(const QString& name, const QString& unit);

// A stretch of time in words: "45 秒", "10 分", "1 時間 30 分", "7 日".
QString spanText(qint64 ms);

// The station the picture names: the uplink's station when one is set,
// otherwise the host and the program folder's name.
QString pictureStation(const QString& uplinkStation, const QString& programFolder);

// "局 A-1　2026/12/09 16:50:44 ～ 16:51:44（1 分）"
QString pictureHeading(const QString& station, qint64 fromMs, qint64 toMs);

QImage trendPicture(const QImage& chart, const QString& heading, const std::vector<LegendEntry>& legend);

}  // namespace vel::ui
