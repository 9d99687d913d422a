#include "ui/trend_picture.h"

#include <QDateTime>
#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QSysInfo>

#include "ui/trend_chart.h"

namespace vel::ui {
namespace {

constexpr int kPad = 8;
constexpr int kSwatch = 22;  // the line drawn before an item's name

}  // namespace

std::vector<LegendEntry> trendLegend(const trend::Store& store, const std::vector<bool>& shown) {
    std::vector<LegendEntry> legend;
    for (std::size_t n = 0; n < store.items().size() && n < shown.size(); ++n)
        if (shown[n]) legend.push_back({store.items()[n].name, store.items()[n].unit, trendColour(n)});
    return legend;
}

QString itemWithUnit(const QString& name, const QString& unit) {
    return unit.isEmpty() ? name : name + QStringLiteral(" [") + unit + u']';
}

QString spanText(qint64 ms) {
    const qint64 s = (ms + 500) / 1000;
    if (s < 60) return QStringLiteral("%1 秒").arg(s);
    const qint64 days = s / 86400;
    const qint64 hours = s % 86400 / 3600;
    const qint64 minutes = s % 3600 / 60;
    QStringList parts;
    if (days > 0) parts << QStringLiteral("%1 日").arg(days);
    if (hours > 0) parts << QStringLiteral("%1 時間").arg(hours);
    if (minutes > 0 && days == 0) parts << QStringLiteral("%1 分").arg(minutes);
    return parts.join(u' ');
}

QString pictureStation(const QString& uplinkStation, const QString& programFolder) {
    if (!uplinkStation.trimmed().isEmpty()) return uplinkStation.trimmed();
    const QString folder = QDir(programFolder).dirName();
    return folder.isEmpty() ? QSysInfo::machineHostName() : QSysInfo::machineHostName() + QStringLiteral(" / ") + folder;
}

QString pictureHeading(const QString& station, qint64 fromMs, qint64 toMs) {
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(fromMs);
    const QDateTime to = QDateTime::fromMSecsSinceEpoch(toMs);
    const QString end = to.toString(from.date() == to.date() ? QStringLiteral("HH:mm:ss")
                                                             : QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    return QStringLiteral("局 %1　%2 ～ %3（%4）")
        .arg(station, from.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")), end, spanText(toMs - fromMs));
}

QImage trendPicture(const QImage& chart, const QString& heading, const std::vector<LegendEntry>& legend) {
    const QFont font = QGuiApplication::font();
    const QFontMetrics metrics(font);
    const int line = metrics.height() + 4;
    const int width = chart.width();

    // The legend flows in rows: each item a line of its colour and its name,
    // then what the red points and the dashed lines mean.
    struct Placed {
        QRect box;
        QString text;
        QColor colour;
        Qt::PenStyle style;
    };
    std::vector<Placed> placed;
    std::vector<std::tuple<QString, QColor, Qt::PenStyle>> entries;
    for (const LegendEntry& e : legend) entries.emplace_back(itemWithUnit(e.name, e.unit), e.colour, Qt::SolidLine);
    entries.emplace_back(QStringLiteral("アラーム値（×n: n 件）"), QColor(Qt::red), Qt::NoPen);
    entries.emplace_back(QStringLiteral("MAX / MIN"), QColor(Qt::darkGray), Qt::DashLine);
    entries.emplace_back(QStringLiteral("アラーム判定値"), QColor(Qt::darkGray), Qt::DashDotLine);
    int x = kPad;
    int y = 0;
    for (const auto& [text, colour, style] : entries) {
        const int w = kSwatch + 4 + metrics.horizontalAdvance(text) + 16;
        if (x > kPad && x + w > width - kPad) {
            x = kPad;
            y += line;
        }
        placed.push_back({QRect(x, y, w, line), text, colour, style});
        x += w;
    }
    const int legendHeight = y + line + kPad;

    QImage picture(width, line + kPad + chart.height() + legendHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(kPad, kPad / 2, width - 2 * kPad, line), Qt::AlignLeft | Qt::AlignVCenter, heading);
    const int chartTop = line + kPad;
    painter.drawImage(0, chartTop, chart);
    const int legendTop = chartTop + chart.height() + kPad / 2;
    for (const Placed& p : placed) {
        const QRect box = p.box.translated(0, legendTop);
        const int mid = box.center().y();
        if (p.style == Qt::NoPen) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(p.colour);
            painter.drawEllipse(QPointF(box.left() + kSwatch / 2.0, mid), 3.5, 3.5);
        } else {
            painter.setPen(QPen(p.colour, p.style == Qt::SolidLine ? 2 : 1, p.style));
            painter.drawLine(box.left(), mid, box.left() + kSwatch, mid);
        }
        painter.setPen(p.style == Qt::NoPen || p.style == Qt::SolidLine ? p.colour : QColor(Qt::black));
        painter.drawText(QRect(box.left() + kSwatch + 4, box.top(), box.width(), box.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, p.text);
    }
    return picture;
}

}  // namespace vel::ui
