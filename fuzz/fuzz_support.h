#pragma once
// Shared pieces of the fuzz targets: a message box that only counts, a
// temporary file for the loaders that read from disk, and a Qt application
// object for the code that needs one.
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

#include "base/message_box.h"

namespace vel::fuzz {

class CountingMessageBox : public MessageBox {
public:
    void info(const QString&) override { ++shown; }
    bool ask(const QString&) override {
        ++shown;
        return false;
    }
    int shown = 0;
};

// One folder for the whole fuzzing process; each input overwrites the file.
inline const QString& scratchFile(const char* name) {
    static QTemporaryDir dir;
    static const QString path = dir.path() + "/" + QString::fromLatin1(name);
    return path;
}

inline QString writeScratch(const char* name, const uint8_t* data, size_t size) {
    const QString& path = scratchFile(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    return path;
}

inline void ensureApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

// Stops the fuzzer with a crash report when a property fails.
inline void require(bool holds) {
    if (!holds) std::abort();
}

}  // namespace vel::fuzz
