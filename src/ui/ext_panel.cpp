#include "ui/ext_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/widgets.h"

namespace vel::ui {
namespace {

enum class Kind { Number, Check, Text, Secret };

// How each key of velloran.ini shows on the panel: the station's own keys on
// the left, the uplink's in a box on the right. A key missing here still
// shows, under its own name, as a text field in the box.
struct KeyView {
    const char* key;
    const char* name;  // control name
    const char16_t* caption;
    Kind kind;
    bool uplink;
    const char16_t* hint = u"";  // shown in the empty field
};

constexpr KeyView kViews[] = {
    {"reconnect.intervalSeconds", "TextReconnectSeconds", u"再接続の間隔（秒）", Kind::Number, false},
    {"silence.cycles", "TextSilenceCycles", u"無応答ｱﾗｰﾑ（ｻｲｸﾙ）", Kind::Number, false},
    {"csv.daily", "CheckCsvDaily", u"CSV を日ごとに分ける", Kind::Check, false},
    {"csv.isoTime", "CheckCsvIsoTime", u"CSV の時間を ISO 8601 に", Kind::Check, false},
    {"web.listen", "TextWebListen", u"Web ﾍﾟｰｼﾞ（ﾎｽﾄ:ﾎﾟｰﾄ）", Kind::Text, false, u"空欄で開かない"},
    {"web.token", "TextWebToken", u"Web ﾍﾟｰｼﾞのﾄｰｸﾝ", Kind::Secret, false},
    {"web.cert", "TextWebCert", u"Web ﾍﾟｰｼﾞの証明書", Kind::Text, false},
    {"web.key", "TextWebKey", u"Web ﾍﾟｰｼﾞの秘密鍵", Kind::Text, false},
    {"uplink.url", "TextUplinkUrl", u"URL", Kind::Text, true, u"mqtt://ﾎｽﾄ:1883（空欄で送らない）"},
    {"uplink.station", "TextUplinkStation", u"局名", Kind::Text, true, u"空欄でホスト名"},
    {"uplink.username", "TextUplinkUser", u"ユーザー名", Kind::Text, true},
    {"uplink.password", "TextUplinkPassword", u"パスワード", Kind::Secret, true},
    {"uplink.ca", "TextUplinkCa", u"CA 証明書", Kind::Text, true},
    {"uplink.prefix", "TextUplinkPrefix", u"トピックの頭", Kind::Text, true},
    {"uplink.spoolMb", "TextUplinkSpoolMb", u"送信待ちの上限（MB）", Kind::Number, true},
    {"uplink.discovery", "TextUplinkDiscovery", u"ディスカバリー", Kind::Text, true, u"空欄、または homeassistant"},
};

const KeyView* viewOf(const QString& key) {
    for (const KeyView& v : kViews)
        if (key == QLatin1String(v.key)) return &v;
    return nullptr;
}

QString captionOf(const QString& key) {
    const KeyView* v = viewOf(key);
    return v ? QString::fromUtf16(v->caption) : key;
}

// The start of the message is the one the other panels show for a value
// that does not fit; what the field takes follows it.
QString refusedText(const QString& caption, const QString& allowed) {
    return caption + QStringLiteral("の値が正しくありません！（") + allowed + QStringLiteral("）");
}

const QString kUnitsCaption = QStringLiteral("単位");
const QString kUnitsForm = QStringLiteral("1行に D001=V の形、項目は D001～D256");

// The units as the panel shows them: "D001=V", one item a line.
QString unitsText(const QMap<QString, QString>& units) {
    QStringList lines;
    for (auto it = units.cbegin(); it != units.cend(); ++it) lines << it.key() + u'=' + it.value();
    return lines.join(u'\n');
}

// Blank lines are skipped and a line "D001=" removes the unit; nullopt when
// a line is not ITEM=UNIT for an item D001..D256.
std::optional<QMap<QString, QString>> parseUnits(const QString& text) {
    QMap<QString, QString> units;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) continue;
        const qsizetype eq = line.indexOf(u'=');
        const QString item = line.left(eq).trimmed().toUpper();
        if (eq < 0 || !isItemName(item)) return std::nullopt;
        const QString unit = line.mid(eq + 1).trimmed();
        if (!unit.isEmpty()) units.insert(item, unit);
    }
    return units;
}

}  // namespace

ExtPanel::ExtPanel(MainContext& context, QWidget* parent) : QGroupBox(parent), context_(context) {
    setObjectName(QStringLiteral("FrameExt"));
    setTitle(QStringLiteral("無人運転、ｱｯﾌﾟﾘﾝｸ設定"));
    auto* station = new QGridLayout;
    auto* uplinkBox = new QGroupBox(QStringLiteral("ｱｯﾌﾟﾘﾝｸ（MQTT）"), this);
    uplinkBox->setObjectName(QStringLiteral("FrameUplink"));
    auto* uplink = new QGridLayout(uplinkBox);
    for (QGridLayout* grid : {station, uplink}) {
        grid->setHorizontalSpacing(8);
        grid->setVerticalSpacing(2);
    }
    uplink->setContentsMargins(8, 2, 8, 4);
    for (const ExtensionField& field : extensionFields()) {
        const QString key = QString::fromLatin1(field.name);
        if (isChannelKey(key) || isProcessKey(key)) continue;
        const KeyView* view = viewOf(key);
        const Kind kind = view ? view->kind : Kind::Text;
        QGridLayout* grid = view && !view->uplink ? station : uplink;
        QWidget* parent = grid == uplink ? static_cast<QWidget*>(uplinkBox) : this;
        const char* name = view ? view->name : field.name;
        const int row = grid->rowCount();
        QWidget* edit = nullptr;
        if (kind == Kind::Check) {
            edit = checkBox(parent, name, captionOf(key));
            grid->addWidget(edit, row, 0, 1, 2);
        } else {
            auto* line = textField(parent, name, kind == Kind::Number ? 60 : 0);
            if (kind == Kind::Secret) line->setEchoMode(QLineEdit::Password);
            if (view) line->setPlaceholderText(QString::fromUtf16(view->hint));
            QLabel* caption = label(parent, captionOf(key));
            caption->setBuddy(line);
            grid->addWidget(caption, row, 0);
            grid->addWidget(line, row, 1, kind == Kind::Number ? Qt::AlignLeft : Qt::Alignment());
            edit = line;
        }
        editors_.insert(key, edit);
    }
    // What 0 means for the two numbers (the manual has the whole story).
    station->addWidget(label(this, QStringLiteral("0：再接続しない、ｱﾗｰﾑなし"), "LabelExtZero"), station->rowCount(), 0, 1, 2);
    units_ = new QPlainTextEdit(this);
    units_->setObjectName(QStringLiteral("TextUnits"));
    units_->setPlaceholderText(QStringLiteral("D001=V"));
    units_->setTabChangesFocus(true);
    units_->setFixedHeight(fontMetrics().lineSpacing() * 3 + 10);
    // As wide as the fields above it, never wider: the uplink box keeps the room.
    units_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    QLabel* unitsCaption = label(this, kUnitsCaption + QStringLiteral("（1行に D001=V）"), "LabelUnits");
    unitsCaption->setBuddy(units_);
    station->addWidget(unitsCaption, station->rowCount(), 0, 1, 2);
    station->addWidget(units_, station->rowCount(), 0, 1, 2);
    station->setRowStretch(station->rowCount(), 1);
    uplink->setColumnStretch(1, 1);
    auto* columns = new QHBoxLayout;
    columns->setSpacing(12);
    columns->addLayout(station);
    columns->addWidget(uplinkBox, 1);
    commandExtOk = button(this, "CommandExtOk", QStringLiteral("OK"));
    commandExtNg = button(this, "CommandExtNg", QStringLiteral("キャンセル"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(commandExtOk);
    buttons->addWidget(commandExtNg);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 4, 16, 6);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);
}

void ExtPanel::load() {
    const ExtensionLoad loaded = readExtensionSettings(context_.folder.extensionIni());
    const ExtensionSettings& settings = loaded.settings;
    // What the file held that was not taken, with the value used instead:
    // one notice as the panel opens (the panel has no room for long lines).
    const QStringList notes = loaded.notes();
    if (!notes.isEmpty()) context_.messages.info(notes.join(u'\n'));
    units_->setPlainText(unitsText(settings.units));
    for (const ExtensionField& field : extensionFields()) {
        QWidget* edit = editors_.value(QString::fromLatin1(field.name));
        const QString value = field.get(settings);
        if (auto* check = qobject_cast<QCheckBox*>(edit)) check->setChecked(value == QLatin1String("1"));
        else if (auto* line = qobject_cast<QLineEdit*>(edit)) line->setText(value);
    }
}

bool ExtPanel::save() {
    ExtensionSettings settings = loadExtensionSettings(context_.folder.extensionIni());
    for (const ExtensionField& field : extensionFields()) {
        const QString key = QString::fromLatin1(field.name);
        if (isChannelKey(key) || isProcessKey(key)) continue;  // kept as the file holds them
        QWidget* edit = editors_.value(key);
        QString value;
        if (auto* check = qobject_cast<QCheckBox*>(edit)) value = check->isChecked() ? "1" : "0";
        else if (auto* line = qobject_cast<QLineEdit*>(edit)) value = line->text().trimmed();
        if (!field.set(settings, value)) {
            context_.messages.info(refusedText(captionOf(key), field.allowed));
            edit->setFocus();
            return false;
        }
    }
    const auto units = parseUnits(units_->toPlainText());
    if (!units) {
        context_.messages.info(refusedText(kUnitsCaption, kUnitsForm));
        units_->setFocus();
        return false;
    }
    settings.units = *units;
    if (!saveExtensionSettings(context_.folder.extensionIni(), settings)) {
        context_.messages.info(QStringLiteral("velloran.ini に書き込みできません！"));
        return false;
    }
    return true;
}

}  // namespace vel::ui
