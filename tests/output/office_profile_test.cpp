#include "output/office_profile.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace vel {
namespace {

const QByteArray kOfficeWritten =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\">\n"
    "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop oor:name=\"UseSystemFileDialog\" "
    "oor:op=\"fuse\"><value>false</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Setup/Product\"><prop oor:name=\"ooSetupLastVersion\" "
    "oor:op=\"fuse\"><value>7.4</value></prop></item>\n"
    "</oor:items>\n";

TEST(OfficeProfileSettings, MergedIntoNewAndExistingFiles) {
    struct Case {
        const char* what;
        QByteArray existing;
    };
    const Case cases[] = {
        {"no file yet", {}},
        {"file written by the office", kOfficeWritten},
        {"unreadable file is replaced", "garbage without an end"},
    };
    for (const Case& c : cases) {
        const QByteArray merged = mergeOfficeProfileSettings(c.existing);
        EXPECT_TRUE(merged.startsWith("<?xml")) << c.what;
        EXPECT_TRUE(merged.endsWith("</oor:items>\n")) << c.what;
        EXPECT_EQ(merged.count("<oor:items"), 1) << c.what;
        EXPECT_EQ(merged.count("oor:name=\"ooSetupLastVersion\""), 1) << c.what;
        EXPECT_TRUE(merged.contains("<value>99.9</value>")) << c.what;
        EXPECT_FALSE(merged.contains("<value>7.4</value>")) << c.what;
        EXPECT_TRUE(merged.contains("oor:name=\"ShowTipOfTheDay\" oor:op=\"fuse\"><value>false</value>")) << c.what;
        EXPECT_TRUE(merged.contains("oor:name=\"WarnAlienFormat\"")) << c.what;
        // Merging again changes nothing, so a prepared profile is not rewritten.
        EXPECT_EQ(mergeOfficeProfileSettings(merged), merged) << c.what;
    }
    EXPECT_TRUE(mergeOfficeProfileSettings(kOfficeWritten).contains("UseSystemFileDialog"));
}

TEST(OfficeProfileSettings, PrepareWritesTheProfileFolder) {
    test::TempProgramFolder home;
    const QString profile = home.path("office-profile/0");
    ASSERT_TRUE(prepareOfficeProfile(profile));
    const QByteArray first = home.read("office-profile/0/user/registrymodifications.xcu");
    EXPECT_TRUE(first.contains("ooSetupLastVersion"));
    ASSERT_TRUE(prepareOfficeProfile(profile));
    EXPECT_EQ(home.read("office-profile/0/user/registrymodifications.xcu"), first);
}

}  // namespace
}  // namespace vel
