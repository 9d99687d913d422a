#include "serial/serial_devices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace vel {
namespace {

QString readLine(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readLine()).trimmed();
}

// A USB adapter's product name from sysfs (one folder above the interface),
// else what kind of port the node is, in words: the kernel's driver name
// ("port", "serial8250") tells the user nothing.
QString sysfsDescription(const QString& root, const QString& name) {
    const QString device = root + "/sys/class/tty/" + name + "/device";
    QString product = readLine(device + "/../product");
    if (product.isEmpty()) product = readLine(device + "/product");
    if (!product.isEmpty()) return product;
    if (name.startsWith(QStringLiteral("ttyUSB"))) return QStringLiteral("USB シリアル変換器");
    if (name.startsWith(QStringLiteral("ttyACM"))) return QStringLiteral("USB 通信機器");
    return QStringLiteral("内蔵シリアルポート");
}

// An on-board port whose UART type is 0 is a node without hardware.
bool hasHardware(const QString& root, const QString& name) {
    if (!name.startsWith(QStringLiteral("ttyS"))) return true;
    const QString type = readLine(root + "/sys/class/tty/" + name + "/type");
    return !type.isEmpty() && type != QStringLiteral("0");
}

// The node a by-id link reaches, as a path without the root.
QString nodeOf(const QString& root, const QString& link) {
    const QString target = QFileInfo(root + link).canonicalFilePath();
    return target.startsWith(root) ? target.mid(root.size()) : target;
}

}  // namespace

QList<SerialDevice> presentSerialDevices(const QString& root) {
    QList<SerialDevice> devices;
    QSet<QString> nodes;
    const QDir byId(root + "/dev/serial/by-id");
    for (const QString& name : byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString path = "/dev/serial/by-id/" + name;
        const QString node = nodeOf(root, path);
        if (node.isEmpty()) continue;  // a link left behind by an unplugged adapter
        nodes.insert(node);
        devices.append({path, node, name});
    }
    const QDir dev(root + "/dev");
    for (const char* pattern : {"ttyUSB*", "ttyACM*", "ttyS*"}) {
        QStringList names = dev.entryList({QString::fromLatin1(pattern)}, QDir::System | QDir::Files, QDir::Name);
        // ttyS10 after ttyS9
        std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        for (const QString& name : names) {
            const QString node = "/dev/" + name;
            if (nodes.contains(node) || !hasHardware(root, name)) continue;
            devices.append({node, node, sysfsDescription(root, name)});
        }
    }
    return devices;
}

bool serialDevicePresent(const QString& device, const QString& root) {
    if (device.isEmpty()) return false;
    // A link is resolved below the root too, so a fake /dev answers for the real one.
    QFileInfo info(root + device);
    for (int hops = 0; info.isSymLink() && hops < 8; ++hops) {
        const QString target = info.symLinkTarget();
        info = QFileInfo(target.startsWith(root) ? target : root + target);
    }
    return info.exists();
}

QString linkComDevice(const ProgramFolder& folder, int number, const QString& device) {
    const QString link = folder.comLink(number);
    if (!QDir().mkpath(QFileInfo(link).absolutePath())) return QFileInfo(link).absolutePath();
    const QFileInfo old(link);
    if ((old.isSymLink() || old.exists()) && !QFile::remove(link)) return link;
    if (!QFile::link(device, link)) return link;
    return {};
}

}  // namespace vel
