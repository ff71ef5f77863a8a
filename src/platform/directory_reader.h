// The walks' directory listings, read ahead on every core. A walk asks for
// its directories one at a time in its own order (depth first, names in byte
// order, "." and ".." first in each listing); while it works on one, a few
// threads list the directories it will ask for next. Each answer is exactly
// what ListDirectory gives for that directory, so a report is the same
// whatever the number of threads; the read-ahead only changes when the
// listing was taken.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

#include "platform/fs.h"

namespace zuruza {

// The threads every walk reads ahead with: one per core by default; 0 lists
// each directory only when the walk asks for it. Tests and benchmarks set it
// to compare the two.
unsigned WalkThreads();
void SetWalkThreads(unsigned threads);

// Directory paths compared as a depth-first walk meets them: component by
// component, each in listing order (a name before any longer one it begins).
struct WalkOrder {
  bool operator()(std::string_view a, std::string_view b) const;
  using is_transparent = void;
};

class DirectoryReader {
 public:
  // Every listing reads `detail`. The directories in `keep_out` (mount
  // points the walk does not enter) are never read ahead, only listed when
  // asked for.
  explicit DirectoryReader(EntryDetail detail, const std::unordered_set<std::string>& keep_out = {},
                           unsigned threads = WalkThreads());
  // Stops the read-ahead and waits for its threads: none outlives the walk.
  ~DirectoryReader();
  DirectoryReader(const DirectoryReader&) = delete;
  DirectoryReader& operator=(const DirectoryReader&) = delete;

  // ListDirectory's answer for `dir_path`. Asking for a directory gives up
  // whatever was read ahead before it in walk order: a walk that skips a
  // subtree leaves nothing behind.
  bool List(const std::string& dir_path, std::vector<DirEntry>& entries,
            ListingTrouble* trouble = nullptr);

 private:
  enum class State { kQueued, kReading, kDone };
  struct Listing {
    State state = State::kQueued;
    bool wanted = true;  // false once the walk has gone past it
    bool listed = false;
    std::vector<DirEntry> entries;
    ListingTrouble trouble;
  };
  using Listings = std::map<std::string, Listing, WalkOrder>;
  using Queue = std::set<std::string, WalkOrder>;

  void StartThreads();
  void ReadAhead();
  // Reads the next queued directory, unlocking meanwhile; false when there
  // is none to read or no room to hold it.
  bool ReadNext(std::unique_lock<std::mutex>& lock);
  // Queues the subdirectories of a listing to be read; false when it has
  // none new. Under the lock.
  bool QueueChildren(const std::string& dir_path, const std::vector<DirEntry>& entries);
  // Gives up what lies before `dir_path` in walk order. Under the lock.
  void PassTo(const std::string& dir_path);
  Listings::iterator Forget(Listings::iterator where);
  bool HasRoom() const;

  const EntryDetail detail_;
  std::unordered_set<std::string> keep_out_;  // each with a trailing separator
  const unsigned thread_count_;
  std::vector<std::thread> threads_;

  std::mutex mutex_;
  std::condition_variable work_ready_;
  std::condition_variable listing_done_;
  Listings listings_;
  Queue queue_;                    // paths to read, the walk's next one first
  std::size_t held_listings_ = 0;  // read or being read, not yet taken
  std::size_t held_entries_ = 0;
  bool stopping_ = false;
};

}  // namespace zuruza
