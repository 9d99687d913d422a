#include "app/cli_message_box.h"

#include <cstdio>

namespace vel {

void StderrMessageBox::info(const QString& text) {
    const QByteArray line = text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

bool StderrMessageBox::ask(const QString& text) {
    info(text + QStringLiteral(" (No)"));
    return false;
}

}  // namespace vel
