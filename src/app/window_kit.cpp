#include "app/window_kit.h"

#include <QApplication>

#include "app/qt_text.h"

namespace zuruza {

namespace {

std::function<void()>& EventsHook() {
  static std::function<void()> hook;
  return hook;
}

}  // namespace

void SetWindowEventsHookForTesting(std::function<void()> hook) { EventsHook() = std::move(hook); }

void LetWindowEventsRun() {
  if (EventsHook()) EventsHook()();
  static QElapsedTimer clock;
  if (clock.isValid() && clock.elapsed() < kLiveIntervalMs) return;
  clock.start();
  QApplication::processEvents();
}

JobSlot::Hold JobSlot::Take() {
  if (busy_) {
    QApplication::beep();
    return Hold(nullptr);
  }
  busy_ = true;
  return Hold(&busy_);
}

ThrottledStatus::ThrottledStatus(std::initializer_list<StatusLabel*> panels) {
  for (StatusLabel* label : panels) panels_.push_back({label, {}, false});
}

bool ThrottledStatus::Offer(std::string_view text, std::size_t panel) {
  Panel& target = panels_.at(panel);
  // Runs once per file of a walk: nothing is converted for a held-back text.
  target.held.assign(text);
  target.waiting = true;
  if (clock_.isValid() && clock_.elapsed() < kLiveIntervalMs) return false;
  Flush();
  return true;
}

void ThrottledStatus::Set(std::string_view text, std::size_t panel) {
  Panel& target = panels_.at(panel);
  target.waiting = false;
  if (target.label) target.label->SetStatus(ToQt(text));
}

void ThrottledStatus::Flush() {
  for (Panel& panel : panels_) {
    if (!panel.waiting) continue;
    panel.waiting = false;
    if (panel.label) panel.label->SetStatus(ToQt(panel.held));
  }
  clock_.start();
}

}  // namespace zuruza
