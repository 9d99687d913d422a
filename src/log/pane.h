#pragma once
// Appending a line to one of the run monitor's multi-line text panes
// (txtTerm, txtLog), which are held as plain text in the run monitor model.
#include <QString>

#include <functional>

namespace vel {

inline constexpr qsizetype kPaneLimit = 16000;  // a longer pane drops its oldest characters
inline constexpr qsizetype kPaneDrop = 4096;    // how many it drops at once

// Adds `text` as a new line at the end of `pane`:
//  - a pane longer than kPaneLimit characters first loses its first kPaneDrop;
//  - each backspace (8) in the text removes the character before it; a
//    backspace at the very start of the text removes the pane's last
//    character instead (several at the start still remove only one);
//  - line feeds and carriage returns are taken out of the text;
//  - `cleaned`, when given, receives the text at this point (the
//    communication log writes it to its file);
//  - the text is added with CR LF.
void paneAppend(QString& pane, QString text,
                const std::function<void(const QString&)>& cleaned = {});

}  // namespace vel
