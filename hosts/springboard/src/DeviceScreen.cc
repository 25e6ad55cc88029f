#include "DeviceScreen.h"

#include <algorithm>
#include <utility>

#include "hostcommon/DeviceProfile.h"

namespace springboard {

DeviceScreen::DeviceScreen(foundation::RunLoop& loop, double autoLockSeconds, std::function<void()> lockRequested)
    : loop_(loop), autoLockSeconds_(std::max(autoLockSeconds, 0.0)), lockRequested_(std::move(lockRequested)) {
  arm();
}

DeviceScreen::~DeviceScreen() {
  if (dimTimer_) dimTimer_->invalidate();
  if (idleTimer_) idleTimer_->invalidate();
}

void DeviceScreen::arm() {
  if (dimTimer_) dimTimer_->invalidate();
  if (idleTimer_) idleTimer_->invalidate();
  dimTimer_.reset();
  idleTimer_.reset();
  if (autoLockSeconds_ <= 0 || backlight_ == Backlight::off) return;
  // A timeout shorter than the dimming lead dims half-way.
  const double dimAfter = autoLockSeconds_ > hostcommon::DeviceProfile::kDimLead * 2
                              ? autoLockSeconds_ - hostcommon::DeviceProfile::kDimLead
                              : autoLockSeconds_ / 2;
  dimTimer_ = loop_.scheduledTimer(dimAfter, false, [this](foundation::Timer&) { dimDue(); });
  idleTimer_ = loop_.scheduledTimer(autoLockSeconds_, false, [this](foundation::Timer&) { idleDue(); });
}

void DeviceScreen::set(bool locked, Backlight backlight) {
  const bool changed = locked != locked_ || backlight != backlight_;
  locked_ = locked;
  backlight_ = backlight;
  if (changed && changed_) changed_();
}

void DeviceScreen::resetIdleTimer() {
  if (backlight_ == Backlight::dimmed) set(locked_, Backlight::on);
  arm();
}

void DeviceScreen::didLock() {
  set(true, Backlight::off);
  arm();
}

void DeviceScreen::wake() {
  set(locked_, Backlight::on);
  arm();
}

void DeviceScreen::unlock() {
  set(false, Backlight::on);
  arm();
}

void DeviceScreen::dimDue() {
  if (backlight_ == Backlight::on) set(locked_, Backlight::dimmed);
}

void DeviceScreen::idleDue() {
  if (locked_) {
    set(true, Backlight::off);
    return;
  }
  // The host's lock comes back through didLock, which turns the screen off.
  if (lockRequested_) {
    lockRequested_();
  } else {
    didLock();
  }
}

const char* backlightName(Backlight backlight) {
  switch (backlight) {
    case Backlight::on: return "on";
    case Backlight::dimmed: return "dimmed";
    case Backlight::off: return "off";
  }
  return "on";
}

}  // namespace springboard
