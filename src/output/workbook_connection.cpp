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

bool finishWriter(WorkbookConnection& conn, std::chrono::milliseconds limit) {
    if (!conn.writer) return true;
    if (conn.writer->finish(limit)) {
        conn.writer = nullptr;
        conn.writerOverran = false;
        return true;
    }
    conn.writer->abandon();
    conn.writerOverran = true;
    conn.workbookOpen = false;
    return false;
}

bool officeFree(WorkbookConnection& conn) {
    if (!conn.writer) return true;
    if (!conn.writerOverran || conn.writer->busy()) return false;
    conn.writer = nullptr;
    conn.writerOverran = false;
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
    if (conn.workbookOpen && officeFree(conn) && conn.app && conn.app->setVisible(true) && conn.app->setWindowNormal())
        return WorkbookOpenResult::Reshown;

    conn.workbookOpen = false;
    const bool free = officeFree(conn);
    const bool started = free && conn.app && conn.app->createApplication() && conn.app->openWorkbook(workbookPath) &&
                         conn.app->setVisible(true) && conn.app->setWindowNormal();
    if (started) {
        conn.workbookOpen = true;
        conn.openFailure.clear();
        return WorkbookOpenResult::Opened;
    }
    // Taken before the release, whose own calls may fail for other reasons;
    // the office is not asked while the last run's writer may be in a call.
    if (!free) conn.openFailure = QStringLiteral("前の実行の書き込みがまだ終わっていません");
    else conn.openFailure = conn.app ? conn.app->failure() : QString();
    if (conn.openFailure.isEmpty()) conn.openFailure = QStringLiteral("理由は不明です");
    if (free && conn.app) conn.app->release();
    messages.info(QStringLiteral("エクセルが起動できません！"));
    return WorkbookOpenResult::StartFailed;
}

void closeWorkbookConnection(WorkbookConnection& conn) {
    if (conn.app && officeFree(conn)) {
        // A workbook that could not be saved is not closed with the application,
        // so the user can still save it by hand.
        if (conn.app->saveActiveWorkbook()) conn.app->quit();
        conn.app->release();
    }
    conn.workbookOpen = false;
}

void releaseWorkbookConnection(WorkbookConnection& conn) {
    if (conn.app && officeFree(conn)) conn.app->release();
    conn.workbookOpen = false;
}

}  // namespace vel
