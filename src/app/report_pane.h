// The report pane of the report windows: a light, editable, line-based text
// view. A directory walk sends it hundreds of thousands of lines, so it keeps
// them as raw bytes (names need not be UTF-8 and must survive unchanged),
// decodes only the lines it paints or edits, and paints only what is visible.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <algorithm>
#include <compare>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class QTextLayout;

namespace zuruza {

class ReportPane : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit ReportPane(QWidget* parent = nullptr);

  void Clear();
  // Moves the batch's strings to the end of the pane and leaves `lines` empty.
  void AppendLines(std::vector<std::string>& lines);
  std::size_t LineCount() const { return lines_.size(); }
  const std::string& Line(std::size_t index) const;
  // Every line joined by `separator`, none after the last.
  std::string Text(std::string_view separator) const;

  void SelectAll();
  bool HasSelection() const { return anchor_ != caret_; }
  std::string SelectedText() const;  // lines joined by "\n"
  void Copy();                       // does nothing without a selection

  // The column is a byte offset in the line, on a UTF-8 character boundary.
  std::size_t CaretLine() const { return caret_.line; }
  std::size_t CaretColumn() const { return caret_.column; }
  // Clamps to the text, clears the selection and scrolls the caret into view.
  void SetCaret(std::size_t line, std::size_t column);

  // The line under a viewport point, clamped to the first and last lines.
  std::size_t LineAt(QPoint viewport_point) const;

 signals:
  void LineDoubleClicked(std::size_t line);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  struct Position {
    std::size_t line = 0;
    std::size_t column = 0;
    auto operator<=>(const Position&) const = default;
  };

  const std::string& LineOrEmpty(std::size_t index) const;
  Position Clamped(Position position) const;
  Position LastPosition() const;
  Position SelectionStart() const { return std::min(anchor_, caret_); }
  Position SelectionEnd() const { return std::max(anchor_, caret_); }
  std::string TextBetween(Position start, Position end) const;

  // Moves the caret; the selection is extended from the anchor when `extend`.
  void MoveCaret(Position position, bool extend);
  void MoveVertically(long long lines, bool extend);
  Position PositionAt(QPoint viewport_point, bool on_character) const;
  void SelectWordAt(Position position);

  void DeleteSelection();
  void InsertText(std::string_view bytes);  // '\n' splits lines
  void Backspace();
  void DeleteForward();
  void Paste();
  void Cut();
  void NoteLineLength(const std::string& line);

  void LayOutLine(QTextLayout& layout, const std::string& line) const;
  int CaretX() const;  // in content pixels, without the margin
  int FirstVisibleLine() const;
  int VisibleLineCount() const;  // lines that fit entirely, at least one
  QRect LineRect(std::size_t line) const;
  void EnsureCaretVisible();
  void UpdateMetrics();
  void UpdateScrollBars();
  void RestartBlink();
  void UpdateCaretLine();

  std::vector<std::string> lines_;
  // Widest line seen since the last Clear, in characters; it does not shrink
  // on edits so that no edit rescans the text.
  std::size_t max_chars_ = 0;
  Position caret_;
  Position anchor_;
  int goal_x_ = -1;  // kept while moving up and down through shorter lines
  int line_height_ = 1;
  qreal char_advance_ = 1;  // one character's width, for the horizontal extent
  int char_width_ = 1;      // the same, rounded up
  bool caret_shown_ = true;
  bool dragging_ = false;
  QPoint drag_point_;
  QBasicTimer blink_timer_;
  QBasicTimer drag_scroll_timer_;
};

}  // namespace zuruza
