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

  // Caret and selection as last announced, so that a selection that goes
  // away is announced too.
  int announced_selection_start = 0;
  int announced_selection_end = 0;

 private:
  ReportPane* Pane() const;
  // Brings the line starts up to date: appended lines are added, any other
  // change of the text counts them again.
  void Refresh() const;
  std::size_t LineOfOffset(long long offset) const;
  long long LineEnd(std::size_t line) const;  // the offset of its "\n", or of the text's end
  // The item of the kind `boundary` around `offset`, looked for within its line.
  QString ItemInLine(int offset, QAccessible::TextBoundaryType boundary, int* start_offset,
                     int* end_offset) const;

  mutable std::vector<long long> line_starts_;
  mutable std::uint64_t counted_edits_ = UINT64_MAX;
};

// Announcements of the pane's changes; each does nothing while no screen
// reader listens. An offset is taken before the change it belongs to.
int AccessibleOffset(ReportPane& pane, ReportPane::Position position);  // -1 when none listens
void AnnounceInserted(ReportPane& pane, int offset, std::string_view bytes);
void AnnounceRemoved(ReportPane& pane, int offset, std::string_view bytes);
void AnnounceCaret(ReportPane& pane);

// Qt passes events on only to a running screen reader; a test listens here.
using AnnouncementListener = void (*)(QAccessibleEvent* event);
void SetAnnouncementListenerForTesting(AnnouncementListener listener);

// Lets Qt build the pane's accessible object.
void InstallReportPaneAccessibility();

}  // namespace zuruza
