// A chain of directories deeper than the system's longest path, built and
// removed one level at a time relative to open directories (no path of it
// can be named whole).
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace zuruza::testing {

// Below `parent`: `levels` directories named `name` (200 bytes of 'd'), one
// inside the other, with an empty file "fondo.txt" in the deepest. False
// when it cannot be built.
inline bool MakeDeepChain(const std::string& parent, int levels = 25) {
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

// Removes everything below the open directory `fd`, then closes it.
inline void RemoveBelow(int fd) {
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

// Removes `path` and everything below it, however deep.
inline void RemoveDeep(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) RemoveBelow(fd);
  rmdir(path.c_str());
}

}  // namespace zuruza::testing
