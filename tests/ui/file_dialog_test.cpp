// The five file buttons: where their dialog starts, what it offers, and what
// a chosen or cancelled file does to the field.
#include <QAbstractButton>
#include <QCheckBox>
#include <QHeaderView>
#include <QTreeView>

#include <gtest/gtest.h>

#include "ui/file_chooser.h"
#include "support/temp_folder.h"
#include "ui_rig.h"

namespace vel {
namespace {

TEST(FileDialogs, EachButtonStartsFromItsFieldAndFillsItOnlyWhenAFileIsChosen) {
    struct Case {
        const char* button;
        const char* field;
        const char* suffix;
        const char* filter;
    };
    const Case cases[] = {
        {"CommandCsvSelect", "TextCsvName", "*.csv", "CSVﾌｧｲﾙ(*.csv)|*.csv"},
        {"CommandScrSelect", "TextScrName", "*.txt", "TXTﾌｧｲﾙ(*.txt)|*.txt"},
        {"CommandFileSelect", "TextExcelName", "*.xls", "ﾌﾞｯｸﾌｧｲﾙ(*.xls *.xlsx *.ods)|*.xls *.xlsx *.ods"},
        {"CommandKinkyu", "TextKinkyuName", "*.txt", "TXTﾌｧｲﾙ(*.txt)|*.txt"},
        {"CommandTujyo", "TextTujyoName", "*.txt", "TXTﾌｧｲﾙ(*.txt)|*.txt"},
    };
    for (const Case& c : cases) {
        test::FormRig rig;
        rig.load();
        for (const char* box : {"CheckCsv", "CheckExcelUse", "CheckKinkyu", "CheckTujyo"})
            rig.find<QCheckBox>(box)->setChecked(true);
        std::vector<ui::FileRequest> requests;
        QString answer;
        rig.window->context().chooseFile = [&](QWidget*, const ui::FileRequest& r) {
            requests.push_back(r);
            return answer;
        };
        QLineEdit* field = rig.field(c.field);
        auto* button = rig.find<QAbstractButton>(c.button);
        field->setText("/data/old/name.ext");

        button->click();  // cancelled
        EXPECT_EQ(field->text(), "/data/old/name.ext") << c.button;
        answer = "/data/new.ext";
        button->click();
        EXPECT_EQ(field->text(), "/data/new.ext") << c.button;

        ASSERT_EQ(requests.size(), 2u) << c.button;
        EXPECT_EQ(requests[0].folder, "/data/old/") << c.button;
        EXPECT_EQ(requests[0].fileName, "name.ext") << c.button;
        EXPECT_EQ(requests[0].defaultSuffix, QString::fromUtf8(c.suffix)) << c.button;
        EXPECT_EQ(requests[0].filter, QString::fromUtf8(c.filter)) << c.button;
    }
}

TEST(FileDialogs, AnEmptyFieldStartsInTheProgramFolder) {
    test::FormRig rig;
    rig.load();
    ui::FileRequest seen;
    rig.window->context().chooseFile = [&](QWidget*, const ui::FileRequest& r) {
        seen = r;
        return QString();
    };
    rig.find<QAbstractButton>("CommandScrSelect")->click();
    EXPECT_EQ(seen.folder, rig.tmp.folder.root);
    EXPECT_TRUE(seen.fileName.isEmpty());
}

TEST(FileDialogs, FiltersAreShownWithTheirPattern) {
    EXPECT_EQ(ui::dialogFilter("CSVﾌｧｲﾙ(*.csv)|*.csv"), "CSVﾌｧｲﾙ(*.csv)");
    EXPECT_EQ(ui::dialogFilter("Text|*.txt"), "Text (*.txt)");
    EXPECT_EQ(ui::dialogFilter("*.txt"), "*.txt");
}

// At the size the dialog opens with, the size, type and date of each entry
// show whole, and the types are Japanese.
TEST(FileDialogs, ColumnsShowTheirTextsWholeInJapanese) {
    test::ensureUiApplication();
    test::TempProgramFolder tmp;
    tmp.write("measurements/readme.txt", "x");
    tmp.write("multimeter_20261209_with_a_long_name.csv", QByteArray(20 * 1024 + 600, 'x'));
    tmp.write("book.xlsx", "x");
    for (const QFileDialog::AcceptMode mode : {QFileDialog::AcceptOpen, QFileDialog::AcceptSave}) {
        ui::FileDialog dialog(nullptr, QString(), mode, ui::FileRequest{tmp.folder.root, "", "*.csv", "*"});
        dialog.show();
        auto* tree = dialog.findChild<QTreeView*>("treeView");
        ASSERT_NE(tree, nullptr);
        ASSERT_TRUE(test::spinUntil([&] { return tree->model()->rowCount(tree->rootIndex()) >= 3; }, 5000))
            << tree->model()->rowCount(tree->rootIndex()) << " " << dialog.directory().path().toStdString();
        test::spinUntil([] { return false; }, 200);  // sizes and dates come in after the names
        const QFontMetrics metrics(tree->font());
        int checked = 0;
        for (int row = 0; row < tree->model()->rowCount(tree->rootIndex()); ++row)
            for (int column = 1; column <= 3; ++column) {
                const QString text = tree->model()->index(row, column, tree->rootIndex()).data().toString();
                EXPECT_NE(text, "Folder");
                // The view's margins take a few pixels of the section.
                EXPECT_LE(metrics.horizontalAdvance(text) + 8, tree->header()->sectionSize(column)) << text.toStdString();
                EXPECT_LE(tree->header()->sectionViewportPosition(column) + tree->header()->sectionSize(column),
                          tree->viewport()->width() + 1) << text.toStdString();
                ++checked;
            }
        EXPECT_EQ(checked, 3 * 3);
        EXPECT_EQ(tree->model()->index(0, 2, tree->rootIndex()).data().toString(), "フォルダー");
    }
}

}  // namespace
}  // namespace vel
