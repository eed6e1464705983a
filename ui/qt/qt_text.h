#pragma once
// The logic's texts are UTF-8 bytes; Qt's are QString. Internal to ui/qt.
#include <QString>
#include <string>

namespace ks::ui::qt {

inline QString Q(const std::string& utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }
inline std::string U(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace ks::ui::qt
