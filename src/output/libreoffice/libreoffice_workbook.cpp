#include "output/libreoffice/libreoffice_workbook.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QThread>
#include <QUrl>

#include <chrono>
#include <csignal>
#include <exception>

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>

#include "output/call_watchdog.h"
#include "output/libreoffice/calc_access.h"
#include "output/libreoffice/office_link.h"
#include "output/libreoffice/uno_text.h"
#include "output/office_process.h"
#include "output/office_profile.h"
#include "output/sheet_values.h"
#include "output/workbook_format.h"

#ifndef VELLORAN_OFFICE_PROGRAM_DIR
#define VELLORAN_OFFICE_PROGRAM_DIR "/usr/lib/libreoffice/program"
#endif

namespace vel {

using css::uno::Reference;

namespace {

// Why an office call failed, for QT_LOGGING_RULES="velloran.office.debug=true".
Q_LOGGING_CATEGORY(officeLog, "velloran.office", QtWarningMsg)

// Instances of the program's office that may run at once: a new start while
// an earlier instance still holds its profile (the user kept the workbook
// open after the program ended) takes the next profile folder.
constexpr int kProfileSlots = 8;
constexpr int kConnectPollMs = 100;

// A write to the pipe of an office that was killed must come back to the
// bridge as an error instead of ending the program with SIGPIPE.
void ignoreBrokenPipes() {
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) std::signal(SIGPIPE, SIG_IGN);
}

QString fileUrl(const QString& path) {
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
}

}  // namespace

struct LibreOfficeWorkbook::Impl {
    explicit Impl(const OfficeOptions& o) : options(o) {}

    OfficeOptions options;
    OfficeLink link;
    // Declared after the link it cuts, so that it stops first.
    CallWatchdog watchdog{[this] { link.cut(); }};
    Reference<css::uno::XComponentContext> local;
    Reference<css::frame::XModel> opened;  // the workbook the program opened
    std::optional<calc::CalcView> view;    // the active document's view, kept
    Reference<css::lang::XComponent> viewOwner;  // the current document it was kept for
    qint64 launcher = 0;
    QString pipe;
    QString failure;  // why the last failed call failed

    QString program() const {
        return options.program.isEmpty() ? QStringLiteral(VELLORAN_OFFICE_PROGRAM_DIR "/soffice") : options.program;
    }

    // Runs one office operation within a time bound: any UNO or library
    // exception is a failure; a lost connection is dropped for good.
    template <typename Body>
    bool attempt(int limitMs, Body&& body) {
        if (!link.isOpen()) {
            failure = QStringLiteral("オフィスとの接続がありません");
            return false;
        }
        ArmedCall armed(watchdog, std::chrono::milliseconds(limitMs));
        try {
            body();
            return true;
        } catch (const css::uno::Exception& e) {
            // A closed document, a refused cell or a lost connection alike;
            // after a lost connection every later call fails at once.
            failure = toQString(e.Message);
            qCDebug(officeLog) << "refused:" << failure;
        } catch (const std::exception& e) {
            failure = QString::fromLocal8Bit(e.what());
            qCDebug(officeLog) << "failed:" << failure;
        }
        return false;
    }
    template <typename T, typename Body>
    std::optional<T> fetch(Body&& body) {
        std::optional<T> result;
        attempt(options.callTimeoutMs, [&] { result = body(); });
        return result;
    }

    // The instance's desktop; a connection cut meanwhile is a failure.
    Reference<css::frame::XDesktop2> desktop() const {
        Reference<css::frame::XDesktop2> desk = link.desktop();
        if (!desk.is()) throw css::lang::DisposedException("the office connection is closed");
        return desk;
    }

    // The active spreadsheet document of the instance, else the one the
    // program opened; empty when there is neither.
    Reference<css::frame::XModel> activeModel() {
        Reference<css::frame::XModel> current = calc::spreadsheetModel(desktop()->getCurrentComponent());
        return current.is() ? current : opened;
    }

    // The view of the active document. Resolving it takes several calls
    // through the bridge, so it is kept while the instance reports the same
    // current document; a kept view that has gone stale (its window was
    // closed) is resolved anew once.
    const calc::CalcView& activeView() {
        const Reference<css::lang::XComponent> current = desktop()->getCurrentComponent();
        if (!view || current.get() != viewOwner.get()) {
            view.reset();
            Reference<css::frame::XModel> model = calc::spreadsheetModel(current);
            if (!model.is()) model = opened;
            if (!model.is()) throw css::uno::RuntimeException("no workbook is open");
            view = calc::calcView(model);
            viewOwner = current;
        }
        return *view;
    }
    // The active view with its active sheet.
    struct Active {
        calc::CalcView view;
        Reference<css::sheet::XSpreadsheet> sheet;
    };
    Active active() {
        try {
            const calc::CalcView& v = activeView();
            return Active{v, calc::activeSheet(v)};
        } catch (const css::uno::RuntimeException&) {
            view.reset();
            const calc::CalcView& v = activeView();
            return Active{v, calc::activeSheet(v)};
        }
    }
    void forgetView() {
        view.reset();
        viewOwner.clear();
    }

    // Where there is no window to act on: the workbook, or without one the
    // instance, must still answer.
    void ping(const Reference<css::frame::XModel>& model) {
        if (model.is())
            model->getURL();
        else
            desktop()->getFrames();
    }

    bool ensureLocalContext() {
        if (local.is()) return true;
        try {
            local = makeLocalUnoContext(QFileInfo(QStringLiteral(VELLORAN_OFFICE_PROGRAM_DIR)).absoluteFilePath());
        } catch (const css::uno::Exception& e) {
            failure = QStringLiteral("UNO を初期化できません: ") + toQString(e.Message);
        } catch (const std::exception& e) {
            failure = QStringLiteral("UNO を初期化できません: ") + QString::fromLocal8Bit(e.what());
        }
        return local.is();
    }

    // One bounded connection attempt to a pipe.
    bool tryConnect(const QString& name) {
        ArmedCall armed(watchdog, std::chrono::milliseconds(options.callTimeoutMs));
        try {
            return link.connect(local, name);
        } catch (const css::uno::Exception&) {
        } catch (const std::exception&) {
        }
        link.cut();
        return false;
    }

    // The first profile folder whose instance is not running.
    std::optional<QString> freeProfile() {
        for (int slot = 0; slot < kProfileSlots; ++slot) {
            const QString dir = options.profileRoot + QLatin1Char('/') + QString::number(slot);
            if (!tryConnect(officePipeName(dir))) return dir;
            link.cut();
        }
        return std::nullopt;
    }

    bool start() {
        failure.clear();
        ignoreBrokenPipes();
        if (!ensureLocalContext()) return false;
        const auto profile = freeProfile();
        if (!profile || !prepareOfficeProfile(*profile)) {
            failure = QStringLiteral("オフィスのプロファイルを用意できません");
            return false;
        }
        const OfficeStart how{program(), *profile, officePipeName(*profile), options.headless};
        const auto pid = startOffice(how);
        if (!pid) {
            failure = program() + QStringLiteral(" を起動できません");
            return false;
        }
        QElapsedTimer waited;
        waited.start();
        while (!tryConnect(how.pipeName)) {
            // An office that ends before it accepts will not accept.
            if (waited.elapsed() >= options.startTimeoutMs || !processRunning(*pid)) {
                failure = processRunning(*pid)
                              ? QStringLiteral("オフィスが %1 秒以内に接続を受け付けません").arg(options.startTimeoutMs / 1000)
                              : QStringLiteral("オフィスのプロセスが接続前に終了しました");
                killProcessTree(*pid);
                return false;
            }
            QThread::msleep(kConnectPollMs);
        }
        launcher = *pid;
        pipe = how.pipeName;
        return true;
    }

    // Drops the program's hold on the instance. An instance without any
    // document (a failed open, or the user closed the workbook) is of no use
    // to anyone and would only linger unseen, so it is ended first; one with
    // documents stays as the user sees it.
    void drop() {
        if (link.isOpen()) {
            attempt(options.callTimeoutMs, [&] {
                const Reference<css::frame::XDesktop2> desk = desktop();
                if (!desk->getComponents()->createEnumeration()->hasMoreElements()) desk->terminate();
            });
        }
        link.cut();
        forgetView();
        opened.clear();
        launcher = 0;
        pipe.clear();
    }
};

LibreOfficeWorkbook::LibreOfficeWorkbook(const OfficeOptions& options) : impl_(std::make_unique<Impl>(options)) {}

LibreOfficeWorkbook::~LibreOfficeWorkbook() { release(); }

QString LibreOfficeWorkbook::failure() const { return impl_->failure; }

bool LibreOfficeWorkbook::createApplication() {
    impl_->drop();
    return impl_->start();
}

bool LibreOfficeWorkbook::openWorkbook(const QString& path) {
    Impl& d = *impl_;
    return d.attempt(d.options.openTimeoutMs, [&] {
        // Without windows the document must be loaded hidden: the office
        // cannot give it a visible window.
        const Reference<css::lang::XComponent> document =
            calc::loadDocument(d.desktop(), fileUrl(path), d.options.headless);
        const Reference<css::frame::XModel> model = calc::spreadsheetModel(document);
        if (!model.is()) {
            // Opened as something else than a spreadsheet: not a workbook.
            if (document.is()) calc::closeDocument(document);
            throw css::uno::RuntimeException("not a workbook");
        }
        d.opened = model;
        d.forgetView();
    });
}

bool LibreOfficeWorkbook::setVisible(bool visible) {
    Impl& d = *impl_;
    return d.attempt(d.options.callTimeoutMs, [&] {
        const Reference<css::frame::XModel> model = d.activeModel();
        if (model.is() && !d.options.headless)
            calc::setWindowVisible(model, visible);
        else
            d.ping(model);
    });
}

bool LibreOfficeWorkbook::setWindowNormal() {
    Impl& d = *impl_;
    return d.attempt(d.options.callTimeoutMs, [&] {
        const Reference<css::frame::XModel> model = d.activeModel();
        if (model.is() && !d.options.headless)
            calc::restoreWindow(model);
        else
            d.ping(model);
    });
}

bool LibreOfficeWorkbook::selectRange(const QString& address) {
    Impl& d = *impl_;
    return d.attempt(d.options.callTimeoutMs, [&] {
        const Impl::Active at = d.active();
        calc::select(at.view, css::uno::Any(calc::rangeAt(at.sheet, address)));
    });
}

std::optional<QString> LibreOfficeWorkbook::activeCellAddress() {
    return impl_->fetch<QString>([&] {
        const calc::CellPosition at = calc::activeCell(impl_->active().view);
        return absoluteCellAddress(at.row, at.column);
    });
}

std::optional<int32_t> LibreOfficeWorkbook::activeCellColumn() {
    return impl_->fetch<int32_t>([&] { return calc::activeCell(impl_->active().view).column; });
}

std::optional<int32_t> LibreOfficeWorkbook::activeCellRow() {
    return impl_->fetch<int32_t>([&] { return calc::activeCell(impl_->active().view).row; });
}

bool LibreOfficeWorkbook::selectCell(int32_t row, int32_t column) {
    Impl& d = *impl_;
    return d.attempt(d.options.callTimeoutMs, [&] {
        const Impl::Active at = d.active();
        calc::select(at.view, css::uno::Any(calc::cellAt(at.sheet, row, column)));
    });
}

bool LibreOfficeWorkbook::setCellText(int32_t row, int32_t column, const QString& text) {
    Impl& d = *impl_;
    return d.attempt(d.options.callTimeoutMs, [&] {
        calc::setCellText(calc::cellAt(d.active().sheet, row, column), text);
    });
}

bool LibreOfficeWorkbook::setCellDateTime(int32_t row, int32_t column, const QDateTime& value) {
    Impl& d = *impl_;
    if (!value.isValid()) return false;
    return d.attempt(d.options.callTimeoutMs, [&] {
        const Impl::Active at = d.active();
        calc::setCellDateTime(at.view.model, calc::cellAt(at.sheet, row, column), value);
    });
}

bool LibreOfficeWorkbook::setCellFontColourIndex(int32_t row, int32_t column, int colourIndex) {
    Impl& d = *impl_;
    const auto rgb = colourOfIndex(colourIndex);
    if (!rgb) return false;
    return d.attempt(d.options.callTimeoutMs, [&] {
        calc::setCellFontColour(calc::cellAt(d.active().sheet, row, column), *rgb);
    });
}

bool LibreOfficeWorkbook::saveActiveWorkbook() {
    Impl& d = *impl_;
    return d.attempt(d.options.openTimeoutMs, [&] {
        Reference<css::frame::XStorable>(d.active().view.model, css::uno::UNO_QUERY_THROW)->store();
    });
}

bool LibreOfficeWorkbook::quit() {
    Impl& d = *impl_;
    if (!d.link.isOpen()) return false;
    const qint64 launcher = d.launcher;
    bool accepted = false;
    const bool answered = d.attempt(d.options.callTimeoutMs, [&] { accepted = d.desktop()->terminate(); });
    // The office may end before its answer comes back: then it has quit too.
    if (answered && !accepted) return false;
    const bool ended = launcher > 0 && waitProcessEnd(launcher, d.options.callTimeoutMs);
    if (answered || ended) {
        d.link.cut();
        d.drop();
    }
    return accepted || ended;
}

void LibreOfficeWorkbook::release() { impl_->drop(); }

bool LibreOfficeWorkbook::createWorkbookFile(const QString& path) {
    Impl& d = *impl_;
    return d.attempt(d.options.openTimeoutMs, [&] {
        const Reference<css::lang::XComponent> document =
            calc::loadDocument(d.desktop(), QStringLiteral("private:factory/scalc"), true);
        const Reference<css::frame::XModel> model = calc::spreadsheetModel(document);
        if (!model.is()) throw css::uno::RuntimeException("no new workbook");
        try {
            calc::storeWithFilter(model, fileUrl(path), calcFilterFor(path));
        } catch (...) {
            calc::closeDocument(document);
            throw;
        }
        calc::closeDocument(document);
    });
}

std::optional<OfficeCell> LibreOfficeWorkbook::readCell(int32_t row, int32_t column) {
    return impl_->fetch<OfficeCell>([&] {
        const Impl::Active at = impl_->active();
        return calc::readCell(at.view.model, calc::cellAt(at.sheet, row, column));
    });
}

qint64 LibreOfficeWorkbook::officeProcessId() const { return impl_->launcher; }

QString LibreOfficeWorkbook::pipeName() const { return impl_->pipe; }

}  // namespace vel
