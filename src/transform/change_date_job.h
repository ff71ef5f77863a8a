// Changing a file's last-write date: the file is opened for reading and
// writing first (a file that cannot be is reported and keeps its date), its
// date is shown, and the date typed is set at midnight, local time. Only
// dates that the packed file-date form holds (years 1980 to 2099) are set.
#pragma once

#include <string>

#include "core/dates.h"

namespace zuruza {

class FileDater {
 public:
  // Throws IoError when the file cannot be opened for reading and writing.
  explicit FileDater(const std::string& path);
  ~FileDater();
  FileDater(const FileDater&) = delete;
  FileDater& operator=(const FileDater&) = delete;

  // The file's last-write date, local time, in the short date format.
  std::string CurrentDateText(const LocaleFormats& formats) const;
  // Reads the text as a date (ConversionError "'<text>' is not a valid
  // date"), refuses years outside 1980..2099 with an Error, and sets
  // midnight of that date as the last-write time; the access time is kept.
  void SetDate(const std::string& text, const LocaleFormats& formats, int current_year);

 private:
  int fd_ = -1;
};

}  // namespace zuruza
