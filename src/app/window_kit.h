// What every tool window needs around its job: one job at a time, and status
// panels that a walk may feed once per file without slowing down.
#pragma once

#include <QElapsedTimer>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "app/status_label.h"

namespace zuruza {

// Windows stay live during a job: its progress lets events run at most every
// this many milliseconds.
inline constexpr int kLiveIntervalMs = 40;

// Lets pending events run, a few dozen times a second at most however often
// it is called: what a window's LetEventsRun does.
void LetWindowEventsRun();
// For tests: called on every LetWindowEventsRun, to act while a job runs.
void SetWindowEventsHookForTesting(std::function<void()> hook);

// One job at a time in a window. Events run during a job, so a second click
// could start another one: it only beeps.
class JobSlot {
 public:
  // The slot, held for a job's duration.
  class Hold {
   public:
    explicit Hold(bool* busy) : busy_(busy) {}
    ~Hold() { Release(); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    explicit operator bool() const { return busy_ != nullptr; }
    // Frees the slot before the end of the scope.
    void Release() {
      if (busy_) *busy_ = false;
      busy_ = nullptr;
    }

   private:
    bool* busy_;
  };

  bool busy() const { return busy_; }
  // Takes the slot; while a job holds it, beeps and gives an empty hold.
  [[nodiscard]] Hold Take();

 private:
  bool busy_ = false;
};

// Status panels fed once per file of a walk. A progress text is shown at
// most every kLiveIntervalMs; one offered meanwhile is kept (only the last),
// and Flush shows it, so the last text of a job is never lost.
class ThrottledStatus {
 public:
  explicit ThrottledStatus(std::initializer_list<StatusLabel*> panels);

  // True when the texts were shown now: the moment to let events run.
  bool Offer(std::string_view text, std::size_t panel = 0);
  // Shown at once; a text held back for that panel is dropped.
  void Set(std::string_view text, std::size_t panel = 0);
  // Shows what was held back.
  void Flush();
  // The next offered text shows at once.
  void Restart() { clock_.invalidate(); }

 private:
  struct Panel {
    StatusLabel* label;
    std::string held;
    bool waiting = false;
  };
  std::vector<Panel> panels_;
  QElapsedTimer clock_;
};

}  // namespace zuruza
