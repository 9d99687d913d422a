#include "ui/cond_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "settings/field_normalise.h"
#include "ui/field_events.h"
#include "ui/widgets.h"

namespace vel::ui {
namespace {

const QString kFileButton = QStringLiteral("ﾌｧｲﾙ指定");
const QString kIntervalBefore = QStringLiteral("メール送信間隔：");

QGroupBox* frame(QWidget* parent, const char* name, const QString& caption) {
    auto* f = new QGroupBox(caption, parent);
    f->setObjectName(QString::fromLatin1(name));
    return f;
}

QGridLayout* frameGrid(QGroupBox* f) {
    auto* grid = new QGridLayout(f);
    grid->setContentsMargins(6, 0, 6, 2);
    grid->setVerticalSpacing(1);
    return grid;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets) {
    auto* r = new QHBoxLayout;
    r->setSpacing(6);
    for (QWidget* w : widgets) r->addWidget(w);
    r->addStretch(1);
    return r;
}

}  // namespace

CondPanel::CondPanel(MainContext& context, QWidget* parent) : QGroupBox(parent), context_(context) {
    setObjectName(QStringLiteral("FrameCond"));
    setTitle(QStringLiteral("取得、メール条件設定"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 2);
    auto* mail = new QVBoxLayout;
    mail->addWidget(buildNormalFrame());
    mail->addWidget(buildAlarmFrame());
    mail->addStretch(1);
    auto* options = new QVBoxLayout;
    options->addWidget(buildTimeFrame());
    options->addWidget(buildNumberFrame());
    options->addWidget(buildMinutesFrame());
    options->addStretch(1);
    commandCondOk = button(this, "CommandCondOk", QStringLiteral("OK"));
    commandCondNg = button(this, "CommandCondNg", QStringLiteral("キャンセル"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(commandCondOk);
    buttons->addWidget(commandCondNg);
    options->addLayout(buttons);
    layout->addLayout(mail, 1);
    layout->addLayout(options, 1);
    connectHandlers();
}

QWidget* CondPanel::buildNormalFrame() {
    QGroupBox* f = frame(this, "FrameTujyo", QStringLiteral("通常メール設定ファイルの指定"));
    checkTujyo = checkBox(f, "CheckTujyo", QStringLiteral("通常メールを使用する"));
    textTujyoName = textField(f, "TextTujyoName");
    commandTujyo = button(f, "CommandTujyo", kFileButton);
    textTujyoTime = textField(f, "TextTujyoTime", 48);
    QGridLayout* grid = frameGrid(f);
    grid->addWidget(checkTujyo, 0, 0, 1, 2);
    grid->addWidget(textTujyoName, 1, 0);
    grid->addWidget(commandTujyo, 1, 1);
    grid->addLayout(row({label(f, kIntervalBefore), textTujyoTime, label(f, QStringLiteral("分おき"))}), 2, 0, 1, 2);
    return f;
}

QWidget* CondPanel::buildAlarmFrame() {
    QGroupBox* f = frame(this, "FrameKinkyu", QStringLiteral("ｱﾗｰﾑ（緊急）ﾒール設定ファイルの指定"));
    checkKinkyu = checkBox(f, "CheckKinkyu", QStringLiteral("ｱﾗｰﾑメールを使用する"));
    textKinkyuName = textField(f, "TextKinkyuName");
    commandKinkyu = button(f, "CommandKinkyu", kFileButton);
    textKinkyuTime = textField(f, "TextKinkyuTime", 48);
    checkKinkyuEnd = checkBox(f, "CheckKinkyuEnd", QStringLiteral("ｱﾗｰﾑ復帰時もﾒｰﾙする"));
    checkKinkyuEnd2 = checkBox(f, "CheckKinkyuEnd2", QStringLiteral("自動終了時にﾒｰﾙする"));
    QGridLayout* grid = frameGrid(f);
    grid->addWidget(checkKinkyu, 0, 0, 1, 2);
    grid->addWidget(textKinkyuName, 1, 0);
    grid->addWidget(commandKinkyu, 1, 1);
    grid->addLayout(row({label(f, kIntervalBefore), textKinkyuTime, label(f, QStringLiteral("分おき（ｱﾗｰﾑ時のみ）"))}),
                    2, 0, 1, 2);
    grid->addWidget(checkKinkyuEnd, 3, 0, 1, 2);
    grid->addWidget(checkKinkyuEnd2, 4, 0, 1, 2);
    return f;
}

QWidget* CondPanel::buildTimeFrame() {
    QGroupBox* f = frame(this, "FrameTime", QStringLiteral("日時の挿入"));
    optionTime = {optionButton(f, QStringLiteral("OptionTime_0"), QStringLiteral("付けない")),
                  optionButton(f, QStringLiteral("OptionTime_1"), QStringLiteral("日時を付ける")),
                  optionButton(f, QStringLiteral("OptionTime_2"), QStringLiteral("時分秒を付ける"))};
    optionTime[0]->setChecked(true);
    QGridLayout* grid = frameGrid(f);
    grid->addWidget(optionTime[0], 0, 0);
    grid->addWidget(optionTime[1], 0, 1);
    grid->addWidget(optionTime[2], 1, 0, 1, 2);
    return f;
}

QWidget* CondPanel::buildNumberFrame() {
    QGroupBox* f = frame(this, "FrameNum", QStringLiteral("取得番号"));
    optionNum = {optionButton(f, QStringLiteral("OptionNum_0"), QStringLiteral("付けない")),
                 optionButton(f, QStringLiteral("OptionNum_1"), QStringLiteral("付ける 　番号："))};
    optionNum[0]->setChecked(true);
    textCellNo = textField(f, "TextCellNo", 72);
    textCellNo->setEnabled(false);
    QGridLayout* grid = frameGrid(f);
    // The number field belongs to "付ける 　番号：", so that option starts the
    // second line with the field after it; both lines keep their full captions.
    grid->addWidget(optionNum[0], 0, 0);
    grid->addLayout(row({optionNum[1], textCellNo, label(f, QStringLiteral("から"))}), 1, 0);
    return f;
}

QWidget* CondPanel::buildMinutesFrame() {
    QGroupBox* f = frame(this, "FrameMin", QStringLiteral("データ取得時間"));
    textMin = textField(f, "TextMin", 60);
    labelSokuteiTime = label(f, QStringLiteral("（1～30000分　0で連続）"), "LabelSokuteiTime");
    QGridLayout* grid = frameGrid(f);
    grid->addLayout(row({textMin, label(f, QStringLiteral("分間")), labelSokuteiTime}), 0, 0);
    return f;
}

void CondPanel::connectHandlers() {
    connect(checkKinkyu, &QCheckBox::toggled, this, [this] { applyAlarmCheck(); });
    connect(checkTujyo, &QCheckBox::toggled, this, [this] { applyNormalCheck(); });
    connect(optionNum[1], &QRadioButton::toggled, textCellNo, &QWidget::setEnabled);
    FieldEvents::watch(textKinkyuTime, [this] { clampInterval(textKinkyuTime); });
    FieldEvents::watch(textTujyoTime, [this] { clampInterval(textTujyoTime); });
    FieldEvents::watch(textCellNo, [this] { normaliseCellNo(); });
    FieldEvents::watch(textMin, [this] { validateMinutes(); }, [this] { validateMinutes(); });
    connect(commandKinkyu, &QPushButton::clicked, this, [this] { chooseAlarmFile(); });
    connect(commandTujyo, &QPushButton::clicked, this, [this] { chooseNormalFile(); });
}

void CondPanel::applyAlarmCheck() {
    const bool on = checkKinkyu->isChecked();
    context_.settings.alarmMailOn = on;
    for (QWidget* w : std::initializer_list<QWidget*>{commandKinkyu, textKinkyuName, textKinkyuTime, checkKinkyuEnd,
                                                      checkKinkyuEnd2})
        w->setEnabled(on);
}

void CondPanel::applyNormalCheck() {
    const bool on = checkTujyo->isChecked();
    context_.settings.normalMailOn = on;
    for (QWidget* w : std::initializer_list<QWidget*>{commandTujyo, textTujyoName, textTujyoTime}) w->setEnabled(on);
}

void CondPanel::clampInterval(QLineEdit* field) { field->setText(mailInterval(field->text())); }

void CondPanel::normaliseCellNo() { textCellNo->setText(QString::number(acquisitionNumberOf(textCellNo->text()))); }

void CondPanel::validateMinutes() { textMin->setText(QString::number(acquisitionMinutes(textMin->text()))); }

void CondPanel::chooseInto(QLineEdit* field) {
    QString text = field->text();
    if (chooseIntoField(context_.chooseFile, window(), context_.folder.root, text, QStringLiteral("*.txt"),
                        QStringLiteral("TXTﾌｧｲﾙ(*.txt)|*.txt")))
        field->setText(text);
}

void CondPanel::chooseAlarmFile() { chooseInto(textKinkyuName); }

void CondPanel::chooseNormalFile() { chooseInto(textTujyoName); }

}  // namespace vel::ui
