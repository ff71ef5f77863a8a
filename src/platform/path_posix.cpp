#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/fs.h"
#include "platform/path.h"

namespace zuruza {

std::string FolderOf(std::string_view path) {
  const std::size_t sep = path.rfind(kPathSep);
  return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep + 1));
}

std::string DirectoryToOpen(std::string_view path) {
  const std::size_t sep = path.rfind(kPathSep);
  if (sep == std::string_view::npos) return ".";
  return sep == 0 ? std::string(1, kPathSep) : std::string(path.substr(0, sep));
}

std::string_view FileNameOf(std::string_view path) {
  const std::size_t sep = path.rfind(kPathSep);
  return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

std::string ResolvePath(const std::string& path) {
  std::string absolute = path;
  if (absolute.empty() || absolute[0] != '/') {
    char cwd[4096];
    absolute = std::string(::getcwd(cwd, sizeof cwd) ? cwd : "/") + "/" + path;
  }
  // Split into names, then resolve the longest prefix that exists.
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= absolute.size()) {
    std::size_t end = absolute.find('/', start);
    if (end == std::string::npos) end = absolute.size();
    if (end > start) names.push_back(absolute.substr(start, end - start));
    start = end + 1;
  }
  std::size_t existing = names.size();
  std::string resolved;
  for (;; --existing) {
    std::string prefix;
    for (std::size_t i = 0; i < existing; ++i) prefix += "/" + names[i];
    if (prefix.empty()) prefix = "/";
    if (char* real = ::realpath(prefix.c_str(), nullptr)) {
      resolved = real;
      ::free(real);
      break;
    }
    if (existing == 0) {
      resolved = "/";
      break;
    }
  }
  for (std::size_t i = existing; i < names.size(); ++i) {
    if (names[i] == ".") continue;
    if (names[i] == "..") {
      std::size_t slash = resolved.rfind('/');
      resolved.resize(slash == 0 ? 1 : slash);
      continue;
    }
    if (resolved.back() != '/') resolved += '/';
    resolved += names[i];
  }
  return resolved;
}

bool LiesWithin(const std::string& inner, const std::string& outer) {
  const std::string a = ResolvePath(inner);
  const std::string b = ResolvePath(outer);
  if (b == std::string(1, kPathSep)) return true;
  return a == b ||
         (a.size() > b.size() && a.compare(0, b.size(), b) == 0 && a[b.size()] == kPathSep);
}

}  // namespace zuruza
