// Reading and writing text files line by line, with the program's line rules.
// Bytes are never decoded.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace zuruza {

// Opens `path` with the open(2) `flags` (and `mode` when it creates) for
// reading or writing its bytes, never waiting on a fifo: only a regular file
// is taken, or a character device to write to (/dev/null as a report);
// anything else, a fifo nobody reads included, is "File access denied", a
// directory too. Returns a blocking descriptor; failures throw IoError.
int OpenDataFile(const std::string& path, int flags, unsigned mode = 0666);

// Reads lines: a line ends at a CR byte, and an LF right after that CR
// belongs to the same line end; a lone LF does not end a line and stays in
// its text; byte 26 (Ctrl-Z) ends the file; lines have no length limit; an
// empty file has no lines and a file ending in CR LF has no empty line after
// its last line. Buffered; blocking. Open failures throw IoError.
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

 private:
  bool Fill();
  // Keeps the unread bytes, moved to the buffer's start, and reads more
  // after them (growing the buffer when it is full). False at end of file.
  bool FillMore();

  int fd_ = -1;
  std::string path_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;  // the file (or a Ctrl-Z) has ended
  std::uint64_t consumed_ = 0;
};

// Takes the first line off a block from TextReader::ReadBlock: `line` is its
// text up to the CR (or the block's end), and the CR and an LF right after
// it are dropped. False when the block is empty.
bool NextLine(std::string_view& block, std::string_view& line);

// How many line ends (CR bytes) a text holds. Fast on long texts.
std::size_t CountLineEnds(std::string_view text);

// Writes lines, each followed by CR LF. Buffered. Errors (a full disk, a
// vanished directory) throw IoError at the write, flush or close that meets
// them.
class TextWriter {
 public:
  enum class Mode { kReplace, kAppend };

  TextWriter(const std::string& path, Mode mode);
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
};

}  // namespace zuruza
