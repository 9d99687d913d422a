#include "serial/line_settings.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

TEST(LineSettings, ReadAndReportedWithLowerCaseParity) {
    struct Case { const char* text; const char* reported; };
    const Case cases[] = {
        {"9600,n,8,1", "9600,n,8,1"},
        {"19200,O,8,2", "19200,o,8,2"},       // the panel writes upper case
        {"4800,E,7,1.5", "4800,e,7,1.5"},
        {" 300 , N , 7 , 2 ", "300,n,7,2"},   // blanks around the parts
        {"115200,m,5,1", "115200,m,5,1"},
        {"57600,S,6,1", "57600,s,6,1"},
    };
    for (const Case& c : cases) {
        const auto s = parseLineSettings(c.text);
        ASSERT_TRUE(s) << c.text;
        EXPECT_EQ(formatLineSettings(*s), c.reported) << c.text;
    }
}

TEST(LineSettings, RefusesWhatThePortCannotApply) {
    const char* cases[] = {
        "",  "9600", "9600,n,8", "9600,n,8,1,1",       // wrong number of parts
        ",n,8,1", "abc,n,8,1", "-9600,n,8,1", "0,n,8,1", "96.00,n,8,1", "99999999,n,8,1",
        "9600,,8,1", "9600,x,8,1", "9600,no,8,1",      // parity
        "9600,n,9,1", "9600,n,4,1", "9600,n,,1", "9600,n,8.0,1",  // data bits
        "9600,n,8,3", "9600,n,8,1.0", "9600,n,8,",     // stop bits
    };
    for (const char* text : cases) EXPECT_FALSE(parseLineSettings(text)) << text;
}

}  // namespace
}  // namespace vel
