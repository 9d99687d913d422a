#pragma once
// One libcurl conversation (a POP check or an SMTP sending) with the
// program's encryption rule and time limits, and what the server said.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

#include <curl/curl.h>

namespace vel {

// The end of the whole mail call; every transfer gets what is left of it.
struct MailDeadline {
    std::chrono::steady_clock::time_point end;
    long remainingMs() const;
};

struct TransferLimits {
    long connectMs = 10'000;
    long responseSeconds = 20;
    QByteArray caFile;  // extra trusted certificates, empty = none
    std::function<bool(const QString&)> plainTextAllowed;
};

struct TransferOutcome {
    CURLcode code = CURLE_OK;
    QString error;        // libcurl's description of a failure
    QString lastReply;    // the server's last reply line
    QStringList refused;  // recipients the server refused, "address: reply"
    bool plainText = false;        // went without TLS (local server without STARTTLS)
    bool tlsMissingRemote = false;  // refused: no STARTTLS on a server outside the local network
    QString serverAddress;          // numeric address that was reached
};

// Runs a transfer. `configure` sets the transfer's own options (URL, login,
// envelope, upload) on a fresh handle; the limits, the debug capture and TLS
// are set here. Without implicit TLS the first attempt requires STARTTLS; a
// server that offers none is tried once more in plain text only when
// limits.plainTextAllowed accepts its address.
TransferOutcome runTransfer(const std::function<void(CURL*)>& configure, bool implicitTls,
                            const TransferLimits& limits, const MailDeadline& deadline);

}  // namespace vel
