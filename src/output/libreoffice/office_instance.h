#pragma once
// One running office instance of the program and the connection to it: the
// UNO bridge, the call watchdog that bounds every call, and the lock that
// lets one call at a time through. A LibreOfficeWorkbook of its own has an
// instance to itself; the workbooks of an office session share one, so that
// the stations of the process open their workbooks in the same office and
// their calls never interleave on the bridge.
#include <QString>
#include <QStringList>
#include <mutex>
#include <optional>

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "output/call_watchdog.h"
#include "output/libreoffice/office_link.h"
#include "output/workbook_backend.h"

namespace vel {

struct OfficeInstance {
    explicit OfficeInstance(const OfficeOptions& o) : options(o) {}

    OfficeOptions options;
    // Held for every call into the office, and while the fields below change.
    std::mutex calls;
    OfficeLink link;
    // Declared after the link it cuts, so that it stops first.
    CallWatchdog watchdog{[this] { link.cut(); }};
    css::uno::Reference<css::uno::XComponentContext> local;
    qint64 launcher = 0;
    QString pipe;
    // Session workbooks that hold the instance (created the application and
    // have not released it yet).
    int holders = 0;
    // The workbook files the session workbooks have open: a second station
    // naming the same file would get a copy in the same office, and the
    // later save of either would overwrite the other's rows.
    QStringList stationFiles;

    QString program() const;
    // The instance's desktop; a connection cut meanwhile is a DisposedException.
    css::uno::Reference<css::frame::XDesktop2> desktop() const;
    // Starts a new instance on the first free profile and connects to it,
    // within the start bound; on failure, why, in `failure`. With `calls` held.
    bool start(QString& failure);
    // Whether the connected instance still answers, within the call bound.
    // With `calls` held.
    bool answers();
    // Drops the connection; an instance without any document is ended first
    // (it would only linger unseen). With `calls` held.
    void drop();

private:
    bool ensureLocalContext(QString& failure);
    bool tryConnect(const QString& name);
    std::optional<QString> freeProfile();
};

}  // namespace vel
