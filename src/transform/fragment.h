// The file splitter and joiner. SplitFile cuts a file into numbered pieces
// (base name + "." + a number of at least three digits, raw bytes, no
// header); JoinFragments concatenates the pieces from ".001" on, in number
// order, until the first missing number.
//
// Blocking; every block goes through one transfer buffer of exactly
// kTransferBufferSize bytes, and after each block the status goes to the
// sink's StatusBar1 and pending events run through the prompter. A failed file
// operation or a size that is not a number throws (IoError,
// ConversionError); fragments already written stay on disk. Each fragment,
// and the joined file, is written under a temporary name in its directory
// and renamed into place once whole, so a failure leaves an earlier file of
// that name untouched. A symbolic link named like a fragment is refused,
// never written through.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/prompter.h"
#include "core/report_sink.h"

namespace zuruza {

inline constexpr std::size_t kTransferBufferSize = 1000000;

struct SplitRequest {
  std::string source;                     // Edit2: the file to split
  std::string destination;                // Edit3: the directory of the fragments
  std::string fragment_size = "1450000";  // Edit1: requested size in bytes
};

struct JoinRequest {
  std::string first_fragment;  // Edit4: the fragment ending in ".001"
  std::string output;          // Edit5: the file to generate
};

// A fragment's number with at least three digits: 1 -> "001", 1000 -> "1000".
std::string FragmentNumber(std::int64_t number);

// prefix + FragmentNumber(number); the prefix ends with the dot
// ("/dir/datos." + 1 -> "/dir/datos.001").
std::string FragmentName(std::string_view prefix, std::int64_t number);

// The name of the file without its directory, cut before its first ".":
// "/d/datos.tar.gz" -> "datos"; ".bashrc" -> "".
std::string FragmentBaseName(std::string_view path);

// The size of the fragments that a requested size gives: below 1000000 the
// requested size itself, from 1000000 on the smallest multiple of 1000000
// not below it (1450000 -> 2000000).
std::int64_t EffectiveFragmentSize(std::int64_t requested);

class Fragmenter {
 public:
  Fragmenter(ReportSink& sink, Prompter& prompter);
  ~Fragmenter();

  // Writes the fragments of request.source into request.destination and
  // returns how many it wrote (0 when it refused, after telling why).
  std::int64_t SplitFile(const SplitRequest& request);

  // Joins request.first_fragment and its followers into request.output and
  // returns how many fragments it joined (0 when it refused).
  std::int64_t JoinFragments(const JoinRequest& request);

  // The size display for a chosen source: "Tamaño: <n> bytes. Se generarán
  // ficheros de la forma: <dir>/<base>.001 ...". Throws IoError when the
  // file cannot be opened.
  static std::string SizeDisplay(const std::string& source);

 private:
  char* Buffer();
  void Progress(const std::string& text);

  ReportSink& sink_;
  Prompter& prompter_;
  std::unique_ptr<char[]> buffer_;  // the transfer buffer, made on first use
};

}  // namespace zuruza
