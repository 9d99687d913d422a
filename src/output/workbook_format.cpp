#include "output/workbook_format.h"

namespace vel {

QString calcFilterFor(const QString& path) {
    const QString name = path.trimmed();
    if (name.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) return QStringLiteral("Calc MS Excel 2007 XML");
    if (name.endsWith(QLatin1String(".ods"), Qt::CaseInsensitive)) return QStringLiteral("calc8");
    return QStringLiteral("MS Excel 97");
}

}  // namespace vel
