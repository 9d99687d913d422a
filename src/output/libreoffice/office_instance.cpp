#include "output/libreoffice/office_instance.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <chrono>
#include <csignal>
#include <exception>

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/lang/DisposedException.hpp>

#include "output/libreoffice/uno_text.h"
#include "output/office_process.h"
#include "output/office_profile.h"

#ifndef VELLORAN_OFFICE_PROGRAM_DIR
#define VELLORAN_OFFICE_PROGRAM_DIR "/usr/lib/libreoffice/program"
#endif

namespace vel {

using css::uno::Reference;

namespace {

// Instances of the program's office that may run at once: a new start while
// an earlier instance still holds its profile (the user kept the workbook
// open after the program ended) takes the next profile folder.
constexpr int kProfileSlots = 8;
constexpr int kConnectPollMs = 100;

// A write to the pipe of an office that was killed must come back to the
// bridge as an error instead of ending the program with SIGPIPE.
void ignoreBrokenPipes() {
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

QString OfficeInstance::program() const {
    return options.program.isEmpty() ? QStringLiteral(VELLORAN_OFFICE_PROGRAM_DIR "/soffice") : options.program;
}

Reference<css::frame::XDesktop2> OfficeInstance::desktop() const {
    Reference<css::frame::XDesktop2> desk = link.desktop();
    if (!desk.is()) throw css::lang::DisposedException("the office connection is closed");
    return desk;
}

bool OfficeInstance::ensureLocalContext(QString& failure) {
    if (local.is()) return true;
    try {
        local = makeLocalUnoContext(QFileInfo(QStringLiteral(VELLORAN_OFFICE_PROGRAM_DIR)).absoluteFilePath());
    } catch (const css::uno::Exception& e) {
        failure = QStringLiteral("UNO を初期化できません: ") + toQString(e.Message);
    } catch (const std::exception& e) {
        failure = QStringLiteral("UNO を初期化できません: ") + QString::fromLocal8Bit(e.what());
    }
    return local.is();
}

// One bounded connection attempt to a pipe.
bool OfficeInstance::tryConnect(const QString& name) {
    ArmedCall armed(watchdog, std::chrono::milliseconds(options.callTimeoutMs));
    try {
        return link.connect(local, name);
    } catch (const css::uno::Exception&) {
    } catch (const std::exception&) {
    }
    link.cut();
    return false;
}

// The first profile folder whose instance is not running.
std::optional<QString> OfficeInstance::freeProfile() {
    for (int slot = 0; slot < kProfileSlots; ++slot) {
        const QString dir = options.profileRoot + QLatin1Char('/') + QString::number(slot);
        if (!tryConnect(officePipeName(dir))) return dir;
        link.cut();
    }
    return std::nullopt;
}

bool OfficeInstance::start(QString& failure) {
    failure.clear();
    ignoreBrokenPipes();
    if (!ensureLocalContext(failure)) return false;
    const auto profile = freeProfile();
    if (!profile || !prepareOfficeProfile(*profile)) {
        failure = QStringLiteral("オフィスのプロファイルを用意できません");
        return false;
    }
    const OfficeStart how{program(), *profile, officePipeName(*profile), options.headless};
    const auto pid = startOffice(how);
    if (!pid) {
        failure = program() + QStringLiteral(" を起動できません");
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    while (!tryConnect(how.pipeName)) {
        // An office that ends before it accepts will not accept.
        if (waited.elapsed() >= options.startTimeoutMs || !processRunning(*pid)) {
            failure = processRunning(*pid)
                          ? QStringLiteral("オフィスが %1 秒以内に接続を受け付けません").arg(options.startTimeoutMs / 1000)
                          : QStringLiteral("オフィスのプロセスが接続前に終了しました");
            killProcessTree(*pid);
            return false;
        }
        QThread::msleep(kConnectPollMs);
    }
    launcher = *pid;
    pipe = how.pipeName;
    return true;
}

bool OfficeInstance::answers() {
    if (!link.isOpen()) return false;
    ArmedCall armed(watchdog, std::chrono::milliseconds(options.callTimeoutMs));
    try {
        desktop()->getFrames();
        return true;
    } catch (const css::uno::Exception&) {
    } catch (const std::exception&) {
    }
    return false;
}

void OfficeInstance::drop() {
    if (link.isOpen()) {
        ArmedCall armed(watchdog, std::chrono::milliseconds(options.callTimeoutMs));
        try {
            const Reference<css::frame::XDesktop2> desk = desktop();
            if (!desk->getComponents()->createEnumeration()->hasMoreElements()) desk->terminate();
        } catch (const css::uno::Exception&) {
        } catch (const std::exception&) {
        }
    }
    link.cut();
    launcher = 0;
    pipe.clear();
}

}  // namespace vel
