#include "output/libreoffice/libreoffice_workbook.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QUrl>

#include <chrono>
#include <exception>

#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>

#include "output/libreoffice/calc_access.h"
#include "output/libreoffice/office_instance.h"
#include "output/libreoffice/uno_text.h"
#include "output/office_process.h"
#include "output/sheet_values.h"
#include "output/workbook_format.h"

namespace vel {

using css::uno::Reference;

namespace {

// Why an office call failed, for QT_LOGGING_RULES="velloran.office.debug=true".
Q_LOGGING_CATEGORY(officeLog, "velloran.office", QtWarningMsg)

// One name for every way of naming the same file (relative, through links).
QString sameFileName(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

QString fileUrl(const QString& path) {
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
}

}  // namespace

struct LibreOfficeWorkbook::Impl {
    Impl(std::shared_ptr<OfficeInstance> o, bool s) : office(std::move(o)), shared(s) {}

    std::shared_ptr<OfficeInstance> office;
    // A workbook of a session acts on the document it opened only, so that
    // the stations sharing the office each keep their own workbook and
    // active cell; a workbook with an office of its own follows whichever
    // document the user made active there.
    const bool shared;
    bool holding = false;  // counted in the session instance's holders
    Reference<css::frame::XModel> opened;  // the workbook the program opened
    std::optional<calc::CalcView> view;    // the active document's view, kept
    Reference<css::lang::XComponent> viewOwner;  // the current document it was kept for
    QString failure;  // why the last failed call failed
    QString openedFile;  // in a session: the file of `opened`, as listed in stationFiles

    const OfficeOptions& options() const { return office->options; }

    // Runs one office operation within a time bound, as the only call into
    // the office at that moment: any UNO or library exception is a failure;
    // a lost connection is dropped for good.
    template <typename Body>
    bool attempt(int limitMs, Body&& body) {
        std::lock_guard lock(office->calls);
        return attemptHeld(limitMs, body);
    }
    // The same with the instance's lock already held.
    template <typename Body>
    bool attemptHeld(int limitMs, Body&& body) {
        if (!office->link.isOpen()) {
            failure = QStringLiteral("オフィスとの接続がありません");
            return false;
        }
        ArmedCall armed(office->watchdog, std::chrono::milliseconds(limitMs));
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
        attempt(options().callTimeoutMs, [&] { result = body(); });
        return result;
    }

    Reference<css::frame::XDesktop2> desktop() const { return office->desktop(); }

    // The document the operations act on: the own one in a session, else the
    // active spreadsheet document of the instance or, without one, the one
    // the program opened; empty when there is none.
    Reference<css::frame::XModel> activeModel() {
        if (shared) return opened;
        Reference<css::frame::XModel> current = calc::spreadsheetModel(desktop()->getCurrentComponent());
        return current.is() ? current : opened;
    }

    // The view of the active document. Resolving it takes several calls
    // through the bridge, so it is kept while the instance reports the same
    // current document (in a session: for good); a kept view that has gone
    // stale (its window was closed) is resolved anew once.
    const calc::CalcView& activeView() {
        const Reference<css::lang::XComponent> current =
            shared ? Reference<css::lang::XComponent>(opened, css::uno::UNO_QUERY) : desktop()->getCurrentComponent();
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
    // With the instance's lock held.
    void forgetDocument() {
        view.reset();
        viewOwner.clear();
        opened.clear();
        if (!openedFile.isEmpty()) office->stationFiles.removeOne(openedFile);
        openedFile.clear();
    }

    // Where there is no window to act on: the workbook, or without one the
    // instance, must still answer.
    void ping(const Reference<css::frame::XModel>& model) {
        if (model.is())
            model->getURL();
        else
            desktop()->getFrames();
    }

    // A new application: an own office is ended or released and started
    // anew; a session's office is shared, so it is only started when it is
    // not running yet or no longer answers.
    bool create() {
        std::lock_guard lock(office->calls);
        if (!shared) {
            dropHeld();
            return office->start(failure);
        }
        forgetDocument();
        if (!holding) {
            holding = true;
            ++office->holders;
        }
        if (office->answers()) return true;
        office->link.cut();
        return office->start(failure);
    }

    // Drops the program's hold, with the instance's lock held. The own
    // office goes as OfficeInstance::drop says; a session's office only when
    // its last holder lets go, so the other stations keep their workbooks.
    void dropHeld() {
        forgetDocument();
        if (!shared) {
            office->drop();
            return;
        }
        if (!holding) return;
        holding = false;
        if (--office->holders == 0) office->drop();
    }
};

LibreOfficeWorkbook::LibreOfficeWorkbook(const OfficeOptions& options)
    : impl_(std::make_unique<Impl>(std::make_shared<OfficeInstance>(options), false)) {}

LibreOfficeWorkbook::LibreOfficeWorkbook(std::shared_ptr<OfficeInstance> session)
    : impl_(std::make_unique<Impl>(std::move(session), true)) {}

LibreOfficeWorkbook::~LibreOfficeWorkbook() { release(); }

QString LibreOfficeWorkbook::failure() const { return impl_->failure; }

bool LibreOfficeWorkbook::createApplication() { return impl_->create(); }

bool LibreOfficeWorkbook::openWorkbook(const QString& path) {
    Impl& d = *impl_;
    return d.attempt(d.options().openTimeoutMs, [&] {
        const QString file = sameFileName(path);
        if (d.shared && file != d.openedFile && d.office->stationFiles.contains(file))
            throw css::uno::RuntimeException(toOUString(QStringLiteral("このワークブックは別のステーションが開いています")));
        // Without windows the document must be loaded hidden: the office
        // cannot give it a visible window.
        const Reference<css::lang::XComponent> document =
            calc::loadDocument(d.desktop(), fileUrl(path), d.options().headless);
        const Reference<css::frame::XModel> model = calc::spreadsheetModel(document);
        if (!model.is()) {
            // Opened as something else than a spreadsheet: not a workbook.
            if (document.is()) calc::closeDocument(document);
            throw css::uno::RuntimeException("not a workbook");
        }
        d.forgetDocument();
        d.opened = model;
        if (d.shared) {
            d.openedFile = file;
            d.office->stationFiles.append(file);
        }
    });
}

bool LibreOfficeWorkbook::setVisible(bool visible) {
    Impl& d = *impl_;
    return d.attempt(d.options().callTimeoutMs, [&] {
        const Reference<css::frame::XModel> model = d.activeModel();
        if (model.is() && !d.options().headless)
            calc::setWindowVisible(model, visible);
        else
            d.ping(model);
    });
}

bool LibreOfficeWorkbook::setWindowNormal() {
    Impl& d = *impl_;
    return d.attempt(d.options().callTimeoutMs, [&] {
        const Reference<css::frame::XModel> model = d.activeModel();
        if (model.is() && !d.options().headless)
            calc::restoreWindow(model);
        else
            d.ping(model);
    });
}

bool LibreOfficeWorkbook::selectRange(const QString& address) {
    Impl& d = *impl_;
    return d.attempt(d.options().callTimeoutMs, [&] {
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
    return d.attempt(d.options().callTimeoutMs, [&] {
        const Impl::Active at = d.active();
        calc::select(at.view, css::uno::Any(calc::cellAt(at.sheet, row, column)));
    });
}

bool LibreOfficeWorkbook::setCellText(int32_t row, int32_t column, const QString& text) {
    Impl& d = *impl_;
    return d.attempt(d.options().callTimeoutMs, [&] {
        calc::setCellText(calc::cellAt(d.active().sheet, row, column), text);
    });
}

bool LibreOfficeWorkbook::setCellDateTime(int32_t row, int32_t column, const QDateTime& value) {
    Impl& d = *impl_;
    if (!value.isValid()) return false;
    return d.attempt(d.options().callTimeoutMs, [&] {
        const Impl::Active at = d.active();
        calc::setCellDateTime(at.view.model, calc::cellAt(at.sheet, row, column), value);
    });
}

bool LibreOfficeWorkbook::setCellFontColourIndex(int32_t row, int32_t column, int colourIndex) {
    Impl& d = *impl_;
    const auto rgb = colourOfIndex(colourIndex);
    if (!rgb) return false;
    return d.attempt(d.options().callTimeoutMs, [&] {
        calc::setCellFontColour(calc::cellAt(d.active().sheet, row, column), *rgb);
    });
}

bool LibreOfficeWorkbook::saveActiveWorkbook() {
    Impl& d = *impl_;
    return d.attempt(d.options().openTimeoutMs, [&] {
        Reference<css::frame::XStorable>(d.active().view.model, css::uno::UNO_QUERY_THROW)->store();
    });
}

bool LibreOfficeWorkbook::quit() {
    Impl& d = *impl_;
    std::lock_guard lock(d.office->calls);
    if (!d.office->link.isOpen()) return false;
    // In a session only this station's workbook closes; the office ends
    // when its last holder lets it go (release).
    if (d.shared) {
        const bool closed = d.attemptHeld(d.options().callTimeoutMs, [&] {
            if (d.opened.is()) calc::closeDocument(Reference<css::lang::XComponent>(d.opened, css::uno::UNO_QUERY));
        });
        if (closed) d.forgetDocument();
        return closed;
    }
    const qint64 launcher = d.office->launcher;
    bool accepted = false;
    const bool answered = d.attemptHeld(d.options().callTimeoutMs, [&] { accepted = d.desktop()->terminate(); });
    // The office may end before its answer comes back: then it has quit too.
    if (answered && !accepted) return false;
    const bool ended = launcher > 0 && waitProcessEnd(launcher, d.options().callTimeoutMs);
    if (answered || ended) {
        d.office->link.cut();
        d.dropHeld();
    }
    return accepted || ended;
}

void LibreOfficeWorkbook::release() {
    std::lock_guard lock(impl_->office->calls);
    impl_->dropHeld();
}

bool LibreOfficeWorkbook::createWorkbookFile(const QString& path) {
    Impl& d = *impl_;
    return d.attempt(d.options().openTimeoutMs, [&] {
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

qint64 LibreOfficeWorkbook::officeProcessId() const {
    std::lock_guard lock(impl_->office->calls);
    return impl_->office->launcher;
}

QString LibreOfficeWorkbook::pipeName() const {
    std::lock_guard lock(impl_->office->calls);
    return impl_->office->pipe;
}

}  // namespace vel
