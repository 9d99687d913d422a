// The [web] settings as the server takes them: which listen addresses are
// written right, and which configurations may open the page.
#include <gtest/gtest.h>

#include "web/web_config.h"

namespace vel::test {
namespace {

TEST(WebConfig, ListenAddressesAndWhenThePageMayOpen) {
    struct Case {
        QString listen;
        QString token;
        QString cert, key;
        bool written;   // velloran-cli setup takes it
        bool opens;     // the server may open with it
        QString host;
        int port;
    };
    const Case cases[] = {
        {"127.0.0.1:8080", "", "", "", true, true, "127.0.0.1", 8080},
        {"localhost:65535", "", "", "", true, true, "localhost", 65535},
        {"[::1]:8080", "", "", "", true, true, "::1", 8080},
        {"0.0.0.0:8080", "", "", "", true, false, "0.0.0.0", 8080},
        {"plant.example:8080", "", "", "", true, false, "plant.example", 8080},
        {"0.0.0.0:8080", "t", "", "", true, true, "0.0.0.0", 8080},
        {"0.0.0.0:8443", "t", "c.pem", "", true, false, "0.0.0.0", 8443},
        {"0.0.0.0:8443", "t", "c.pem", "k.pem", true, true, "0.0.0.0", 8443},
        {"127.0.0.1:0", "", "", "", false, false, "", 0},
        {"127.0.0.1:+80", "", "", "", false, false, "", 0},
        {":8080", "", "", "", false, false, "", 0},
        {"::1:8080", "", "", "", false, false, "", 0},
        {"[127.0.0.1]:8080", "", "", "", false, false, "", 0},
    };
    const ProgramFolder folder{"/srv/line1"};
    for (const Case& k : cases) {
        EXPECT_EQ(isListenAddress(k.listen), k.written) << k.listen.toStdString();
        ExtensionSettings s;
        s.webListen = k.listen;
        s.webToken = k.token;
        s.webCert = k.cert;
        s.webKey = k.key;
        const std::optional<WebConfig> c = webConfig(s, folder);
        ASSERT_EQ(c.has_value(), k.written) << k.listen.toStdString();
        if (!c) continue;
        EXPECT_EQ(webRefusal(*c).isEmpty(), k.opens) << k.listen.toStdString();
        EXPECT_EQ(c->host + u':' + QString::number(c->port), k.host + u':' + QString::number(k.port));
        EXPECT_EQ(c->cert, k.cert.isEmpty() ? QString() : "/srv/line1/" + k.cert);
    }
    EXPECT_FALSE(webConfig(ExtensionSettings{}, folder)) << "off by default";
}

}  // namespace
}  // namespace vel::test
