#include "app/qt_text.h"

namespace zuruza {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + a byte of 0x80..0xFF

bool Continuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
  return byte >= low && byte <= high;
}

// The length of the valid UTF-8 character at `pos` (the rules of
// QString::fromUtf8: no overlong forms, no surrogates, nothing past
// U+10FFFF), or 0 when the byte there starts none.
std::size_t ValidLength(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const std::size_t left = text.size() - pos;
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return left >= 2 && Continuation(byte(1)) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
    return left >= 3 && Continuation(byte(1), low, high) && Continuation(byte(2)) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
    return left >= 4 && Continuation(byte(1), low, high) && Continuation(byte(2)) &&
                   Continuation(byte(3))
               ? 4
               : 0;
  }
  return 0;
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
