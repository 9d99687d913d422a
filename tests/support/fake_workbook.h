#pragma once
// A spreadsheet that lives in memory: records every call, keeps the cells of
// one sheet and the active cell, and fails the operations a test names (or
// every call from the n-th one on, as when the user closes the application).
//
// A worker thread may make the calls while the test thread waits: the call
// record is kept under a lock, and a closed gate holds every call at its
// start until the test opens it again. The test reads the other fields only
// once the worker is done.
#include <QSet>
#include <QStringList>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <utility>

#include "output/workbook.h"

namespace vel::test {

class FakeWorkbook : public Workbook {
public:
    struct Cell {
        QString text;
        QDateTime dateTime;
        bool isDateTime = false;
        int fontColourIndex = 0;  // 0 = never set
    };

    QStringList calls;
    std::map<std::pair<int32_t, int32_t>, Cell> cells;
    int32_t activeRow = 1;
    int32_t activeColumn = 1;
    QString openedPath;
    bool applicationRunning = false;
    bool visible = false;
    bool windowNormal = false;
    int saves = 0;
    int quits = 0;
    int releases = 0;

    QSet<QString> failing;  // operation names, e.g. "setCellText"
    int failFromCall = -1;  // calls with this 0-based number and later fail; -1 = never

    // Holds the calls made from now on at their start (already recorded).
    void closeGate() {
        std::lock_guard lock(mutex_);
        gateClosed_ = true;
    }
    void openGate() {
        {
            std::lock_guard lock(mutex_);
            gateClosed_ = false;
        }
        gate_.notify_all();
    }
    // Waits until a call is held at the closed gate.
    bool waitUntilHeld(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return gate_.wait_for(lock, limit, [this] { return held_ > 0; });
    }
    // The calls so far, while another thread may still be calling.
    QStringList callsSoFar() const {
        std::lock_guard lock(mutex_);
        return calls;
    }

    QString text(int32_t row, int32_t column) const {
        const auto it = cells.find({row, column});
        return it == cells.end() ? QString() : it->second.text;
    }
    const Cell* cell(int32_t row, int32_t column) const {
        const auto it = cells.find({row, column});
        return it == cells.end() ? nullptr : &it->second;
    }
    // "$AB$10" style address of a cell.
    static QString address(int32_t row, int32_t column) {
        QString letters;
        for (int32_t c = column; c > 0; c = (c - 1) / 26) letters.prepend(QChar(u'A' + (c - 1) % 26));
        return "$" + letters + "$" + QString::number(row);
    }

    bool createApplication() override {
        if (!step("createApplication")) return false;
        applicationRunning = true;
        return true;
    }
    bool openWorkbook(const QString& path) override {
        if (!step("openWorkbook", path)) return false;
        openedPath = path;
        return true;
    }
    bool setVisible(bool v) override {
        if (!step("setVisible")) return false;
        visible = v;
        return true;
    }
    bool setWindowNormal() override {
        if (!step("setWindowNormal")) return false;
        windowNormal = true;
        return true;
    }
    bool selectRange(const QString& addr) override {
        if (!step("selectRange", addr)) return false;
        int i = 0;
        int32_t column = 0;
        while (i < addr.size() && addr[i] >= u'A' && addr[i] <= u'Z') column = column * 26 + (addr[i++].unicode() - u'A' + 1);
        bool ok = false;
        const int32_t row = addr.mid(i).toInt(&ok);
        if (column < 1 || !ok || row < 1) return false;
        activeRow = row;
        activeColumn = column;
        return true;
    }
    std::optional<QString> activeCellAddress() override {
        if (!step("activeCellAddress")) return std::nullopt;
        return address(activeRow, activeColumn);
    }
    std::optional<int32_t> activeCellColumn() override {
        if (!step("activeCellColumn")) return std::nullopt;
        return activeColumn;
    }
    std::optional<int32_t> activeCellRow() override {
        if (!step("activeCellRow")) return std::nullopt;
        return activeRow;
    }
    bool selectCell(int32_t row, int32_t column) override {
        if (!step("selectCell", address(row, column))) return false;
        activeRow = row;
        activeColumn = column;
        return true;
    }
    bool setCellText(int32_t row, int32_t column, const QString& t) override {
        if (!step("setCellText", address(row, column) + "=" + t)) return false;
        Cell& c = cells[{row, column}];
        c.text = t;
        c.isDateTime = false;
        return true;
    }
    bool setCellDateTime(int32_t row, int32_t column, const QDateTime& value) override {
        if (!step("setCellDateTime", address(row, column) + "=" + value.toString("yyyy/MM/dd HH:mm:ss"))) return false;
        Cell& c = cells[{row, column}];
        c.text = value.toString("yyyy/MM/dd HH:mm:ss");
        c.dateTime = value;
        c.isDateTime = true;
        return true;
    }
    bool setCellFontColourIndex(int32_t row, int32_t column, int colourIndex) override {
        if (!step("setCellFontColourIndex", address(row, column) + "=" + QString::number(colourIndex))) return false;
        cells[{row, column}].fontColourIndex = colourIndex;
        return true;
    }
    bool saveActiveWorkbook() override {
        if (!step("saveActiveWorkbook")) return false;
        ++saves;
        return true;
    }
    bool quit() override {
        if (!step("quit")) return false;
        applicationRunning = false;
        ++quits;
        return true;
    }
    void release() override {
        std::lock_guard lock(mutex_);
        calls.append("release");
        ++releases;
    }

private:
    // Records the call and holds it while the gate is closed; false when it
    // is to fail.
    bool step(const QString& name, const QString& detail = {}) {
        std::unique_lock lock(mutex_);
        const bool fails = failing.contains(name) || (failFromCall >= 0 && calls.size() >= failFromCall);
        calls.append(detail.isEmpty() ? name : name + " " + detail);
        if (gateClosed_) {
            ++held_;
            gate_.notify_all();
            gate_.wait(lock, [this] { return !gateClosed_; });
            --held_;
        }
        return !fails;
    }

    mutable std::mutex mutex_;
    std::condition_variable gate_;
    bool gateClosed_ = false;
    int held_ = 0;
};

}  // namespace vel::test
