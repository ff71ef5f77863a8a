// Entries a walk could not read: an unreadable or unsearchable directory, a
// path too long for the system, an entry whose stat fails. A walk goes on
// past them, collects them here, and the caller tells the person afterwards
// (a message box in a window; each path on standard error in a batch run).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/directory_reader.h"
#include "platform/fs.h"

namespace zuruza {

struct SkippedEntry {
  std::string path;
  std::string reason;  // the runtime's text of the failure ("File access denied")
};

class SkippedEntries {
 public:
  void Clear() { entries_.clear(); }
  void Add(std::string path, int error_number);
  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }
  const std::vector<SkippedEntry>& entries() const { return entries_; }

  // The one message a window shows after its job: how many were skipped and
  // the first `first_few` of them.
  std::string Summary(std::size_t first_few = 5) const;

 private:
  std::vector<SkippedEntry> entries_;
};

// One line for a skipped entry: "No se ha podido leer: <path> (<reason>)".
std::string SkippedEntryLine(const SkippedEntry& entry);

// Lists one directory of a walk into `entries` through the walk's reader,
// adding to `skipped` the directory when it cannot be listed and every entry
// whose stat fails. A directory that vanished since its parent was listed is
// no loss and is not added. False when the directory could not be listed.
bool ListForWalk(DirectoryReader& reader, const std::string& dir_path,
                 std::vector<DirEntry>& entries, SkippedEntries& skipped);

// Reads the size and times of an entry its listing left without them; an
// entry whose stat fails is added to `skipped` (unless it vanished) and the
// answer is false: the walk leaves it out, as a full listing would have.
bool DetailForWalk(const std::string& dir_path, DirEntry& entry, SkippedEntries& skipped);

// Throws zuruza::Error when the start directory of a walk cannot be listed:
// "No existe el directorio: <path>" or
// "No se puede leer el directorio: <path> (<reason>)".
void RequireReadableDirectory(const std::string& dir_path);

}  // namespace zuruza
