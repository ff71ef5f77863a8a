#include "text/busca2.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/errors.h"
#include "core/numbers.h"
#include "core/text_file.h"
#include "core/text_rules.h"
#include "platform/file.h"

namespace zuruza {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr std::size_t kNone = std::string_view::npos;

bool EndsSegment(char c) { return c == kCr || c == kLf; }

// The first CR or LF at or after `from`.
std::size_t FindSegmentEnd(std::string_view data, std::size_t from) {
  const char* s = data.data();
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8(kCr);
  const __m128i lf = _mm_set1_epi8(kLf);
  for (; i + 16 <= data.size(); i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const int mask =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < data.size(); ++i) {
    if (EndsSegment(s[i])) return i;
  }
  return kNone;
}

// The last CR or LF in [from, until).
std::size_t FindLastSegmentEnd(std::string_view data, std::size_t from, std::size_t until) {
  for (std::size_t i = until; i > from; --i) {
    if (EndsSegment(data[i - 1])) return i - 1;
  }
  return kNone;
}

enum class CaseRule { kExact, kIgnoreAsciiCase };

struct Needle {
  std::string text;  // already upper-cased for kIgnoreAsciiCase
  CaseRule rule;

  // A CR or LF ends its segment, so a string holding one before its last
  // byte occurs in no segment; neither does the empty string. Any other
  // string occurs in a segment exactly when it occurs in the file's bytes,
  // which lets the search run over whole buffers instead of segment by
  // segment.
  bool CanOccur() const {
    return !text.empty() &&
           FindSegmentEnd(std::string_view(text).substr(0, text.size() - 1), 0) == kNone;
  }

  std::size_t Find(std::string_view data, std::size_t from) const {
    return rule == CaseRule::kExact ? data.find(text, from) : FindUpperAscii(data, text, from);
  }
};

// A regular file open for reading, closed when it goes out of scope.
class RawFile {
 public:
  explicit RawFile(const std::string& path) {
    // Only regular files, or links to one: a fifo would wait for a writer.
    fd_ = OpenDataFile(path, DataOpen::kRead);
    try {
      size_ = OpenFileSize(fd_);
    } catch (...) {
      CloseFile(fd_);
      throw;
    }
  }
  ~RawFile() {
    if (fd_ >= 0) CloseFile(fd_);
  }
  RawFile(const RawFile&) = delete;
  RawFile& operator=(const RawFile&) = delete;

  // Up to `size` bytes at the current position; 0 at the end of the file.
  std::size_t Read(char* into, std::size_t size) { return ReadSome(fd_, into, size); }

  // The bytes [offset, offset + length), which were read before.
  std::string ReadAt(std::uint64_t offset, std::uint64_t length) {
    std::string bytes(static_cast<std::size_t>(length), '\0');
    ReadExactlyAt(fd_, bytes.data(), bytes.size(), offset);
    return bytes;
  }

  std::uint64_t size_at_open() const { return size_; }

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

// Reads `file` from its start to its end through `buffer`, `read_size`
// bytes at a time, and tells whether the needle occurs in a segment. With
// `list`, every segment holding it goes to `on_segment`; without, the rest of
// the file is still read after the first match but no longer searched.
// `bytes_read` grows to count the file's bytes up to the end of the last
// whole segment read; at the end, all of them. `on_progress` runs after each
// read that leaves more of the file to read.
bool ScanFile(RawFile& file, const Needle& needle, bool list, std::size_t read_size,
              std::vector<char>& buffer, double& bytes_read,
              const std::function<void(std::string_view)>& on_segment,
              const std::function<void()>& on_progress) {
  const double base = bytes_read;
  const bool searchable = needle.CanOccur();
  // The last bytes of a buffer move to the front of the next one, so that a
  // match across the boundary is seen; never a whole match, so none is seen twice.
  const std::size_t keep = searchable ? needle.text.size() - 1 : 0;
  if (buffer.size() < keep + read_size) buffer.resize(keep + read_size);
  char* const data = buffer.data();
  std::uint64_t data_offset = 0;    // where data[0] sits in the file
  std::size_t filled = 0;           // bytes in data
  std::uint64_t total = 0;          // bytes read from the file
  std::uint64_t segment_start = 0;  // just after the last CR or LF read
  bool found = false;
  bool pending = false;  // a listed segment goes on past the buffer
  for (;;) {
    const std::size_t carried = std::min(keep, filled);
    if (carried > 0) std::memmove(data, data + filled - carried, carried);
    data_offset += filled - carried;
    filled = carried;
    const std::size_t got = file.Read(data + carried, read_size);
    if (got == 0) break;
    filled += got;
    total += got;
    const std::string_view view(data, filled);

    std::size_t resume = 0;  // segment_start is where the segment holding `resume` begins
    if (pending) {
      const std::size_t end = FindSegmentEnd(view, carried);
      if (end != kNone) {
        const std::uint64_t stop = data_offset + end + 1;
        on_segment(file.ReadAt(segment_start, stop - segment_start));
        pending = false;
        segment_start = stop;
        resume = end + 1;
      }
    }
    if (!pending && searchable && (list || !found)) {
      for (std::size_t at = needle.Find(view, resume); at != kNone;
           at = needle.Find(view, resume)) {
        found = true;
        if (!list) break;
        const std::size_t before = FindLastSegmentEnd(view, resume, at);
        const std::uint64_t start = before == kNone ? segment_start : data_offset + before + 1;
        const std::size_t end = FindSegmentEnd(view, at);
        if (end == kNone) {
          segment_start = start;
          pending = true;
          break;
        }
        const std::uint64_t stop = data_offset + end + 1;
        // A segment that began in an earlier buffer is read again: nothing
        // but the buffer stays in memory while a long segment is searched.
        if (start >= data_offset) {
          on_segment(view.substr(static_cast<std::size_t>(start - data_offset),
                                 static_cast<std::size_t>(stop - start)));
        } else {
          on_segment(file.ReadAt(start, stop - start));
        }
        segment_start = stop;
        resume = end + 1;
      }
    }
    if (!pending) {
      const std::size_t last = FindLastSegmentEnd(view, resume, filled);
      if (last != kNone) segment_start = data_offset + last + 1;
    }
    bytes_read = base + static_cast<double>(segment_start);
    if (total < file.size_at_open()) on_progress();
  }
  if (pending) on_segment(file.ReadAt(segment_start, total - segment_start));
  bytes_read = base + static_cast<double>(total);
  return found;
}

}  // namespace

std::string BytesReadText(double bytes_read) {
  return "Analizados: " + FormatInt(static_cast<std::int64_t>(bytes_read)) + " bytes.";
}

InFileSearch::InFileSearch(Prompter& prompter, std::size_t buffer_size)
    : prompter_(prompter), buffer_size_(std::max<std::size_t>(buffer_size, 1)) {}

void InFileSearch::SearchOneFile(ReportSink& memo1) {
  const Needle needle{prompter_.InputBox(kInFilePromptCaption, kInFilePrompt, kInFileDefaultText),
                      CaseRule::kExact};
  memo1.ClearReport();
  bytes_read_ = 0;
  const std::optional<std::string> path = prompter_.OpenFileDialog("", "");
  if (!path) return;
  memo1.ShowProgress(StatusBar::kStatusBar1, "Analizado el fichero...");
  {
    RawFile file(*path);
    ScanFile(
        file, needle, true, buffer_size_, buffer_, bytes_read_,
        [&](std::string_view segment) { memo1.AddReportLine(segment); },
        [&] { memo1.ShowProgress(StatusBar::kStatusBar1, BytesReadText(bytes_read_)); });
  }
  memo1.SetStatus(StatusBar::kStatusBar1, BytesReadText(bytes_read_));
}

void InFileSearch::SearchSeveralFiles(const std::vector<std::string>& names, ReportSink& memo2) {
  prompter_.ShowMessage(kSeveralFilesNotice);
  const Needle needle{
      UpperAscii(prompter_.InputBox(kInFilePromptCaption, kInFilePrompt, kInFileDefaultText)),
      CaseRule::kIgnoreAsciiCase};
  memo2.ClearReport();
  bytes_read_ = 0;
  for (const std::string& name : names) {
    memo2.ShowProgress(StatusBar::kStatusBar1, "Analizado " + name);
    bool found = false;
    {
      RawFile file(name);
      found = ScanFile(
          file, needle, false, buffer_size_, buffer_, bytes_read_, [](std::string_view) {},
          [&] { memo2.ShowProgress(StatusBar::kStatusBar1, BytesReadText(bytes_read_)); });
    }
    if (found) memo2.AddReportLine(name);
    memo2.SetStatus(StatusBar::kStatusBar1, BytesReadText(bytes_read_));
  }
}

}  // namespace zuruza
