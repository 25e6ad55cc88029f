#pragma once
// SpringBoard's control object on the device's bus, or a desktop host's on
// the session bus (see hostcommon/DeviceBus.h for its methods): what
// hoververse-ctl asks of the home screen. A method whose handler is empty is
// not offered. Each
// command acts through the runtime, as the platform's own event would, so
// the injected library's replacements see it; each counts as user activity
// for the idle timer.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ipc {
class BusConnection;
}

namespace springboard {

struct ControlHandlers {
  std::function<std::string()> dump;
  std::function<std::string()> state;
  std::function<void()> lock;
  std::function<void()> unlock;
  std::function<void(int orientation)> rotate;  // 1 to 4, checked before
  std::function<void(const std::string& type)> button;
  // A desktop's full-screen stage on (on a monitor; empty: the screen's
  // own) or off; an error text when it cannot show. Only a desktop has it.
  std::function<std::optional<std::string>(bool on, const std::string& monitor)> stage;
};

class ControlService {
 public:
  // Serves the object and takes SpringBoard's name; nothing, with `error`
  // set, when the bus refuses.
  static std::unique_ptr<ControlService> create(const std::shared_ptr<ipc::BusConnection>& bus,
                                                ControlHandlers handlers, std::string& error);
  ~ControlService();
  // Emits LineShown(text, monotonic nanoseconds); false, with `error`, when
  // the bus refuses.
  bool announceLine(const std::string& text, std::uint64_t monotonicNanoseconds, std::string& error);
  // A LineAnnouncer's announce function for the control object `control`
  // holds (nothing while it holds none); failures go to `log`.
  static std::function<void(const std::string&, std::chrono::nanoseconds)> announcer(
      const std::unique_ptr<ControlService>& control, std::function<void(const std::string&)> log);

 private:
  ControlService() = default;
  struct Bus;
  std::unique_ptr<Bus> bus_;
  ControlHandlers handlers_;
};

// Whether a button type can go into an event's text: 1 to 32 letters,
// digits, '_' or '-'.
bool isButtonType(const std::string& type);

}  // namespace springboard
