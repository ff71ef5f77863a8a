#include "transform/change_date_job.h"

#include <cstdint>

#include "base/errors.h"
#include "platform/clock.h"
#include "platform/file.h"

namespace zuruza {

FileDater::FileDater(const std::string& path) : fd_(OpenRegularFileForDating(path)) {}

FileDater::~FileDater() {
  if (fd_ >= 0) CloseFile(fd_);
}

std::string FileDater::CurrentDateText(const LocaleFormats& formats) const {
  return FormatDate(LocalFromUnix(OpenFileWriteTime(fd_)).date, formats);
}

void FileDater::SetDate(const std::string& text, const LocaleFormats& formats, int current_year) {
  const CivilDateTime midnight{ParseDate(text, formats, current_year), 0, 0, 0};
  std::uint32_t packed = 0;
  if (!PackDosDateTime(midnight, packed)) {
    throw Error("La fecha '" + text +
                "' está fuera de los años 1980 a 2099 y no se puede poner a un fichero.");
  }
  SetOpenFileWriteTime(fd_, UnixFromLocal(UnpackDosDateTime(packed)));
}

}  // namespace zuruza
