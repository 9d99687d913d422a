// The window program itself, started as a user starts it: from its own
// program folder, with a setup.dat and the instrument on its port. It must
// reach its main window without a message in the way; the start-up sign it
// gives for the benchmark tells when.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "e2e/fault_run.h"

namespace vel::test {
namespace {

const QString kWindowProgram = QStringLiteral(VEL_BINARY_DIR "/velloran");

TEST(GuiStart, ReachesTheMainWindowAndSaysSo) {
    if (!QFile::exists(kWindowProgram)) GTEST_SKIP() << "velloran was not built (no Qt Widgets)";
    FaultRun f;
    ASSERT_TRUE(f.prepare(kThreeValueScript, 1));
    ASSERT_TRUE(f.startSim({}));
    const QString program = f.path("velloran");
    ASSERT_TRUE(QFile::copy(kWindowProgram, program));

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VELLORAN_REPORT_SHOWN", "quit");
    p.setProcessEnvironment(env);
    p.start(program, {});
    ASSERT_TRUE(p.waitForStarted(5000));
    const bool ended = p.waitForFinished(30000);
    if (!ended) p.kill();
    const QString err = QString::fromUtf8(p.readAllStandardError());
    ASSERT_TRUE(ended) << "no main window within 30 s (a message box?) " << err.toStdString();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(err.contains(QRegularExpression("velloran: main window shown after \\d+ ms"))) << err.toStdString();
}

}  // namespace
}  // namespace vel::test
