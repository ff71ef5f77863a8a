#include "app/report_text.h"

#include <iterator>

#include "base/utf8.h"
#include "core/text_rules.h"

namespace zuruza {

const std::string& ReportText::LineOrEmpty(std::size_t index) const {
  static const std::string empty;
  return index < lines_.size() ? lines_[index] : empty;
}

std::string ReportText::Text(std::string_view separator) const {
  if (lines_.empty()) return {};
  std::size_t size = separator.size() * (lines_.size() - 1);
  for (const std::string& line : lines_) size += line.size();
  std::string text;
  text.reserve(size);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) text.append(separator);
    text.append(lines_[i]);
  }
  return text;
}

std::string ReportText::TextBetween(Position start, Position end) const {
  if (start >= end) return {};
  if (start.line == end.line) {
    return lines_[start.line].substr(start.column, end.column - start.column);
  }
  std::size_t size = lines_[start.line].size() - start.column + end.column;
  for (std::size_t i = start.line + 1; i < end.line; ++i) size += lines_[i].size() + 1;
  std::string text;
  text.reserve(size + 1);
  text.append(lines_[start.line], start.column);
  for (std::size_t i = start.line + 1; i < end.line; ++i) {
    text.push_back('\n');
    text.append(lines_[i]);
  }
  text.push_back('\n');
  text.append(lines_[end.line], 0, end.column);
  return text;
}

ReportText::Position ReportText::Clamped(Position position) const {
  if (lines_.empty()) return {};
  position.line = std::min(position.line, lines_.size() - 1);
  position.column = SnapToBoundary(lines_[position.line], position.column);
  return position;
}

ReportText::Position ReportText::LastPosition() const {
  if (lines_.empty()) return {};
  return {lines_.size() - 1, lines_.back().size()};
}

ReportText::Position ReportText::Before(Position position) const {
  if (position.column > 0)
    return {position.line, PrevBoundary(LineOrEmpty(position.line), position.column)};
  if (position.line > 0 && position.line <= lines_.size()) {
    return {position.line - 1, lines_[position.line - 1].size()};
  }
  return position;
}

ReportText::Position ReportText::After(Position position) const {
  const std::string& line = LineOrEmpty(position.line);
  if (position.column < line.size()) return {position.line, NextBoundary(line, position.column)};
  if (position.line + 1 < lines_.size()) return {position.line + 1, 0};
  return position;
}

void ReportText::MoveCaret(Position caret, bool extend) {
  caret_ = caret;
  if (!extend) anchor_ = caret;
}

void ReportText::Select(Position anchor, Position caret) {
  anchor_ = Clamped(anchor);
  caret_ = Clamped(caret);
}

void ReportText::Clear() {
  ++edit_count_;
  std::vector<std::string>().swap(lines_);  // give a large report's memory back
  max_chars_ = 0;
  caret_ = anchor_ = Position{};
}

void ReportText::Append(std::vector<std::string>& lines) {
  for (const std::string& line : lines) NoteLineLength(line);
  // insert, not reserve: reserving per batch would reallocate on every batch.
  lines_.insert(lines_.end(), std::make_move_iterator(lines.begin()),
                std::make_move_iterator(lines.end()));
  lines.clear();
}

void ReportText::Remove(Position start, Position end) {
  caret_ = anchor_ = start;
  if (start >= end) return;
  std::string& first = lines_[start.line];
  if (start.line == end.line) {
    first.erase(start.column, end.column - start.column);
  } else {
    first.resize(start.column);
    first.append(lines_[end.line], end.column);
    NoteLineLength(first);
    const auto begin = lines_.begin() + static_cast<std::ptrdiff_t>(start.line);
    lines_.erase(begin + 1, begin + static_cast<std::ptrdiff_t>(end.line - start.line) + 1);
  }
  ++edit_count_;
}

ReportText::Position ReportText::Insert(Position at, std::string_view bytes) {
  if (lines_.empty()) lines_.emplace_back();
  std::vector<std::string_view> pieces;
  for (std::size_t from = 0;;) {
    const std::size_t newline = bytes.find('\n', from);
    pieces.push_back(bytes.substr(from, newline - from));
    if (newline == std::string_view::npos) break;
    from = newline + 1;
  }
  const std::size_t line = at.line;
  const std::size_t column = at.column;
  Position after;
  if (pieces.size() == 1) {
    lines_[line].insert(column, bytes);
    NoteLineLength(lines_[line]);
    after = {line, column + bytes.size()};
  } else {
    std::vector<std::string> added(pieces.begin() + 1, pieces.end());
    after = {line + added.size(), added.back().size()};
    added.back().append(lines_[line], column);
    lines_[line].resize(column);
    lines_[line].append(pieces.front());
    NoteLineLength(lines_[line]);
    for (const std::string& text : added) NoteLineLength(text);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(line) + 1,
                  std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
  }
  ++edit_count_;
  return after;
}

void ReportText::NoteLineLength(const std::string& line) {
  max_chars_ = std::max(max_chars_, static_cast<std::size_t>(Utf8Length(line)));
}

}  // namespace zuruza
