#pragma once
// Whether the user's session is locked, which on a desktop stands for the
// device's lock: the screensaver's ActiveChanged(b) signal
// (org.freedesktop.ScreenSaver or org.gnome.ScreenSaver) on the session bus,
// and logind's LockedHint of this session (org.freedesktop.login1 on the
// system bus, or the bus HOVERVERSE_LOGIN_BUS names; skipped with one log
// line when it cannot be reached). The handler runs on the run loop only
// when the state changes.

#include <functional>
#include <memory>
#include <string>

namespace ipc {
class BusConnection;
}

namespace desktop {

inline constexpr const char* kLoginBusVariable = "HOVERVERSE_LOGIN_BUS";

class SessionLock {
 public:
  using Handler = std::function<void(bool locked)>;
  SessionLock(const std::shared_ptr<ipc::BusConnection>& session, Handler handler);
  ~SessionLock();
  SessionLock(const SessionLock&) = delete;
  SessionLock& operator=(const SessionLock&) = delete;

  bool isLocked() const { return locked_; }

 private:
  void set(bool locked);
  void watchLogind();

  struct Bus;
  std::unique_ptr<Bus> bus_;
  Handler handler_;
  bool locked_ = false;
};

}  // namespace desktop
