#include "platform/directory_reader.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <utility>

namespace zuruza {
namespace {

// Enough listings ahead to keep every thread busy while the walk catches up,
// few enough that the memory of a walk stays flat in the tree's size.
constexpr std::size_t kMaxHeldListings = 256;
constexpr std::size_t kMaxHeldEntries = std::size_t{1} << 16;

constexpr unsigned kDefaultThreads = ~0u;
std::atomic<unsigned> walk_threads{kDefaultThreads};

}  // namespace

unsigned WalkThreads() {
  const unsigned threads = walk_threads.load();
  if (threads != kDefaultThreads) return threads;
  return std::max(1u, std::thread::hardware_concurrency());
}

void SetWalkThreads(unsigned threads) { walk_threads.store(threads); }

bool WalkOrder::operator()(std::string_view a, std::string_view b) const {
  const std::size_t common = std::min(a.size(), b.size());
  // Paths met in one walk share long beginnings: skip them a word at a time.
  std::size_t i = 0;
  for (; i + sizeof(std::uint64_t) <= common; i += sizeof(std::uint64_t)) {
    std::uint64_t word_a;
    std::uint64_t word_b;
    std::memcpy(&word_a, a.data() + i, sizeof word_a);
    std::memcpy(&word_b, b.data() + i, sizeof word_b);
    if (word_a != word_b) break;
  }
  for (; i < common; ++i) {
    if (a[i] == b[i]) continue;
    if (a[i] == kPathSep) return true;
    if (b[i] == kPathSep) return false;
    // The names that differ, compared as a listing orders them.
    std::size_t start = i;
    while (start > 0 && a[start - 1] != kPathSep) --start;
    const std::size_t end_a = std::min(a.find(kPathSep, i), a.size());
    const std::size_t end_b = std::min(b.find(kPathSep, i), b.size());
    return ListingNameLess(a.substr(start, end_a - start), b.substr(start, end_b - start));
  }
  return a.size() < b.size();
}

DirectoryReader::DirectoryReader(EntryDetail detail,
                                 const std::unordered_set<std::string>& keep_out, unsigned threads)
    : detail_(detail), thread_count_(threads) {
  for (const std::string& path : keep_out) keep_out_.insert(WithTrailingSep(path));
}

DirectoryReader::~DirectoryReader() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  work_ready_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void DirectoryReader::StartThreads() {
  try {
    while (threads_.size() < thread_count_) threads_.emplace_back([this] { ReadAhead(); });
  } catch (const std::system_error&) {
    // Fewer threads read less ahead; the walk itself lists what is missing.
  }
}

bool DirectoryReader::HasRoom() const {
  return held_listings_ < kMaxHeldListings &&
         (held_entries_ < kMaxHeldEntries || held_listings_ == 0);
}

bool DirectoryReader::QueueChildren(const std::string& dir_path,
                                    const std::vector<DirEntry>& entries) {
  bool queued = false;
  for (const DirEntry& entry : entries) {
    if (!entry.IsDirectory() || entry.name == "." || entry.name == "..") continue;
    std::string child = dir_path + entry.name + kPathSep;
    if (keep_out_.count(child) != 0) continue;
    if (listings_.try_emplace(child).second) {
      queue_.insert(std::move(child));
      queued = true;
    }
  }
  return queued;
}

DirectoryReader::Listings::iterator DirectoryReader::Forget(Listings::iterator where) {
  if (where->second.state == State::kDone) {
    --held_listings_;
    held_entries_ -= where->second.entries.size();
  }
  return listings_.erase(where);
}

void DirectoryReader::PassTo(const std::string& dir_path) {
  queue_.erase(queue_.begin(), queue_.lower_bound(dir_path));
  auto it = listings_.begin();
  while (it != listings_.end() && WalkOrder{}(it->first, dir_path)) {
    if (it->second.state == State::kReading) {
      // Its thread drops it when done.
      it->second.wanted = false;
      ++it;
    } else {
      it = Forget(it);
    }
  }
}

bool DirectoryReader::ReadNext(std::unique_lock<std::mutex>& lock) {
  if (queue_.empty() || !HasRoom()) return false;
  const std::string path = std::move(queue_.extract(queue_.begin()).value());
  const auto it = listings_.find(path);
  if (it == listings_.end() || it->second.state != State::kQueued) return true;
  it->second.state = State::kReading;
  ++held_listings_;
  lock.unlock();
  std::vector<DirEntry> entries;
  ListingTrouble trouble;
  bool listed = false;
  bool failed = false;
  try {
    listed = ListDirectory(path, entries, &trouble, detail_);
  } catch (...) {
    failed = true;  // out of memory, say: the walk lists it itself
  }
  lock.lock();
  // Only the thread that reads a listing erases it meanwhile, so `it` holds.
  Listing& listing = it->second;
  if (failed || !listing.wanted) {
    --held_listings_;
    listings_.erase(it);
  } else {
    listing.state = State::kDone;
    listing.listed = listed;
    held_entries_ += entries.size();
    if (listed && QueueChildren(path, entries)) work_ready_.notify_all();
    listing.entries = std::move(entries);
    listing.trouble = std::move(trouble);
  }
  listing_done_.notify_one();  // only the walk waits for a listing
  return true;
}

void DirectoryReader::ReadAhead() {
  std::unique_lock lock(mutex_);
  for (;;) {
    work_ready_.wait(lock, [this] { return stopping_ || (!queue_.empty() && HasRoom()); });
    if (stopping_) return;
    ReadNext(lock);
  }
}

bool DirectoryReader::List(const std::string& dir_path, std::vector<DirEntry>& entries,
                           ListingTrouble* trouble) {
  if (thread_count_ == 0) return ListDirectory(dir_path, entries, trouble, detail_);
  const std::string key = WithTrailingSep(dir_path);
  std::unique_lock lock(mutex_);
  if (threads_.empty()) StartThreads();
  PassTo(key);
  auto it = listings_.find(key);
  // While a thread reads this one, the walk reads the next ones itself
  // rather than sleep; it sleeps only when there is nothing else to read.
  while (it != listings_.end() && it->second.state == State::kReading) {
    if (!ReadNext(lock)) listing_done_.wait(lock);
    it = listings_.find(key);
  }
  if (it != listings_.end() && it->second.state == State::kDone) {
    Listing& listing = it->second;
    const bool listed = listing.listed;
    entries = std::move(listing.entries);
    if (trouble != nullptr) *trouble = std::move(listing.trouble);
    held_entries_ -= entries.size();
    --held_listings_;
    listings_.erase(it);
    work_ready_.notify_one();  // room for one more
    return listed;
  }
  // Not read yet: read here and now, and let the threads go on below it.
  if (it != listings_.end()) listings_.erase(it);
  lock.unlock();
  const bool listed = ListDirectory(dir_path, entries, trouble, detail_);
  lock.lock();
  if (listed && QueueChildren(key, entries)) work_ready_.notify_all();
  return listed;
}

}  // namespace zuruza
