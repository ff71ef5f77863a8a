// Sorting a text file by lines: ascending by each line's key (its ASCII
// letters upper-cased, bytes compared as unsigned values, a prefix before the
// longer key), lines with equal keys in their input order, each written as
// read and followed by CR LF.
//
// A file whose bytes fit the memory budget is read once into one buffer and
// sorted there through a table of (key prefix, offset, length) entries by a
// stable sort. A larger one is sorted in chunks of the budget written to
// scratch files beside the output, then merged (at most kMergeFanIn at a
// time, earlier chunks first on equal keys). Memory stays within about the
// budget plus 24 bytes a line, whatever the lengths of the lines.
//
// Blocking. Read and write failures throw IoError; scratch files are removed
// however the sort ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/text_file.h"

namespace zuruza {

// The most lines a file may have to be sorted.
inline constexpr std::uint64_t kSortLineLimit = 500000;
inline constexpr std::size_t kMergeFanIn = 16;

struct SortOptions {
  // Bytes of lines held in memory at once.
  std::size_t memory_budget = std::size_t{256} << 20;
  // Where the chunks of a large file go: the output's directory.
  std::string scratch_dir = ".";
  // The input's size, when known, so its buffer is allocated once.
  std::uint64_t size_hint = 0;
};

enum class SortResult { kSorted, kTooManyLines };

// Sorts the lines of `input` into `output`. A file of more than
// kSortLineLimit lines writes nothing and gives kTooManyLines.
SortResult SortLines(TextReader& input, TextWriter& output, const SortOptions& options = {});

// The order of the sort keys of two lines: the same answer as
// CompareBytes(UpperAscii(a), UpperAscii(b)), without the copies.
int CompareSortKeys(std::string_view a, std::string_view b);

}  // namespace zuruza
