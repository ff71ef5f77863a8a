// Where a report tool's job writes: the report pane and its status bars. A
// window implements it on its widgets; tests and headless runs record.
#pragma once

#include <string_view>

namespace zuruza {

// The status bars of a window; the backup window's first bar has a second
// panel of its own.
enum class StatusBar { kStatusBar1 = 1, kStatusBar2 = 2, kStatusBar1Panel1 = 3 };

class ReportSink {
 public:
  virtual ~ReportSink() = default;

  // Empties the report pane.
  virtual void ClearReport() = 0;
  // Appends the text as a new last line of the pane (empty text: empty line).
  virtual void AddReportLine(std::string_view text) = 0;
  // Sets the status bar's text and lets pending events run (a window may
  // repaint less often, but the last text is always the one left shown).
  virtual void ShowProgress(StatusBar bar, std::string_view text) = 0;
  // Sets the status bar's final text, without letting events run.
  virtual void SetStatus(StatusBar bar, std::string_view text) = 0;
  // Lets pending window events run without a new text, so that a long loop
  // keeps its window live and a stop button is seen. Cheap enough to call
  // per line: a window lets events run a few dozen times a second at most.
  virtual void LetEventsRun() = 0;
};

}  // namespace zuruza
