#include "analysis/file_kinds.h"

#include <algorithm>
#include <array>
#include <string>

#include "core/text_rules.h"

namespace zuruza {
namespace {

struct Extension {
  std::string_view name;  // upper case
  FileFamily family;
};

using enum FileFamily;

// Sorted by name, for a binary search.
constexpr Extension kExtensions[] = {
    {"7Z", kArchive},   {"AAC", kAudio},     {"AI", kImage},      {"AIFF", kAudio},
    {"APE", kAudio},    {"ARJ", kArchive},   {"ASM", kCode},      {"AVI", kVideo},
    {"AVIF", kImage},   {"BAS", kCode},      {"BAT", kCode},      {"BMP", kImage},
    {"BZ2", kArchive},  {"C", kCode},        {"CAB", kArchive},   {"CC", kCode},
    {"CMAKE", kCode},   {"CMD", kCode},      {"CPP", kCode},      {"CS", kCode},
    {"CSS", kCode},     {"CSV", kDocument},  {"CXX", kCode},      {"DEB", kArchive},
    {"DOC", kDocument}, {"DOCX", kDocument}, {"DPR", kCode},      {"EPUB", kDocument},
    {"FLAC", kAudio},   {"FLV", kVideo},     {"GIF", kImage},     {"GO", kCode},
    {"GZ", kArchive},   {"H", kCode},        {"HEIC", kImage},    {"HPP", kCode},
    {"HTM", kDocument}, {"HTML", kDocument}, {"ICO", kImage},     {"ISO", kArchive},
    {"JAR", kArchive},  {"JAVA", kCode},     {"JPEG", kImage},    {"JPG", kImage},
    {"JS", kCode},      {"JSON", kCode},     {"KT", kCode},       {"LZ", kArchive},
    {"LZH", kArchive},  {"LZMA", kArchive},  {"M4A", kAudio},     {"M4V", kVideo},
    {"MD", kDocument},  {"MID", kAudio},     {"MIDI", kAudio},    {"MKV", kVideo},
    {"MOV", kVideo},    {"MP3", kAudio},     {"MP4", kVideo},     {"MPEG", kVideo},
    {"MPG", kVideo},    {"ODP", kDocument},  {"ODS", kDocument},  {"ODT", kDocument},
    {"OGG", kAudio},    {"OGV", kVideo},     {"OPUS", kAudio},    {"PAS", kCode},
    {"PDF", kDocument}, {"PHP", kCode},      {"PL", kCode},       {"PNG", kImage},
    {"PPT", kDocument}, {"PPTX", kDocument}, {"PS", kDocument},   {"PSD", kImage},
    {"PY", kCode},      {"RAR", kArchive},   {"RAW", kImage},     {"RB", kCode},
    {"RPM", kArchive},  {"RS", kCode},       {"RTF", kDocument},  {"SH", kCode},
    {"SQL", kCode},     {"SVG", kImage},     {"SWIFT", kCode},    {"TAR", kArchive},
    {"TEX", kDocument}, {"TGZ", kArchive},   {"TIF", kImage},     {"TIFF", kImage},
    {"TS", kCode},      {"TXT", kDocument},  {"VOB", kVideo},     {"WAV", kAudio},
    {"WEBM", kVideo},   {"WEBP", kImage},    {"WMA", kAudio},     {"WMV", kVideo},
    {"XCF", kImage},    {"XLS", kDocument},  {"XLSX", kDocument}, {"XML", kCode},
    {"XZ", kArchive},   {"YAML", kCode},     {"YML", kCode},      {"Z", kArchive},
    {"ZIP", kArchive},  {"ZST", kArchive},
};

constexpr bool Sorted() {
  for (std::size_t i = 1; i < std::size(kExtensions); ++i) {
    if (!(kExtensions[i - 1].name < kExtensions[i].name)) return false;
  }
  return true;
}
static_assert(Sorted(), "the extension table is searched by halves");

// Longer than any extension in the table: not worth upper-casing.
constexpr std::size_t kLongestExtension = 5;

}  // namespace

FileFamily FamilyOf(std::string_view file_name) {
  const std::size_t dot = file_name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == file_name.size()) return kOther;
  const std::string_view extension = file_name.substr(dot + 1);
  if (extension.size() > kLongestExtension) return kOther;
  const std::string upper = UpperAscii(extension);
  const auto* end = std::end(kExtensions);
  const auto* found = std::lower_bound(
      std::begin(kExtensions), end, upper,
      [](const Extension& entry, const std::string& name) { return entry.name < name; });
  return found != end && found->name == upper ? found->family : kOther;
}

std::string_view FamilyCaption(FileFamily family) {
  static constexpr std::array<std::string_view, kFileFamilyCount> kCaptions = {
      "Imágenes", "Vídeo", "Audio", "Comprimidos", "Documentos", "Código", "Otros"};
  return kCaptions[static_cast<std::size_t>(family)];
}

}  // namespace zuruza
