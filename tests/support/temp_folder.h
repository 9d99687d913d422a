#pragma once
// A fresh program folder for one test, removed afterwards.
#include <QByteArray>
#include <QTemporaryDir>

#include "base/program_folder.h"

namespace vel::test {

class TempProgramFolder {
public:
    TempProgramFolder() { folder.root = dir_.path(); }
    ProgramFolder folder;

    QString path(const QString& relative) const { return folder.path(relative); }
    // Writes bytes to a file under the folder (creating sub-folders) and returns its path.
    QString write(const QString& relative, const QByteArray& bytes) const;
    QByteArray read(const QString& relative) const;

private:
    QTemporaryDir dir_;
};

}  // namespace vel::test
