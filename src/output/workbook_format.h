#pragma once
// The file format a workbook is written in follows its name: .xlsx as Office
// Open XML, .ods as OpenDocument, anything else (.xls) as Excel 97, so a
// workbook saved by the office keeps the format its name promises.
#include <QString>

namespace vel {

// The office's export filter for a workbook file name.
QString calcFilterFor(const QString& path);

}  // namespace vel
