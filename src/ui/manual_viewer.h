#pragma once
// Opening the manual in the desktop's HTML viewer. A desktop without a
// browser accepts the request and shows nothing, so the viewer is looked for
// first; when there is none the program tells where the manual is instead.
#include <QString>

namespace vel::ui {

// Whether a program that shows HTML files is installed: the desktop's
// handler for text/html, $BROWSER, or Debian's x-www-browser.
bool htmlViewerAvailable();

// Opens the file in that viewer; false when there is none or it refused.
bool openInHtmlViewer(const QString& file);

}  // namespace vel::ui
