#include "app/change_date_job.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "core/errors.h"
#include "platform/clock.h"

namespace zuruza {

FileDater::FileDater(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd_ < 0) ThrowIoErrorFromErrno(errno == ELOOP ? EACCES : errno);
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw IoError(kFileAccessDenied);  // only regular files carry a date to change
  }
}

FileDater::~FileDater() {
  if (fd_ >= 0) ::close(fd_);
}

std::string FileDater::CurrentDateText(const LocaleFormats& formats) const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) ThrowIoErrorFromErrno(errno);
  const UnixNanos written = static_cast<UnixNanos>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  return FormatDate(LocalFromUnix(written).date, formats);
}

void FileDater::SetDate(const std::string& text, const LocaleFormats& formats, int current_year) {
  const CivilDateTime midnight{ParseDate(text, formats, current_year), 0, 0, 0};
  std::uint32_t packed = 0;
  if (!PackDosDateTime(midnight, packed)) {
    throw Error("La fecha '" + text + "' está fuera de los años 1980 a 2099 y no se puede poner a un fichero.");
  }
  const UnixNanos when = UnixFromLocal(UnpackDosDateTime(packed));
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(when / 1'000'000'000);
  times[1].tv_nsec = 0;
  if (::futimens(fd_, times) != 0) ThrowIoErrorFromErrno(errno);
}

}  // namespace zuruza
