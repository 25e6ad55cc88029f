#pragma once
// hoververse-ctl's connection to a running device: finds it from its root
// (the lock says whether it runs, the state file where its bus is) and makes
// blocking calls on its bus. A short-lived client, so a plain sdbus-c++
// connection with no run loop; calls throw sdbus::Error, which the commands
// turn into one line for the user (describeBusError).

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hostcommon/DeviceBus.h"
#include "hostcommon/DeviceState.h"

namespace sdbus {
class IConnection;
class Error;
}  // namespace sdbus

namespace ctl {

class DeviceClient {
 public:
  // The device at `layout`; nothing, with `error` set to the line to print,
  // when no device runs there or its bus does not answer.
  static std::unique_ptr<DeviceClient> open(const hostcommon::DeviceLayout& layout, std::string& error);
  // The desktop host on the user's session bus instead of a device.
  static std::unique_ptr<DeviceClient> openSession(const hostcommon::DeviceLayout& layout, std::string& error);
  ~DeviceClient();

  const hostcommon::DeviceLayout& layout() const { return layout_; }
  const hostcommon::DeviceState& state() const { return state_; }
  sdbus::IConnection& connection() { return *connection_; }

  bool nameHasOwner(const std::string& name);
  // Waits until `name` has an owner; false after `timeout`. For a process
  // that is being started again (SpringBoard after a crash).
  bool waitForName(const std::string& name, std::chrono::milliseconds timeout);
  std::vector<std::string> listNames();

  std::string deviceStatus();
  void startApp(const std::string& bundleIdentifier, int song, bool play);
  void setRoute(const std::string& portType);
  void playSong(const std::string& bundleIdentifier, int song);
  std::string dumpSpringBoard();
  std::string springBoardState();
  // Lock or Unlock on SpringBoard's control object.
  void springBoardCommand(const std::string& method);
  void rotate(int orientation);
  void pressButton(const std::string& type);
  // The desktop's full-screen stage on (on `monitor`, "" for the host's) or off.
  void stage(bool on, const std::string& monitor);
  // The bus name of the app whose playback the transport commands act on:
  // the device's now-playing app, else a playing player, else any player.
  std::optional<std::string> nowPlayingPlayer();
  // Play, Pause, Next or Previous on an MPRIS player.
  void sendPlayerCommand(const std::string& busName, const std::string& method);

 private:
  DeviceClient(hostcommon::DeviceLayout layout, hostcommon::DeviceState state,
               std::unique_ptr<sdbus::IConnection> connection);
  hostcommon::DeviceLayout layout_;
  hostcommon::DeviceState state_;
  std::unique_ptr<sdbus::IConnection> connection_;
};

// One line for a failed call: the device's own message for its errors,
// plain words for the bus's ("SpringBoard is not running").
std::string describeBusError(const sdbus::Error& error, const std::string& peer);

}  // namespace ctl
