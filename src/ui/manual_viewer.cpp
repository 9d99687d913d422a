#include "ui/manual_viewer.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace vel::ui {

bool htmlViewerAvailable() {
    const QString browser = qEnvironmentVariable("BROWSER").section(u':', 0, 0);
    if (!browser.isEmpty() && !QStandardPaths::findExecutable(browser).isEmpty()) return true;
    for (const char* name : {"x-www-browser", "firefox", "firefox-esr", "chromium", "epiphany-browser", "konqueror"})
        if (!QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty()) return true;
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty()) return false;
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(2000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

bool openInHtmlViewer(const QString& file) {
    return htmlViewerAvailable() && QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

}  // namespace vel::ui
