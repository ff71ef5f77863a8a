// The report pane of the report windows: a light, editable, line-based text
// view of a ReportText. A directory walk sends it hundreds of thousands of
// lines, so it decodes only the lines it paints or edits and paints only what
// is visible.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/report_text.h"

class QTextLayout;

namespace zuruza {

class ReportPane : public QAbstractScrollArea {
  Q_OBJECT

 public:
  using Position = ReportText::Position;

  explicit ReportPane(QWidget* parent = nullptr);

  void Clear();
  // Moves the batch's strings to the end of the pane and leaves `lines` empty.
  void AppendLines(std::vector<std::string>& lines);
  std::size_t LineCount() const { return text_.LineCount(); }
  const std::string& Line(std::size_t index) const { return text_.Line(index); }
  // Every line joined by `separator`, none after the last.
  std::string Text(std::string_view separator) const { return text_.Text(separator); }

  void SelectAll();
  bool HasSelection() const { return text_.HasSelection(); }
  std::string SelectedText() const { return text_.SelectedText(); }  // lines joined by "\n"
  void Copy();  // does nothing without a selection

  std::size_t CaretLine() const { return text_.Caret().line; }
  std::size_t CaretColumn() const { return text_.Caret().column; }
  Position Caret() const { return text_.Caret(); }
  Position Anchor() const { return text_.Anchor(); }  // where the selection starts from
  // Clamps to the text, clears the selection and scrolls the caret into view.
  void SetCaret(std::size_t line, std::size_t column);
  // Selects from `anchor` to `caret`, both clamped, and shows the caret.
  void Select(Position anchor, Position caret);
  // The bytes between two positions, lines joined by "\n".
  std::string TextBetween(Position start, Position end) const {
    return text_.TextBetween(start, end);
  }
  std::uint64_t EditCount() const { return text_.EditCount(); }

  // The line under a viewport point, clamped to the first and last lines.
  std::size_t LineAt(QPoint viewport_point) const;
  // The place under a viewport point: the nearest character boundary, or
  // with `on_character` the start of the character under it.
  Position PositionAt(QPoint viewport_point, bool on_character) const;
  // The viewport rectangle of the character at a position (one character
  // wide at a line's end); empty when its line is out of view.
  QRect CharacterRect(Position position) const;
  void ScrollToShow(Position position);

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
  static constexpr int kMargin = 2;               // pixels left of the text
  static constexpr int kCaretWidth = 1;           // pixels
  static constexpr int kDragScrollInterval = 50;  // milliseconds between scroll steps of a drag

  const std::string& LineOrEmpty(std::size_t index) const { return text_.LineOrEmpty(index); }
  Position Clamped(Position position) const { return text_.Clamped(position); }
  Position LastPosition() const { return text_.LastPosition(); }

  // Moves the caret; the selection is extended from the anchor when `extend`.
  void MoveCaret(Position position, bool extend);
  void MoveVertically(long long lines, bool extend);
  void SelectWordAt(Position position);

  // Every change of the text goes through these two, which tell a screen
  // reader what changed.
  void RemoveRange(Position start, Position end);  // leaves the caret at `start`
  void DeleteSelection();
  void InsertText(std::string_view bytes);  // '\n' splits lines
  void Backspace();
  void DeleteForward();
  void Paste();
  void Cut();

  void LayOutLine(QTextLayout& layout, const std::string& line) const;
  int XOf(Position position) const;  // in content pixels, without the margin
  int FirstVisibleLine() const;
  int VisibleLineCount() const;  // lines that fit entirely, at least one
  QRect LineRect(std::size_t line) const;
  void EnsureCaretVisible() { ScrollToShow(text_.Caret()); }
  void UpdateMetrics();
  void UpdateScrollBars();
  void RestartBlink();
  void UpdateCaretLine();

  ReportText text_;
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
