// The text of a report pane: its lines, the caret, the selection and the
// edits a person makes. A walk sends it hundreds of thousands of lines, so
// lines are kept as raw bytes (names need not be UTF-8 and survive
// unchanged); an edit splices bytes in place, so an edited line keeps every
// byte it did not touch. Qt-free: the pane draws it and feeds it keys.
#pragma once

#include <algorithm>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zuruza {

class ReportText {
 public:
  // A place in the text: a line and a byte offset in it, on a UTF-8
  // character boundary.
  struct Position {
    std::size_t line = 0;
    std::size_t column = 0;
    auto operator<=>(const Position&) const = default;
  };

  std::size_t LineCount() const { return lines_.size(); }
  const std::string& Line(std::size_t index) const { return lines_.at(index); }
  const std::string& LineOrEmpty(std::size_t index) const;
  // Every line joined by `separator`, none after the last.
  std::string Text(std::string_view separator) const;
  // The bytes between two positions, lines joined by "\n".
  std::string TextBetween(Position start, Position end) const;
  // The widest line seen since the last Clear, in characters; it does not
  // shrink on edits, so that no edit rescans the text.
  std::size_t WidestLine() const { return max_chars_; }
  // Counts the changes other than appended lines, so that what is computed
  // from the lines knows when it is out of date.
  std::uint64_t EditCount() const { return edit_count_; }

  Position Caret() const { return caret_; }
  Position Anchor() const { return anchor_; }  // where the selection starts from
  bool HasSelection() const { return anchor_ != caret_; }
  Position SelectionStart() const { return std::min(anchor_, caret_); }
  Position SelectionEnd() const { return std::max(anchor_, caret_); }
  std::string SelectedText() const { return TextBetween(SelectionStart(), SelectionEnd()); }

  // Within the text and on a character boundary.
  Position Clamped(Position position) const;
  Position LastPosition() const;
  // One character back or on, across line ends; the same at either end.
  Position Before(Position position) const;
  Position After(Position position) const;

  // Moves the caret; the anchor follows unless the selection is extended.
  void MoveCaret(Position caret, bool extend);
  void Select(Position anchor, Position caret);

  void Clear();
  // Moves the batch's strings to the end and leaves `lines` empty.
  void Append(std::vector<std::string>& lines);
  // Removes the text from `start` to `end`; caret and anchor go to `start`.
  void Remove(Position start, Position end);
  // Inserts bytes at `at` ('\n' splits lines) and returns where they end.
  Position Insert(Position at, std::string_view bytes);

 private:
  void NoteLineLength(const std::string& line);

  std::vector<std::string> lines_;
  std::size_t max_chars_ = 0;
  std::uint64_t edit_count_ = 0;
  Position caret_;
  Position anchor_;
};

}  // namespace zuruza
