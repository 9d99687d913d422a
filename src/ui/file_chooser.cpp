#include "ui/file_chooser.h"

#include <QDir>
#include <QDateTime>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QSplitter>
#include <QTreeView>
#include <algorithm>

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

QString JapaneseFileTypes::type(const QFileInfo& info) const {
    if (info.isDir()) return QStringLiteral("フォルダー");
    const QString suffix = info.suffix();
    return suffix.isEmpty() ? QStringLiteral("ファイル") : suffix.toUpper() + QStringLiteral(" ファイル");
}

FileDialog::FileDialog(QWidget* owner, const QString& title, QFileDialog::AcceptMode mode, const FileRequest& request)
    : QFileDialog(owner, title) {
    setOption(QFileDialog::DontUseNativeDialog);  // the columns below are this dialog's own
    setIconProvider(&types_);
    setViewMode(QFileDialog::Detail);
    setFileMode(QFileDialog::AnyFile);
    setAcceptMode(mode);
    setNameFilter(dialogFilter(request.filter));
    QString suffix = request.defaultSuffix;
    if (suffix.startsWith(QStringLiteral("*."))) suffix = suffix.mid(2);
    setDefaultSuffix(suffix);
    // A folder kept from a Windows installation may not exist here: the
    // dialog then starts in its own default folder.
    if (QDir(request.folder).exists()) setDirectory(request.folder);
    if (!request.fileName.isEmpty()) selectFile(request.fileName);

    // The columns as wide as their longest usual texts, the name column the rest.
    auto* tree = findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!tree) return;
    const QFontMetrics metrics(tree->font());
    const int pad = 3 * metrics.averageCharWidth();
    const QString date = QLocale().toString(QDateTime(QDate(2026, 12, 31), QTime(23, 59)), QLocale::ShortFormat);
    const int widths[] = {metrics.horizontalAdvance(QStringLiteral("1023.9 KiB")) + pad,
                          metrics.horizontalAdvance(QStringLiteral("XLSX ファイル")) + pad,
                          metrics.horizontalAdvance(date) + pad};
    int columns = 0;
    for (int k = 0; k < 3; ++k) {
        tree->header()->resizeSection(k + 1, widths[k]);
        columns += widths[k];
    }
    constexpr int kNameWidth = 300;
    // The places on the left wide enough for their names ("コンピューター").
    constexpr int kSideWidth = 150;
    tree->header()->resizeSection(0, kNameWidth);
    const int total = kSideWidth + kNameWidth + columns + 60;
    if (auto* splitter = findChild<QSplitter*>(QStringLiteral("splitter")))
        splitter->setSizes({kSideWidth, total - kSideWidth});
    resize(std::max(width(), total), std::max(height(), 460));
}

QString chooseFileWithDialog(QWidget* owner, const FileRequest& request) {
    FileDialog dialog(owner, QString(), QFileDialog::AcceptOpen, request);
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
