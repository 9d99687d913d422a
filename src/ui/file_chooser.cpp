#include "ui/file_chooser.h"

#include <QDir>
#include <QFileDialog>

#include "settings/split_path.h"

namespace vel::ui {

QString dialogFilter(const QString& filter) {
    const qsizetype bar = filter.indexOf(u'|');
    if (bar < 0) return filter;
    const QString description = filter.left(bar);
    const QString pattern = filter.mid(bar + 1);
    // A description that already names its pattern in brackets is shown as it is.
    if (description.contains(u'(') && description.contains(pattern)) return description;
    return description + QStringLiteral(" (") + pattern + u')';
}

QString chooseFileWithDialog(QWidget* owner, const FileRequest& request) {
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(dialogFilter(request.filter));
    QString suffix = request.defaultSuffix;
    if (suffix.startsWith(QStringLiteral("*."))) suffix = suffix.mid(2);
    dialog.setDefaultSuffix(suffix);
    // A folder kept from a Windows installation may not exist here: the
    // dialog then starts in its own default folder.
    if (QDir(request.folder).exists()) dialog.setDirectory(request.folder);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : QDir::toNativeSeparators(files.first());
}

bool chooseIntoField(const FileChooser& chooser, QWidget* owner, const QString& programFolder,
                     QString& fieldText, const QString& defaultSuffix, const QString& filter) {
    if (!chooser) return false;
    const DialogStart start = splitPath(fieldText, programFolder);
    const QString chosen = chooser(owner, FileRequest{start.dialogFolder, start.dialogFileName, defaultSuffix, filter});
    if (chosen.isEmpty()) return false;
    fieldText = chosen;
    return true;
}

}  // namespace vel::ui
