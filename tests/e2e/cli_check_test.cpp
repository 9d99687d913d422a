// velloran-cli check, run as a user runs it, on the shipped samples and on
// scripts the loader refuses.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "text/cp932.h"

namespace {

struct CliRun {
    int exitCode = -1;
    QByteArray out, err;
};

CliRun check(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(VEL_BINARY_DIR "/velloran-cli"), QStringList{"check"} + args);
    CliRun r;
    if (!p.waitForFinished(30000)) return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QJsonObject json(const CliRun& r) { return QJsonDocument::fromJson(r.out).object(); }

QString sample(const char* name) { return QStringLiteral(VEL_SOURCE_DIR "/samples/") + name; }

QJsonArray ints(std::initializer_list<int> v) {
    QJsonArray a;
    for (int x : v) a.append(x);
    return a;
}

TEST(CliCheck, SamplesLoad) {
    struct Case { const char* file; int commands; int item; const char* name; QJsonArray alarmOp; QJsonArray sndBytes; };
    const Case cases[] = {
        {"multimeter.txt", 14, 0, "DC Volt", ints({5, 1}), QJsonArray()},
        {"balance.txt", 11, 1, "Weight g", ints({5, 0}), ints({'T', 13})},
        {"alarms_ja.txt", 14, 0, "槽内温度", ints({5, 1}), ints({2, 'R', 'D', 3})},
    };
    for (const Case& c : cases) {
        const CliRun text = check({sample(c.file)});
        EXPECT_EQ(text.exitCode, 0) << c.file << text.err.toStdString();
        EXPECT_TRUE(text.out.contains(QString::fromUtf8(c.name).toUtf8())) << c.file;

        const CliRun r = check({sample(c.file), "--json"});
        ASSERT_EQ(r.exitCode, 0) << c.file;
        const QJsonObject o = json(r);
        EXPECT_TRUE(o["ok"].toBool()) << c.file;
        EXPECT_EQ(o["scriptCount"].toInt(), c.commands) << c.file;
        EXPECT_EQ(o["commands"].toArray().size(), c.commands) << c.file;
        QJsonObject item;
        QList<int> indices;
        for (const QJsonValue& v : o["items"].toArray()) {
            indices << v["index"].toInt();
            if (v["index"].toInt() == c.item) item = v.toObject();
        }
        EXPECT_TRUE(indices.contains(257) && indices.contains(258)) << c.file;
        EXPECT_EQ(item["name"].toString().trimmed(), QString::fromUtf8(c.name)) << c.file;
        EXPECT_EQ(item["alarmOp"].toArray(), c.alarmOp) << c.file;
        if (!c.sndBytes.isEmpty()) {
            bool found = false;
            for (const QJsonValue& v : o["commands"].toArray())
                if (v["mnemonic"].toString() == "SND") found = found || v["bytes"].toArray() == c.sndBytes;
            EXPECT_TRUE(found) << c.file;
        }
    }
}

TEST(CliCheck, RefusedScriptsAndUsage) {
    vel::test::TempProgramFolder dir;
    const QString bad = dir.write("bad.txt", vel::cp932::encode("SSS\r\nsnd:ABC\r\n"));
    const QString message = "ｽｸﾘﾌﾟﾄ不正(" + bad + ") ｽｸﾘﾌﾟﾄNo.2:snd:ABC ";

    const CliRun text = check({bad});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_TRUE(text.out.isEmpty());
    EXPECT_EQ(QString::fromUtf8(text.err).trimmed(), message.trimmed());

    const CliRun r = check({"--json", bad});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(json(r)["ok"].toBool(true));
    EXPECT_EQ(json(r)["message"].toString(), message);

    const CliRun missing = check({dir.path("none.txt"), "--json"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(json(missing)["message"].toString(), "ｽｸﾘﾌﾟﾄﾌｧｲﾙ:" + dir.path("none.txt") + "がありません");

    for (const QStringList& args : {QStringList{}, QStringList{bad, bad}, QStringList{bad, "--xml"}})
        EXPECT_EQ(check(args).exitCode, 2) << args.join(' ').toStdString();
}

}  // namespace
