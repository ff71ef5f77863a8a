// The line editor's disk-only transformations other than the sort: the four
// line filters, the conversion of line ends to LF and the removal of
// repeated lines. Each reads an open input file and writes an open output.
//
// Blocking; the filters and the conversion stream one line at a time. Read
// and write failures throw IoError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/report_sink.h"
#include "core/text_file.h"

namespace zuruza {

enum class LineFilterKind {
  kRemoveShort,          // keeps lines longer than N bytes
  kRemoveLong,           // keeps lines of N bytes or fewer
  kRemoveContaining,     // keeps lines in which S does not occur
  kRemoveNotContaining,  // keeps lines in which S occurs
};

struct LineFilter {
  LineFilterKind kind = LineFilterKind::kRemoveShort;
  long long length = 0;  // N
  std::string text;      // S; an empty S occurs in no line

  bool Passes(std::string_view line) const;
};

// Copies every line that passes, in order, each followed by CR LF.
void FilterLines(TextReader& input, TextWriter& output, const LineFilter& filter);

// Writes every line followed by a single LF.
void ConvertLineEndsToLf(TextReader& input, TextWriter& output);

// The most lines a file may have for the removal of repeated lines.
inline constexpr std::uint64_t kRepeatedLineLimit = 90000;

enum class RepeatedLinesResult { kDone, kTooManyLines };

// Writes the first occurrence of every distinct line (bytes compared
// exactly) in input order, and lists every later occurrence in `pane`, in
// input order, below the lines "LINEAS ELIMINADAS por estar repetidas" and
// 38 hyphens. A file of more than kRepeatedLineLimit lines (repeated ones
// included) writes nothing, leaves the pane alone and gives kTooManyLines.
// The distinct lines are kept in a hash set.
RepeatedLinesResult RemoveRepeatedLines(TextReader& input, TextWriter& output, ReportSink& pane);

}  // namespace zuruza
