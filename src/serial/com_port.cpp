#include "serial/com_port.h"

namespace vel {

ComPort::ComPort(ProgramFolder folder, NetworkUrlFor urlFor)
    : urlFor_(std::move(urlFor)), local_(std::move(folder)) {}

void ComPort::setPortNumber(int16_t number) {
    local_.setPortNumber(number);
    net_.setPortNumber(number);
}

bool ComPort::setSettings(const QString& settings) {
    const bool ok = local_.setSettings(settings);
    return net_.setSettings(settings) && ok;
}

void ComPort::setHandshaking(int16_t mode) {
    local_.setHandshaking(mode);
    net_.setHandshaking(mode);
}

QString ComPort::deviceFor(int16_t number) const {
    const QString url = urlFor_ ? urlFor_(number) : QString();
    return url.isEmpty() ? local_.deviceFor(number) : url;
}

void ComPort::choose() {
    if (isOpen()) return;
    const QString url = urlFor_ ? urlFor_(portNumber()) : QString();
    network_ = !url.isEmpty();
    if (network_) net_.setUrl(url);
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
    net_.setEventHandler(std::move(handler));
}

}  // namespace vel
