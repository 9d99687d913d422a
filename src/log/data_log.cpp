#include "log/data_log.h"

#include <cmath>

#include "base/append_file.h"
#include "log/log_rotation.h"
#include "text/cp932.h"
#include "text/vb.h"

namespace vel {
namespace {

QString quoted(const QString& text) { return QStringLiteral("\"") + text + QStringLiteral("\""); }

// The number as bare text that reads back as the same number: the general
// number format when it does, otherwise the shortest round-trip digits.
QString bareNumber(double value) {
    const QString general = vb::generalNumber(value);
    if (vb::toDouble(general) == value) return general;
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

}  // namespace

QString dataLogField(const QString& cell, bool alwaysText) {
    if (!alwaysText && vb::isNumeric(cell)) {
        const double value = vb::toDouble(cell);
        if (std::isfinite(value)) return bareNumber(value);
    }
    return quoted(cell);
}

QString dataLogBlock(const QDateTime& runStart, const QDateTime& runEnd, const RunMonitorModel& monitor) {
    static const QString kCrLf = QStringLiteral("\r\n");
    const QString period = vb::formatDate(runStart, vb::DateFormat::LongDateTime) + QStringLiteral(" ～ ") +
                           vb::formatDate(runEnd, vb::DateFormat::LongDateTime);
    QString block = quoted(QStringLiteral("取得時間")) + QStringLiteral(",") + quoted(period) + kCrLf;
    for (const GridRow& row : monitor.grid) {
        for (int column = 0; column < kGridColumns; ++column) {
            if (column > 0) block += QLatin1Char(',');
            block += dataLogField(row.cells[column], column == 1);
        }
        block += kCrLf;
    }
    block += kCrLf;
    return block;
}

bool dataLogWrite(const ProgramFolder& folder, const QDateTime& runStart, const QDateTime& runEnd,
                  const RunMonitorModel& monitor) {
    if (monitor.recordCount() < 1) return false;
    const QString path = folder.logFile(QStringLiteral("DataLog.log"));
    // A data log past the limit is rotated before the block, never within it.
    rotateLog(path);
    AppendFile file;
    if (!file.open(path)) return false;
    const bool written = file.write(cp932::encode(dataLogBlock(runStart, runEnd, monitor)));
    return file.close() && written;
}

}  // namespace vel
