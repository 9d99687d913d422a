#include "serial/com_port.h"

namespace vel {

ComPort::ComPort(ProgramFolder folder, NetworkUrlFor urlFor)
    : urlFor_(std::move(urlFor)), local_(std::move(folder)) {}

void ComPort::setPortNumber(int16_t number) {
    local_.setPortNumber(number);
    if (net_) net_->setPortNumber(number);
}

bool ComPort::setSettings(const QString& settings) {
    const bool ok = local_.setSettings(settings);
    return (!net_ || net_->setSettings(settings)) && ok;
}

void ComPort::setHandshaking(int16_t mode) {
    local_.setHandshaking(mode);
    if (net_) net_->setHandshaking(mode);
}

QString ComPort::deviceFor(int16_t number) const {
    const QString url = urlFor_ ? urlFor_(number) : QString();
    return url.isEmpty() ? local_.deviceFor(number) : url;
}

void ComPort::choose() {
    if (isOpen()) return;
    const QString url = urlFor_ ? urlFor_(portNumber()) : QString();
    network_ = !url.isEmpty();
    if (!network_) return;
    if (!net_) {
        // The network side takes what the local side was given so far.
        net_ = std::make_unique<NetworkPort>();
        net_->setPortNumber(local_.portNumber());
        net_->setSettings(local_.settings());
        net_->setHandshaking(local_.handshaking());
        net_->setEventHandler(handler_);
    }
    net_->setUrl(url);
}

bool ComPort::open() {
    choose();
    return active().open();
}

bool ComPort::reopen() {
    choose();
    return active().reopen();
}

void ComPort::setEventHandler(EventHandler handler) {
    local_.setEventHandler(handler);
    if (net_) net_->setEventHandler(handler);
    handler_ = std::move(handler);
}

}  // namespace vel
