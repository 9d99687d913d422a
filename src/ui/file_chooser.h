#pragma once
// The file-open dialog of the main window's five file buttons. The dialog
// starts in the folder and with the file name that splitPath gives for the
// field's current text; a cancelled dialog gives an empty name, and the
// field keeps its text. Tests put their own chooser in its place.
#include <QFileDialog>
#include <QFileIconProvider>
#include <QString>
#include <functional>

class QWidget;

namespace vel::ui {

struct FileRequest {
    QString folder;         // where the dialog starts
    QString fileName;       // the name it proposes
    QString defaultSuffix;  // "*.txt"
    QString filter;         // "TXTﾌｧｲﾙ(*.txt)|*.txt"
};

// The chosen file's full path, or "" when the user cancelled.
using FileChooser = std::function<QString(QWidget* owner, const FileRequest& request)>;

// A "description|pattern" filter as the dialog shows it: "description (pattern)".
QString dialogFilter(const QString& filter);

// Names the type column's entries in Japanese ("フォルダー", "CSV ファイル"):
// Qt's own names there stay English whatever translation is installed.
class JapaneseFileTypes : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override;
};

// Qt's file dialog in detail view, its type column in Japanese and so wide
// that the size, type and date columns show whole.
class FileDialog : public QFileDialog {
public:
    FileDialog(QWidget* owner, const QString& title, QFileDialog::AcceptMode mode, const FileRequest& request);

private:
    JapaneseFileTypes types_;
};

// The file-open dialog; a name that does not exist yet may be chosen.
QString chooseFileWithDialog(QWidget* owner, const FileRequest& request);

// Splits the field's text, asks the chooser and puts a chosen path into the
// field. Returns whether the field changed.
bool chooseIntoField(const FileChooser& chooser, QWidget* owner, const QString& programFolder,
                     QString& fieldText, const QString& defaultSuffix, const QString& filter);

}  // namespace vel::ui
