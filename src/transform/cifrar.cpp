#include "transform/cifrar.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/errors.h"
#include "base/utf8.h"
#include "core/numbers.h"
#include "platform/atomic_replace.h"
#include "platform/fs.h"

namespace zuruza {

namespace {

// Files are read and written in runs of whole blocks, so that every block
// still starts at a multiple of 50000 bytes of the file.
constexpr std::size_t kBlocksPerRead = 40;
constexpr std::size_t kReadSize = kCipherBlockSize * kBlocksPerRead;

// Code page 1252 between 0x80 and 0x9F; 0 marks the five unused positions,
// which Windows maps to the control characters of the same value.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::optional<unsigned char> Cp1252Byte(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<unsigned char>(code);
  for (unsigned i = 0; i < 32; ++i) {
    if (kCp1252High[i] == code || (kCp1252High[i] == 0 && code == 0x80 + i))
      return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

// Decodes one UTF-8 character at `pos`, advancing it; nullopt for a
// malformed, overlong or surrogate sequence.
std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t& pos) {
  const Utf8Char c = DecodeUtf8At(text, pos);
  pos += c.size;
  if (!c.valid) return std::nullopt;
  return c.code;
}

// The shift of every position of a block after ShiftBlock has run twice:
// twice the key byte, or its negative to decipher, modulo 256. One addition
// of this pattern gives the bytes of the two passes. Built as far as the
// blocks met so far need it, so that a small file costs little; it lives
// for one operation only, like the key.
class DoubledShift {
 public:
  DoubledShift(std::string_view key, CipherDirection direction) : key_(key), direction_(direction) {
    if (key_.empty()) throw Error(std::string(kEmptyKeyMessage));
  }

  void Apply(unsigned char* block, std::size_t n) {
    Extend(n);
    const unsigned char* shift = pattern_.data();
    // Eight bytes at a time: the low seven bits of each byte are added
    // without carrying into the next byte, the top bit is set apart.
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
      std::uint64_t a;
      std::uint64_t b;
      std::memcpy(&a, block + i, 8);
      std::memcpy(&b, shift + i, 8);
      const std::uint64_t sum = ((a & kLow7) + (b & kLow7)) ^ ((a ^ b) & kHigh);
      std::memcpy(block + i, &sum, 8);
    }
    for (; i < n; ++i) block[i] = static_cast<unsigned char>(block[i] + shift[i]);
  }

 private:
  void Extend(std::size_t n) {
    std::size_t i = pattern_.size();
    if (n <= i) return;
    pattern_.resize(n);
    for (std::size_t j = i % key_.size(); i < n; ++i) {
      const auto twice = static_cast<unsigned char>(2 * static_cast<unsigned char>(key_[j]));
      pattern_[i] = direction_ == CipherDirection::kEncipher
                        ? twice
                        : static_cast<unsigned char>(256 - twice);
      if (++j == key_.size()) j = 0;
    }
  }

  std::string_view key_;
  CipherDirection direction_;
  std::vector<unsigned char> pattern_;
};

}  // namespace

void ShiftBlock(std::span<unsigned char> block, std::string_view key, CipherDirection direction) {
  if (key.empty()) return;
  std::size_t j = 0;
  for (unsigned char& byte : block) {
    const auto k = static_cast<unsigned char>(key[j]);
    byte =
        static_cast<unsigned char>(direction == CipherDirection::kEncipher ? byte + k : byte - k);
    if (++j == key.size()) j = 0;
  }
}

std::optional<std::string> KeyBytes(std::string_view typed) {
  std::string bytes;
  std::size_t pos = 0;
  while (pos < typed.size()) {
    const std::optional<char32_t> code = NextCodePoint(typed, pos);
    if (!code) return std::nullopt;
    const std::optional<unsigned char> byte = Cp1252Byte(*code);
    if (!byte) return std::nullopt;
    bytes.push_back(static_cast<char>(*byte));
  }
  return bytes;
}

std::string FileStatusText(std::int32_t files_processed, std::uint64_t bytes_done) {
  return "Fichero: " + FormatInt(files_processed) + " (" +
         FormatInt(static_cast<std::int64_t>(bytes_done / 1024)) + " Kbytes.)";
}

struct FileCipher::Run {
  DoubledShift shift;
};

FileCipher::FileCipher(ReportSink& sink, Prompter& prompter) : sink_(sink), prompter_(prompter) {}

std::optional<std::string> FileCipher::AskKey(CipherDirection direction) {
  const std::string typed = prompter_.InputBox(
      direction == CipherDirection::kEncipher ? "Clave de Cifrado: " : "Clave de Descifrado: ",
      "Clave: ", "");
  // Cancel gives the empty default, and so is refused like an empty key.
  if (typed.empty()) {
    prompter_.ShowMessage(kEmptyKeyMessage);
    return std::nullopt;
  }
  std::optional<std::string> key = KeyBytes(typed);
  if (!key) prompter_.ShowMessage(kKeyCharactersMessage);
  return key;
}

void FileCipher::RunFileJob(const std::string& path, CipherDirection direction) {
  if (path.empty()) return prompter_.ShowMessage(kEmptyFileMessage);
  // A missing file goes on to the open, which reports "File not found".
  if (const std::optional<DirEntry> entry = StatPath(path);
      entry && entry->kind != EntryKind::kFile) {
    return prompter_.ShowMessage(
        path +
        " no es un fichero normal: sólo se cifran ficheros, no directorios, enlaces ni "
        "ficheros especiales.");
  }
  const std::optional<std::string> key = AskKey(direction);
  if (!key) return;
  files_processed_ = 1;
  CipherFile(path, direction, *key);
}

void FileCipher::RunDirectoryJob(const std::string& directory, CipherDirection direction,
                                 const std::function<void(const std::string&)>& show_directory) {
  if (directory.empty()) return prompter_.ShowMessage(kEmptyDirectoryMessage);
  // Without this, a mistyped directory would end with the message that its
  // files were ciphered.
  if (!IsExistingDirectory(directory))
    return prompter_.ShowMessage("El directorio " + directory + " no existe.");
  const std::optional<std::string> key = AskKey(direction);
  if (!key) return;
  files_processed_ = 0;
  dirs_examined_ = 0;
  ClearRecentNames();
  const std::string corrected = WithTrailingSep(directory);
  if (show_directory) show_directory(corrected);
  CipherDirectory(corrected, *key, direction);
  prompter_.ShowMessage("Ficheros del directorio " + corrected +
                        (direction == CipherDirection::kEncipher ? " CIFRADOS." : " DESCIFRADOS."));
}

void FileCipher::CipherFile(const std::string& path, CipherDirection direction,
                            std::string_view key) {
  Run run{DoubledShift(key, direction)};
  CipherOneFile(path, run);
}

void FileCipher::CipherDirectory(const std::string& directory, std::string_view key,
                                 CipherDirection direction) {
  Run run{DoubledShift(key, direction)};
  CipherTree(directory, run);
}

bool FileCipher::CipherOneFile(const std::string& path, Run& run, bool skip_vanished) {
  sink_.SetStatus(StatusBar::kStatusBar1Panel1, path);
  // The file is opened before the companion is created: a file that cannot
  // be opened leaves no companion behind.
  AtomicReplacement file;
  try {
    file.OpenSource(path);
  } catch (const IoError& error) {
    if (error.code() == kFileNotFound && skip_vanished) return false;
    throw;
  }
  file.CreateCompanion();
  buffer_.resize(kReadSize);
  std::uint64_t total = 0;
  for (;;) {
    const std::size_t got = file.Read(buffer_.data(), kReadSize);
    for (std::size_t offset = 0; offset < got; offset += kCipherBlockSize) {
      run.shift.Apply(buffer_.data() + offset, std::min(kCipherBlockSize, got - offset));
    }
    if (got > 0) file.Write(buffer_.data(), got);
    total += got;
    sink_.SetStatus(StatusBar::kStatusBar1, FileStatusText(files_processed_, total));
    if (got < kReadSize) break;
    sink_.LetEventsRun();  // a large file keeps the window live
  }
  // On any failure above, `file` removes the companion on its way out.
  file.Commit();
  sink_.LetEventsRun();
  return true;
}

void FileCipher::CipherTree(const std::string& directory, Run& run) {
  // The whole listing is taken before any file of the directory is
  // rewritten, so a companion created meanwhile is never met.
  std::vector<DirEntry> entries;
  if (!ListDirectory(directory, entries)) return;
  for (const DirEntry& entry : entries) {
    if (entry.kind == EntryKind::kDirectory) {
      if (entry.name == "." || entry.name == "..") continue;
      ++dirs_examined_;
      sink_.SetStatus(
          StatusBar::kStatusBar1,
          "Directorios Examinados: " + FormatInt(dirs_examined_) + " (" + entry.name + ")");
      sink_.LetEventsRun();
      CipherTree(directory + entry.name + kPathSep, run);
    } else if (entry.kind == EntryKind::kFile) {
      const std::string path = directory + entry.name;
      if (RememberName(path)) {
        ++files_processed_;
        // Deleted since its directory was read: not there to cipher, and
        // no reason to stop the rest of the tree.
        if (!CipherOneFile(path, run, /*skip_vanished=*/true)) --files_processed_;
      }
    }
    // Links, fifos, sockets and devices are neither followed nor opened.
  }
}

bool FileCipher::RememberName(const std::string& path) {
  if (std::find(recent_names_.begin(), recent_names_.end(), path) != recent_names_.end())
    return false;
  recent_index_ = recent_index_ == kRecentNameSlots ? 1 : recent_index_ + 1;
  recent_names_[recent_index_ - 1] = path;
  return true;
}

void FileCipher::ClearRecentNames() {
  recent_names_.fill(std::string());
  recent_index_ = 0;
}

}  // namespace zuruza
