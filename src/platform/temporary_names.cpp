#include "platform/temporary_names.h"

#include <mutex>
#include <unordered_set>

#include "platform/atomic_file.h"
#include "platform/fs.h"

namespace zuruza {
namespace {

// Takes ".<digits>" off the end of `text`.
bool TakeNumber(std::string_view& text, long long& number) {
  const std::size_t dot = text.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view digits = text.substr(dot + 1);
  if (digits.empty() || digits.size() > 18) return false;
  number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  text = text.substr(0, dot);
  return true;
}

// The folders cleared (or created) by this process, without a final
// separator.
std::mutex cleared_mutex;
std::unordered_set<std::string> cleared_folders;

std::string FolderKey(const std::string& directory) {
  std::string key = directory;
  while (key.size() > 1 && (key.back() == kPathSep || key.back() == '/')) key.pop_back();
  return key;
}

}  // namespace

std::optional<long long> internal::TemporaryOwner(std::string_view name) {
  if (!name.starts_with(".~") || !name.ends_with(kTemporarySuffix)) return std::nullopt;
  std::string_view rest = name.substr(0, name.size() - kTemporarySuffix.size());
  long long attempt = 0;
  long long pid = 0;
  if (!TakeNumber(rest, attempt) || !TakeNumber(rest, pid) || rest.size() <= 2) return std::nullopt;
  return pid;
}

bool internal::FirstClearOf(const std::string& directory) {
  const std::lock_guard<std::mutex> lock(cleared_mutex);
  return cleared_folders.insert(FolderKey(directory)).second;
}

void NoteNewFolder(const std::string& directory) {
  const std::lock_guard<std::mutex> lock(cleared_mutex);
  cleared_folders.insert(FolderKey(directory));
}

}  // namespace zuruza
