// The report pane's input: keys, typing, the mouse, and the edits they make.
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>

#include "app/qt_text.h"
#include "app/report_pane.h"
#include "app/report_pane_accessible.h"
#include "base/utf8.h"

namespace zuruza {

namespace {

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

void ReportPane::SelectWordAt(Position position) {
  const std::string& text = text_.Line(position.line);
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
  Select({position.line, start}, {position.line, end});
}

// --- editing ---

void ReportPane::RemoveRange(Position start, Position end) {
  TextChangeNotice notice(*this, start, end);
  text_.Remove(start, end);
  notice.Removed();
}

void ReportPane::DeleteSelection() { RemoveRange(text_.SelectionStart(), text_.SelectionEnd()); }

void ReportPane::InsertText(std::string_view bytes) {
  DeleteSelection();
  TextChangeNotice notice(*this, text_.Caret(), text_.Caret());
  const Position after = text_.Insert(text_.Caret(), bytes);
  notice.Inserted(after);
  UpdateScrollBars();
  MoveCaret(after, false);
}

void ReportPane::Backspace() {
  if (HasSelection()) {
    DeleteSelection();
  } else {
    RemoveRange(text_.Before(text_.Caret()), text_.Caret());
  }
  UpdateScrollBars();
  MoveCaret(text_.Caret(), false);
}

void ReportPane::DeleteForward() {
  if (HasSelection()) {
    DeleteSelection();
  } else {
    RemoveRange(text_.Caret(), text_.After(text_.Caret()));
  }
  UpdateScrollBars();
  MoveCaret(text_.Caret(), false);
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
  MoveCaret(text_.Caret(), false);
}

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

void ReportPane::keyPressEvent(QKeyEvent* event) {
  if (event == QKeySequence::SelectAll) return SelectAll();
  if (event == QKeySequence::Copy) return Copy();
  if (event == QKeySequence::Cut) return Cut();
  if (event == QKeySequence::Paste) return Paste();

  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  const Position caret = text_.Caret();
  const std::string& line = LineOrEmpty(caret.line);
  switch (event->key()) {
    case Qt::Key_Left:
      if (!shift && HasSelection()) return MoveCaret(text_.SelectionStart(), false);
      return MoveCaret(text_.Before(caret), shift);
    case Qt::Key_Right:
      if (!shift && HasSelection()) return MoveCaret(text_.SelectionEnd(), false);
      return MoveCaret(text_.After(caret), shift);
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
      return MoveCaret(ctrl ? Position{} : Position{caret.line, 0}, shift);
    case Qt::Key_End:
      return MoveCaret(ctrl ? LastPosition() : Position{caret.line, line.size()}, shift);
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
      const long long row = static_cast<long long>(text_.Caret().line) - FirstVisibleLine();
      const QRect rect(kMargin - horizontalScrollBar()->value() + XOf(text_.Caret()),
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
  if (text_.LineCount() == 0) return;
  const Position position = PositionAt(event->position().toPoint(), true);
  SelectWordAt(position);
  emit LineDoubleClicked(position.line);
}

}  // namespace zuruza
