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
#include "core/text_rules.h"
#include "core/utf8.h"

namespace zuruza {

namespace {

constexpr int kMargin = 2;               // pixels left of the text
constexpr int kCaretWidth = 1;           // pixels
constexpr int kDragScrollInterval = 50;  // milliseconds between scroll steps of a drag

bool IsWordChar(const Utf8Char& c) {
  // A byte that is not UTF-8 is most likely a letter of an 8-bit code page.
  if (!c.valid) return true;
  return c.code == '_' || QChar::isLetterOrNumber(c.code) || QChar::isMark(c.code);
}

bool PrintableText(const QString& text) {
  if (text.isEmpty()) return false;
  for (const char32_t code : text.toUcs4()) {
    if (!QChar::isPrint(code)) return false;
  }
  return true;
}

bool IsNavigationKey(int key) {
  switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      return true;
    default:
      return false;
  }
}

bool IsTyping(const QKeyEvent* event) {
  const Qt::KeyboardModifiers mods =
      event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier | Qt::GroupSwitchModifier);
  // Ctrl+Alt is AltGr on some systems; Ctrl, Alt or Meta alone make a command
  // (Alt+letter opens a menu).
  const bool plain = mods == Qt::NoModifier || mods == (Qt::ControlModifier | Qt::AltModifier);
  return plain && PrintableText(event->text());
}

}  // namespace

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
  ++edit_count_;
  std::vector<std::string>().swap(lines_);  // give a large report's memory back
  max_chars_ = 0;
  caret_ = anchor_ = Position{};
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
  for (const std::string& line : lines) NoteLineLength(line);
  // insert, not reserve: reserving per batch would reallocate on every batch.
  lines_.insert(lines_.end(), std::make_move_iterator(lines.begin()),
                std::make_move_iterator(lines.end()));
  lines.clear();
  UpdateScrollBars();
  if (follow) vertical->setValue(vertical->maximum());
  viewport()->update();
  notice.Inserted(LastPosition());
}

const std::string& ReportPane::Line(std::size_t index) const { return lines_.at(index); }

std::string ReportPane::Text(std::string_view separator) const {
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

void ReportPane::SelectAll() {
  anchor_ = Position{};
  caret_ = LastPosition();
  goal_x_ = -1;
  setFocus(Qt::OtherFocusReason);
  RestartBlink();
  viewport()->update();
  AnnounceCaret(*this);
}

std::string ReportPane::SelectedText() const {
  return TextBetween(SelectionStart(), SelectionEnd());
}

void ReportPane::Copy() {
  if (!HasSelection()) return;
  QGuiApplication::clipboard()->setText(ToQt(SelectedText()));
}

void ReportPane::SetCaret(std::size_t line, std::size_t column) {
  MoveCaret(Clamped({line, column}), false);
}

void ReportPane::Select(Position anchor, Position caret) {
  anchor_ = Clamped(anchor);
  MoveCaret(Clamped(caret), true);
}

std::size_t ReportPane::LineAt(QPoint viewport_point) const {
  if (lines_.empty()) return 0;
  const long long y = viewport_point.y();
  const long long row = y >= 0 ? y / line_height_ : -1 - (-y - 1) / line_height_;
  const long long line = FirstVisibleLine() + row;
  const long long last = static_cast<long long>(lines_.size()) - 1;
  return static_cast<std::size_t>(std::clamp(line, 0LL, last));
}

// --- positions ---

const std::string& ReportPane::LineOrEmpty(std::size_t index) const {
  static const std::string empty;
  return index < lines_.size() ? lines_[index] : empty;
}

ReportPane::Position ReportPane::Clamped(Position position) const {
  if (lines_.empty()) return {};
  position.line = std::min(position.line, lines_.size() - 1);
  position.column = SnapToBoundary(lines_[position.line], position.column);
  return position;
}

ReportPane::Position ReportPane::LastPosition() const {
  if (lines_.empty()) return {};
  return {lines_.size() - 1, lines_.back().size()};
}

std::string ReportPane::TextBetween(Position start, Position end) const {
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

void ReportPane::MoveCaret(Position position, bool extend) {
  caret_ = position;
  if (!extend) anchor_ = position;
  goal_x_ = -1;
  RestartBlink();
  EnsureCaretVisible();
  viewport()->update();
  AnnounceCaret(*this);
}

void ReportPane::MoveVertically(long long lines, bool extend) {
  if (lines_.empty()) {
    MoveCaret({}, extend);
    return;
  }
  const int goal = goal_x_ >= 0 ? goal_x_ : XOf(caret_);
  const long long last = static_cast<long long>(lines_.size()) - 1;
  const auto target =
      static_cast<std::size_t>(std::clamp(static_cast<long long>(caret_.line) + lines, 0LL, last));
  QTextLayout layout;
  LayOutLine(layout, lines_[target]);
  const int index = layout.lineAt(0).xToCursor(goal);
  MoveCaret({target, ByteIndex(lines_[target], index)}, extend);
  goal_x_ = goal;
}

ReportPane::Position ReportPane::PositionAt(QPoint viewport_point, bool on_character) const {
  if (lines_.empty()) return {};
  const std::size_t line = LineAt(viewport_point);
  QTextLayout layout;
  LayOutLine(layout, lines_[line]);
  const int x = viewport_point.x() - kMargin + horizontalScrollBar()->value();
  const int index = layout.lineAt(0).xToCursor(
      x, on_character ? QTextLine::CursorOnCharacter : QTextLine::CursorBetweenCharacters);
  return {line, ByteIndex(lines_[line], index)};
}

void ReportPane::SelectWordAt(Position position) {
  const std::string& text = lines_[position.line];
  std::size_t pos = position.column;
  if (pos >= text.size()) {
    if (text.empty()) {
      MoveCaret(position, false);
      return;
    }
    pos = PrevBoundary(text, text.size());  // past the end: the last word
  }
  const Utf8Char under = DecodeUtf8At(text, pos);
  std::size_t start = pos;
  std::size_t end = pos + under.size;
  if (IsWordChar(under)) {
    while (start > 0) {
      const std::size_t before = PrevBoundary(text, start);
      if (!IsWordChar(DecodeUtf8At(text, before))) break;
      start = before;
    }
    while (end < text.size()) {
      const Utf8Char next = DecodeUtf8At(text, end);
      if (!IsWordChar(next)) break;
      end += next.size;
    }
  }
  anchor_ = {position.line, start};
  MoveCaret({position.line, end}, true);
}

// --- editing: bytes are spliced in place, so an edited line keeps every
// byte that was not touched, valid UTF-8 or not ---

void ReportPane::NoteLineLength(const std::string& line) {
  max_chars_ = std::max(max_chars_, static_cast<std::size_t>(Utf8Length(line)));
}

void ReportPane::RemoveRange(Position start, Position end) {
  caret_ = anchor_ = start;
  if (start >= end) return;
  TextChangeNotice notice(*this, start, end);
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
  notice.Removed();
}

void ReportPane::DeleteSelection() { RemoveRange(SelectionStart(), SelectionEnd()); }

void ReportPane::InsertText(std::string_view bytes) {
  DeleteSelection();
  if (lines_.empty()) lines_.emplace_back();
  TextChangeNotice notice(*this, caret_, caret_);
  std::vector<std::string_view> pieces;
  for (std::size_t from = 0;;) {
    const std::size_t newline = bytes.find('\n', from);
    pieces.push_back(bytes.substr(from, newline - from));
    if (newline == std::string_view::npos) break;
    from = newline + 1;
  }
  const std::size_t line = caret_.line;
  const std::size_t column = caret_.column;
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
  notice.Inserted(after);
  UpdateScrollBars();
  MoveCaret(after, false);
}

void ReportPane::Backspace() {
  if (HasSelection()) {
    DeleteSelection();
  } else if (caret_.column > 0) {
    RemoveRange({caret_.line, PrevBoundary(lines_[caret_.line], caret_.column)}, caret_);
  } else if (caret_.line > 0) {
    RemoveRange({caret_.line - 1, lines_[caret_.line - 1].size()}, caret_);
  }
  UpdateScrollBars();
  MoveCaret(caret_, false);
}

void ReportPane::DeleteForward() {
  if (HasSelection()) {
    DeleteSelection();
  } else if (caret_.line < lines_.size()) {
    const std::string& text = lines_[caret_.line];
    if (caret_.column < text.size()) {
      RemoveRange(caret_, {caret_.line, NextBoundary(text, caret_.column)});
    } else if (caret_.line + 1 < lines_.size()) {
      RemoveRange(caret_, {caret_.line + 1, 0});
    }
  }
  UpdateScrollBars();
  MoveCaret(caret_, false);
}

void ReportPane::Paste() {
  QString text = QGuiApplication::clipboard()->text();
  if (text.isEmpty()) return;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  InsertText(FromQt(text));
}

void ReportPane::Cut() {
  if (!HasSelection()) return;
  Copy();
  DeleteSelection();
  UpdateScrollBars();
  MoveCaret(caret_, false);
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
  const long long lines = static_cast<long long>(lines_.size());
  vertical->setRange(
      0, static_cast<int>(std::clamp(lines - rows, 0LL, static_cast<long long>(INT_MAX))));
  vertical->setPageStep(rows);

  QScrollBar* horizontal = horizontalScrollBar();
  const int view = viewport()->width();
  const auto content = static_cast<long long>(
      std::ceil(static_cast<double>(max_chars_) * char_advance_) + 2 * kMargin + kCaretWidth);
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
  const QRect rect = LineRect(caret_.line);
  if (!rect.isEmpty()) viewport()->update(rect);
}

// --- events ---

bool ReportPane::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    // Keys the pane handles itself win over window shortcuts.
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    const bool plain_or_shift_ctrl =
        (mods & ~(Qt::ShiftModifier | Qt::ControlModifier)) == Qt::NoModifier;
    const bool plain_or_shift = (mods & ~Qt::ShiftModifier) == Qt::NoModifier;
    if (key == QKeySequence::Copy || key == QKeySequence::Cut || key == QKeySequence::Paste ||
        key == QKeySequence::SelectAll || IsTyping(key) ||
        (IsNavigationKey(key->key()) && plain_or_shift_ctrl) ||
        ((key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete ||
          key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
         plain_or_shift)) {
      key->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void ReportPane::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QPalette& colors = palette();
  const QRect area = event->rect();
  const auto first = static_cast<std::size_t>(FirstVisibleLine());
  const int x0 = kMargin - horizontalScrollBar()->value();
  const bool caret = hasFocus() && caret_shown_;
  const Position start = SelectionStart();
  const Position end = SelectionEnd();
  const bool selection = start != end;

  if (lines_.empty()) {
    if (caret) painter.fillRect(QRect(x0, 0, kCaretWidth, line_height_), colors.text());
    return;
  }

  QTextCharFormat selected;
  selected.setBackground(colors.brush(QPalette::Highlight));
  selected.setForeground(colors.brush(QPalette::HighlightedText));
  painter.setPen(colors.color(QPalette::Text));

  const std::size_t from = first + static_cast<std::size_t>(std::max(0, area.top() / line_height_));
  const std::size_t to =
      std::min(lines_.size(),
               first + static_cast<std::size_t>(std::max(0, area.bottom() / line_height_)) + 1);
  for (std::size_t i = from; i < to; ++i) {
    const std::string& line = lines_[i];
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
    if (caret && i == caret_.line) {
      const qreal x = x0 + text_line.cursorToX(Utf16Index(line, caret_.column));
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

void ReportPane::keyPressEvent(QKeyEvent* event) {
  if (event == QKeySequence::SelectAll) return SelectAll();
  if (event == QKeySequence::Copy) return Copy();
  if (event == QKeySequence::Cut) return Cut();
  if (event == QKeySequence::Paste) return Paste();

  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  const std::string& line = LineOrEmpty(caret_.line);
  switch (event->key()) {
    case Qt::Key_Left:
      if (!shift && HasSelection()) return MoveCaret(SelectionStart(), false);
      if (caret_.column > 0) {
        return MoveCaret({caret_.line, PrevBoundary(line, caret_.column)}, shift);
      }
      if (caret_.line > 0) {
        return MoveCaret({caret_.line - 1, lines_[caret_.line - 1].size()}, shift);
      }
      return MoveCaret(caret_, shift);
    case Qt::Key_Right:
      if (!shift && HasSelection()) return MoveCaret(SelectionEnd(), false);
      if (caret_.column < line.size()) {
        return MoveCaret({caret_.line, NextBoundary(line, caret_.column)}, shift);
      }
      if (caret_.line + 1 < lines_.size()) return MoveCaret({caret_.line + 1, 0}, shift);
      return MoveCaret(caret_, shift);
    case Qt::Key_Up:
      return MoveVertically(-1, shift);
    case Qt::Key_Down:
      return MoveVertically(1, shift);
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
      const int rows = VisibleLineCount();
      const int step = event->key() == Qt::Key_PageUp ? -rows : rows;
      QScrollBar* vertical = verticalScrollBar();
      vertical->setValue(vertical->value() + step);  // the view turns a page with the caret
      return MoveVertically(step, shift);
    }
    case Qt::Key_Home:
      return MoveCaret(ctrl ? Position{} : Position{caret_.line, 0}, shift);
    case Qt::Key_End:
      return MoveCaret(ctrl ? LastPosition() : Position{caret_.line, line.size()}, shift);
    case Qt::Key_Backspace:
      return Backspace();
    case Qt::Key_Delete:
      return DeleteForward();
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return InsertText("\n");
    default:
      break;
  }
  if (IsTyping(event)) return InsertText(FromQt(event->text()));
  QAbstractScrollArea::keyPressEvent(event);
}

void ReportPane::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty()) InsertText(FromQt(event->commitString()));
  event->accept();
}

QVariant ReportPane::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled:
      return true;
    case Qt::ImFont:
      return font();
    case Qt::ImCursorRectangle: {
      const long long row = static_cast<long long>(caret_.line) - FirstVisibleLine();
      const QRect rect(kMargin - horizontalScrollBar()->value() + XOf(caret_),
                       static_cast<int>(std::clamp(row, -1LL, 1LL << 20)) * line_height_,
                       kCaretWidth, line_height_);
      return rect.translated(viewport()->geometry().topLeft());
    }
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

void ReportPane::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  drag_point_ = event->position().toPoint();
  MoveCaret(PositionAt(drag_point_, false), event->modifiers() & Qt::ShiftModifier);
  dragging_ = true;
}

void ReportPane::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) {
    return QAbstractScrollArea::mouseMoveEvent(event);
  }
  drag_point_ = event->position().toPoint();
  MoveCaret(PositionAt(drag_point_, false), true);
  // Held outside the view, the selection keeps scrolling on.
  if (viewport()->rect().contains(drag_point_)) {
    drag_scroll_timer_.stop();
  } else if (!drag_scroll_timer_.isActive()) {
    drag_scroll_timer_.start(kDragScrollInterval, this);
  }
}

void ReportPane::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseReleaseEvent(event);
  dragging_ = false;
  drag_scroll_timer_.stop();
}

void ReportPane::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseDoubleClickEvent(event);
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  dragging_ = false;  // a drag after it would undo the word selection
  drag_scroll_timer_.stop();
  if (lines_.empty()) return;
  const Position position = PositionAt(event->position().toPoint(), true);
  SelectWordAt(position);
  emit LineDoubleClicked(position.line);
}

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
