#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/testing/deep_tree.h"

namespace zuruza::testing {

namespace {

// Removes everything below the open directory `fd`, then closes it.
void RemoveBelow(int fd) {
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) return (void)close(fd);
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (unlinkat(dirfd(dir), name.c_str(), 0) == 0) continue;
    const int sub =
        openat(dirfd(dir), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub >= 0) RemoveBelow(sub);
    unlinkat(dirfd(dir), name.c_str(), AT_REMOVEDIR);
  }
  closedir(dir);
}

}  // namespace

bool MakeDeepChain(const std::string& parent, int levels) {
  const std::string name(200, 'd');
  int fd = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int i = 0; i < levels && fd >= 0; ++i) {
    const int next = mkdirat(fd, name.c_str(), 0755) == 0
                         ? openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                         : -1;
    close(fd);
    fd = next;
  }
  if (fd < 0) return false;
  const int file = openat(fd, "fondo.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  close(fd);
  if (file < 0) return false;
  close(file);
  return true;
}

void RemoveDeep(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) RemoveBelow(fd);
  rmdir(path.c_str());
}

}  // namespace zuruza::testing
