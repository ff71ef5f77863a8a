#include "search/listing.h"

#include <optional>

#include "base/errors.h"
#include "core/numbers.h"
#include "core/text_file.h"
#include "core/text_rules.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace zuruza {

namespace {

constexpr std::size_t kMaxListedPath = 1000;

}  // namespace

std::string ListingHeader(std::string_view place, const CivilDateTime& when,
                          std::string_view comment, const LocaleFormats& formats) {
  // The place is a path and may hold the same odd bytes as any name.
  std::string line;
  AppendLineText(line, place);
  line += " (Listado generado el ";
  line += FormatDateTime(when, formats);
  line += ") ";
  AppendLineText(line, comment);
  return line;
}

std::string ListingFileLine(double size, const CivilDateTime& write_time, std::string_view dir,
                            std::string_view name, bool same_dir, std::string_view size_suffix,
                            const LocaleFormats& formats) {
  std::string line = "(";
  line += FormatFixed12(size);
  line += ") ";
  std::string date = FormatDateTime(write_time, formats);
  if (date.size() < 19) date.append(19 - date.size(), ' ');  // a longer text is not cut
  line += date;
  line += "> ";
  if (same_dir) {
    line += kSameDirMark;
    line += kPathSep;
  } else {
    // Names may hold line-end or Ctrl-Z bytes: written as '?', so one odd
    // name cannot hide the disks indexed after it.
    AppendLineText(line, dir);
  }
  AppendLineText(line, name);
  line += size_suffix;
  return line;
}

// --- reading: the rules of each field are told in the header ---

std::int64_t ListingLineSize(std::string_view line) {
  std::size_t close = line.find(')');
  if (close == std::string_view::npos || close < 1) return 0;
  std::string_view field = line.substr(1, close - 1);
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  std::optional<std::int64_t> size = ParseInteger(field);
  return size.value_or(0);
}

CivilDateTime ListingLineDate(std::string_view line, const LocaleFormats& formats,
                              int current_year) {
  std::size_t close = line.find(')');
  std::size_t gt = line.find('>');
  if (close == std::string_view::npos || gt == std::string_view::npos || gt <= close) return {};
  try {
    return ParseDateTime(line.substr(close + 1, gt - close - 1), formats, current_year);
  } catch (const ConversionError&) {
    return {};
  }
}

std::string ListingLineDirectory(std::string_view line) {
  std::size_t gt = line.find('>');
  std::string path = gt == std::string_view::npos
                         ? std::string()
                         : Trim(CharPrefix(line.substr(gt + 1), kMaxListedPath));
  // A line whose path has no separator keeps it whole.
  const std::string folder = FolderOf(path);
  return folder.empty() ? path : folder;
}

bool IsListingHeader(std::string_view line) {
  return line.find(kListingHeaderMark) != std::string_view::npos;
}

bool IsAbbreviatedListingLine(std::string_view line) {
  return line.find(kSameDirMark) != std::string_view::npos;
}

}  // namespace zuruza
