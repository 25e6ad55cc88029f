#pragma once
// What the device's processes agree on: the environment a child process is
// started with, the names and objects on the device's bus, and where a device
// keeps its bus socket, state and logs under its root. hoververse-device,
// hoververse-ctl, SpringBoard and the music apps all take them from here.

#include <filesystem>
#include <string>
#include <string_view>

#include "foundation/Status.h"

namespace hostcommon {

// Environment of every process of the device.
inline constexpr const char* kRootVariable = "HOVERVERSE_ROOT";
inline constexpr const char* kBusAddressVariable = "DBUS_SESSION_BUS_ADDRESS";
inline constexpr const char* kProfileVariable = "HOVERVERSE_PROFILE";
// The device's X server (set only when the device has one) and the pixels
// per point it is drawn at.
inline constexpr const char* kDisplayVariable = "DISPLAY";
inline constexpr const char* kDisplayScaleVariable = "HOVERVERSE_DISPLAY_SCALE";
// Seconds of idleness before the home screen locks; overrides the profile's
// (0: never).
inline constexpr const char* kAutoLockVariable = "HOVERVERSE_AUTO_LOCK";
// Programs the device starts instead of the built ones (tests use stand-ins).
inline constexpr const char* kSpringBoardProgramVariable = "HOVERVERSE_SPRINGBOARD_PROGRAM";
inline constexpr const char* kMusicAppProgramVariable = "HOVERVERSE_MUSICAPP_PROGRAM";

// The supervisor's control object:
//   StartApp(s bundle, i song, b play)  starts the music app unless it runs
//                                       (song -1: the app's default); returns
//                                       once the app holds its MusicApp name
//   SetRoute(s portType)                the device-wide audio route
//   Status() -> s                       JSON: processes, route, now playing
//   Stop()                              stops the device after replying
inline constexpr const char* kDeviceBusName = "org.hoververse.Device";
inline constexpr const char* kDeviceObjectPath = "/org/hoververse/Device";
inline constexpr const char* kDeviceInterface = "org.hoververse.Device";
// Errors the control object replies with.
inline constexpr const char* kErrorUnknownApp = "org.hoververse.Device.Error.UnknownApp";
inline constexpr const char* kErrorFailed = "org.hoververse.Device.Error.Failed";
inline constexpr const char* kErrorInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";

// The home screen:
//   Dump() -> s         the JSON array of its windows' trees, each top-level
//                       window with "level", "shown" and "screenFrame"
//   State() -> s        JSON: locked, screen ("on", "dimmed", "off"),
//                       orientation, display
//   Lock()              the lock button: lockUIFromSource:withOptions:
//   Unlock()            unlocks and lights the screen
//   Rotate(i code)      the interface turns to orientation 1 to 4
//   Button(s type)      a hardware-button event carrying "type=<type>"
//   Stage(b on, s monitor)  a desktop only: the always-on window full screen
//                       on a monitor ("": the host's) through the lock path,
//                       or hidden; fails with a reason when it does not show
// On a desktop the host serves the same object under the same name on the
// user's session bus, without Lock, Unlock, Rotate and Button.
inline constexpr const char* kSpringBoardProcessName = "SpringBoard";
inline constexpr const char* kSpringBoardBusName = "org.hoververse.SpringBoard";
inline constexpr const char* kSpringBoardObjectPath = "/org/hoververse/SpringBoard";
inline constexpr const char* kSpringBoardInterface = "org.hoververse.SpringBoard";

// A music app: Play(i song) (-1: the current song) at kMusicAppObjectPath of
// musicAppBusName(bundle). An app takes that name last, once its player is
// on the bus, because StartApp returns when the name appears.
inline constexpr const char* kMusicAppObjectPath = "/org/hoververse/MusicApp";
inline constexpr const char* kMusicAppInterface = "org.hoververse.MusicApp";
// "org.hoververse.MusicApp." + the bundle identifier escaped by
// ipc::escapeBusNameElement ("com.tencent.QQMusic" ->
// "org.hoververse.MusicApp.com_2etencent_2eQQMusic").
std::string musicAppBusName(std::string_view bundleIdentifier);

// The message centre the home screen serves, which any process may post to.
inline constexpr std::string_view kMessageCenterName = "kXPCCenterNameKey_11292";

// "unix:path=" + the socket path, escaped as D-Bus addresses require (bytes
// other than ASCII letters, digits and "-_/." become %xx), so any root works
// and the address is safe to paste into a shell.
std::string busAddressForSocket(const std::filesystem::path& socket);

// Where a device keeps its run-time files and logs. Everything is under the
// root; run/ exists only while the device runs.
class DeviceLayout {
 public:
  // `root` is made absolute (against the current directory).
  explicit DeviceLayout(const std::filesystem::path& root);

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path runDirectory() const { return root_ / "run"; }
  std::filesystem::path busSocket() const { return runDirectory() / "bus"; }
  std::string busAddress() const { return busAddressForSocket(busSocket()); }
  // Property list: busAddress, supervisorPid, root, profile, route,
  // processes = ({ name; pid; program; bundleIdentifier?; restarts; }).
  std::filesystem::path stateFile() const { return runDirectory() / "device.plist"; }
  // Held (flock) by the supervisor for as long as the device runs.
  std::filesystem::path lockFile() const { return runDirectory() / "lock"; }
  std::filesystem::path busConfigFile() const { return runDirectory() / "bus.conf"; }
  std::filesystem::path logDirectory() const { return root_ / "var/log/hoververse"; }
  std::filesystem::path logFile(std::string_view processName) const;

  // Fails, naming the limit, when the bus socket's path does not fit a unix
  // socket address.
  foundation::Status checkSocketPath() const;

 private:
  std::filesystem::path root_;
};

}  // namespace hostcommon
