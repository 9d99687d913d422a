#include "sim_pty.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vel::sim {
namespace {

QString systemError(const QString& what) { return what + ": " + QString::fromLocal8Bit(std::strerror(errno)); }

QString readLink(const QString& path) {
    char buf[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buf, sizeof buf - 1);
    if (n < 0) return {};
    return QFile::decodeName(QByteArray(buf, static_cast<int>(n)));
}

}  // namespace

bool openPty(Pty* pty, QString* error) {
    pty->master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (pty->master < 0) {
        *error = systemError("posix_openpt");
        return false;
    }
    if (::grantpt(pty->master) != 0 || ::unlockpt(pty->master) != 0) {
        *error = systemError("unlockpt");
        closePty(pty);
        return false;
    }
    const char* name = ::ptsname(pty->master);
    if (!name) {
        *error = systemError("ptsname");
        closePty(pty);
        return false;
    }
    pty->slavePath = QFile::decodeName(name);
    pty->slave = ::open(name, O_RDWR | O_NOCTTY);
    termios t{};
    if (pty->slave < 0 || ::tcgetattr(pty->slave, &t) != 0) {
        *error = systemError("open " + pty->slavePath);
        closePty(pty);
        return false;
    }
    ::cfmakeraw(&t);
    ::tcsetattr(pty->slave, TCSANOW, &t);
    ::fcntl(pty->master, F_SETFL, ::fcntl(pty->master, F_GETFL) | O_NONBLOCK);
    return true;
}

void closePty(Pty* pty) {
    if (pty->slave >= 0) ::close(pty->slave);
    if (pty->master >= 0) ::close(pty->master);
    pty->slave = pty->master = -1;
}

bool placeLink(const QString& linkPath, const QString& target, QString* error) {
    const QFileInfo info(linkPath);
    if (!QDir().mkpath(info.absolutePath())) {
        *error = "cannot create the folder " + info.absolutePath();
        return false;
    }
    if (info.exists() && !info.isSymLink()) {
        *error = linkPath + " exists and is not a link; not replaced";
        return false;
    }
    // A new link under a temporary name renamed over the old one: the name
    // never points nowhere, and a stale link is replaced in one step.
    const QString temp = linkPath + ".new" + QString::number(::getpid());
    const QByteArray tempName = QFile::encodeName(temp);
    ::unlink(tempName.constData());
    if (::symlink(QFile::encodeName(target).constData(), tempName.constData()) != 0) {
        *error = systemError("symlink " + temp);
        return false;
    }
    if (::rename(tempName.constData(), QFile::encodeName(linkPath).constData()) != 0) {
        *error = systemError("rename to " + linkPath);
        ::unlink(tempName.constData());
        return false;
    }
    return true;
}

void removeLink(const QString& linkPath, const QString& target) {
    if (readLink(linkPath) == target) ::unlink(QFile::encodeName(linkPath).constData());
}

}  // namespace vel::sim
