// Conversions between the program's byte texts and Qt's strings. Names and
// file contents are bytes; the desktop shows them as UTF-8.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace zuruza {

inline QString ToQt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQt(const QString& text) {
  QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// "Name|pattern|Name|pattern" as a Qt dialog filter "Name (pattern);;...".
QString QtFilter(std::string_view filter);

}  // namespace zuruza
