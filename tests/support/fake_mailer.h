#pragma once
// A mail library that records every call and answers from a queue of
// results (empty = accepted).
#include <QString>
#include <deque>
#include <vector>

#include "mail/mailer.h"

namespace vel::test {

struct SentMail {
    QString logFile, server, destinations, sender, subject, body, last;
};

class FakeMailer : public Mailer {
public:
    QString SendMailEx(QString& logFile, QString& server, QString& destinations, QString& sender, QString& subject,
                       QString& body, QString& last) override {
        sent.push_back({logFile, server, destinations, sender, subject, body, last});
        if (results.empty()) return {};
        QString r = results.front();
        results.pop_front();
        return r;
    }

    std::vector<SentMail> sent;
    std::deque<QString> results;
};

}  // namespace vel::test
