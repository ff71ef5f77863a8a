#include "app/qt_text.h"

#include "base/utf8.h"

namespace zuruza {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + a byte of 0x80..0xFF

// The length of the valid UTF-8 character at `pos`, or 0 when the byte
// there starts none.
std::size_t ValidLength(std::string_view text, std::size_t pos) {
  const Utf8Char c = DecodeUtf8At(text, pos);
  return c.valid ? c.size : 0;
}

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString ToQt(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t length = ValidLength(text, pos);
    if (length == 0) break;
    pos += length;
  }
  if (pos == text.size()) return FromUtf8(text);  // the usual case: all UTF-8
  // The valid start as fromUtf8 reads it; after the first invalid byte every
  // character is decoded here, one escape per invalid byte.
  QString result = FromUtf8(text.substr(0, pos));
  while (pos < text.size()) {
    const std::size_t length = ValidLength(text, pos);
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (length == 0) {
      result += QChar(static_cast<char16_t>(kEscapeBase + lead));
      ++pos;
      continue;
    }
    char32_t code = length == 1   ? lead
                    : length == 2 ? lead & 0x1F
                    : length == 3 ? lead & 0x0F
                                  : lead & 0x07;
    for (std::size_t i = 1; i < length; ++i)
      code = (code << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
    result += QString::fromUcs4(&code, 1);
    pos += length;
  }
  return result;
}

std::string FromQt(const QString& text) {
  const auto escaped = [](QChar c) {
    return c.unicode() >= kEscapeBase + 0x80 && c.unicode() <= kEscapeBase + 0xFF;
  };
  qsizetype first = 0;
  while (first < text.size() && !escaped(text[first])) ++first;
  QByteArray bytes = text.left(first).toUtf8();
  std::string result(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  qsizetype pos = first;
  while (pos < text.size()) {
    if (escaped(text[pos])) {
      result.push_back(static_cast<char>(text[pos].unicode() - kEscapeBase));
      ++pos;
      continue;
    }
    qsizetype run = pos;
    while (run < text.size() && !escaped(text[run])) ++run;
    bytes = text.mid(pos, run - pos).toUtf8();
    result.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    pos = run;
  }
  return result;
}

}  // namespace zuruza
