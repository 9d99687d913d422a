#pragma once
// Text between the program (QString) and the office (OUString): both hold
// UTF-16, so the conversion copies the code units unchanged.
#include <QString>
#include <rtl/ustring.hxx>

namespace vel {

inline rtl::OUString toOUString(const QString& s) {
    return rtl::OUString(reinterpret_cast<const sal_Unicode*>(s.utf16()), static_cast<sal_Int32>(s.size()));
}

inline QString toQString(const rtl::OUString& s) {
    return QString(reinterpret_cast<const QChar*>(s.getStr()), s.getLength());
}

}  // namespace vel
