#include "output/libreoffice/office_link.h"

#include <QUrl>

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include "output/libreoffice/uno_text.h"

namespace vel {

using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

Reference<css::uno::XComponentContext> makeLocalUnoContext(const QString& officeProgramDir) {
    const QString dir = QUrl::fromLocalFile(officeProgramDir).toString(QUrl::FullyEncoded);
    // The registries are named directly, so nothing is read from the user's
    // own office profile or from the environment.
    rtl::Bootstrap::set("UNO_TYPES", toOUString(dir + "/types.rdb " + dir + "/types/offapi.rdb"));
    rtl::Bootstrap::set("UNO_SERVICES", toOUString(dir + "/services.rdb"));
    rtl::Bootstrap::set("URE_INTERNAL_LIB_DIR", toOUString(dir));
    rtl::Bootstrap::set("LO_LIB_DIR", toOUString(dir));
    return cppu::defaultBootstrap_InitialComponentContext();
}

bool OfficeLink::connect(const Reference<css::uno::XComponentContext>& local, const QString& pipeName) {
    cut();
    Reference<css::connection::XConnection> connection;
    try {
        connection = css::connection::Connector::create(local)->connect(toOUString("pipe,name=" + pipeName));
    } catch (const css::connection::NoConnectException&) {
        return false;
    }
    Reference<css::bridge::XBridge> bridge =
        css::bridge::BridgeFactory::create(local)->createBridge(rtl::OUString(), "urp", connection, nullptr);
    {
        std::lock_guard lock(mutex_);
        bridge_ = bridge;
    }
    Reference<css::uno::XComponentContext> remote(bridge->getInstance("StarOffice.ComponentContext"), UNO_QUERY_THROW);
    Reference<css::frame::XDesktop2> desktop = css::frame::Desktop::create(remote);
    std::lock_guard lock(mutex_);
    desktop_ = desktop;
    return true;
}

bool OfficeLink::isOpen() const {
    std::lock_guard lock(mutex_);
    return desktop_.is();
}

Reference<css::frame::XDesktop2> OfficeLink::desktop() const {
    std::lock_guard lock(mutex_);
    return desktop_;
}

void OfficeLink::cut() {
    Reference<css::bridge::XBridge> bridge;
    Reference<css::frame::XDesktop2> desktop;  // released after the bridge is gone
    {
        std::lock_guard lock(mutex_);
        bridge.set(bridge_);
        desktop.set(desktop_);
        bridge_.clear();
        desktop_.clear();
    }
    Reference<css::lang::XComponent> component(bridge, UNO_QUERY);
    if (!component.is()) return;
    try {
        component->dispose();
    } catch (const css::uno::Exception&) {
        // Already gone: nothing is left to cut.
    }
}

}  // namespace vel
