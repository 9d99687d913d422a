#pragma once
// Where a channel's reply ends: the first character of the receive buffer
// whose code in the system code page is the end code.
#include <QString>

namespace vel {

// Index of the first end code in `buffer`, -1 when it holds none.
qsizetype endCodeAt(const QString& buffer, int endCode);

}  // namespace vel
