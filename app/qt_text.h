// Conversions between the program's wide strings (UTF-16) and Qt's strings, which are UTF-16 too.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace vermark {

inline QString to_qstring(std::u16string_view text) {
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

inline std::u16string from_qstring(const QString& text) {
    return text.toStdU16String();
}

}  // namespace vermark
