#include "settings/split_path.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

TEST(SplitPath, FolderAndFileNameForTheDialog) {
    const QString home = QStringLiteral("/opt/velloran");
    struct Case { QString path; QString folder; QString name; };
    const Case cases[] = {
        {"C:\\data\\log.csv", "C:\\data\\", "log.csv"},
        {"C:\\data\\", "C:\\data\\", ""},
        {"\\log.csv", home, "log.csv"},
        {"C:log.csv", "C:", "log.csv"},
        {"log.csv", home, "log.csv"},
        {"", home, ""},
        {"/home/u/data/log.csv", "/home/u/data/", "log.csv"},
        {"/home/u/data/", "/home/u/data/", ""},
        {"/log.csv", "/", "log.csv"},
        {"/", "/", ""},
        {"\\", home, ""},
        {"C:", "C:", ""},
        {":x", home, "x"},
        {"/home/u/a:b.csv", "/home/u/", "a:b.csv"},          // a colon after the last folder
        {"C:\\data/sub\\log.csv", "C:\\data/sub\\", "log.csv"},  // mixed separators: the last one counts
        {"/home/u/データ/ログ.csv", "/home/u/データ/", "ログ.csv"},
        {"D:\\表\\ソ.txt", "D:\\表\\", "ソ.txt"},
    };
    for (const Case& c : cases) {
        const DialogStart d = splitPath(c.path, home);
        EXPECT_EQ(d.dialogFolder, c.folder) << c.path.toStdString();
        EXPECT_EQ(d.dialogFileName, c.name) << c.path.toStdString();
    }
}

}  // namespace
}  // namespace vel
