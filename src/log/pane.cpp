#include "log/pane.h"

namespace vel {

void paneAppend(QString& pane, QString text, const std::function<void(const QString&)>& cleaned) {
    if (pane.size() > kPaneLimit) pane.remove(0, kPaneDrop);
    const qsizetype n = pane.size();

    // The insertion point is at the end with nothing selected; a leading
    // backspace selects the pane's last character so the new text replaces it.
    qsizetype selStart = n;
    qsizetype selLength = 0;
    const QChar backspace(8);
    for (qsizetype p = text.indexOf(backspace); p >= 0; p = text.indexOf(backspace)) {
        if (p == 0) {
            if (n > 0) {
                selStart = n - 1;
                selLength = 1;
            }
            text.remove(0, 1);
        } else {
            text.remove(p - 1, 2);
        }
    }
    text.remove(QChar(10));
    text.remove(QChar(13));

    if (cleaned) cleaned(text);

    text += QStringLiteral("\r\n");
    pane.replace(selStart, selLength, text);
}

}  // namespace vel
