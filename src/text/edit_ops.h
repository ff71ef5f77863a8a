// The line editor's six operations that work on the pane's lines or on a
// file read line by line, and the pane's own text rules: loading, saving and
// the caret display.
//
// Line functions are pure; asking their parameters throws ConversionError
// ("'%s' is not a valid integer value") for an answer that is not a number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/prompter.h"

namespace zuruza {

enum class LineOperation {
  kInsertAtStart,       // E + line
  kInsertAtEnd,         // line + E
  kInsertAtColumn,      // substring(line, 1, c - 1) + E + substring(line, c, 500)
  kNumberLines,         // decimal(n) + line, or line + decimal(n)
  kExtractColumns,      // substring(line, a, b - a + 1)
  kExtractDirectories,  // the line up to its last "\", ":" or "/"
};

// A line function f(line, n) with its parameters settled. Columns count
// characters, in the pane and in a file alike: a UTF-8 line by its
// characters (a column never cuts one in two), an 8-bit line by its bytes.
struct LineTransform {
  LineOperation operation = LineOperation::kInsertAtStart;
  std::string insert;        // E, the editor's insert string
  long long column = 10;     // kInsertAtColumn
  bool number_first = true;  // kNumberLines: the number before the text
  long long from = 1;        // kExtractColumns
  long long to = 255;

  // f(line, n) into `out`, whose old contents are dropped.
  void Apply(std::string_view line, std::int64_t n, std::string& out) const;
  std::string Apply(std::string_view line, std::int64_t n) const;
};

// Asks the operation's parameters (none for four of them), each number
// converted as soon as it is answered, so nothing else happens after a wrong
// one.
LineTransform AskLineTransform(LineOperation operation, std::string_view insert,
                               Prompter& prompter);

// The directory part of a line: up to and including its last "\" or ":",
// and on this system "/" too, so that its own paths keep their directories.
// Empty when the line holds none of them.
std::string_view DirectoryPart(std::string_view line);

// The pane's text as lines. Lines are separated by '\n'; an empty text has no
// lines, and a break at the very end starts no further line (it is kept
// apart, so the text comes back unchanged).
struct PaneText {
  std::vector<std::string> lines;
  bool final_break = false;
};
PaneText SplitPaneText(std::string_view text);
std::string JoinPaneText(const PaneText& pane);

// A file's text for the pane: CR LF, a lone CR and a lone LF each become one
// '\n'; nothing from the first NUL byte on is loaded. Throws IoError.
std::string LoadPaneFile(const std::string& path);
// Converts pane text (breaks '\n') into the file's bytes (breaks CR LF, none
// added after the last line).
std::string PaneTextToFile(std::string_view text);
// Writes the pane's text to `path`, replacing any file of that name; an
// existing regular file is replaced in one step (temporary file, then a
// rename), so a failure leaves it as it was. Throws IoError.
void SavePaneFile(const std::string& path, std::string_view text);

// The caret display "(L:C)": L is the 1-based line of the caret, C the count
// of characters of that line before it (a UTF-8 sequence is one character).
std::string CaretLabel(std::int64_t line_index, std::string_view line_before_caret);

}  // namespace zuruza
