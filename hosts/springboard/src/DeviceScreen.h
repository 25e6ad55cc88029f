#pragma once
// The device's lock and backlight as the home screen keeps them. One idle
// timer: after `autoLockSeconds` without activity (a touch, a control
// command, an idle-timer reset) an unlocked device locks, through the
// handler the host gives (the lock goes through the runtime, so a
// replacement sees it); a locked one whose screen is lit goes dark. The
// screen dims kDimLead seconds before either. Locking turns the screen off
// until something wakes it; unlocking lights it. Runs on the run loop's
// clock, so tests step it with a virtual clock.

#include <functional>
#include <memory>
#include <string>

#include "foundation/RunLoop.h"

namespace springboard {

enum class Backlight { on, dimmed, off };

class DeviceScreen {
 public:
  // autoLockSeconds 0: never lock or darken by itself.
  DeviceScreen(foundation::RunLoop& loop, double autoLockSeconds, std::function<void()> lockRequested);
  ~DeviceScreen();
  DeviceScreen(const DeviceScreen&) = delete;
  DeviceScreen& operator=(const DeviceScreen&) = delete;

  bool isLocked() const { return locked_; }
  Backlight backlight() const { return backlight_; }
  double autoLockSeconds() const { return autoLockSeconds_; }

  // The idle timeout restarts; a dimmed screen lights again (a dark one
  // stays dark: only a wake lights it).
  void resetIdleTimer();
  // The host's own lock, after any replacement ran: locked, screen off.
  void didLock();
  // The locked screen lights up (tap to wake, or a replacement asking).
  void wake();
  void unlock();

  // Called after every change of lock or backlight.
  void setChangeHandler(std::function<void()> handler) { changed_ = std::move(handler); }

 private:
  void arm();
  void set(bool locked, Backlight backlight);
  void dimDue();
  void idleDue();

  foundation::RunLoop& loop_;
  double autoLockSeconds_;
  std::function<void()> lockRequested_;
  std::function<void()> changed_;
  std::shared_ptr<foundation::Timer> dimTimer_;
  std::shared_ptr<foundation::Timer> idleTimer_;
  bool locked_ = false;
  Backlight backlight_ = Backlight::on;
};

const char* backlightName(Backlight backlight);  // "on", "dimmed", "off"

}  // namespace springboard
