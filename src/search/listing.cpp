#include "search/listing.h"

#include "core/numbers.h"
#include "platform/fs.h"

namespace zuruza {

namespace {

// Names may hold bytes that end a listing line or the whole listing when it
// is read back (CR, Ctrl-Z) or break a line in the pane (LF): they are
// written as '?', so one odd name cannot hide the disks indexed after it.
void AppendListingText(std::string& line, std::string_view text) {
  for (char c : text) line += (c == '\r' || c == '\n' || c == '\x1a') ? '?' : c;
}

}  // namespace

std::string ListingHeader(std::string_view place, const CivilDateTime& when,
                          std::string_view comment, const LocaleFormats& formats) {
  std::string line(place);
  line += " (Listado generado el ";
  line += FormatDateTime(when, formats);
  line += ") ";
  line += comment;
  return line;
}

std::string ListingFileLine(double size, const CivilDateTime& write_time,
                            std::string_view dir, std::string_view name, bool same_dir,
                            std::string_view size_suffix, const LocaleFormats& formats) {
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
    AppendListingText(line, dir);
  }
  AppendListingText(line, name);
  line += size_suffix;
  return line;
}

}  // namespace zuruza
