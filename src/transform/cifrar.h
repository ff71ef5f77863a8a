// The file cipher: enciphers or deciphers, in place, one file or every file
// of a directory tree with a key typed for each operation. Every byte is
// shifted by a key byte, modulo 256; the key position restarts at every
// block of 50000 bytes and each block is shifted twice, so a byte b at
// offset p becomes b + 2*key[(p mod 50000) mod L] (minus, to decipher).
// Nothing is added: the ciphered file has the plain file's length.
//
// A file is rewritten through a companion file (the atomic writer's
// temporary beside it, which never replaces a person's file), flushed and
// renamed over the file in one step: the file's name always holds the whole
// plain or the whole ciphered content. The result gets the file's
// permissions and, as any rewritten file, the time of the rewrite.
//
// Blocking; lets events run after every file, on entering every
// subdirectory and between blocks of a large file. Input/output failures
// throw IoError and stop the whole run; files already ciphered stay so.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/prompter.h"
#include "core/report_sink.h"

namespace zuruza {

enum class CipherDirection { kEncipher, kDecipher };

inline constexpr std::size_t kCipherBlockSize = 50000;
inline constexpr std::size_t kRecentNameSlots = 100;

// The refusals of the buttons; nothing is changed after any of them.
inline constexpr std::string_view kEmptyKeyMessage = "La clave no puede estar vacía.";
inline constexpr std::string_view kEmptyFileMessage = "Indique el fichero.";
inline constexpr std::string_view kEmptyDirectoryMessage = "Indique el directorio.";
inline constexpr std::string_view kKeyCharactersMessage =
    "La clave sólo admite caracteres de un byte (página de códigos Windows-1252).";

// Shifts a block in place by the key (restarting at the block's first byte):
// byte i gets key[i mod L] added, or subtracted, modulo 256. An empty block
// or an empty key leaves the block as it was.
void ShiftBlock(std::span<unsigned char> block, std::string_view key, CipherDirection direction);

// The key's bytes for a typed key (UTF-8): one byte per character, as the
// Spanish Windows code page 1252 writes it, so that a key with "ñ" or "€"
// deciphers what the same key enciphered there. ASCII stays as typed.
// nullopt when a character has no byte there (or the text is not UTF-8).
std::optional<std::string> KeyBytes(std::string_view typed);

// "Fichero: 3 (50 Kbytes.)": the status of a file being ciphered.
std::string FileStatusText(std::int32_t files_processed, std::uint64_t bytes_done);

class FileCipher {
 public:
  // Status bar panel 0 is the sink's kStatusBar1, panel 1 its
  // kStatusBar1Panel1. The prompter asks the key and shows the refusals.
  FileCipher(ReportSink& sink, Prompter& prompter);

  // "Cifrar" / "Descifrar": asks the key and ciphers the file named by
  // `path` (Edit2). An empty path or key, or a path that names a link, a
  // directory or a special file, gets a message and changes nothing.
  void RunFileJob(const std::string& path, CipherDirection direction);

  // "Cifra Directorio" / "Descifra Directorio": asks the key and ciphers the
  // tree of `directory` (Edit4), which gets a trailing separator first;
  // `show_directory` receives that corrected text for the field. Ends with
  // "Ficheros del directorio <dir> CIFRADOS." (or DESCIFRADOS). An empty
  // field or key, or a directory that does not exist, gets a message and
  // changes nothing.
  void RunDirectoryJob(const std::string& directory, CipherDirection direction,
                       const std::function<void(const std::string&)>& show_directory = {});

  // Ciphers one regular file in place through a companion. Throws IoError
  // (the file unchanged, no companion left) when it cannot be opened for
  // reading and writing, the companion cannot be created, or writing,
  // flushing or renaming fails.
  void CipherFile(const std::string& path, CipherDirection direction, std::string_view key);

  // Ciphers every regular file of the tree below `directory` (ending in the
  // separator), depth first in listing order, hidden files too. Each
  // directory is listed before any of its files is touched, so no companion
  // is ever met by the walk. Links, fifos, sockets and devices are skipped;
  // links are never followed; a directory that cannot be listed is skipped.
  void CipherDirectory(const std::string& directory, std::string_view key,
                       CipherDirection direction);

  // True (and the path recorded in the ring of the last 100) when the path is
  // not among the recorded ones. Paths are compared byte for byte: names
  // that differ only in case are different files here.
  bool RememberName(const std::string& path);
  void ClearRecentNames();

  std::int32_t files_processed() const { return files_processed_; }
  std::int32_t dirs_examined() const { return dirs_examined_; }
  std::size_t recent_index() const { return recent_index_; }
  // The ring's slot 1 is index 0 here.
  const std::array<std::string, kRecentNameSlots>& recent_names() const { return recent_names_; }

 private:
  struct Run;  // what one operation needs: the shift its key gives

  // Asks the key: an empty one, or one with characters that have no byte,
  // is refused with a message.
  std::optional<std::string> AskKey(CipherDirection direction);
  // False only when `skip_vanished` and the file no longer exists.
  bool CipherOneFile(const std::string& path, Run& run, bool skip_vanished = false);
  void CipherTree(const std::string& directory, Run& run);

  ReportSink& sink_;
  Prompter& prompter_;
  std::int32_t files_processed_ = 0;
  std::int32_t dirs_examined_ = 0;
  std::array<std::string, kRecentNameSlots> recent_names_;
  std::size_t recent_index_ = 0;       // 1-based slot written last; 0: empty ring
  std::vector<unsigned char> buffer_;  // reused from file to file
};

}  // namespace zuruza
