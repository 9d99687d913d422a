#include "mail/curl_transfer.h"

#include <algorithm>
#include <memory>


namespace vel {
namespace {

struct Capture {
    QString lastReply;
    QString pendingRcpt;  // address of the RCPT command awaiting its reply
    QStringList refused;
};

QString rcptAddress(const QString& command) {
    const qsizetype open = command.indexOf(QLatin1Char('<'));
    const qsizetype close = command.lastIndexOf(QLatin1Char('>'));
    if (open < 0 || close <= open) return command.mid(8).trimmed();
    return command.mid(open + 1, close - open - 1);
}

// Watches the conversation: remembers the last reply line, and which RCPT
// got a refusal. Commands sent are only looked at for RCPT, so no login
// ever leaves this function.
int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* userp) {
    auto* c = static_cast<Capture*>(userp);
    if (type == CURLINFO_HEADER_OUT) {
        const QString line = QString::fromUtf8(data, static_cast<qsizetype>(size)).trimmed();
        c->pendingRcpt = line.startsWith(QStringLiteral("RCPT TO:"), Qt::CaseInsensitive) ? rcptAddress(line)
                                                                                       : QString();
    } else if (type == CURLINFO_HEADER_IN) {
        const QStringList lines = QString::fromUtf8(data, static_cast<qsizetype>(size)).split(QStringLiteral("\r\n"));
        for (const QString& raw : lines) {
            const QString line = raw.trimmed();
            if (line.isEmpty()) continue;
            c->lastReply = line;
            const bool finalLine = line.size() < 4 || line[3] != QLatin1Char('-');
            if (!c->pendingRcpt.isEmpty() && finalLine) {
                if (line[0] == QLatin1Char('4') || line[0] == QLatin1Char('5'))
                    c->refused.append(c->pendingRcpt + QStringLiteral(": ") + line);
                c->pendingRcpt.clear();
            }
        }
    }
    return 0;
}

struct HandleDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};

}  // namespace

long MailDeadline::remainingMs() const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    return static_cast<long>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

TransferOutcome runTransfer(const std::function<void(CURL*)>& configure, bool implicitTls,
                            const TransferLimits& limits, const MailDeadline& deadline) {
    TransferOutcome out;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool plain = !implicitTls && attempt == 1;
        const long remaining = deadline.remainingMs();
        if (remaining <= 0) {
            out.code = CURLE_OPERATION_TIMEDOUT;
            out.error = QStringLiteral("time limit reached");
            return out;
        }
        std::unique_ptr<CURL, HandleDeleter> handle(curl_easy_init());
        if (!handle) {
            out.code = CURLE_FAILED_INIT;
            out.error = QStringLiteral("libcurl could not start");
            return out;
        }
        CURL* h = handle.get();
        char errorBuffer[CURL_ERROR_SIZE] = {};
        Capture capture;
        configure(h);
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, std::min(limits.connectMs, remaining));
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, remaining);
        curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, limits.responseSeconds);
        curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
        curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, onDebug);
        curl_easy_setopt(h, CURLOPT_DEBUGDATA, &capture);
        curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(plain ? CURLUSESSL_NONE : CURLUSESSL_ALL));
        if (!limits.caFile.isEmpty()) curl_easy_setopt(h, CURLOPT_CAINFO, limits.caFile.constData());

        out.code = curl_easy_perform(h);
        out.error = errorBuffer[0] ? QString::fromUtf8(errorBuffer).trimmed()
                                   : QString::fromUtf8(curl_easy_strerror(out.code));
        out.lastReply = capture.lastReply;
        out.refused = capture.refused;
        out.plainText = plain;
        char* ip = nullptr;
        if (curl_easy_getinfo(h, CURLINFO_PRIMARY_IP, &ip) == CURLE_OK && ip) out.serverAddress = QString::fromLatin1(ip);

        if (out.code != CURLE_USE_SSL_FAILED || plain || implicitTls) return out;
        if (!limits.plainTextAllowed || !limits.plainTextAllowed(out.serverAddress)) {
            out.tlsMissingRemote = true;
            return out;
        }
    }
    return out;
}

}  // namespace vel
