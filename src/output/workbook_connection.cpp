#include "output/workbook_connection.h"

#include <QFileInfo>

#include "output/workbook_writer.h"

namespace vel {

bool sendCells(WorkbookConnection& conn, CellBatch batch) {
    if (batch.empty()) return true;
    if (conn.writer) {
        conn.writer->post(std::move(batch));
        return true;
    }
    if (!conn.app) return false;
    for (const CellWrite& write : batch)
        if (!applyCellWrite(*conn.app, write)) return false;
    return true;
}

WorkbookOpenResult openWorkbookConnection(WorkbookConnection& conn, const QString& nameText,
                                          QString& workbookPath, MessageBox& messages,
                                          const std::function<bool(const QString&)>& fileExists) {
    if (nameText.isEmpty()) {
        messages.info(QStringLiteral("エクセルファイルを指定して下さい!"));
        return WorkbookOpenResult::NoName;
    }
    workbookPath = nameText;
    const bool exists = fileExists ? fileExists(workbookPath) : QFileInfo(workbookPath).isFile();
    if (!exists) {
        messages.info(workbookPath + QStringLiteral("が見つかりません！"));
        return WorkbookOpenResult::NotFound;
    }
    // An open connection is only shown again; if the application has gone
    // away, a new connection replaces the lost one.
    if (conn.workbookOpen && conn.app && conn.app->setVisible(true) && conn.app->setWindowNormal())
        return WorkbookOpenResult::Reshown;

    conn.workbookOpen = false;
    const bool started = conn.app && conn.app->createApplication() && conn.app->openWorkbook(workbookPath) &&
                         conn.app->setVisible(true) && conn.app->setWindowNormal();
    if (started) {
        conn.workbookOpen = true;
        conn.openFailure.clear();
        return WorkbookOpenResult::Opened;
    }
    // Taken before the release, whose own calls may fail for other reasons.
    conn.openFailure = conn.app ? conn.app->failure() : QString();
    if (conn.openFailure.isEmpty()) conn.openFailure = QStringLiteral("理由は不明です");
    if (conn.app) conn.app->release();
    messages.info(QStringLiteral("エクセルが起動できません！"));
    return WorkbookOpenResult::StartFailed;
}

void closeWorkbookConnection(WorkbookConnection& conn) {
    if (conn.app) {
        // A workbook that could not be saved is not closed with the application,
        // so the user can still save it by hand.
        if (conn.app->saveActiveWorkbook()) conn.app->quit();
        conn.app->release();
    }
    conn.workbookOpen = false;
}

}  // namespace vel
