#include "serial/port_device.h"

#include <QFileInfo>

namespace vel {

QString comDevice(const ProgramFolder& folder, int number) {
    if (number < 1) return {};
    const QFileInfo link(folder.comLink(number));
    // A link counts even when its target is gone: the port then fails to open
    // instead of silently reaching some other device.
    if (link.isSymLink()) return link.symLinkTarget();
    if (link.exists()) return link.absoluteFilePath();
    return "/dev/ttyS" + QString::number(number - 1);
}

}  // namespace vel
