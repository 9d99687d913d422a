#include "app/cli_check.h"

#include <cstdio>

#include "app/cli_check_report.h"
#include "app/cli_message_box.h"
#include "script/script_defaults.h"
#include "script/script_loader.h"

namespace vel {
namespace {

// Keeps the loader's message for the JSON answer and still shows it on stderr.
class KeepingMessageBox : public StderrMessageBox {
public:
    void info(const QString& text) override {
        if (first.isEmpty()) first = text;
        StderrMessageBox::info(text);
    }
    QString first;
};

void writeOut(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

}  // namespace

int runCheck(const QStringList& args) {
    bool json = false;
    QStringList paths;
    for (const QString& a : args) {
        if (a == QLatin1String("--json"))
            json = true;
        else if (a.startsWith(QLatin1String("--")))
            return 2;
        else
            paths << a;
    }
    if (paths.size() != 1) return 2;

    ScriptTables tables;
    resetScriptTables(tables);
    KeepingMessageBox box;
    const bool ok = loadScript(tables, paths[0], box);
    if (json)
        writeOut(ok ? checkJson(tables) : checkFailureJson(box.first));
    else if (ok)
        writeOut(checkText(tables, paths[0]).toUtf8());
    return ok ? 0 : 1;
}

}  // namespace vel
