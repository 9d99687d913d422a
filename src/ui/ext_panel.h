#pragma once
// The panel FrameExt: every key of velloran.ini (reconnect, no-reply alarm,
// daily CSV, the uplink, the items' units), read from the file when the panel
// opens and saved on OK. What the file held that was not taken is shown in a
// notice as the panel opens. A run reads the file when it starts.
#include <QGroupBox>
#include <QHash>

#include "settings/extension_settings.h"
#include "ui/main_context.h"

class QPlainTextEdit;
class QPushButton;

namespace vel::ui {

class ExtPanel : public QGroupBox {
public:
    ExtPanel(MainContext& context, QWidget* parent);

    // Shows what velloran.ini holds now (defaults for missing keys).
    void load();
    // Takes every field back; the first value that does not fit is shown
    // and nothing is saved (false, the panel stays open). False too when the
    // file cannot be written.
    bool save();

    // The editor of a key ("csv.daily"): a QCheckBox or a QLineEdit; the
    // units are the QPlainTextEdit "TextUnits".
    QWidget* editor(const QString& key) const { return editors_.value(key); }

    QPushButton* commandExtOk;
    QPushButton* commandExtNg;

private:
    MainContext& context_;
    QHash<QString, QWidget*> editors_;
    QPlainTextEdit* units_;   // "D001=V", one item a line
};

}  // namespace vel::ui
