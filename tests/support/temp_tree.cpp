#include "support/temp_tree.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/fs.h"
#include "platform/testing/deep_tree.h"
#include "platform/testing/file_times.h"
#include "platform/testing/scratch_space.h"
#include "platform/testing/system_traits.h"

namespace zuruza::testing {

namespace fs = std::filesystem;

namespace {

// A std::filesystem path from the program's text: where names are UTF-16
// (Windows), narrow paths are in the ANSI code page, so the text goes as
// UTF-8 instead; elsewhere its bytes are the name.
fs::path FsPath(const std::string& text) {
  if (!NamesAreBytes()) return fs::path(std::u8string(text.begin(), text.end()));
  return fs::path(text);
}

// Removes `dir` and what it holds, as far as it can. An entry that stays (a
// file a test left open, on Windows) leaves its folders behind, where
// fs::remove_all would try again forever.
void RemoveTree(const fs::path& dir) {
  std::error_code ignored;
  for (fs::directory_iterator it(dir, ignored), end; it != end; it.increment(ignored)) {
    const bool link = it->is_symlink(ignored);
    if (!link && it->is_directory(ignored)) {
      RemoveTree(it->path());
    } else if (!fs::remove(it->path(), ignored) && !link) {
      // A read-only file (Windows) goes once it may be written.
      fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
      fs::remove(it->path(), ignored);
    }
  }
  fs::remove(dir, ignored);
}

}  // namespace

TempTree::TempTree(std::string_view description) {
  root_ = MakeScratchDirectory((fs::temp_directory_path() / "zuruza-test-").string()) + kPathSep;
  std::istringstream lines{std::string(description)};
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    if (auto arrow = line.find("->"); arrow != std::string::npos) {
      AddLink(line.substr(0, arrow), line.substr(arrow + 2));
    } else if (line.back() == '/') {
      AddDirectory(line);
    } else if (auto eq = line.find('='); eq != std::string::npos) {
      AddFile(line.substr(0, eq), line.substr(eq + 1));
    } else {
      AddFile(line);
    }
  }
}

TempTree::~TempTree() {
  std::error_code ignored;
  // Directories a test made unreadable are opened up again first.
  for (auto it = fs::recursive_directory_iterator(
           FsPath(root_), fs::directory_options::skip_permission_denied, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  RemoveTree(FsPath(root_));
  // A chain of folders deeper than the longest path goes level by level.
  const std::string root = root_.substr(0, root_.size() - 1);
  if (PathExists(root)) RemoveDeep(root);
}

// Descriptions and tests name entries with "/"; the path uses the system's
// separator, as the tools' own paths do.
std::string TempTree::Path(std::string_view relative) const {
  std::string path = root_ + std::string(relative);
  for (std::size_t i = root_.size(); i < path.size(); ++i)
    if (path[i] == '/') path[i] = kPathSep;
  return path;
}

void TempTree::AddFile(std::string_view relative, std::string_view content) {
  fs::path path = FsPath(Path(relative));
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void TempTree::AddDirectory(std::string_view relative) {
  fs::create_directories(FsPath(Path(relative)));
}

void TempTree::AddLink(std::string_view relative, std::string_view target) {
  fs::path path = FsPath(Path(relative));
  fs::create_directories(path.parent_path());
  std::string native_target(target);
  for (char& c : native_target)
    if (c == '/') c = kPathSep;
  fs::create_symlink(FsPath(native_target), path);
}

void TempTree::SetWriteTime(std::string_view relative, long long unix_seconds) {
  SetFileTimes(Path(relative), {unix_seconds, 0}, {unix_seconds, 0});
}

std::string TempTree::ReadFile(std::string_view relative) const {
  std::ifstream in(FsPath(Path(relative)), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace zuruza::testing
