// The lines of a disk inventory listing, written by the search walk in index
// mode and read back by the inventory's searches.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/dates.h"

namespace zuruza {

inline constexpr std::string_view kListingHeaderMark = "(Listado generado";
inline constexpr std::string_view kListingColumnTitles =
    "Tamaño (bytes)  FECHA                 NOMBRE";
inline constexpr std::string_view kListingDashes =
    "-------------- -------------------- -----------------------";
// Stands for the directory of the file line before it.
inline constexpr std::string_view kSameDirMark = "<d>";

// place + " (Listado generado el " + date and time + ") " + comment.
std::string ListingHeader(std::string_view place, const CivilDateTime& when,
                          std::string_view comment, const LocaleFormats& formats);

// "(%12.0f) " size, the date field padded to 19, "> " and the path field:
// the full path, or "<d>" + separator + name when `dir` is the directory of
// the previous file line. `size_suffix` ends the line.
std::string ListingFileLine(double size, const CivilDateTime& write_time, std::string_view dir,
                            std::string_view name, bool same_dir, std::string_view size_suffix,
                            const LocaleFormats& formats);

// Reading a listing back. The size field: from the second byte to just
// before the first ")"; 0 when it does not read as a whole number.
std::int64_t ListingLineSize(std::string_view line);
// The date field: between the first ")" and the first ">"; the zero date
// (30/12/1899) when it does not read as a date and time.
CivilDateTime ListingLineDate(std::string_view line, const LocaleFormats& formats,
                              int current_year);
// The directory of a full-path line: the path after the first ">" (at most
// 1000 characters, never half a character), trimmed, cut just after its
// last separator (whole when it has none).
std::string ListingLineDirectory(std::string_view line);
bool IsListingHeader(std::string_view line);
// A line whose directory is the one of the file line before it.
bool IsAbbreviatedListingLine(std::string_view line);

}  // namespace zuruza
