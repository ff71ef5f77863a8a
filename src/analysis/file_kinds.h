// The families of file kinds the occupancy map colours its cells by, told
// from the file name's extension.
#pragma once

#include <cstdint>
#include <string_view>

namespace zuruza {

enum class FileFamily : std::uint8_t {
  kImage,
  kVideo,
  kAudio,
  kArchive,
  kDocument,
  kCode,
  kOther,
};
inline constexpr int kFileFamilyCount = 7;

// By the extension after the name's last dot, in any case; a name that only
// starts with a dot (".bashrc") has none, and is another file.
FileFamily FamilyOf(std::string_view file_name);

// The legend's caption of a family.
std::string_view FamilyCaption(FileFamily family);

}  // namespace zuruza
