#include "ui/file_panel.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "log/log_lines.h"
#include "settings/field_normalise.h"
#include "ui/field_events.h"
#include "ui/widgets.h"

namespace vel::ui {
namespace {

const QString kFileButton = QStringLiteral("ﾌｧｲﾙ指定");

// A line of the frame drawn around the workbook controls while a workbook is open.
QFrame* frameLine(QWidget* parent, int index, bool horizontal) {
    auto* line = new QFrame(parent);
    line->setObjectName(QStringLiteral("Line2_%1").arg(index));
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, QColor(0, 0, 255));
    line->setPalette(palette);
    if (horizontal) line->setFixedHeight(2);
    else line->setFixedWidth(2);
    QSizePolicy policy = line->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    line->setSizePolicy(policy);
    line->hide();
    return line;
}

}  // namespace

FilePanel::FilePanel(MainContext& context, QWidget* parent) : QGroupBox(parent), context_(context) {
    setObjectName(QStringLiteral("FrameMain"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);
    auto* files = new QHBoxLayout;
    files->addWidget(buildCsvFrame(), 1);
    files->addWidget(buildScriptFrame(), 1);
    layout->addLayout(files);
    layout->addWidget(buildWorkbookFrame());
    layout->addStretch(1);
    layout->addWidget(buildButtons());
    connectHandlers();
}

QWidget* FilePanel::buildCsvFrame() {
    auto* frame = new QGroupBox(QStringLiteral("CSVファイル"), this);
    frame->setObjectName(QStringLiteral("FrameCsv"));
    checkCsv = checkBox(frame, "CheckCsv", QStringLiteral("CSVファイルに保存する"));
    textCsvName = textField(frame, "TextCsvName");
    commandCsvSelect = button(frame, "CommandCsvSelect", kFileButton);
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->addWidget(checkCsv, 0, 0, 1, 2);
    grid->addWidget(textCsvName, 1, 0);
    grid->addWidget(commandCsvSelect, 1, 1);
    return frame;
}

QWidget* FilePanel::buildScriptFrame() {
    auto* frame = new QGroupBox(QStringLiteral("スクリプトファイル"), this);
    frame->setObjectName(QStringLiteral("FrameScr"));
    textScrName = textField(frame, "TextScrName");
    commandScrSelect = button(frame, "CommandScrSelect", kFileButton);
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->addWidget(label(frame, QStringLiteral("（指定なしで標準スクリプト）")), 0, 0, 1, 2);
    grid->addWidget(textScrName, 1, 0);
    grid->addWidget(commandScrSelect, 1, 1);
    return frame;
}

QWidget* FilePanel::buildWorkbookFrame() {
    auto* holder = new QWidget(this);
    auto* outer = new QGridLayout(holder);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    line2 = {frameLine(holder, 0, true), frameLine(holder, 1, false), frameLine(holder, 2, false),
             frameLine(holder, 3, true)};
    outer->addWidget(line2[0], 0, 0, 1, 3);
    outer->addWidget(line2[1], 1, 0);
    outer->addWidget(line2[2], 1, 2);
    outer->addWidget(line2[3], 2, 0, 1, 3);

    auto* frame = new QGroupBox(QStringLiteral("エクセル"), holder);
    frame->setObjectName(QStringLiteral("FrameExcel"));
    outer->addWidget(frame, 1, 1);
    checkExcelUse = checkBox(frame, "CheckExcelUse", QStringLiteral("エクセルに出力する"));
    textExcelName = textField(frame, "TextExcelName");
    commandFileSelect = button(frame, "CommandFileSelect", kFileButton);
    commandOpen = button(frame, "CommandOpen", QStringLiteral("エクセルを開く"));
    commandClose = button(frame, "CommandClose", QStringLiteral("エクセルを閉じる"));
    optionCell = {optionButton(frame, QStringLiteral("OptionCell_0"), QStringLiteral("カレントセルから開始")),
                  optionButton(frame, QStringLiteral("OptionCell_1"), QStringLiteral("セルを指定する　開始セル："))};
    optionCell[0]->setChecked(true);
    textStartCol = textField(frame, "TextStartCol", 36);
    textStartRow = textField(frame, "TextStartRow", 60);
    commandOpen->setEnabled(false);
    commandClose->setEnabled(false);

    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(3);
    // As in the CSV frame: the switch above the name and its file button;
    // the open and close buttons beside the switch, so every caption has room.
    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    top->addWidget(checkExcelUse);
    top->addStretch(1);
    top->addWidget(commandOpen);
    top->addWidget(commandClose);
    auto* name = new QHBoxLayout;
    name->setSpacing(6);
    name->addWidget(textExcelName, 1);
    name->addWidget(commandFileSelect);
    auto* cell = new QHBoxLayout;
    cell->setSpacing(6);
    cell->addWidget(optionCell[0]);
    cell->addSpacing(12);
    cell->addWidget(optionCell[1]);
    cell->addWidget(label(frame, QStringLiteral("列")));
    cell->addWidget(textStartCol);
    cell->addWidget(label(frame, QStringLiteral("行")));
    cell->addWidget(textStartRow);
    cell->addStretch(1);
    grid->addLayout(top, 0, 0);
    grid->addLayout(name, 1, 0);
    grid->addLayout(cell, 2, 0);
    return holder;
}

QWidget* FilePanel::buildButtons() {
    auto* holder = new QWidget(this);
    commandStart = button(holder, "CommandStart", QStringLiteral("　データ　取得開始"));
    commandRs = button(holder, "CommandRs", QStringLiteral("　RS232C　通信設定"));
    commandCond = button(holder, "CommandCond", QStringLiteral("取得条件ﾒｰﾙ設定"));
    commandStart->setMinimumHeight(40);
    auto* note = label(holder, QStringLiteral("エクセルを使用する場合は先に「エクセルを開く」ボタンでエクセルを開いてください"),
                       "LabelExcelNote");
    note->setWordWrap(true);
    auto* grid = new QGridLayout(holder);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(note, 0, 0, 1, 2);
    grid->addWidget(commandRs, 1, 0);
    grid->addWidget(commandCond, 1, 1);
    grid->addWidget(commandStart, 0, 2, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    return holder;
}

void FilePanel::connectHandlers() {
    connect(checkCsv, &QCheckBox::toggled, this, [this] { refreshCsvPanel(); });
    connect(checkExcelUse, &QCheckBox::toggled, this, [this] {
        refreshWorkbookPanel();
        refreshConnectionPanel();
    });
    connect(textExcelName, &QLineEdit::textChanged, this, [this] { workbookNameCheck(); });
    connect(optionCell[1], &QRadioButton::toggled, this, [this](bool on) {
        setStartCellEnabled(on);
        context_.settings.useStartCell = !optionCell[0]->isChecked();
    });
    FieldEvents::watch(textStartCol, [this] { normaliseStartColumn(); }, [this] { textStartRow->setFocus(); });
    FieldEvents::watch(textStartRow, [this] { normaliseStartRow(); }, [this] { normaliseStartRow(); });
    connect(commandOpen, &QPushButton::clicked, this, [this] { openWorkbook(); });
    connect(commandClose, &QPushButton::clicked, this, [this] { closeWorkbook(); });
    connect(commandCsvSelect, &QPushButton::clicked, this, [this] { chooseCsvFile(); });
    connect(commandScrSelect, &QPushButton::clicked, this, [this] { chooseScriptFile(); });
    connect(commandFileSelect, &QPushButton::clicked, this, [this] { chooseWorkbookFile(); });
}

void FilePanel::setStartCellEnabled(bool enabled) {
    textStartCol->setEnabled(enabled);
    textStartRow->setEnabled(enabled);
}

void FilePanel::refreshCsvPanel() {
    const bool on = checkCsv->isChecked();
    context_.settings.csvOn = on;
    commandCsvSelect->setEnabled(on);
    textCsvName->setEnabled(on);
}

void FilePanel::refreshWorkbookPanel() {
    const bool on = checkExcelUse->isChecked();
    context_.settings.workbookOn = on;
    if (on) {
        commandFileSelect->setEnabled(true);
        textExcelName->setEnabled(true);
        for (QRadioButton* option : optionCell) option->setEnabled(true);
        setStartCellEnabled(true);
        workbookNameCheck();
    } else {
        for (QWidget* w : std::initializer_list<QWidget*>{commandOpen, commandClose, commandFileSelect, textExcelName})
            w->setEnabled(false);
        for (QRadioButton* option : optionCell) option->setEnabled(false);
        setStartCellEnabled(false);
    }
}

void FilePanel::refreshConnectionPanel() {
    if (context_.workbook.workbookOpen) {
        commandClose->setEnabled(true);
        for (QFrame* line : line2) line->show();
        for (QWidget* w : std::initializer_list<QWidget*>{commandOpen, commandFileSelect, textExcelName, checkExcelUse})
            w->setEnabled(false);
        return;
    }
    commandClose->setEnabled(false);
    checkExcelUse->setEnabled(true);
    for (QFrame* line : line2) line->hide();
    if (context_.settings.workbookOn) {
        workbookNameCheck();
        commandFileSelect->setEnabled(true);
        textExcelName->setEnabled(true);
    } else {
        commandFileSelect->setEnabled(false);
        textExcelName->setEnabled(false);
    }
}

void FilePanel::workbookNameCheck() {
    if (!checkExcelUse->isChecked()) return;
    commandOpen->setEnabled(workbookNameOpenable(textExcelName->text()));
}

void FilePanel::normaliseStartColumn() {
    const QString letters = startColumn(textStartCol->text());
    textStartCol->setText(letters);
    context_.settings.startColumnLetters = letters;
}

void FilePanel::normaliseStartRow() {
    const int32_t row = startRow(textStartRow->text());
    textStartRow->setText(QString::number(row));
    context_.settings.cursorRow = row;
}

void FilePanel::openWorkbook() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const WorkbookOpenResult result = openWorkbookConnection(context_.workbook, textExcelName->text(),
                                                             context_.settings.workbookPath, context_.messages);
    QApplication::restoreOverrideCursor();
    // The message box says only that it failed; the alarm log keeps why.
    if (result == WorkbookOpenResult::StartFailed && context_.alarmLogLine)
        context_.alarmLogLine(loglines::stamp(QDateTime::currentDateTime()) + QStringLiteral(" エクセルが起動できません: ") +
                              context_.workbook.openFailure);
    if (result == WorkbookOpenResult::NoName || result == WorkbookOpenResult::NotFound) return;
    if (result == WorkbookOpenResult::Opened) window()->activateWindow();
    refreshConnectionPanel();
}

void FilePanel::closeWorkbook() {
    closeWorkbookConnection(context_.workbook);
    refreshConnectionPanel();
}

bool FilePanel::chooseInto(QLineEdit* field, const QString& suffix, const QString& filter) {
    QString text = field->text();
    if (!chooseIntoField(context_.chooseFile, window(), context_.folder.root, text, suffix, filter)) return false;
    field->setText(text);
    return true;
}

void FilePanel::chooseCsvFile() {
    chooseInto(textCsvName, QStringLiteral("*.csv"), QStringLiteral("CSVﾌｧｲﾙ(*.csv)|*.csv"));
}

void FilePanel::chooseScriptFile() {
    chooseInto(textScrName, QStringLiteral("*.txt"), QStringLiteral("TXTﾌｧｲﾙ(*.txt)|*.txt"));
}

void FilePanel::chooseWorkbookFile() {
    chooseInto(textExcelName, QStringLiteral("*.xls"),
               QStringLiteral("ﾌﾞｯｸﾌｧｲﾙ(*.xls *.xlsx *.ods)|*.xls *.xlsx *.ods"));
}

}  // namespace vel::ui
