#include "analysis/indexed_copies.h"

#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "analysis/file_walk.h"
#include "base/errors.h"
#include "core/numbers.h"
#include "core/text_file.h"
#include "core/text_rules.h"
#include "search/listing.h"

namespace zuruza {

namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

std::uint64_t HashOf(std::string_view name, std::uint64_t size) {
  std::uint64_t hash = std::hash<std::string_view>()(name) ^ (size * 0x9e3779b97f4a7c15ULL);
  return hash ^ (hash >> 32);
}

// A block's closing lines, written after its file lines.
bool IsClosingLine(std::string_view line) {
  return line.starts_with("Se han encontrado ") || line.starts_with("Las fechas son:");
}

struct FileLine {
  std::uint64_t size;
  std::string_view path;  // as written: a full path, or "<d>" + separator + name
};

// A file line: "(" size ") " date "> " path, and the size again as
// " (N bytes)" when the disk was indexed with sizes. Nothing when the line is
// not one (a missing ")" or ">", a size that is no number).
std::optional<FileLine> ReadFileLine(std::string_view line) {
  const std::size_t close = line.find(')');
  if (line.empty() || line.front() != '(' || close == std::string_view::npos) return std::nullopt;
  const std::size_t gt = line.find('>', close);
  if (gt == std::string_view::npos) return std::nullopt;
  // The size field reads as ListingLineSize reads it, but a field that is
  // no number is told apart from a size of 0 here.
  std::string_view field = line.substr(1, close - 1);
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  const std::optional<std::int64_t> size = ParseInteger(field);
  if (!size || *size < 0) return std::nullopt;

  std::string_view path = line.substr(gt + 1);
  if (path.starts_with(' ')) path.remove_prefix(1);
  if (path.ends_with(" bytes)")) {
    const std::string suffix = " (" + FormatInt(*size) + " bytes)";
    if (path.ends_with(suffix)) path.remove_suffix(suffix.size());
  }
  return FileLine{static_cast<std::uint64_t>(*size), path};
}

// The file lines of a listing by (name, size), read once. Names and
// directories sit in one buffer: a directory once for the file lines that
// share it, and a record of 32 bytes a file, chained in hash buckets.
class ListingIndex {
 public:
  struct Disk {
    std::string comment;
    std::string date;  // as the header writes it
  };

  // Opens a listing; one that cannot be opened is the job's error.
  static std::unique_ptr<TextReader> Open(const std::string& path) {
    try {
      return std::make_unique<TextReader>(path);
    } catch (const IoError& error) {
      throw Error("No se puede abrir el listado: " + path + " (" + error.what() + ")");
    }
  }

  // Reads the whole listing. Touches nothing but the index, so that it can
  // run beside the walk.
  void Read(TextReader& reader) {
    std::string_view block, line;
    while (reader.ReadBlock(block)) {
      while (NextLine(block, line)) ReadLine(line);
    }
    BuildBuckets();
  }

  const std::vector<Disk>& disks() const { return disks_; }
  std::int64_t damaged_lines() const { return damaged_; }

  // Calls `each(record)` for every file line of that name and size, in
  // listing order (so by disk, the disks in listing order too).
  template <typename Each>
  void ForEachCopy(std::string_view name, std::uint64_t size, Each each) const {
    if (buckets_.empty()) return;
    const std::uint64_t hash = HashOf(name, size);
    for (std::uint32_t i = buckets_[hash & (buckets_.size() - 1)]; i != kNone;
         i = records_[i].next) {
      const Record& record = records_[i];
      if (record.hash == static_cast<std::uint32_t>(hash) && record.size == size &&
          NameOf(record) == name) {
        each(i);
      }
    }
  }

  std::uint64_t SizeOf(std::uint32_t record) const { return records_[record].size; }
  std::uint32_t DiskOf(std::uint32_t record) const {
    return directories_[records_[record].directory].disk;
  }
  // Appends the copy's path on its disk: a million lines are built this way.
  void AppendPathOf(std::uint32_t record, std::string& out) const {
    const Directory& dir = directories_[records_[record].directory];
    out.append(text_, dir.offset, dir.length);
    out += NameOf(records_[record]);
  }

 private:
  struct Directory {
    std::uint64_t offset;
    std::uint32_t length;
    std::uint32_t disk;
  };
  struct Record {
    std::uint64_t size;
    std::uint64_t name_offset;
    std::uint32_t name_length;
    std::uint32_t directory;
    std::uint32_t hash;  // low bits of the full hash, checked before the name
    std::uint32_t next;  // the next record of the bucket
  };

  std::string_view NameOf(const Record& record) const {
    return std::string_view(text_).substr(record.name_offset, record.name_length);
  }

  std::uint32_t AddDirectory(std::string_view dir) {
    directories_.push_back({text_.size(), static_cast<std::uint32_t>(dir.size()),
                            static_cast<std::uint32_t>(disks_.size() - 1)});
    text_ += dir;
    return static_cast<std::uint32_t>(directories_.size() - 1);
  }

  // place " (Listado generado el " date ") " comment.
  void StartDisk(std::string_view header) {
    std::string_view rest =
        header.substr(header.find(kListingHeaderMark) + kListingHeaderMark.size());
    if (rest.starts_with(" el ")) rest.remove_prefix(4);
    const std::size_t close = rest.find(')');
    std::string_view comment =
        close == std::string_view::npos ? std::string_view() : rest.substr(close + 1);
    if (comment.starts_with(' ')) comment.remove_prefix(1);
    disks_.push_back({std::string(comment), std::string(rest.substr(0, close))});
    directory_ = kNone;
  }

  void ReadLine(std::string_view line) {
    if (IsListingHeader(line)) return StartDisk(line);
    if (IsBlank(line) || line == kListingColumnTitles || line == kListingDashes ||
        IsClosingLine(line)) {
      return;
    }
    const std::optional<FileLine> file = ReadFileLine(line);
    // A file line before any header belongs to no disk.
    if (!file || disks_.empty()) {
      ++damaged_;
      return;
    }
    std::string_view path = file->path, name;
    static const std::string same_dir = std::string(kSameDirMark) + kPathSep;
    if (path.starts_with(same_dir)) {
      name = path.substr(same_dir.size());
      // The first line of a block never is one; shown as written if it is.
      if (directory_ == kNone) directory_ = AddDirectory(same_dir);
    } else {
      // The exact folder the line names, whatever its length or blanks.
      const std::size_t sep = path.rfind(kPathSep);
      const std::size_t cut = sep == std::string_view::npos ? 0 : sep + 1;
      name = path.substr(cut);
      directory_ = AddDirectory(path.substr(0, cut));
    }
    // Empty files are never looked up.
    if (file->size == 0) return;
    records_.push_back({file->size, text_.size(), static_cast<std::uint32_t>(name.size()),
                        directory_, static_cast<std::uint32_t>(HashOf(name, file->size)), kNone});
    text_ += name;
  }

  void BuildBuckets() {
    std::size_t count = 1;
    while (count < records_.size()) count *= 2;
    buckets_.assign(count, kNone);
    // From the last record back, each put in front: chains run in listing
    // order. The kept low bits of the hash choose the bucket, as the whole
    // hash does in a look-up: there are never more buckets than 2^32.
    for (std::size_t i = records_.size(); i-- > 0;) {
      Record& record = records_[i];
      std::uint32_t& head = buckets_[record.hash & (count - 1)];
      record.next = head;
      head = static_cast<std::uint32_t>(i);
    }
  }

  std::string text_;
  std::vector<Disk> disks_;
  std::vector<Directory> directories_;
  std::vector<Record> records_;
  std::vector<std::uint32_t> buckets_;
  std::uint32_t directory_ = kNone;  // of the last file line of the current block
  std::int64_t damaged_ = 0;
};

}  // namespace

struct IndexedCopyFinder::Scan {
  // A local file kept on a disk, and the copy there.
  struct Found {
    std::uint32_t local;  // into local_paths
    std::uint32_t record;
  };
  // A file the walk met, looked up once the listing is read.
  struct Met {
    std::uint32_t dir;  // into dirs
    std::string name;
    std::uint64_t size;
  };
  ListingIndex index;
  std::vector<std::string> dirs;
  std::vector<Met> met;
  std::vector<std::vector<Found>> found_by_disk;
  std::vector<std::string> local_paths;
};

IndexedCopyFinder::IndexedCopyFinder(ReportSink& sink, LocaleFormats /*formats*/) : sink_(sink) {}

void IndexedCopyFinder::AddLine(const std::string& line) {
  sink_.AddReportLine(line);
  report_.WriteReportLine(line);
}

void IndexedCopyFinder::Run(const IndexedCopiesRequest& request) {
  dirs_examined_ = 0;
  files_examined_ = files_found_ = damaged_lines_ = 0;
  bytes_found_ = 0;
  min_size_read_ = false;
  skipped_.Clear();
  request_ = &request;

  // The base text always gets a separator, as the duplicate finder's does.
  const std::string start = request.base_directory.empty() ? std::string(".") + kPathSep
                                                           : request.base_directory + kPathSep;
  RequireReadableDirectory(start);

  Scan scan;
  // The listing is read on a thread of its own while the tree is walked;
  // whatever happens to the walk, the reading is waited for.
  const std::unique_ptr<TextReader> listing = ListingIndex::Open(request.listing_path);
  std::exception_ptr listing_error;
  struct Reading {
    std::thread thread;
    ~Reading() {
      if (thread.joinable()) thread.join();
    }
  } reading;
  const auto read_listing = [&] {
    try {
      scan.index.Read(*listing);
    } catch (...) {
      listing_error = std::current_exception();
    }
  };
  try {
    reading.thread = std::thread(read_listing);
  } catch (const std::system_error&) {
    read_listing();  // no thread to spare: read first, then walk
  }

  // A failure closes the report file, keeping what was written before it.
  ReportFileCloser close_on_exit(report_);
  if (request.write_report) report_.OpenReportFile(request.report_path, false);

  sink_.ClearReport();
  AddLine("FICHEROS YA GUARDADOS EN DISCOS INDEXADOS");
  AddLine("(Se buscan ficheros de mismo nombre y tamaño en " + request.listing_path + ")");
  {
    DirectoryReader reader(EntryDetail::kFiles);
    WalkFiles(
        reader, start, sink_, skipped_, dirs_examined_,
        [&](const std::string& dir, const DirEntry& entry) { ExamineFile(dir, entry, scan); });
  }
  if (reading.thread.joinable()) reading.thread.join();
  if (listing_error) std::rethrow_exception(listing_error);
  damaged_lines_ = scan.index.damaged_lines();
  scan.found_by_disk.resize(scan.index.disks().size());
  for (const Scan::Met& met : scan.met) LookUp(scan.dirs[met.dir], met.name, met.size, scan);

  const ListingIndex& index = scan.index;
  for (std::size_t disk = 0; disk < scan.found_by_disk.size(); ++disk) {
    if (scan.found_by_disk[disk].empty()) continue;
    AddLine("");
    AddLine("Disco: " + index.disks()[disk].comment + " (" + index.disks()[disk].date + ")");
    std::string line;
    for (const Scan::Found& found : scan.found_by_disk[disk]) {
      line = scan.local_paths[found.local];
      line += ';';
      index.AppendPathOf(found.record, line);
      line += ';';
      line += std::to_string(index.SizeOf(found.record));
      AddLine(line);
    }
  }
  AddLine("");
  AddLine("Se han encontrado " + FormatInt(files_found_) +
          " ficheros ya guardados en discos indexados. (" + GroupedBytes(bytes_found_) + ")");
  if (damaged_lines_ > 0) {
    sink_.SetStatus(StatusBar::kStatusBar1,
                    "Líneas dañadas en el listado: " + FormatInt(damaged_lines_));
  }
  if (report_.IsOpen()) report_.CloseReportFile();
  request_ = nullptr;
}

void IndexedCopyFinder::ExamineFile(const std::string& dir, const DirEntry& entry, Scan& scan) {
  if (request_->min_size_filter) {
    // Read at the first file, so that a bad number stops the job there.
    if (!min_size_read_) {
      min_size_ = StrToInt64(request_->min_size);
      min_size_read_ = true;
    }
    if (min_size_ > 0 && entry.size < static_cast<std::uint64_t>(min_size_)) return;
  }
  // An empty file matches every empty file of every disk: being "kept"
  // would say nothing about it.
  if (entry.size == 0) return;
  ++files_examined_;
  if (scan.dirs.empty() || scan.dirs.back() != dir) scan.dirs.push_back(dir);
  scan.met.push_back({static_cast<std::uint32_t>(scan.dirs.size() - 1), entry.name, entry.size});
  sink_.ShowProgress(StatusBar::kStatusBar1, "Archivos Examinados: " + FormatInt(files_examined_) +
                                                 " (" + entry.name + ")");
}

void IndexedCopyFinder::LookUp(const std::string& dir, const std::string& name, std::uint64_t size,
                               Scan& scan) {
  std::uint32_t last_disk = kNone;
  scan.index.ForEachCopy(name, size, [&](std::uint32_t record) {
    // Under each disk a file is listed once, with its first copy there.
    const std::uint32_t disk = scan.index.DiskOf(record);
    if (disk == last_disk) return;
    if (last_disk == kNone) {
      scan.local_paths.push_back(dir + name);
      ++files_found_;
      bytes_found_ += size;
    }
    last_disk = disk;
    scan.found_by_disk[disk].push_back(
        {static_cast<std::uint32_t>(scan.local_paths.size() - 1), record});
  });
}

}  // namespace zuruza
