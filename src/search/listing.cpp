#include "search/listing.h"

#include "core/numbers.h"
#include "core/text_file.h"
#include "platform/fs.h"

namespace zuruza {

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

}  // namespace zuruza
