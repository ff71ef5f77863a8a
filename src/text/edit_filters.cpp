#include "text/edit_filters.h"

#include <functional>
#include <unordered_set>
#include <vector>

#include "core/text_rules.h"
#include "text/edit_files.h"

namespace zuruza {

namespace {

// Calls `body` with every line of `input`, scanning whole blocks.
template <typename Body>
void ForEachLine(TextReader& input, Body&& body) {
  std::string_view block, line;
  while (input.ReadBlock(block)) {
    while (NextLine(block, line)) body(line);
  }
}

// Lets the set be searched with a view, without copying the line.
struct ViewHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const {
    return std::hash<std::string_view>{}(text);
  }
};

}  // namespace

bool LineFilter::Passes(std::string_view line) const {
  switch (kind) {
    // Lengths are characters: a UTF-8 letter counts once, an 8-bit line by bytes.
    case LineFilterKind::kRemoveShort:
      return CharLength(line) > length;
    case LineFilterKind::kRemoveLong:
      return CharLength(line) <= length;
    case LineFilterKind::kRemoveContaining:
      return !Occurs(text, line);
    case LineFilterKind::kRemoveNotContaining:
      return Occurs(text, line);
  }
  return false;
}

void FilterLines(TextReader& input, TextWriter& output, const LineFilter& filter) {
  ForEachLine(input, [&](std::string_view line) {
    if (filter.Passes(line)) output.WriteLine(line);
  });
}

void ConvertLineEndsToLf(TextReader& input, TextWriter& output) {
  ForEachLine(input, [&](std::string_view line) {
    output.Write(line);
    output.Write("\n");
  });
}

RepeatedLinesResult RemoveRepeatedLines(TextReader& input, TextWriter& output, ReportSink& pane) {
  if (CountLines(input, kRepeatedLineLimit) > kRepeatedLineLimit)
    return RepeatedLinesResult::kTooManyLines;
  pane.ClearReport();
  pane.AddReportLine("LINEAS ELIMINADAS por estar repetidas");
  pane.AddReportLine("--------------------------------------");
  input.Rewind();
  // Set nodes never move, so `kept` can point into them in input order.
  std::unordered_set<std::string, ViewHash, std::equal_to<>> seen;
  std::vector<const std::string*> kept;
  ForEachLine(input, [&](std::string_view line) {
    if (seen.find(line) != seen.end()) {
      pane.AddReportLine(line);
    } else {
      kept.push_back(&*seen.emplace(line).first);
    }
  });
  for (const std::string* line : kept) output.WriteLine(*line);
  return RepeatedLinesResult::kDone;
}

}  // namespace zuruza
