#include "app/report_pane.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextLayout>
#include <QTimerEvent>
#include <QtMath>
#include <climits>
#include <cmath>
#include <iterator>

#include "app/qt_text.h"
#include "app/report_pane_accessible.h"
#include "base/utf8.h"
#include "core/text_rules.h"

namespace zuruza {

ReportPane::ReportPane(QWidget* parent) : QAbstractScrollArea(parent) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  UpdateMetrics();
  InstallReportPaneAccessibility();
}

void ReportPane::Clear() {
  TextChangeNotice notice(*this, {}, LastPosition());
  text_.Clear();
  goal_x_ = -1;
  dragging_ = false;
  drag_scroll_timer_.stop();
  UpdateScrollBars();
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  viewport()->update();
  notice.Removed();
  AnnounceCaret(*this);
}

void ReportPane::AppendLines(std::vector<std::string>& lines) {
  if (lines.empty()) return;
  QScrollBar* vertical = verticalScrollBar();
  // Like a terminal: a view showing the end keeps showing it.
  const bool follow = vertical->value() >= vertical->maximum();
  TextChangeNotice notice(*this, LastPosition(), LastPosition());
  text_.Append(lines);
  UpdateScrollBars();
  if (follow) vertical->setValue(vertical->maximum());
  viewport()->update();
  notice.Inserted(LastPosition());
}

void ReportPane::SelectAll() {
  text_.Select({}, LastPosition());
  goal_x_ = -1;
  setFocus(Qt::OtherFocusReason);
  RestartBlink();
  viewport()->update();
  AnnounceCaret(*this);
}

void ReportPane::Copy() {
  if (!HasSelection()) return;
  QGuiApplication::clipboard()->setText(ToQt(SelectedText()));
}

void ReportPane::SetCaret(std::size_t line, std::size_t column) {
  MoveCaret(Clamped({line, column}), false);
}

void ReportPane::Select(Position anchor, Position caret) {
  text_.Select(anchor, caret);
  MoveCaret(text_.Caret(), true);
}

std::size_t ReportPane::LineAt(QPoint viewport_point) const {
  if (text_.LineCount() == 0) return 0;
  const long long y = viewport_point.y();
  const long long row = y >= 0 ? y / line_height_ : -1 - (-y - 1) / line_height_;
  const long long line = FirstVisibleLine() + row;
  const long long last = static_cast<long long>(text_.LineCount()) - 1;
  return static_cast<std::size_t>(std::clamp(line, 0LL, last));
}

// --- positions ---

void ReportPane::MoveCaret(Position position, bool extend) {
  text_.MoveCaret(position, extend);
  goal_x_ = -1;
  RestartBlink();
  EnsureCaretVisible();
  viewport()->update();
  AnnounceCaret(*this);
}

void ReportPane::MoveVertically(long long lines, bool extend) {
  if (text_.LineCount() == 0) {
    MoveCaret({}, extend);
    return;
  }
  const Position caret = text_.Caret();
  const int goal = goal_x_ >= 0 ? goal_x_ : XOf(caret);
  const long long last = static_cast<long long>(text_.LineCount()) - 1;
  const auto target =
      static_cast<std::size_t>(std::clamp(static_cast<long long>(caret.line) + lines, 0LL, last));
  const std::string& line = text_.Line(target);
  QTextLayout layout;
  LayOutLine(layout, line);
  const int index = layout.lineAt(0).xToCursor(goal);
  MoveCaret({target, ByteIndex(line, index)}, extend);
  goal_x_ = goal;
}

ReportPane::Position ReportPane::PositionAt(QPoint viewport_point, bool on_character) const {
  if (text_.LineCount() == 0) return {};
  const std::size_t line = LineAt(viewport_point);
  const std::string& text = text_.Line(line);
  QTextLayout layout;
  LayOutLine(layout, text);
  const int x = viewport_point.x() - kMargin + horizontalScrollBar()->value();
  const int index = layout.lineAt(0).xToCursor(
      x, on_character ? QTextLine::CursorOnCharacter : QTextLine::CursorBetweenCharacters);
  return {line, ByteIndex(text, index)};
}

// --- geometry ---

void ReportPane::LayOutLine(QTextLayout& layout, const std::string& line) const {
  layout.setText(ToQt(line));
  layout.setFont(font());
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
}

int ReportPane::XOf(Position position) const {
  const std::string& line = LineOrEmpty(position.line);
  if (line.empty()) return 0;
  QTextLayout layout;
  LayOutLine(layout, line);
  return static_cast<int>(layout.lineAt(0).cursorToX(Utf16Index(line, position.column)));
}

QRect ReportPane::CharacterRect(Position position) const {
  position = Clamped(position);
  const QRect line = LineRect(position.line);
  if (line.isEmpty()) return {};
  const std::string& text = LineOrEmpty(position.line);
  const int x = XOf(position);
  const int right = position.column < text.size()
                        ? XOf({position.line, NextBoundary(text, position.column)})
                        : x + char_width_;
  const int left = kMargin - horizontalScrollBar()->value();
  return {left + x, line.top(), std::max(1, right - x), line.height()};
}

int ReportPane::FirstVisibleLine() const { return verticalScrollBar()->value(); }

int ReportPane::VisibleLineCount() const {
  return std::max(1, viewport()->height() / line_height_);
}

QRect ReportPane::LineRect(std::size_t line) const {
  const long long row = static_cast<long long>(line) - FirstVisibleLine();
  if (row < 0 || row > VisibleLineCount()) return {};
  return {0, static_cast<int>(row) * line_height_, viewport()->width(), line_height_};
}

void ReportPane::ScrollToShow(Position position) {
  QScrollBar* vertical = verticalScrollBar();
  const long long first = vertical->value();
  const long long rows = VisibleLineCount();
  const auto line = static_cast<long long>(position.line);
  if (line < first) {
    vertical->setValue(static_cast<int>(line));
  } else if (line >= first + rows) {
    vertical->setValue(static_cast<int>(line - rows + 1));
  }

  QScrollBar* horizontal = horizontalScrollBar();
  const int x = XOf(position);
  const int width = std::max(1, viewport()->width() - 2 * kMargin - kCaretWidth);
  if (x < horizontal->value()) {
    horizontal->setValue(x);
  } else if (x > horizontal->value() + width) {
    // Tabs and wide characters can reach past the estimated extent.
    horizontal->setMaximum(std::max(horizontal->maximum(), x - width));
    horizontal->setValue(x - width);
  }
}

void ReportPane::UpdateMetrics() {
  const QFontMetricsF metrics(font());
  line_height_ = std::max(1, QFontMetrics(font()).lineSpacing());
  // 'M' is as wide as any character of a fixed-pitch font and errs wide in others.
  char_advance_ =
      std::max({1.0, metrics.averageCharWidth(), metrics.horizontalAdvance(QLatin1Char('M'))});
  char_width_ = qCeil(char_advance_);
  verticalScrollBar()->setSingleStep(1);
  horizontalScrollBar()->setSingleStep(char_width_);
  UpdateScrollBars();
}

void ReportPane::UpdateScrollBars() {
  const int rows = VisibleLineCount();
  QScrollBar* vertical = verticalScrollBar();
  const long long lines = static_cast<long long>(text_.LineCount());
  vertical->setRange(
      0, static_cast<int>(std::clamp(lines - rows, 0LL, static_cast<long long>(INT_MAX))));
  vertical->setPageStep(rows);

  QScrollBar* horizontal = horizontalScrollBar();
  const int view = viewport()->width();
  const auto content =
      static_cast<long long>(std::ceil(static_cast<double>(text_.WidestLine()) * char_advance_) +
                             2 * kMargin + kCaretWidth);
  horizontal->setRange(
      0, static_cast<int>(std::clamp(content - view, 0LL, static_cast<long long>(INT_MAX))));
  horizontal->setPageStep(std::max(1, view));
}

void ReportPane::RestartBlink() {
  caret_shown_ = true;
  const int flash = QApplication::cursorFlashTime();
  if (hasFocus() && flash > 0) {
    blink_timer_.start(flash / 2, this);
  } else {
    blink_timer_.stop();
  }
}

void ReportPane::UpdateCaretLine() {
  const QRect rect = LineRect(text_.Caret().line);
  if (!rect.isEmpty()) viewport()->update(rect);
}

// --- events ---

void ReportPane::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QPalette& colors = palette();
  const QRect area = event->rect();
  const auto first = static_cast<std::size_t>(FirstVisibleLine());
  const int x0 = kMargin - horizontalScrollBar()->value();
  const bool caret = hasFocus() && caret_shown_;
  const Position start = text_.SelectionStart();
  const Position end = text_.SelectionEnd();
  const Position caret_at = text_.Caret();
  const bool selection = start != end;

  if (text_.LineCount() == 0) {
    if (caret) painter.fillRect(QRect(x0, 0, kCaretWidth, line_height_), colors.text());
    return;
  }

  QTextCharFormat selected;
  selected.setBackground(colors.brush(QPalette::Highlight));
  selected.setForeground(colors.brush(QPalette::HighlightedText));
  painter.setPen(colors.color(QPalette::Text));

  const std::size_t from = first + static_cast<std::size_t>(std::max(0, area.top() / line_height_));
  const std::size_t to =
      std::min(text_.LineCount(),
               first + static_cast<std::size_t>(std::max(0, area.bottom() / line_height_)) + 1);
  for (std::size_t i = from; i < to; ++i) {
    const std::string& line = text_.Line(i);
    const int y = static_cast<int>(i - first) * line_height_;
    QTextLayout layout;
    LayOutLine(layout, line);
    const QTextLine text_line = layout.lineAt(0);
    QList<QTextLayout::FormatRange> ranges;
    if (selection && i >= start.line && i <= end.line) {
      const int begin = i == start.line ? Utf16Index(line, start.column) : 0;
      const int stop =
          i == end.line ? Utf16Index(line, end.column) : static_cast<int>(layout.text().size());
      if (stop > begin) ranges.append({begin, stop - begin, selected});
      if (i < end.line) {
        // The line break is part of the selection: show it as one cell.
        const qreal x = x0 + text_line.naturalTextWidth();
        painter.fillRect(QRectF(x, y, char_width_, line_height_), colors.highlight());
      }
    }
    layout.draw(&painter, QPointF(x0, y), ranges);
    if (caret && i == caret_at.line) {
      const qreal x = x0 + text_line.cursorToX(Utf16Index(line, caret_at.column));
      painter.fillRect(QRectF(x, y, kCaretWidth, line_height_), colors.text());
    }
  }
}

void ReportPane::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void ReportPane::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    UpdateMetrics();
    viewport()->update();
  }
}

void ReportPane::scrollContentsBy(int, int) { viewport()->update(); }

void ReportPane::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  RestartBlink();
  viewport()->update();
}

void ReportPane::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  blink_timer_.stop();
  viewport()->update();
}

void ReportPane::timerEvent(QTimerEvent* event) {
  if (event->timerId() == blink_timer_.timerId()) {
    caret_shown_ = !caret_shown_;
    UpdateCaretLine();
  } else if (event->timerId() == drag_scroll_timer_.timerId()) {
    MoveCaret(PositionAt(drag_point_, false), true);
  } else {
    QAbstractScrollArea::timerEvent(event);
  }
}

}  // namespace zuruza
