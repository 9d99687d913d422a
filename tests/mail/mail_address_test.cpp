#include <gtest/gtest.h>

#include "mail/mail_address.h"
#include "support/qstring_printer.h"

namespace vel {
namespace {

const QString T = QStringLiteral("\t");

TEST(ParseDestinations, MarkersSwitchTheListOfTheFollowingAddresses) {
    struct Case {
        QString text;
        QStringList to, cc, bcc;
    };
    const Case cases[] = {
        {"a", {"a"}, {}, {}},
        {"a" + T + "b" + T + "cc" + T + "c", {"a", "b"}, {"c"}, {}},
        {"a" + T + "bcc" + T + "d" + T + "e", {"a"}, {}, {"d", "e"}},
        {"a" + T + "cc" + T + "c" + T + "bcc" + T + "d", {"a"}, {"c"}, {"d"}},
        {"a" + T + T + " b " + T + "CC" + T + T + "c" + T, {"a", "b"}, {"c"}, {}},
        {"a\r\nBcc: x" + T + "b", {"aBcc: x", "b"}, {}, {}},  // no line break survives into a header
        {"", {}, {}, {}},
    };
    for (const Case& c : cases) {
        const MailRecipients r = parseDestinations(c.text);
        EXPECT_EQ(r.to, c.to) << c.text.toStdString();
        EXPECT_EQ(r.cc, c.cc) << c.text.toStdString();
        EXPECT_EQ(r.bcc, c.bcc) << c.text.toStdString();
    }
}

TEST(ParseSender, PopPartGivesHostUserPasswordAndPort) {
    struct Case {
        QString text;
        QString address;
        bool pop;
        QString host, user, password;
        int port;
    };
    const Case cases[] = {
        {"me@x", "me@x", false, "", "", "", 0},
        {"me@x" + T + "pop.x:u:pw" + T + "pop", "me@x", true, "pop.x", "u", "pw", 110},
        {"me@x" + T + "pop.x:u:pw:1110" + T + "pop", "me@x", true, "pop.x", "u", "pw", 1110},
        {"me@x" + T + "pop.x:u:a:b" + T + "pop", "me@x", true, "pop.x", "u", "a:b", 110},
        {"me@x" + T + "pop.x:u:12345" + T + "pop", "me@x", true, "pop.x", "u", "12345", 110},  // a numeric password
        {"me@x" + T + "pop.x:u:pw" + T + "nopop", "me@x", false, "", "", "", 0},
    };
    for (const Case& c : cases) {
        const MailSender s = parseSender(c.text);
        EXPECT_EQ(s.address, c.address);
        ASSERT_EQ(s.pop.has_value(), c.pop) << c.text.toStdString();
        if (!c.pop) continue;
        EXPECT_EQ(s.pop->host, c.host);
        EXPECT_EQ(s.pop->user, c.user);
        EXPECT_EQ(s.pop->password, c.password);
        EXPECT_EQ(s.pop->port, c.port);
    }
}

TEST(ParseSmtpServer, AcceptsTheFourFormsAndNothingElse) {
    struct Case {
        QString text;
        QString url;  // empty: refused
        bool tls;
    };
    const Case cases[] = {
        {"mail.example.jp", "smtp://mail.example.jp:25", false},
        {" mail.example.jp:587 ", "smtp://mail.example.jp:587", false},
        {"mail.example.jp:465", "smtps://mail.example.jp:465", true},
        {"smtp://mail.example.jp", "smtp://mail.example.jp", false},
        {"SMTPS://mail.example.jp:2465/", "smtps://mail.example.jp:2465/", true},
        {"[::1]:2525", "smtp://[::1]:2525", false},
        {"::1", "smtp://[::1]:25", false},
        {"mail.example.jp:0", "", false},
        {"mail.example.jp:99999", "", false},
        {"mail.example.jp:x", "", false},
        {"ftp://mail.example.jp", "", false},
        {"smtp://", "", false},
        {"user@mail.example.jp", "", false},
        {"mail/../x", "", false},
        {"", "", false},
    };
    for (const Case& c : cases) {
        const auto s = parseSmtpServer(c.text);
        if (c.url.isEmpty()) {
            EXPECT_FALSE(s.has_value()) << c.text.toStdString();
            continue;
        }
        ASSERT_TRUE(s.has_value()) << c.text.toStdString();
        EXPECT_EQ(s->url, c.url);
        EXPECT_EQ(s->implicitTls, c.tls) << c.text.toStdString();
    }
}

TEST(UrlForLog, DropsUserAndPassword) {
    const std::pair<QString, QString> cases[] = {
        {"smtp://user:pw@host:25", "smtp://host:25"},
        {"smtps://u%40x:p@ss@host/", "smtps://host/"},
        {"smtp://host:25", "smtp://host:25"},
        {"user:pw@host", "host"},
        {"smtp://host/a@b", "smtp://host/a@b"},
    };
    for (const auto& [url, logged] : cases) EXPECT_EQ(urlForLog(url), logged) << url.toStdString();
}

TEST(IsLocalNetworkAddress, ThisMachineAndPrivateNetworksOnly) {
    const std::pair<const char*, bool> cases[] = {
        {"127.0.0.1", true},    {"127.8.9.10", true},  {"10.1.2.3", true},     {"172.16.0.1", true},
        {"172.31.255.255", true}, {"172.32.0.1", false}, {"172.15.0.1", false}, {"192.168.10.5", true},
        {"192.169.0.1", false}, {"169.254.1.1", true}, {"8.8.8.8", false},     {"::1", true},
        {"fd12:3456::1", true}, {"fe80::1", true},     {"2001:db8::1", false}, {"::ffff:192.168.1.1", true},
        {"::ffff:8.8.8.8", false}, {"", false},        {"localhost", false},
    };
    for (const auto& [ip, local] : cases) EXPECT_EQ(isLocalNetworkAddress(QString::fromLatin1(ip)), local) << ip;
}

}  // namespace
}  // namespace vel
