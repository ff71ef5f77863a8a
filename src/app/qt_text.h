// Conversions between the program's byte texts and Qt's strings. Names and
// file contents are bytes; the desktop shows them as UTF-8.
//
// The round trip loses nothing: a byte that starts no valid UTF-8 character
// becomes the lone surrogate U+DC80 + byte and comes back as that byte (as
// Python's "surrogateescape"), so a name in Latin-1 survives a window's
// field. Valid UTF-8 converts as QString::fromUtf8 does.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace zuruza {

QString ToQt(std::string_view text);
std::string FromQt(const QString& text);

// "Name|pattern|Name|pattern" as a Qt dialog filter "Name (pattern);;...".
QString QtFilter(std::string_view filter);

}  // namespace zuruza
