#include "serial/end_code.h"

#include "text/cp932.h"

namespace vel {

qsizetype endCodeAt(const QString& buffer, int endCode) {
    for (qsizetype i = 0; i < buffer.size(); ++i)
        if (cp932::ansiCode(buffer[i]) == endCode) return i;
    return -1;
}

}  // namespace vel
