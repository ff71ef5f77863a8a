#include "app/report_pane_accessible.h"

#include <QAccessible>
#include <algorithm>
#include <climits>

#include "app/qt_text.h"
#include "base/utf8.h"

namespace zuruza {

namespace {

int ToInt(long long value) { return static_cast<int>(std::clamp<long long>(value, 0, INT_MAX)); }

// One line as a text of its own, so that Qt's own rules find its
// characters, words and sentences.
class LineText final : public QAccessibleTextInterface {
 public:
  explicit LineText(QString text) : text_(std::move(text)) {}
  QString text(int start, int end) const override { return text_.mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(text_.size()); }
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int*, int*) const override { return {}; }

 private:
  QString text_;
};

AnnouncementListener listener_for_testing = nullptr;

void Send(QAccessibleEvent* event) {
  if (listener_for_testing) return listener_for_testing(event);
  QAccessible::updateAccessibility(event);
}

// The pane's accessible object while a screen reader listens, else null:
// nothing is computed for announcements nobody hears.
ReportPaneAccessible* AccessibleOf(ReportPane& pane) {
  if (!listener_for_testing && !QAccessible::isActive()) return nullptr;
  return dynamic_cast<ReportPaneAccessible*>(QAccessible::queryAccessibleInterface(&pane));
}

QAccessibleInterface* ReportPaneFactory(const QString& class_name, QObject* object) {
  auto* pane = qobject_cast<ReportPane*>(object);
  if (!pane || class_name != QLatin1String(ReportPane::staticMetaObject.className())) {
    return nullptr;
  }
  return new ReportPaneAccessible(pane);
}

}  // namespace

ReportPaneAccessible::ReportPaneAccessible(ReportPane* pane)
    : QAccessibleWidget(pane, QAccessible::EditableText) {}

ReportPane* ReportPaneAccessible::Pane() const { return static_cast<ReportPane*>(widget()); }

void* ReportPaneAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QAccessible::State ReportPaneAccessible::state() const {
  QAccessible::State state = QAccessibleWidget::state();
  state.editable = true;
  state.multiLine = true;
  state.selectableText = true;
  return state;
}

// --- offsets ---

void ReportPaneAccessible::Refresh() const {
  const ReportPane& pane = *Pane();
  if (counted_edits_ != pane.EditCount()) {
    line_starts_.clear();
    counted_edits_ = pane.EditCount();
  }
  const std::size_t lines = pane.LineCount();
  if (line_starts_.size() > lines) line_starts_.clear();  // cannot happen without an edit
  line_starts_.reserve(lines);
  while (line_starts_.size() < lines) {
    const std::size_t i = line_starts_.size();
    line_starts_.push_back(i == 0 ? 0 : line_starts_[i - 1] + Utf16Length(pane.Line(i - 1)) + 1);
  }
}

long long ReportPaneAccessible::LineEnd(std::size_t line) const {
  return line_starts_[line] + Utf16Length(Pane()->Line(line));
}

std::size_t ReportPaneAccessible::LineOfOffset(long long offset) const {
  const auto after = std::upper_bound(line_starts_.begin(), line_starts_.end(), offset);
  return after == line_starts_.begin() ? 0
                                       : static_cast<std::size_t>(after - line_starts_.begin() - 1);
}

bool ReportPaneAccessible::SelectionChanged(int start, int end) {
  if (start == announced_start_ && end == announced_end_) return false;
  announced_start_ = start;
  announced_end_ = end;
  return true;
}

void ReportPaneAccessible::LinesChangedFrom(std::size_t line) {
  if (line_starts_.size() > line + 1) line_starts_.resize(line + 1);
  counted_edits_ = Pane()->EditCount();
}

int ReportPaneAccessible::OffsetOf(ReportPane::Position position) const {
  Refresh();
  if (line_starts_.empty()) return 0;
  const std::size_t line = std::min(position.line, line_starts_.size() - 1);
  return ToInt(line_starts_[line] + Utf16Index(Pane()->Line(line), position.column));
}

ReportPane::Position ReportPaneAccessible::PositionOf(int offset) const {
  Refresh();
  if (line_starts_.empty()) return {};
  const std::size_t line = LineOfOffset(offset);
  const std::string& text = Pane()->Line(line);
  return {line,
          ByteIndex(text, static_cast<int>(std::max<long long>(0, offset - line_starts_[line])))};
}

int ReportPaneAccessible::characterCount() const {
  Refresh();
  return line_starts_.empty() ? 0 : ToInt(LineEnd(line_starts_.size() - 1));
}

// --- text ---

QString ReportPaneAccessible::text(int start_offset, int end_offset) const {
  Refresh();
  const int count = characterCount();
  start_offset = std::clamp(start_offset, 0, count);
  end_offset = std::clamp(end_offset, start_offset, count);
  if (start_offset == end_offset) return {};
  // Line by line, so each shows exactly as the pane paints it.
  QString result;
  for (std::size_t line = LineOfOffset(start_offset); line < line_starts_.size(); ++line) {
    const long long start = line_starts_[line];
    if (start >= end_offset) break;
    const QString shown = ToQt(Pane()->Line(line));
    const long long from = std::max<long long>(start_offset - start, 0);
    const long long to = std::min<long long>(end_offset - start, shown.size());
    if (to > from) result += shown.mid(from, to - from);
    if (end_offset > LineEnd(line) && line + 1 < line_starts_.size()) result += QLatin1Char('\n');
  }
  return result;
}

QString ReportPaneAccessible::ItemInLine(int offset, QAccessible::TextBoundaryType boundary,
                                         int* start_offset, int* end_offset) const {
  const std::size_t line = LineOfOffset(offset);
  const long long start = line_starts_[line];
  QString shown = ToQt(Pane()->Line(line));
  if (line + 1 < line_starts_.size()) shown += QLatin1Char('\n');
  if (offset - start >= shown.size()) {
    // The end of the text (or an empty last line): no item starts there.
    *start_offset = *end_offset = offset;
    return {};
  }
  const LineText line_text(shown);
  const QString item =
      line_text.textAtOffset(static_cast<int>(offset - start), boundary, start_offset, end_offset);
  if (*start_offset >= 0) {
    *start_offset = ToInt(*start_offset + start);
    *end_offset = ToInt(*end_offset + start);
  }
  return item;
}

int ReportPaneAccessible::ResolvedOffset(int offset) const {
  // By Qt's convention -2 is the caret and -1 the end of the text.
  if (offset == -2) return cursorPosition();
  if (offset == -1) return characterCount();
  return offset;
}

QString ReportPaneAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundary,
                                           int* start_offset, int* end_offset) const {
  *start_offset = *end_offset = -1;
  const int count = characterCount();
  offset = ResolvedOffset(offset);
  if (line_starts_.empty() || offset < 0 || offset > count) return {};
  switch (boundary) {
    case QAccessible::NoBoundary:
      *start_offset = 0;
      *end_offset = count;
      return text(0, count);
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary: {
      // A line with the "\n" that ends it, as Qt's own text widgets give it.
      const std::size_t line = LineOfOffset(offset);
      *start_offset = ToInt(line_starts_[line]);
      *end_offset = line + 1 < line_starts_.size() ? ToInt(line_starts_[line + 1]) : count;
      return text(*start_offset, *end_offset);
    }
    default:
      return ItemInLine(offset, boundary, start_offset, end_offset);
  }
}

QString ReportPaneAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary,
                                               int* start_offset, int* end_offset) const {
  offset = ResolvedOffset(offset);
  int start = -1;
  int end = -1;
  textAtOffset(offset, boundary, &start, &end);
  *start_offset = *end_offset = -1;
  if (start <= 0) return {};
  // The item that ends where this one starts; over blanks between words,
  // the nearest one before.
  for (int at = start - 1; at >= 0; --at) {
    const QString item = textAtOffset(at, boundary, start_offset, end_offset);
    if (*start_offset >= 0 && *end_offset <= start && *end_offset > *start_offset) return item;
    if (*start_offset >= 0) at = std::min(at, *start_offset);
  }
  *start_offset = *end_offset = -1;
  return {};
}

QString ReportPaneAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundary,
                                              int* start_offset, int* end_offset) const {
  offset = ResolvedOffset(offset);
  int start = -1;
  int end = -1;
  textAtOffset(offset, boundary, &start, &end);
  *start_offset = *end_offset = -1;
  const int count = characterCount();
  if (end < 0 || end >= count) return {};
  for (int at = std::max(end, offset + 1); at < count; ++at) {
    const QString item = textAtOffset(at, boundary, start_offset, end_offset);
    if (*start_offset >= end && *end_offset > *start_offset) return item;
    if (*end_offset > at) at = *end_offset - 1;
  }
  *start_offset = *end_offset = -1;
  return {};
}

QString ReportPaneAccessible::attributes(int offset, int* start_offset, int* end_offset) const {
  // One plain text throughout.
  *start_offset = 0;
  *end_offset = std::max(characterCount(), offset);
  return {};
}

// --- caret and selection ---

int ReportPaneAccessible::cursorPosition() const { return OffsetOf(Pane()->Caret()); }

void ReportPaneAccessible::setCursorPosition(int position) {
  const ReportPane::Position at = PositionOf(position);
  Pane()->SetCaret(at.line, at.column);
}

int ReportPaneAccessible::selectionCount() const { return Pane()->HasSelection() ? 1 : 0; }

void ReportPaneAccessible::selection(int selection_index, int* start_offset,
                                     int* end_offset) const {
  *start_offset = *end_offset = 0;
  if (selection_index != 0 || !Pane()->HasSelection()) return;
  const int anchor = OffsetOf(Pane()->Anchor());
  const int caret = OffsetOf(Pane()->Caret());
  *start_offset = std::min(anchor, caret);
  *end_offset = std::max(anchor, caret);
}

void ReportPaneAccessible::addSelection(int start_offset, int end_offset) {
  // The pane has one selection: a new one replaces it.
  setSelection(0, start_offset, end_offset);
}

void ReportPaneAccessible::removeSelection(int selection_index) {
  if (selection_index != 0) return;
  const ReportPane::Position caret = Pane()->Caret();
  Pane()->SetCaret(caret.line, caret.column);
}

void ReportPaneAccessible::setSelection(int selection_index, int start_offset, int end_offset) {
  if (selection_index != 0) return;
  Pane()->Select(PositionOf(start_offset), PositionOf(end_offset));
}

// --- geometry ---

QRect ReportPaneAccessible::characterRect(int offset) const {
  const QRect rect = Pane()->CharacterRect(PositionOf(offset));
  if (rect.isEmpty()) return {};
  const QWidget* viewport = Pane()->viewport();
  return QRect(viewport->mapToGlobal(rect.topLeft()), rect.size());
}

int ReportPaneAccessible::offsetAtPoint(const QPoint& point) const {
  const QWidget* viewport = Pane()->viewport();
  const QPoint local = viewport->mapFromGlobal(point);
  if (!viewport->rect().contains(local)) return -1;
  return OffsetOf(Pane()->PositionAt(local, true));
}

void ReportPaneAccessible::scrollToSubstring(int start_index, int end_index) {
  Pane()->ScrollToShow(PositionOf(end_index));
  Pane()->ScrollToShow(PositionOf(start_index));
}

// --- announcements ---

TextChangeNotice::TextChangeNotice(ReportPane& pane, ReportPane::Position start,
                                   ReportPane::Position end)
    : accessible_(AccessibleOf(pane)), line_(start.line) {
  if (!accessible_) return;
  offset_ = accessible_->OffsetOf(start);
  if (end > start) removed_ = accessible_->text(offset_, accessible_->OffsetOf(end));
}

void TextChangeNotice::Removed() {
  if (!accessible_ || removed_.isEmpty()) return;
  accessible_->LinesChangedFrom(line_);
  QAccessibleTextRemoveEvent event(accessible_->object(), offset_, removed_);
  Send(&event);
}

void TextChangeNotice::Inserted(ReportPane::Position after) {
  if (!accessible_) return;
  accessible_->LinesChangedFrom(line_);
  const QString inserted = accessible_->text(offset_, accessible_->OffsetOf(after));
  if (inserted.isEmpty()) return;
  QAccessibleTextInsertEvent event(accessible_->object(), offset_, inserted);
  Send(&event);
}

void AnnounceCaret(ReportPane& pane) {
  ReportPaneAccessible* accessible = AccessibleOf(pane);
  if (!accessible) return;
  const int caret = accessible->cursorPosition();
  int start = 0;
  int end = 0;
  accessible->selection(0, &start, &end);
  if (accessible->SelectionChanged(start, end)) {
    QAccessibleTextSelectionEvent selection(&pane, start, end);
    selection.setCursorPosition(caret);
    Send(&selection);
  }
  QAccessibleTextCursorEvent cursor(&pane, caret);
  Send(&cursor);
}

void SetAnnouncementListenerForTesting(AnnouncementListener listener) {
  listener_for_testing = listener;
}

void InstallReportPaneAccessibility() {
  static const bool installed = (QAccessible::installFactory(ReportPaneFactory), true);
  (void)installed;
}

}  // namespace zuruza
