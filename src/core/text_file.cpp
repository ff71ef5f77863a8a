#include "core/text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/bytes.h"
#include "base/errors.h"
#include "platform/atomic_file.h"
#include "platform/file.h"
#include "platform/line_ends.h"

namespace zuruza {

namespace {

constexpr std::size_t kReadBufferSize = 256 * 1024;
constexpr std::size_t kWriteBufferSize = 64 * 1024;
constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kCtrlZ = 26;
// The runtime's code for using a file that is not open.
constexpr int kFileNotOpen = 103;

// Where the first byte that ends a line (a CR, or an LF where a lone LF
// ends a line) of `size` bytes stands; `size` when none.
std::size_t FindLineEnd(const char* data, std::size_t size) {
  if constexpr (!kLoneLfEndsLine) {
    const void* cr = std::memchr(data, kCr, size);
    return cr == nullptr ? size : static_cast<std::size_t>(static_cast<const char*>(cr) - data);
  }
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8(kCr);
  const __m128i lf = _mm_set1_epi8(kLf);
  for (; i + 16 <= size; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const int mask =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < size; ++i) {
    if (data[i] == kCr || data[i] == kLf) return i;
  }
  return size;
}

}  // namespace

// --- TextReader ---

TextReader::TextReader(const std::string& path, std::size_t buffer_size) : path_(path) {
  fd_ = OpenDataFile(path, DataOpen::kRead);
  buffer_.resize(buffer_size > 0 ? buffer_size : kReadBufferSize);
}

TextReader::~TextReader() {
  if (fd_ >= 0) CloseFile(fd_);
}

bool TextReader::Fill() {
  if (eof_) return false;
  const std::size_t got = ReadSome(fd_, buffer_.data(), buffer_.size());
  pos_ = 0;
  end_ = got;
  if (got == 0) {
    eof_ = true;
    return false;
  }
  return true;
}

bool TextReader::ReadLine(std::string& line) {
  line.clear();
  bool started = false;
  for (;;) {
    if (pos_ == end_ && !Fill()) return started;
    const char* begin = buffer_.data() + pos_;
    const std::size_t available = end_ - pos_;
    // The line ends at the first CR or LF.
    const std::size_t span = FindLineEnd(begin, available);
    const char* stop = span < available ? begin + span : nullptr;
    if (const void* z = std::memchr(begin, kCtrlZ, span); z != nullptr) {
      // Ctrl-Z ends the file right here; what came before it still counts.
      const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(z) - begin);
      line.append(begin, length);
      consumed_ += length;
      pos_ = end_ = 0;
      eof_ = true;
      return started || length > 0;
    }
    line.append(begin, span);
    consumed_ += span;
    pos_ += span;
    if (stop == nullptr) {
      started = true;
      continue;
    }
    ++pos_;
    ++consumed_;
    if (*stop == kLf) {
      if (!first_line_end_) first_line_end_ = LineEnd::kLf;
      return true;
    }
    if (!first_line_end_) first_line_end_ = LineEnd::kCrLf;
    // The LF of a CR LF may be the first byte of the next buffer.
    if (pos_ < end_ || Fill()) {
      if (buffer_[pos_] == kLf) {
        ++pos_;
        ++consumed_;
      }
    }
    return true;
  }
}

bool TextReader::FillMore() {
  if (eof_) return false;
  std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
  end_ -= pos_;
  pos_ = 0;
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);  // one line fills it
  const std::size_t got = ReadSome(fd_, buffer_.data() + end_, buffer_.size() - end_);
  if (got == 0) {
    eof_ = true;
    return false;
  }
  end_ += got;
  return true;
}

bool TextReader::ReadBlock(std::string_view& block) {
  for (;;) {
    const char* begin = buffer_.data() + pos_;
    std::size_t available = end_ - pos_;
    if (const void* z = std::memchr(begin, kCtrlZ, available); z != nullptr) {
      // Ctrl-Z ends the file right here; what came before it still counts.
      available = static_cast<std::size_t>(static_cast<const char*>(z) - begin);
      eof_ = true;
      end_ = pos_ + available;
    }
    if (eof_) {
      // The last line may have no end.
      NoteFirstLineEnd(std::string_view(begin, available));
      block = std::string_view(begin, available);
      pos_ = end_;
      consumed_ += available;
      return available > 0;
    }
    // Whole lines only: up to the last lone LF that ends a line, or the
    // last CR whose following byte is known.
    std::size_t cut = 0;
    if (const char* last_lf = kLoneLfEndsLine ? FindLastByte(begin, kLf, available) : nullptr;
        last_lf != nullptr) {
      cut = static_cast<std::size_t>(last_lf - begin) + 1;
    }
    if (const char* last_cr = available > 1 ? FindLastByte(begin, kCr, available - 1) : nullptr;
        last_cr != nullptr) {
      std::size_t after_cr = static_cast<std::size_t>(last_cr - begin) + 1;
      if (begin[after_cr] == kLf) ++after_cr;
      cut = std::max(cut, after_cr);
    }
    if (cut > 0) {
      NoteFirstLineEnd(std::string_view(begin, cut));
      block = std::string_view(begin, cut);
      pos_ += cut;
      consumed_ += cut;
      return true;
    }
    FillMore();
  }
}

void TextReader::NoteFirstLineEnd(std::string_view block) {
  if (first_line_end_) return;
  const std::size_t stop = FindLineEnd(block.data(), block.size());
  if (stop < block.size()) first_line_end_ = block[stop] == kLf ? LineEnd::kLf : LineEnd::kCrLf;
}

bool NextLine(std::string_view& block, std::string_view& line) {
  if (block.empty()) return false;
  const std::size_t stop = FindLineEnd(block.data(), block.size());
  if (stop == block.size()) {
    line = block;
    block = {};
    return true;
  }
  line = block.substr(0, stop);
  std::size_t next = stop + 1;
  if (block[stop] == kCr && next < block.size() && block[next] == kLf) ++next;
  block.remove_prefix(next);
  return true;
}

std::size_t CountLineEnds(std::string_view text) {
  std::size_t count = 0;
  std::size_t i = 0;
  if constexpr (!kLoneLfEndsLine)
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), kCr));
  // A CR counts, and an LF unless a CR stands right before it.
  auto ends_line = [&](std::size_t at) {
    return text[at] == kCr || (text[at] == kLf && (at == 0 || text[at - 1] != kCr));
  };
  if (!text.empty()) count += ends_line(i++);
#if defined(__SSE2__)
  // Byte counters in a register: each match subtracts -1; summed every 255
  // rounds, before a counter can overflow. `previous` is the same 16 bytes
  // one byte earlier, to see the CR before an LF.
  const __m128i cr = _mm_set1_epi8(kCr);
  const __m128i lf = _mm_set1_epi8(kLf);
  while (i + 16 <= text.size()) {
    __m128i counters = _mm_setzero_si128();
    for (int round = 0; round < 255 && i + 16 <= text.size(); ++round, i += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
      const __m128i previous =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i - 1));
      const __m128i lone_lf =
          _mm_andnot_si128(_mm_cmpeq_epi8(previous, cr), _mm_cmpeq_epi8(bytes, lf));
      counters = _mm_sub_epi8(counters, _mm_or_si128(_mm_cmpeq_epi8(bytes, cr), lone_lf));
    }
    const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
    count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
#endif
  for (; i < text.size(); ++i) count += ends_line(i);
  return count;
}

bool TextReader::AtEnd() {
  if (pos_ == end_ && !Fill()) return true;
  return buffer_[pos_] == kCtrlZ;
}

void TextReader::Rewind() {
  RewindFile(fd_);
  pos_ = end_ = 0;
  eof_ = false;
  consumed_ = 0;
}

LineEnd FirstLineEndOf(const std::string& path) {
  // Scans for the first line end without keeping the line: a first line of
  // gigabytes costs no memory here.
  const int fd = OpenDataFile(path, DataOpen::kRead);
  std::vector<char> buffer(64 * 1024);
  LineEnd end = LineEnd::kCrLf;
  try {
    while (const std::size_t size = ReadSome(fd, buffer.data(), buffer.size())) {
      const std::size_t stop = FindLineEnd(buffer.data(), size);
      if (std::memchr(buffer.data(), kCtrlZ, stop) != nullptr)
        break;  // the file ends before any line end
      if (stop < size) {
        end = buffer[stop] == kLf ? LineEnd::kLf : LineEnd::kCrLf;
        break;
      }
    }
  } catch (...) {
    CloseFile(fd);
    throw;
  }
  CloseFile(fd);
  return end;
}

void AppendLineText(std::string& line, std::string_view text) {
  for (char c : text) line += (c == kCr || c == kLf || c == kCtrlZ) ? '?' : c;
}

std::string_view LineEndBytes(LineEnd end) { return end == LineEnd::kLf ? "\n" : "\r\n"; }

// --- TextWriter ---

TextWriter::TextWriter(const std::string& path, Mode mode, LineEnd line_end)
    : line_end_(LineEndBytes(line_end)) {
  if (mode == Mode::kAtomic) {
    // Checked as any output file is, so a directory or a fifo at the name
    // is refused before anything is written.
    if (CheckOutputType(path)) {
      // A device (/dev/null for an output nobody wants) is written to, never
      // replaced by a file.
      fd_ = OpenDataFile(path, DataOpen::kReplaceExisting);
    } else {
      atomic_ = std::make_unique<AtomicFile>(path);
      fd_ = atomic_->fd();
    }
  } else {
    fd_ = OpenDataFile(path,
                       mode == Mode::kAppend ? DataOpen::kCreateAppend : DataOpen::kCreateReplace);
  }
  buffer_.reserve(kWriteBufferSize);
  whole_append_ = mode == Mode::kAppend;
}

TextWriter::~TextWriter() {
  if (fd_ < 0) return;
  // An atomic output that was never closed is dropped whole.
  if (atomic_) return;
  WriteAllTo(fd_, buffer_.data(), buffer_.size());
  CloseFile(fd_);
}

void TextWriter::Write(std::string_view bytes) {
  if (fd_ < 0) throw IoError(kFileNotOpen);
  if (whole_append_) {
    buffer_.append(bytes);
    return;
  }
  if (buffer_.size() + bytes.size() <= kWriteBufferSize) {
    buffer_.append(bytes);
    return;
  }
  Flush();
  if (bytes.size() >= kWriteBufferSize) {
    if (int error = WriteAllTo(fd_, bytes.data(), bytes.size()); error != 0)
      ThrowIoErrorFromErrno(error);
  } else {
    buffer_.append(bytes);
  }
}

void TextWriter::WriteLine(std::string_view text) {
  Write(text);
  Write(line_end_);
}

void TextWriter::Flush() {
  if (fd_ < 0) throw IoError(kFileNotOpen);
  int error = WriteAllTo(fd_, buffer_.data(), buffer_.size());
  // What could not be written is dropped, so one failure is reported once.
  buffer_.clear();
  if (error != 0) ThrowIoErrorFromErrno(error);
}

void TextWriter::Close() {
  if (fd_ < 0) return;
  int flush_error = WriteAllTo(fd_, buffer_.data(), buffer_.size());
  buffer_.clear();
  if (atomic_) {
    fd_ = -1;
    std::unique_ptr<AtomicFile> file = std::move(atomic_);
    if (flush_error != 0) ThrowIoErrorFromErrno(flush_error);  // the temporary goes with `file`
    file->Commit();
    return;
  }
  const int close_error = CloseFile(fd_);
  fd_ = -1;
  if (flush_error != 0) ThrowIoErrorFromErrno(flush_error);
  if (close_error != 0) ThrowIoErrorFromErrno(close_error);
}

}  // namespace zuruza
