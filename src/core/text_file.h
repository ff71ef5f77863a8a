// Reading and writing text files line by line, with the program's line rules.
// Bytes are never decoded.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zuruza {

class AtomicFile;

// How a text file ends its lines: CR LF (the program's own formats), or a
// lone LF as Linux tools write them.
enum class LineEnd { kCrLf, kLf };

// The bytes of a line end.
std::string_view LineEndBytes(LineEnd end);

// Reads lines: a line ends at a CR byte, and an LF right after that CR
// belongs to the same line end; on Linux a lone LF ends a line too, as its
// tools write them (on Windows it stays inside its line); byte 26 (Ctrl-Z) ends the file; lines
// have no length limit; an empty file has no lines and a file ending in a line end has no empty
// line after its last line. Buffered; blocking. Open failures throw IoError.
class TextReader {
 public:
  explicit TextReader(const std::string& path, std::size_t buffer_size = 256 * 1024);
  ~TextReader();
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  // Reads the next line into `line` (without its end); false at end of file.
  bool ReadLine(std::string& line);
  // Reads a block of whole lines, line ends included, for callers that scan
  // many lines at once; split it with NextLine(). The view lasts until the
  // next call. False at end of file. Do not mix with ReadLine().
  bool ReadBlock(std::string_view& block);
  // True when no further line can be read.
  bool AtEnd();
  // Starts again from the first line.
  void Rewind();
  // Bytes of the file consumed so far (line ends included).
  std::uint64_t BytesConsumed() const { return consumed_; }
  // The end of the first line read so far that has one: kLf for a lone LF,
  // kCrLf for CR LF or a lone CR, and kCrLf while no line end was met. An
  // output made from this file keeps its line ends with it.
  LineEnd FirstLineEnd() const { return first_line_end_.value_or(LineEnd::kCrLf); }

 private:
  bool Fill();
  // Keeps the unread bytes, moved to the buffer's start, and reads more
  // after them (growing the buffer when it is full). False at end of file.
  bool FillMore();
  void NoteFirstLineEnd(std::string_view block);

  int fd_ = -1;
  std::string path_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;  // the file (or a Ctrl-Z) has ended
  std::uint64_t consumed_ = 0;
  std::optional<LineEnd> first_line_end_;
};

// The line end of a text file's first line, as TextReader::FirstLineEnd
// tells it, read from the file's start (kCrLf for an empty file).
LineEnd FirstLineEndOf(const std::string& path);

// Takes the first line off a block from TextReader::ReadBlock: `line` is its
// text up to its line end (a CR, an LF, or the block's end), and the line
// end (CR LF as one) is dropped. False when the block is empty.
bool NextLine(std::string_view& block, std::string_view& line);

// How many line ends a text holds: every CR, and every LF that does not
// follow a CR. Fast on long texts.
std::size_t CountLineEnds(std::string_view text);

// Appends `text` to `line` so that it stays inside that one line when the
// file is read back: the bytes that would end the line (CR, LF) or the whole
// file (Ctrl-Z) are written as '?'. For names taken from the file system.
void AppendLineText(std::string& line, std::string_view text);

// Writes lines, each followed by its line end (CR LF unless told). Buffered.
// Errors (a full disk, a vanished directory) throw IoError at the write,
// flush or close that meets them.
//
// kReplace writes straight into the file (reports that grow while a walk
// runs). kAppend keeps what is written until Flush() or Close() and adds it
// to the file's end in one write, so two programs appending blocks to one
// listing at once never mix their lines. kAtomic writes a whole new
// output through a temporary file renamed into place by Close(): until then
// the file's name holds what it held before, and a writer destroyed without
// Close() leaves it so.
class TextWriter {
 public:
  enum class Mode { kReplace, kAppend, kAtomic };

  TextWriter(const std::string& path, Mode mode, LineEnd line_end = LineEnd::kCrLf);
  ~TextWriter();  // closes without throwing; call Close() to see errors
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  void WriteLine(std::string_view text);
  // Writes bytes with no line end added.
  void Write(std::string_view bytes);
  void Flush();
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
  std::string buffer_;
  std::string_view line_end_;
  bool whole_append_ = false;
  std::unique_ptr<AtomicFile> atomic_;
};

}  // namespace zuruza
