// Cell writes per second through the bridge to a LibreOffice Calc started
// without windows: the single operations of a record and whole records as
// the evaluation writes them (record number, time stamp, ten values, two of
// them in alarm, then the cursor move).
#include <benchmark/benchmark.h>

#include <QDateTime>
#include <QTemporaryDir>

#include <cstdio>

#include "output/workbook_backend.h"

#ifdef VELLORAN_HAVE_LIBREOFFICE

#include "output/libreoffice/libreoffice_workbook.h"

namespace vel {
namespace {

constexpr int32_t kColumns = 10;

// Rows go down the sheet from iteration to iteration; a new benchmark
// starts below the previous one.
struct Cursor {
    int32_t row = 1;
    int32_t column = 1;
    void next() {
        if (++column > kColumns) {
            column = 1;
            ++row;
        }
    }
};

void cellWrites(benchmark::State& state, Workbook& book, Cursor& at, int kind) {
    const QDateTime stamp(QDate(2024, 5, 1), QTime(12, 0, 0));
    for (auto _ : state) {
        bool ok = false;
        switch (kind) {
        case 0: ok = book.setCellText(at.row, at.column, QStringLiteral("12.35")); break;
        case 1: ok = book.setCellText(at.row, at.column, QStringLiteral("E-ERR-1")); break;
        case 2: ok = book.setCellDateTime(at.row, at.column, stamp); break;
        default: ok = book.setCellFontColourIndex(at.row, at.column, kAlarmFontColourIndex); break;
        }
        if (!ok) {
            state.SkipWithError("the office refused a cell");
            break;
        }
        at.next();
    }
    state.SetItemsProcessed(state.iterations());
}

void records(benchmark::State& state, Workbook& book, Cursor& at) {
    const QDateTime stamp(QDate(2024, 5, 1), QTime(12, 0, 0));
    int64_t cells = 0;
    int32_t number = 0;
    for (auto _ : state) {
        const int32_t row = ++at.row;
        bool ok = book.setCellText(row, 1, QString::number(++number)) && book.setCellDateTime(row, 2, stamp);
        for (int32_t i = 0; ok && i < kColumns; ++i) {
            ok = book.setCellText(row, 3 + i, QString::number(20.0 + i * 0.25, 'f', 2));
            if (ok && (i == 3 || i == 7)) ok = book.setCellFontColourIndex(row, 3 + i, kAlarmFontColourIndex);
        }
        ok = ok && book.selectCell(row + 1, 1);
        if (!ok) {
            state.SkipWithError("the office refused a cell");
            break;
        }
        cells += 2 + kColumns;
    }
    state.SetItemsProcessed(cells);
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

int run(int argc, char** argv) {
    QTemporaryDir home;
    OfficeOptions options;
    options.profileRoot = home.path() + "/office-profile";
    options.headless = true;
    options.startTimeoutMs = 60000;
    LibreOfficeWorkbook book(options);
    const QString xls = home.path() + "/bench.xls";
    if (!book.createApplication() || !book.createWorkbookFile(xls) || !book.openWorkbook(xls)) {
        std::fprintf(stderr, "workbook_bench: LibreOffice could not be started\n");
        book.quit();
        return 1;
    }
    Cursor at;
    benchmark::RegisterBenchmark("cell/number", [&](benchmark::State& s) { cellWrites(s, book, at, 0); })->UseRealTime();
    benchmark::RegisterBenchmark("cell/text", [&](benchmark::State& s) { cellWrites(s, book, at, 1); })->UseRealTime();
    benchmark::RegisterBenchmark("cell/date_time", [&](benchmark::State& s) { cellWrites(s, book, at, 2); })->UseRealTime();
    benchmark::RegisterBenchmark("cell/alarm_colour", [&](benchmark::State& s) { cellWrites(s, book, at, 3); })->UseRealTime();
    benchmark::RegisterBenchmark("record/12_cells", [&](benchmark::State& s) { records(s, book, at); })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    book.quit();
    return 0;
}

}  // namespace
}  // namespace vel

int main(int argc, char** argv) { return vel::run(argc, argv); }

#else

int main() {
    std::fprintf(stderr, "workbook_bench: this build has no LibreOffice backend\n");
    return 0;
}

#endif
