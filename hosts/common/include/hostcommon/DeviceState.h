#pragma once
// The state a running device publishes in run/device.plist for tools and
// for `hoververse-device stop`: its bus, its supervisor and the processes it
// runs. The supervisor rewrites it atomically whenever a process starts or
// ends or the route changes; readers get the old or the new file, never half.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Status.h"

namespace hostcommon {

struct DeviceProcess {
  std::string name;  // process name: "SpringBoard", "dbus-daemon", "NeteaseMusic"
  pid_t pid = 0;
  std::string program;           // the executable started
  std::string bundleIdentifier;  // music apps only
  int restarts = 0;              // times the supervisor started it again
  bool operator==(const DeviceProcess&) const = default;
};

struct DeviceState {
  std::string busAddress;
  pid_t supervisorPid = 0;
  std::string root;
  std::string profile;
  std::string route;  // port type of the device's output; empty for none
  std::string display;  // the device's X display (":3"); empty without one
  double displayScale = 0;  // its pixels per point
  std::vector<DeviceProcess> processes;
  bool operator==(const DeviceState&) const = default;

  foundation::Status write(const std::filesystem::path& file) const;
  // Nothing when the file is absent or not a device state.
  static std::optional<DeviceState> read(const std::filesystem::path& file);
};

}  // namespace hostcommon
