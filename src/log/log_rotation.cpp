#include "log/log_rotation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace vel {
namespace {

// Whether any open descriptor in any process we may look at (/proc/<pid>/fd)
// refers to the file (dev, ino), apart from our own descriptor `ownFd`.
bool openElsewhere(dev_t dev, ino_t ino, int ownFd) {
    DIR* proc = ::opendir("/proc");
    if (!proc) return false;
    const pid_t self = ::getpid();
    bool found = false;
    while (!found) {
        const dirent* p = ::readdir(proc);
        if (!p) break;
        char* end = nullptr;
        const long pid = std::strtol(p->d_name, &end, 10);
        if (end == p->d_name || *end != '\0' || pid <= 0) continue;
        char fdDir[64];
        std::snprintf(fdDir, sizeof fdDir, "/proc/%ld/fd", pid);
        DIR* fds = ::opendir(fdDir);
        if (!fds) continue;  // gone, or not ours to look at
        while (const dirent* f = ::readdir(fds)) {
            const long n = std::strtol(f->d_name, &end, 10);
            if (end == f->d_name || *end != '\0') continue;
            if (pid == self && n == ownFd) continue;
            char link[96];
            std::snprintf(link, sizeof link, "%s/%ld", fdDir, n);
            struct stat st {};
            if (::stat(link, &st) == 0 && st.st_dev == dev && st.st_ino == ino) {
                found = true;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return found;
}

// Whether another holder has a lock on the file: a whole-file flock(), a
// record lock (fcntl, per process) or an open-file-description lock.
bool lockedElsewhere(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return true;
    ::flock(fd, LOCK_UN);
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;
    if (::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) return true;
#ifdef F_OFD_GETLK
    struct flock ofd {};
    ofd.l_type = F_WRLCK;
    ofd.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_GETLK, &ofd) == 0 && ofd.l_type != F_UNLCK) return true;
#endif
    return false;
}

}  // namespace

int32_t fileSizeOf(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    int32_t result = -1;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && !lockedElsewhere(fd) &&
        !openElsewhere(st.st_dev, st.st_ino, fd)) {
        result = st.st_size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(st.st_size);
    }
    ::close(fd);
    return result;
}

bool rotateLog(const QString& logPath) {
    const QFileInfo info(logPath);
    if (!info.exists()) return false;
    // The plain size first: a small log stays whether or not it is in use,
    // and only a large one needs the look through every process.
    if (info.size() <= kRotateAbove || fileSizeOf(logPath) <= kRotateAbove) return false;
    QString backup = logPath;
    if (backup.endsWith(QStringLiteral(".log"))) backup.chop(4);
    backup += QStringLiteral(".bak");
    if (QFileInfo::exists(backup)) QFile::remove(backup);
    return QFile::rename(logPath, backup);
}

void rotateLogs(const ProgramFolder& folder) {
    QDir().mkpath(folder.logDir());
    static const char* const kLogs[] = {"DataLog", "RsLog", "AlarmLog", "MailLog"};
    for (const char* name : kLogs) rotateLog(folder.logFile(QString::fromLatin1(name) + QStringLiteral(".log")));
}

}  // namespace vel
