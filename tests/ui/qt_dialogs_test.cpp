// Qt's own dialogs as the program shows them: Japanese standard buttons and
// file dialog whatever the locale, and message boxes centred on their window.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

#include "ui/qt_message_box.h"
#include "ui/qt_translations.h"
#include "ui_rig.h"

namespace vel {
namespace {

QString withoutMnemonic(QString text) { return text.remove(u'&'); }

TEST(QtDialogs, StandardButtonsAndTheFileDialogSpeakJapanese) {
    test::ensureUiApplication();
    QTranslator* translator = ui::installQtTranslations(*QCoreApplication::instance());
    ASSERT_NE(translator, nullptr) << "qtbase_ja.qm missing (qt6-translations-l10n)";

    QMessageBox box(QMessageBox::Question, "Velloran", "データ取得を終了しますか？", QMessageBox::Yes | QMessageBox::No);
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    auto* fileButtons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(fileButtons, nullptr);
    const std::pair<QAbstractButton*, QString> cases[] = {
        {box.button(QMessageBox::Yes), "はい"},
        {box.button(QMessageBox::No), "いいえ"},
        {fileButtons->button(QDialogButtonBox::Cancel), "キャンセル"},
        {fileButtons->button(QDialogButtonBox::Open), "開く"},
    };
    for (const auto& [button, japanese] : cases) {
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(withoutMnemonic(button->text()).contains(japanese)) << button->text().toStdString();
    }
    QCoreApplication::removeTranslator(translator);
    delete translator;
}

TEST(QtDialogs, MessageBoxesBelongToAndCentreOnTheirOwnerWindow) {
    test::ensureUiApplication();
    QWidget owner;
    owner.setGeometry(40, 60, 625, 330);
    owner.show();
    ui::QtMessageBox messages;
    messages.owner = [&owner] { return &owner; };

    struct Seen {
        QWidget* parent = nullptr;
        QPoint centre;
    };
    const std::pair<const char*, std::function<void()>> boxes[] = {
        {"info", [&] { messages.info("データ取得を開始します"); }},
        {"warning", [&] { messages.warning("通信CH 1 が使用できません！"); }},
        {"ask", [&] { EXPECT_FALSE(messages.ask("データ取得を終了しますか？")); }},
    };
    for (const auto& [name, show] : boxes) {
        Seen seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            seen = {box->parentWidget(), box->geometry().center()};
            box->reject();
        });
        show();
        EXPECT_EQ(seen.parent, &owner) << name;
        EXPECT_LE((seen.centre - owner.geometry().center()).manhattanLength(), 40) << name;
    }
}

}  // namespace
}  // namespace vel
