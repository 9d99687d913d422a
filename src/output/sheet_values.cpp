#include "output/sheet_values.h"

#include <array>

#include "output/workbook_cursor.h"
#include "text/vb.h"

namespace vel {
namespace {

QDate zeroDate() { return QDate(1899, 12, 30); }

}  // namespace

std::optional<double> cellNumber(const QString& text) {
    if (!vb::isNumeric(text)) return std::nullopt;
    return vb::toDouble(text);
}

double dateTimeSerial(const QDateTime& when) {
    const double days = static_cast<double>(zeroDate().daysTo(when.date()));
    const double seconds = static_cast<double>(when.time().msecsSinceStartOfDay()) / 1000.0;
    return days + seconds / 86400.0;
}

bool isTimeOfDay(const QDateTime& when) { return when.date() == zeroDate(); }

std::optional<uint32_t> colourOfIndex(int colourIndex) {
    static const std::array<uint32_t, 8> palette = {
        0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    };
    if (colourIndex < 1 || colourIndex > static_cast<int>(palette.size())) return std::nullopt;
    return palette[static_cast<size_t>(colourIndex - 1)];
}

QString absoluteCellAddress(int32_t row, int32_t column) {
    if (row < 1 || column < 1) return {};
    return QLatin1Char('$') + columnLetters(column) + QLatin1Char('$') + QString::number(row);
}

}  // namespace vel
