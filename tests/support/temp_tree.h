// A real temporary directory tree for a test, built from a literal
// description and removed with everything below it at the end of the test.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace zuruza::testing {

class TempTree {
 public:
  // Each line of `description` is one entry relative to the root: a path
  // ending in "/" is a directory, "a/b.txt=text" a file with that content,
  // "a/b.txt" an empty file, "a/link->target" a symbolic link.
  explicit TempTree(std::string_view description = "");
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // The root, with a trailing separator.
  const std::string& root() const { return root_; }
  // root() + relative.
  std::string Path(std::string_view relative) const;

  void AddFile(std::string_view relative, std::string_view content = "");
  void AddDirectory(std::string_view relative);
  void AddLink(std::string_view relative, std::string_view target);
  // Sets last-write (and access) time, in seconds since 1970 UTC.
  void SetWriteTime(std::string_view relative, long long unix_seconds);
  std::string ReadFile(std::string_view relative) const;

 private:
  std::string root_;
};

}  // namespace zuruza::testing
