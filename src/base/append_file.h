#pragma once
// A text file that is only ever appended to: opened for writing at its end
// (created when missing, never truncated), written without user-space
// buffering so that every write() has reached the kernel when it returns.
// Logs, the data log and the CSV output write through it; the CSV output
// also syncs each row to the disk.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vel {

// Pushes what was written to `fd` to the disk, so a power cut keeps it. A
// file that cannot be synced at all (a device, a pipe) counts as synced.
inline bool syncData(int fd) {
    int rc;
    do rc = ::fdatasync(fd);
    while (rc != 0 && errno == EINTR);
    return rc == 0 || errno == EINVAL || errno == EROFS;
}

class AppendFile {
public:
    AppendFile() = default;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile() { close(); }

    // Opens `path` for appending; false when it cannot be opened as a regular file.
    bool open(const QString& path) {
        close();
        const QByteArray native = QFile::encodeName(path);
        int fd;
        do {
            fd = ::open(native.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return false;
        fd_ = fd;
        return true;
    }

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // Writes all bytes; false on the first failure (bytes already written stay).
    bool write(const QByteArray& bytes) {
        if (fd_ < 0) return false;
        const char* p = bytes.constData();
        qsizetype left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(fd_, p, static_cast<size_t>(left));
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (n == 0) return false;
            p += n;
            left -= n;
        }
        return true;
    }

    // Pushes what was written to the disk, so a power cut keeps it. A file
    // that cannot be synced at all (a device, a pipe) counts as synced.
    bool sync() { return fd_ >= 0 && syncData(fd_); }

    // The size of the open file, -1 when it cannot be read.
    long long size() const {
        struct stat st {};
        if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
        return static_cast<long long>(st.st_size);
    }

    // The last byte of the open file, -1 when the file is empty or unreadable
    // (the descriptor is write-only, so this reads through a second one).
    int lastByte(const QString& path) const {
        if (size() <= 0) return -1;
        const int rfd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (rfd < 0) return -1;
        unsigned char b = 0;
        const off_t end = ::lseek(rfd, 0, SEEK_END);
        const bool ok = end > 0 && ::pread(rfd, &b, 1, end - 1) == 1;
        ::close(rfd);
        return ok ? b : -1;
    }

    // Closes the file; false when the close reported an error.
    bool close() {
        if (fd_ < 0) return true;
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0;
    }

private:
    int fd_ = -1;
};

}  // namespace vel
