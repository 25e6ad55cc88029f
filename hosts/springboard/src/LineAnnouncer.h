#pragma once
// Tells the device's clients which line the floating window shows: after
// every run-loop turn, the texts drawn inside the floating window are
// compared with the last announced ones, and a change is announced with the
// monotonic time of that turn. Clients (the control tool's wait, the relay
// benchmark) learn of a line without polling the whole window dump.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "foundation/RunLoop.h"
#include "ui/Window.h"

namespace springboard {

class LineAnnouncer {
 public:
  // `announce` receives the shown text (the floating window's texts joined
  // by newlines; empty when it has none) and the monotonic clock's reading.
  using Announce = std::function<void(const std::string& text, std::chrono::nanoseconds monotonic)>;
  // `settle`, when given, runs before the time is read: it waits until what
  // the turn drew is held by the screen, so the stamp covers presentation.
  // Observers run in registration order: make this after the display.
  LineAnnouncer(foundation::RunLoop& loop, Announce announce, std::function<void()> settle = {});
  LineAnnouncer(const LineAnnouncer&) = delete;
  LineAnnouncer& operator=(const LineAnnouncer&) = delete;

  const std::string& shown() const { return shown_; }
  // Looks now rather than at the end of the turn.
  void check();

 private:
  Announce announce_;
  std::function<void()> settle_;
  std::string shown_;
  std::weak_ptr<ui::View> window_;
  std::uint64_t checkedAt_ = 0;  // View::contentChanges() at the last look
  foundation::SourceHandle observer_;
};

// The floating window's drawn texts, joined by newlines.
std::string floatingWindowText(const ui::View& window);

}  // namespace springboard
