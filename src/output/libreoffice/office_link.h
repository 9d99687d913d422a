#pragma once
// The program's connection to its office instance: a UNO bridge over the
// instance's local pipe, and the instance's desktop reached through it.
// cut() may be called from any thread (the call watchdog does): it disposes
// the bridge, and every call waiting on it or made later returns with a
// DisposedException.
#include <QString>
#include <mutex>

#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

namespace vel {

// The program's own UNO environment, which the bridge needs on this side:
// the type and service registries of the office installation in
// `officeProgramDir`. Throws a UNO exception when they cannot be loaded.
css::uno::Reference<css::uno::XComponentContext> makeLocalUnoContext(const QString& officeProgramDir);

class OfficeLink {
public:
    OfficeLink() = default;
    ~OfficeLink() { cut(); }
    OfficeLink(const OfficeLink&) = delete;
    OfficeLink& operator=(const OfficeLink&) = delete;

    // One attempt to reach an instance on the pipe: false when nobody accepts
    // there (yet). Any other failure throws a UNO exception.
    bool connect(const css::uno::Reference<css::uno::XComponentContext>& local, const QString& pipeName);

    bool isOpen() const;
    // The instance's desktop; empty before connect.
    css::uno::Reference<css::frame::XDesktop2> desktop() const;
    void cut();

private:
    mutable std::mutex mutex_;
    css::uno::Reference<css::bridge::XBridge> bridge_;
    css::uno::Reference<css::frame::XDesktop2> desktop_;
};

}  // namespace vel
