// What a screen reader sees of a report pane: an editable multi-line text,
// read through Qt's accessible text interface (lines, caret, selection),
// with the pane's changes announced as they happen. Offsets count the
// characters of the shown text, lines joined by "\n".
#pragma once

#include <QAccessibleWidget>
#include <cstdint>
#include <string_view>
#include <vector>

#include "app/report_pane.h"

namespace zuruza {

class ReportPaneAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit ReportPaneAccessible(ReportPane* pane);

  void* interface_cast(QAccessible::InterfaceType type) override;
  QAccessible::State state() const override;

  void selection(int selection_index, int* start_offset, int* end_offset) const override;
  int selectionCount() const override;
  void addSelection(int start_offset, int end_offset) override;
  void removeSelection(int selection_index) override;
  void setSelection(int selection_index, int start_offset, int end_offset) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString text(int start_offset, int end_offset) const override;
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* start_offset,
                           int* end_offset) const override;
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* start_offset,
                          int* end_offset) const override;
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* start_offset,
                       int* end_offset) const override;
  int characterCount() const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int start_index, int end_index) override;
  QString attributes(int offset, int* start_offset, int* end_offset) const override;

  int OffsetOf(ReportPane::Position position) const;
  ReportPane::Position PositionOf(int offset) const;
  // Told by an edit that starts on `line`: the lines before it and its own
  // start are still right.
  void LinesChangedFrom(std::size_t line);

  // True when the selection differs from the one last announced, which it
  // then becomes: a selection that goes away is announced too.
  bool SelectionChanged(int start, int end);

 private:
  ReportPane* Pane() const;
  // Brings the line starts up to date: appended lines are added, any other
  // change of the text counts them again.
  void Refresh() const;
  std::size_t LineOfOffset(long long offset) const;
  int ResolvedOffset(int offset) const;       // the caret and end-of-text stand-ins made real
  long long LineEnd(std::size_t line) const;  // the offset of its "\n", or of the text's end
  // The item of the kind `boundary` around `offset`, looked for within its line.
  QString ItemInLine(int offset, QAccessible::TextBoundaryType boundary, int* start_offset,
                     int* end_offset) const;

  mutable std::vector<long long> line_starts_;
  mutable std::uint64_t counted_edits_ = UINT64_MAX;
  int announced_start_ = 0;
  int announced_end_ = 0;
};

// A change of the pane's text as a screen reader hears it: taken just before
// the change, told just after it (once the pane has counted the edit). Does
// nothing while no screen reader listens.
class TextChangeNotice {
 public:
  // Before removing the text from `start` to `end`, or inserting at `start`
  // (`end` the same).
  TextChangeNotice(ReportPane& pane, ReportPane::Position start, ReportPane::Position end);
  void Removed();
  // `after`: where the inserted text ends.
  void Inserted(ReportPane::Position after);

 private:
  ReportPaneAccessible* accessible_;  // null while nobody listens
  std::size_t line_ = 0;
  int offset_ = 0;
  QString removed_;
};

// After the caret or the selection moved.
void AnnounceCaret(ReportPane& pane);

// Qt passes events on only to a running screen reader; a test listens here.
using AnnouncementListener = void (*)(QAccessibleEvent* event);
void SetAnnouncementListenerForTesting(AnnouncementListener listener);

// Lets Qt build the pane's accessible object.
void InstallReportPaneAccessibility();

}  // namespace zuruza
