#pragma once
// The supervisor's side of the device's bus: serves the control object
// (org.hoververse.Device, see hostcommon/DeviceBus.h) and follows which music
// apps hold their bus names. Every call is answered on the run loop through
// the DeviceControl it is given; StartApp is answered later, when the
// control says the app is up (or failed), so it never blocks the loop.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ipc/BusConnection.h"

namespace device {

struct ControlError {
  std::string name;     // a D-Bus error name
  std::string message;  // one line for the user
};

using StartAppReply = std::function<void(const std::optional<ControlError>& error)>;

// What the bus asks of the device.
class DeviceControl {
 public:
  // Calls `reply` exactly once, now or later on the loop.
  virtual void startApp(const std::string& bundleIdentifier, int song, bool play, StartAppReply reply) = 0;
  virtual std::optional<ControlError> setRoute(const std::string& portType) = 0;
  virtual std::string statusJson() = 0;
  // Runs after the reply to Stop was queued.
  virtual void stop() = 0;
  // A org.hoververse.MusicApp.* name got (`owned`) or lost its owner.
  virtual void musicAppNameChanged(const std::string& busName, bool owned) = 0;

 protected:
  ~DeviceControl() = default;
};

class DeviceBusService {
 public:
  // Puts the control object on `connection` and takes the device's bus
  // name; nothing, with `error` set, when the bus refuses.
  static std::unique_ptr<DeviceBusService> create(std::shared_ptr<ipc::BusConnection> connection,
                                                  DeviceControl& control, std::string& error);
  ~DeviceBusService();
  DeviceBusService(const DeviceBusService&) = delete;
  DeviceBusService& operator=(const DeviceBusService&) = delete;

 private:
  struct Bus;
  explicit DeviceBusService(std::unique_ptr<Bus> bus);
  std::unique_ptr<Bus> bus_;
};

}  // namespace device
