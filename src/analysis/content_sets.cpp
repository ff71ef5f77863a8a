#include "analysis/content_sets.h"

#include <xxhash.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <numeric>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>

#include "base/errors.h"
#include "platform/file.h"

namespace zuruza {
namespace {

// Why a file that changed since the walk is not compared.
constexpr const char* kChangedSinceWalk = "ha cambiado desde el recorrido";

// Files read side by side at once at most, and the memory their blocks take.
constexpr std::size_t kMostOpen = 256;
constexpr std::size_t kSideBySideMemory = std::size_t{64} << 20;
constexpr std::size_t kLargestBlock = std::size_t{1} << 20;

struct HashKey {
  std::uint64_t low;
  std::uint64_t high;
  bool operator==(const HashKey&) const = default;
};
struct HashKeyHash {
  std::size_t operator()(const HashKey& key) const { return key.low; }
};
struct IdentityHash {
  std::size_t operator()(const FileIdentity& id) const {
    return id.inode * 0x9e3779b97f4a7c15ULL ^ id.device;
  }
};

// The first bytes of the files that begin alike, and which files those are.
struct Beginning {
  std::string bytes;
  std::vector<std::size_t> members;
};

bool AsSeen(const OpenedFileStatus& status, const ContentFile& file) {
  return status.size == file.size && status.write_time == file.write_time;
}

bool StillAsSeen(int fd, const ContentFile& file) { return AsSeen(StatusOfOpenFile(fd), file); }

// Opens a file the walk saw, if it is still as the walk saw it.
ContentOutcome OpenAsSeen(const ContentFile& file, std::optional<OwnedFile>& opened,
                          std::string& trouble, FileIdentity* identity = nullptr) {
  try {
    OpenedFileStatus status;
    OwnedFile owned(OpenRegularFileToRead(file.path, status));
    if (identity != nullptr) *identity = status.identity;
    if (!AsSeen(status, file)) {
      trouble = kChangedSinceWalk;
      return ContentOutcome::kChanged;
    }
    opened.emplace(std::move(owned));
    return ContentOutcome::kCompared;
  } catch (const Error& error) {
    if (!PathExists(file.path)) {
      trouble = "ya no existe";
      return ContentOutcome::kChanged;
    }
    trouble = error.what();
    return ContentOutcome::kUnreadable;
  }
}

}  // namespace

ContentComparer::ContentComparer(std::function<bool(const ContentFile&)> keep_going)
    : keep_going_(std::move(keep_going)) {}

bool ContentComparer::KeepGoing(const ContentFile& file) {
  if (!stopped_ && !keep_going_(file)) stopped_ = true;
  return !stopped_;
}

ContentSets ContentComparer::CompareSameSize(const std::vector<ContentFile>& files) {
  const std::size_t count = files.size();
  ContentSets sets;
  sets.first_alike.resize(count);
  std::iota(sets.first_alike.begin(), sets.first_alike.end(), std::size_t{0});
  sets.outcome.assign(count, ContentOutcome::kCompared);
  sets.trouble.resize(count);
  if (count < 2) return sets;

  const std::uint64_t size = files[0].size;
  const auto head = static_cast<std::size_t>(std::min<std::uint64_t>(size, kContentHead));
  std::unordered_map<FileIdentity, std::size_t, IdentityHash> names;
  std::unordered_map<HashKey, std::vector<std::size_t>, HashKeyHash> by_hash;
  std::vector<Beginning> beginnings;
  std::string buffer(head, '\0');
  for (std::size_t i = 0; i < count; ++i) {
    if (!KeepGoing(files[i])) {
      std::fill(sets.outcome.begin() + static_cast<std::ptrdiff_t>(i), sets.outcome.end(),
                ContentOutcome::kNotCompared);
      break;
    }
    std::optional<OwnedFile> file;
    FileIdentity identity;
    sets.outcome[i] = OpenAsSeen(files[i], file, sets.trouble[i], &identity);
    if (sets.outcome[i] != ContentOutcome::kCompared) continue;
    // Two names of one file hold the same bytes: it is not read again.
    if (auto [name, added] = names.try_emplace(identity, i); !added) {
      sets.outcome[i] = ContentOutcome::kHardLink;
      sets.first_alike[i] = name->second;
      continue;
    }
    std::size_t got = 0;
    try {
      got = ReadFully(file->get(), buffer.data(), head);
    } catch (const Error& error) {
      sets.outcome[i] = ContentOutcome::kUnreadable;
      sets.trouble[i] = error.what();
      continue;
    }
    bytes_read_ += got;
    if (got != head || (size == head && !StillAsSeen(file->get(), files[i]))) {
      sets.outcome[i] = ContentOutcome::kChanged;
      sets.trouble[i] = kChangedSinceWalk;
      continue;
    }
    const XXH128_hash_t hash = XXH3_128bits(buffer.data(), head);
    std::vector<std::size_t>& alike = by_hash[HashKey{hash.low64, hash.high64}];
    // Equal hashes are taken for equal bytes only once the bytes agree.
    const auto same = std::find_if(alike.begin(), alike.end(), [&](std::size_t beginning) {
      return beginnings[beginning].bytes == buffer;
    });
    if (same != alike.end()) {
      beginnings[*same].members.push_back(i);
    } else {
      alike.push_back(beginnings.size());
      beginnings.push_back({buffer, {i}});
    }
  }

  for (Beginning& beginning : beginnings) {
    if (beginning.members.size() < 2) continue;
    if (size == head) {
      for (std::size_t member : beginning.members) sets.first_alike[member] = beginning.members[0];
    } else {
      SplitByRest(files, std::move(beginning.members), sets);
    }
  }
  return sets;
}

void ContentComparer::SplitByRest(const std::vector<ContentFile>& files,
                                  std::vector<std::size_t> members, ContentSets& sets) {
  if (members.size() <= kMostOpen) {
    for (const std::vector<std::size_t>& alike : ReadSideBySide(files, members, sets)) {
      for (std::size_t member : alike) sets.first_alike[member] = alike[0];
    }
    return;
  }
  // Too many to hold open at once: the others are read beside the first a
  // batch at a time (the first once per batch), and those that part from it
  // are split again among themselves.
  const std::size_t reference = members[0];
  std::vector<std::size_t> parted;
  for (std::size_t start = 1; start < members.size(); start += kMostOpen - 1) {
    const std::size_t end = std::min(members.size(), start + kMostOpen - 1);
    std::vector<std::size_t> batch = {reference};
    batch.insert(batch.end(), members.begin() + static_cast<std::ptrdiff_t>(start),
                 members.begin() + static_cast<std::ptrdiff_t>(end));
    std::vector<bool> joined(batch.size(), false);
    for (const std::vector<std::size_t>& alike : ReadSideBySide(files, batch, sets)) {
      if (alike[0] != reference) continue;
      for (std::size_t member : alike) sets.first_alike[member] = reference;
    }
    for (std::size_t member : batch) {
      if (member != reference && sets.first_alike[member] != reference &&
          sets.outcome[member] == ContentOutcome::kCompared)
        parted.push_back(member);
    }
    if (sets.outcome[reference] != ContentOutcome::kCompared || stopped_) {
      parted.insert(parted.end(), members.begin() + static_cast<std::ptrdiff_t>(end),
                    members.end());
      break;
    }
  }
  if (parted.size() >= 2) SplitByRest(files, std::move(parted), sets);
}

std::vector<std::vector<std::size_t>> ContentComparer::ReadSideBySide(
    const std::vector<ContentFile>& files, const std::vector<std::size_t>& members,
    ContentSets& sets) {
  struct Reader {
    std::size_t index;
    OwnedFile file;
    std::string block;
  };
  std::vector<Reader> readers;
  for (std::size_t member : members) {
    if (stopped_) {
      sets.outcome[member] = ContentOutcome::kNotCompared;
      continue;
    }
    std::optional<OwnedFile> file;
    sets.outcome[member] = OpenAsSeen(files[member], file, sets.trouble[member]);
    if (file) readers.push_back({member, std::move(*file), {}});
  }
  if (readers.size() < 2) return {};
  const std::uint64_t size = files[members[0]].size;
  const std::size_t block =
      std::clamp(kSideBySideMemory / readers.size(), kContentHead, kLargestBlock);
  for (Reader& reader : readers) reader.block.resize(block);

  // Positions in `readers` of the files still alike, set by set.
  std::vector<std::vector<std::size_t>> alike(1);
  for (std::size_t i = 0; i < readers.size(); ++i) alike[0].push_back(i);
  for (std::uint64_t offset = kContentHead; offset < size && !alike.empty(); offset += block) {
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(block, size - offset));
    if (!KeepGoing(files[readers[alike[0][0]].index])) {
      for (const auto& set : alike) {
        for (std::size_t position : set)
          sets.outcome[readers[position].index] = ContentOutcome::kNotCompared;
      }
      return {};
    }
    std::vector<std::vector<std::size_t>> next;
    for (const std::vector<std::size_t>& set : alike) {
      std::vector<std::vector<std::size_t>> parts;
      for (std::size_t position : set) {
        Reader& reader = readers[position];
        try {
          ReadExactlyAt(reader.file.get(), reader.block.data(), length, offset);
        } catch (const Error& error) {
          sets.outcome[reader.index] = ContentOutcome::kChanged;
          sets.trouble[reader.index] = error.what();
          continue;
        }
        bytes_read_ += length;
        const auto part = std::find_if(parts.begin(), parts.end(), [&](const auto& candidate) {
          return std::equal(reader.block.begin(),
                            reader.block.begin() + static_cast<std::ptrdiff_t>(length),
                            readers[candidate[0]].block.begin());
        });
        if (part != parts.end()) {
          part->push_back(position);
        } else {
          parts.push_back({position});
        }
      }
      for (auto& part : parts) {
        if (part.size() >= 2) next.push_back(std::move(part));
      }
    }
    alike = std::move(next);
  }

  std::vector<std::vector<std::size_t>> result;
  for (const std::vector<std::size_t>& set : alike) {
    std::vector<std::size_t> still;
    for (std::size_t position : set) {
      Reader& reader = readers[position];
      if (StillAsSeen(reader.file.get(), files[reader.index])) {
        still.push_back(reader.index);
      } else {
        sets.outcome[reader.index] = ContentOutcome::kChanged;
        sets.trouble[reader.index] = kChangedSinceWalk;
      }
    }
    if (still.size() >= 2) result.push_back(std::move(still));
  }
  return result;
}

std::vector<ContentSets> CompareGroups(const std::vector<std::vector<ContentFile>>& groups,
                                       unsigned threads, const ContentProgress& progress,
                                       std::uint64_t& bytes_read) {
  std::vector<ContentSets> results(groups.size());
  std::size_t total = 0;
  for (const auto& group : groups) total += group.size();
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> taken{0};
  std::atomic<bool> stop{false};
  std::atomic<std::uint64_t> bytes{0};
  std::mutex mutex;
  std::string reading;
  const auto compare_all = [&](const std::function<bool(const ContentFile&)>& keep_going) {
    ContentComparer comparer(keep_going);
    for (std::size_t i = next++; i < groups.size(); i = next++) {
      results[i] = comparer.CompareSameSize(groups[i]);
    }
    bytes += comparer.bytes_read();
  };

  std::vector<std::thread> workers;
  try {
    for (unsigned i = 0; i < std::min<std::size_t>(threads, groups.size()); ++i) {
      workers.emplace_back(compare_all, [&](const ContentFile& file) {
        ++taken;
        if (std::unique_lock lock(mutex, std::try_to_lock); lock) reading = file.path;
        return !stop.load(std::memory_order_relaxed);
      });
    }
  } catch (const std::system_error&) {
    // Fewer threads, or none: this one compares what is left.
  }
  if (workers.empty()) {
    compare_all([&](const ContentFile& file) {
      if (!progress(++taken, total, file.path)) stop = true;
      return !stop.load();
    });
  } else {
    // The workers read; this thread shows how far they are and hears "Parar".
    std::vector<bool> finished(workers.size(), false);
    while (next.load() < groups.size() + workers.size()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      std::string now;
      {
        std::lock_guard lock(mutex);
        now = reading;
      }
      if (!stop && !progress(std::min(taken.load(), total), total, now)) stop = true;
    }
    for (std::thread& worker : workers) worker.join();
    if (!stop) progress(total, total, reading);  // the count shown ends complete
  }
  bytes_read = bytes;
  return results;
}

}  // namespace zuruza
