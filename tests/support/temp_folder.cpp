#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vel::test {

QString TempProgramFolder::write(const QString& relative, const QByteArray& bytes) const {
    const QString p = path(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
    return p;
}

QByteArray TempProgramFolder::read(const QString& relative) const {
    QFile f(path(relative));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

}  // namespace vel::test
