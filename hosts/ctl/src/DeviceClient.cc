#include "DeviceClient.h"

#include <sdbus-c++/sdbus-c++.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "hostcommon/DeviceLock.h"

namespace ctl {

namespace {

using namespace std::chrono_literals;

constexpr auto kCallTimeout = 10s;
// StartApp returns when the app is up, which the device allows 10 s.
constexpr auto kStartAppTimeout = 20s;
constexpr const char* kMprisPrefix = "org.mpris.MediaPlayer2.";
constexpr const char* kMprisPath = "/org/mpris/MediaPlayer2";
constexpr const char* kMprisPlayer = "org.mpris.MediaPlayer2.Player";

std::unique_ptr<sdbus::IProxy> daemonProxy(sdbus::IConnection& connection) {
  return sdbus::createProxy(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus");
}

}  // namespace

std::unique_ptr<DeviceClient> DeviceClient::open(const hostcommon::DeviceLayout& layout, std::string& error) {
  const std::string root = layout.root().string();
  if (!hostcommon::DeviceLock::isHeld(layout)) {
    error = "no device is running at " + root + " (start one with: hoververse-device start)";
    return nullptr;
  }
  auto state = hostcommon::DeviceState::read(layout.stateFile());
  if (!state) {
    error = "the device at " + root + " is still starting";
    return nullptr;
  }
  try {
    auto connection = sdbus::createSessionBusConnectionWithAddress(state->busAddress);
    return std::unique_ptr<DeviceClient>(new DeviceClient(layout, std::move(*state), std::move(connection)));
  } catch (const sdbus::Error& failure) {
    error = "the device's bus at " + state->busAddress + " does not answer: " + failure.getMessage();
    return nullptr;
  }
}

DeviceClient::DeviceClient(hostcommon::DeviceLayout layout, hostcommon::DeviceState state,
                           std::unique_ptr<sdbus::IConnection> connection)
    : layout_(std::move(layout)), state_(std::move(state)), connection_(std::move(connection)) {}

DeviceClient::~DeviceClient() = default;

bool DeviceClient::nameHasOwner(const std::string& name) {
  bool owned = false;
  daemonProxy(*connection_)
      ->callMethod("NameHasOwner")
      .onInterface("org.freedesktop.DBus")
      .withArguments(name)
      .withTimeout(kCallTimeout)
      .storeResultsTo(owned);
  return owned;
}

std::unique_ptr<DeviceClient> DeviceClient::openSession(const hostcommon::DeviceLayout& layout, std::string& error) {
  try {
    return std::unique_ptr<DeviceClient>(
        new DeviceClient(layout, hostcommon::DeviceState{}, sdbus::createSessionBusConnection()));
  } catch (const sdbus::Error& failure) {
    error = "the session bus does not answer: " + failure.getMessage();
    return nullptr;
  }
}

void DeviceClient::stage(bool on, const std::string& monitor) {
  sdbus::createProxy(*connection_, hostcommon::kSpringBoardBusName, hostcommon::kSpringBoardObjectPath)
      ->callMethod("Stage")
      .onInterface(hostcommon::kSpringBoardInterface)
      .withTimeout(kCallTimeout)
      .withArguments(on, monitor);
}

bool DeviceClient::waitForName(const std::string& name, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!nameHasOwner(name)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

std::vector<std::string> DeviceClient::listNames() {
  std::vector<std::string> names;
  daemonProxy(*connection_)
      ->callMethod("ListNames")
      .onInterface("org.freedesktop.DBus")
      .withTimeout(kCallTimeout)
      .storeResultsTo(names);
  return names;
}

std::string DeviceClient::deviceStatus() {
  std::string json;
  sdbus::createProxy(*connection_, hostcommon::kDeviceBusName, hostcommon::kDeviceObjectPath)
      ->callMethod("Status")
      .onInterface(hostcommon::kDeviceInterface)
      .withTimeout(kCallTimeout)
      .storeResultsTo(json);
  return json;
}

void DeviceClient::startApp(const std::string& bundleIdentifier, int song, bool play) {
  sdbus::createProxy(*connection_, hostcommon::kDeviceBusName, hostcommon::kDeviceObjectPath)
      ->callMethod("StartApp")
      .onInterface(hostcommon::kDeviceInterface)
      .withArguments(bundleIdentifier, static_cast<std::int32_t>(song), play)
      .withTimeout(kStartAppTimeout)
      .storeResultsTo();
}

void DeviceClient::setRoute(const std::string& portType) {
  sdbus::createProxy(*connection_, hostcommon::kDeviceBusName, hostcommon::kDeviceObjectPath)
      ->callMethod("SetRoute")
      .onInterface(hostcommon::kDeviceInterface)
      .withArguments(portType)
      .withTimeout(kCallTimeout)
      .storeResultsTo();
}

void DeviceClient::playSong(const std::string& bundleIdentifier, int song) {
  sdbus::createProxy(*connection_, hostcommon::musicAppBusName(bundleIdentifier), hostcommon::kMusicAppObjectPath)
      ->callMethod("Play")
      .onInterface(hostcommon::kMusicAppInterface)
      .withArguments(static_cast<std::int32_t>(song))
      .withTimeout(kCallTimeout)
      .storeResultsTo();
}

std::string DeviceClient::dumpSpringBoard() {
  std::string json;
  sdbus::createProxy(*connection_, hostcommon::kSpringBoardBusName, hostcommon::kSpringBoardObjectPath)
      ->callMethod("Dump")
      .onInterface(hostcommon::kSpringBoardInterface)
      .withTimeout(kCallTimeout)
      .storeResultsTo(json);
  return json;
}

std::string DeviceClient::springBoardState() {
  std::string json;
  sdbus::createProxy(*connection_, hostcommon::kSpringBoardBusName, hostcommon::kSpringBoardObjectPath)
      ->callMethod("State")
      .onInterface(hostcommon::kSpringBoardInterface)
      .withTimeout(kCallTimeout)
      .storeResultsTo(json);
  return json;
}

void DeviceClient::springBoardCommand(const std::string& method) {
  sdbus::createProxy(*connection_, hostcommon::kSpringBoardBusName, hostcommon::kSpringBoardObjectPath)
      ->callMethod(method)
      .onInterface(hostcommon::kSpringBoardInterface)
      .withTimeout(kCallTimeout);
}

void DeviceClient::rotate(int orientation) {
  sdbus::createProxy(*connection_, hostcommon::kSpringBoardBusName, hostcommon::kSpringBoardObjectPath)
      ->callMethod("Rotate")
      .onInterface(hostcommon::kSpringBoardInterface)
      .withTimeout(kCallTimeout)
      .withArguments(static_cast<std::int32_t>(orientation));
}

void DeviceClient::pressButton(const std::string& type) {
  sdbus::createProxy(*connection_, hostcommon::kSpringBoardBusName, hostcommon::kSpringBoardObjectPath)
      ->callMethod("Button")
      .onInterface(hostcommon::kSpringBoardInterface)
      .withTimeout(kCallTimeout)
      .withArguments(type);
}

std::optional<std::string> DeviceClient::nowPlayingPlayer() {
  const auto status = nlohmann::json::parse(deviceStatus(), nullptr, false);
  if (status.is_object() && status.contains("nowPlaying") && status["nowPlaying"].is_object()) {
    const auto& busName = status["nowPlaying"]["busName"];
    if (busName.is_string() && !busName.get<std::string>().empty()) return busName.get<std::string>();
  }
  // The device may not have heard of a player that has only just appeared.
  std::vector<std::string> players;
  for (const std::string& name : listNames()) {
    if (name.rfind(kMprisPrefix, 0) == 0) players.push_back(name);
  }
  for (const std::string& player : players) {
    try {
      const sdbus::Variant state = sdbus::createProxy(*connection_, player, kMprisPath)
                                       ->getProperty("PlaybackStatus")
                                       .onInterface(kMprisPlayer);
      if (state.get<std::string>() == "Playing") return player;
    } catch (const sdbus::Error&) {
    }
  }
  if (!players.empty()) return players.front();
  return std::nullopt;
}

void DeviceClient::sendPlayerCommand(const std::string& busName, const std::string& method) {
  sdbus::createProxy(*connection_, busName, kMprisPath)
      ->callMethod(method)
      .onInterface(kMprisPlayer)
      .withTimeout(kCallTimeout)
      .storeResultsTo();
}

std::string describeBusError(const sdbus::Error& error, const std::string& peer) {
  const std::string& name = error.getName();
  if (name == "org.freedesktop.DBus.Error.ServiceUnknown" || name == "org.freedesktop.DBus.Error.NameHasNoOwner") {
    return peer + " is not running";
  }
  if (name == "org.freedesktop.DBus.Error.NoReply" || name == "org.freedesktop.DBus.Error.Timeout") {
    return peer + " did not answer in time";
  }
  if (name.rfind("org.hoververse.", 0) == 0 || name == hostcommon::kErrorInvalidArgs) return error.getMessage();
  return peer + ": " + error.getMessage() + " (" + name + ")";
}

}  // namespace ctl
