#include "core/skipped_entries.h"

#include <cerrno>
#include <utility>

#include "base/errors.h"
#include "core/numbers.h"

namespace zuruza {

namespace {

std::string ReasonOf(int error_number) { return IoErrorText(IoCodeFromErrno(error_number)); }

// Gone, or something else now stands where a directory was.
bool Vanished(int error_number) { return error_number == ENOENT || error_number == ENOTDIR; }

}  // namespace

void SkippedEntries::Add(std::string path, int error_number) {
  entries_.push_back(SkippedEntry{std::move(path), ReasonOf(error_number)});
}

std::string SkippedEntries::Summary(std::size_t first_few) const {
  std::string text = entries_.size() == 1
                         ? std::string("No se ha podido leer 1 entrada; se ha saltado:")
                         : "No se han podido leer " +
                               FormatInt(static_cast<std::int64_t>(entries_.size())) +
                               " entradas; se han saltado:";
  for (std::size_t i = 0; i < entries_.size() && i < first_few; ++i) {
    text += "\r\n" + entries_[i].path + " (" + entries_[i].reason + ")";
  }
  if (entries_.size() > first_few) {
    text +=
        "\r\n... y " + FormatInt(static_cast<std::int64_t>(entries_.size() - first_few)) + " más.";
  }
  return text;
}

std::string SkippedEntryLine(const SkippedEntry& entry) {
  return "No se ha podido leer: " + entry.path + " (" + entry.reason + ")";
}

bool ListForWalk(DirectoryReader& reader, const std::string& dir_path,
                 std::vector<DirEntry>& entries, SkippedEntries& skipped) {
  ListingTrouble trouble;
  const bool listed = reader.List(dir_path, entries, &trouble);
  if (!listed && !Vanished(trouble.error)) skipped.Add(dir_path, trouble.error);
  for (auto& [name, error] : trouble.unreadable) skipped.Add(dir_path + name, error);
  return listed;
}

bool DetailForWalk(const std::string& dir_path, DirEntry& entry, SkippedEntries& skipped) {
  if (entry.detailed) return true;
  const int error = FillEntryDetails(dir_path, entry);
  if (error != 0 && error != ENOENT) skipped.Add(dir_path + entry.name, error);
  return error == 0;
}

void RequireReadableDirectory(const std::string& dir_path) {
  const int error = DirectoryAccessError(dir_path);
  if (error == 0) return;
  if (Vanished(error)) throw Error("No existe el directorio: " + dir_path);
  throw Error("No se puede leer el directorio: " + dir_path + " (" + ReasonOf(error) + ")");
}

}  // namespace zuruza
