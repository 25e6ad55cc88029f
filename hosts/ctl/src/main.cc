// hoververse-ctl: drives a running device over its bus, as any process of
// the device could. Finds the device from --root or HOVERVERSE_ROOT. Every
// failure is one line on stderr; exit 1 for failures, 2 for bad usage.

#include <sdbus-c++/sdbus-c++.h>

#include <charconv>
#include <cmath>
#include <chrono>
#include <cstdlib>
#include <climits>
#include <filesystem>
#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "DeviceClient.h"
#include "ScreenCommands.h"
#include "foundation/DeviceRoot.h"
#include "foundation/RunLoop.h"
#include "foundation/Text.h"
#include "foundation/Value.h"
#include "hostcommon/DeviceBus.h"
#include "hostcommon/MusicApp.h"
#include "ipc/BusConnection.h"
#include "ipc/MessagingCenter.h"

namespace ctl {
namespace {

using namespace std::chrono_literals;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// A SpringBoard being started again is back well within this.
constexpr auto kSpringBoardWait = 5s;
// How often wait-line looks at the home screen.
constexpr auto kPollInterval = 50ms;

using Args = std::vector<std::string_view>;

const char kUsage[] =
    "usage: hoververse-ctl [--root DIR | --session] COMMAND [ARGS]\n"
    "  play BUNDLE [--song N]   start that music app if needed and play (song N, else its current one)\n"
    "  pause | resume | next | previous\n"
    "                           control the app that is playing\n"
    "  route PORTTYPE           set the device's audio output (Speaker, Headphones,\n"
    "                           BluetoothA2DPOutput, AirPlay, CarAudio, ...)\n"
    "  dump                     the home screen's windows as a JSON array of view trees\n"
    "  state                    the home screen's lock, backlight and orientation as JSON\n"
    "  lock | unlock            the lock button; unlocking lights the screen\n"
    "  rotate 1|2|3|4           turn the interface (1 portrait, 3 and 4 landscape)\n"
    "  button TYPE              a hardware-button event carrying type=TYPE\n"
    "  tap X Y | doubletap X Y  touch the screen at X, Y (points) through the device's X server\n"
    "  longpress X Y [SECONDS]  hold a finger there (default 1 s)\n"
    "  drag X1 Y1 X2 Y2 [SECONDS]\n"
    "                           move a finger from one point to the other (default 0.5 s)\n"
    "  screenshot FILE.png      the device's screen as shown (composited)\n"
    "  wait-line TEXT [--always-on] [--timeout S]\n"
    "                           wait until the floating (or always-on) window shows that line\n"
    "                           (default 10 s)\n"
    "  send NAME [KEY=VALUE]... post a message to the home screen's message centre\n"
    "  status [--json]          processes and pids, route, now-playing app and state\n"
    "  env                      the device's bus address, display and root, for busctl, playerctl, xdotool\n"
    "  source PLAYER MODE       where the desktop bridge takes PLAYER's line from: auto, title, lrc\n"
    "                           or pushed (on the session bus of DBUS_SESSION_BUS_ADDRESS)\n"
    "  stage on|off [--monitor NAME]\n"
    "                           (desktop) the always-on window full screen on a monitor, or hidden\n"
    "The device's root is --root, else HOVERVERSE_ROOT, else $XDG_DATA_HOME/hoververse/device.\n"
    "--session talks to `hoververse desktop` on the user's session bus instead: dump, state,\n"
    "wait-line, screenshot (of $DISPLAY), and stage and source (which always do).\n";

int usageError(const std::string& problem) {
  std::cerr << "hoververse-ctl: " << problem << " (hoververse-ctl help for usage)\n";
  return kExitUsage;
}

int failure(const std::string& line) {
  std::cerr << "hoververse-ctl: " << line << "\n";
  return kExitFailure;
}

std::string supportedApps() {
  std::string out;
  for (const hostcommon::MusicApp& app : hostcommon::musicApps()) {
    out += (out.empty() ? "" : ", ") + std::string(app.bundleIdentifier);
  }
  return out;
}

// A word that needs no quoting in a POSIX shell.
bool shellSafe(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::string_view("-_/.,:=%+@").find(c) != std::string_view::npos;
    if (!plain) return false;
  }
  return true;
}

std::string shellQuoted(std::string_view text) {
  if (shellSafe(text)) return std::string(text);
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::optional<int> parseSong(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

struct Context {
  hostcommon::DeviceLayout layout;
  std::unique_ptr<DeviceClient> client;
  bool session = false;  // the desktop host on the session bus

  // Opens the device; prints the line and returns false when there is none.
  bool connect() {
    std::string error;
    client = session ? DeviceClient::openSession(layout, error) : DeviceClient::open(layout, error);
    if (!client) std::cerr << "hoververse-ctl: " << error << "\n";
    return client != nullptr;
  }
};

// Runs a command's bus work, turning a bus error into one line.
int guarded(const std::string& peer, const std::function<int()>& work) {
  try {
    return work();
  } catch (const sdbus::Error& error) {
    return failure(describeBusError(error, peer));
  }
}

int play(Context& context, const Args& args) {
  if (args.empty()) return usageError("play needs a bundle identifier");
  const std::string bundle(args[0]);
  int song = -1;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--song" && i + 1 < args.size()) {
      const auto parsed = parseSong(args[++i]);
      if (!parsed) return usageError("--song takes a track number (0, 1, 2, ...), not '" + std::string(args[i]) + "'");
      song = *parsed;
    } else {
      return usageError("unexpected argument '" + std::string(args[i]) + "' for play");
    }
  }
  if (hostcommon::findMusicApp(bundle) == nullptr) {
    return failure("unknown app '" + bundle + "' (supported: " + supportedApps() + ")");
  }
  if (!context.connect()) return kExitFailure;
  return guarded(bundle, [&] {
    if (context.client->nameHasOwner(hostcommon::musicAppBusName(bundle))) {
      context.client->playSong(bundle, song);
    } else {
      context.client->startApp(bundle, song, true);
    }
    return kExitOk;
  });
}

int transport(Context& context, const Args& args, const std::string& command, const std::string& method) {
  if (!args.empty()) return usageError(command + " takes no arguments");
  if (!context.connect()) return kExitFailure;
  return guarded("the music app", [&] {
    const auto player = context.client->nowPlayingPlayer();
    if (!player) return failure("no music app is playing on the device");
    context.client->sendPlayerCommand(*player, method);
    return kExitOk;
  });
}

int route(Context& context, const Args& args) {
  if (args.size() != 1 || args[0].empty()) return usageError("route needs one port type, such as Speaker");
  if (!context.connect()) return kExitFailure;
  return guarded("the device", [&] {
    context.client->setRoute(std::string(args[0]));
    return kExitOk;
  });
}

// Runs `work` on SpringBoard once it is on the bus (it may be restarting),
// or on the desktop host.
int withSpringBoard(Context& context, const std::function<int()>& work) {
  if (!context.connect()) return kExitFailure;
  if (context.session) {
    return guarded("hoververse desktop", [&] {
      if (!context.client->nameHasOwner(hostcommon::kSpringBoardBusName)) {
        return failure("hoververse desktop is not running on this session");
      }
      return work();
    });
  }
  return guarded(hostcommon::kSpringBoardProcessName, [&] {
    if (!context.client->waitForName(hostcommon::kSpringBoardBusName, kSpringBoardWait)) {
      return failure("SpringBoard is not on the device's bus");
    }
    return work();
  });
}

int dump(Context& context, const Args& args) {
  if (!args.empty()) return usageError("dump takes no arguments");
  return withSpringBoard(context, [&] {
    std::cout << context.client->dumpSpringBoard() << "\n";
    return kExitOk;
  });
}

int stage(Context& context, const Args& args) {
  const bool on = !args.empty() && args[0] == "on";
  const bool valid = !args.empty() && (on || args[0] == "off") &&
                     (args.size() == 1 || (args.size() == 3 && args[1] == "--monitor" && !args[2].empty()));
  if (!valid) return usageError("stage takes on or off, then optionally --monitor NAME");
  context.session = true;
  return withSpringBoard(context, [&] {
    context.client->stage(on, args.size() == 3 ? std::string(args[2]) : std::string());
    return kExitOk;
  });
}

int state(Context& context, const Args& args) {
  if (!args.empty()) return usageError("state takes no arguments");
  return withSpringBoard(context, [&] {
    std::cout << context.client->springBoardState() << "\n";
    return kExitOk;
  });
}

int lockCommand(Context& context, const Args& args, const std::string& command, const std::string& method) {
  if (!args.empty()) return usageError(command + " takes no arguments");
  return withSpringBoard(context, [&] {
    context.client->springBoardCommand(method);
    return kExitOk;
  });
}

int rotate(Context& context, const Args& args) {
  if (args.size() != 1 || args[0].size() != 1 || args[0][0] < '1' || args[0][0] > '4') {
    return usageError("rotate takes one orientation: 1 (portrait), 2 (upside down), 3 or 4 (landscape)");
  }
  return withSpringBoard(context, [&] {
    context.client->rotate(args[0][0] - '0');
    return kExitOk;
  });
}

int button(Context& context, const Args& args) {
  if (args.size() != 1 || args[0].empty()) return usageError("button takes one event type, such as 101");
  return withSpringBoard(context, [&] {
    context.client->pressButton(std::string(args[0]));
    return kExitOk;
  });
}

std::optional<double> parseSeconds(std::string_view text) {
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size() || !(value >= 0) || value > 3600) return std::nullopt;
  return value;
}

// Whether the system's window `name` is shown in a dump with `text` on one of
// its labels; `showing` gets what it shows instead (for the message).
bool windowShows(const std::string& dump, const std::string& name, const std::string& text, std::string& showing) {
  const auto windows = nlohmann::json::parse(dump, nullptr, false);
  if (!windows.is_array()) return false;
  std::vector<const nlohmann::json*> all;
  for (const nlohmann::json& window : windows) all.push_back(&window);
  // The always-on window is held by another window: look through the trees.
  const nlohmann::json* found = nullptr;
  while (!all.empty() && found == nullptr) {
    const nlohmann::json* view = all.back();
    all.pop_back();
    if (view->value("name", "") == name) found = view;
    if (view->contains("subviews") && (*view)["subviews"].is_array()) {
      for (const nlohmann::json& sub : (*view)["subviews"]) all.push_back(&sub);
    }
  }
  if (found != nullptr) {
    const nlohmann::json& window = *found;
    std::vector<const nlohmann::json*> pending{&window};
    bool hasLine = false;
    while (!pending.empty()) {
      const nlohmann::json* view = pending.back();
      pending.pop_back();
      if (view->contains("text") && (*view)["text"].is_string()) {
        const std::string line = (*view)["text"].get<std::string>();
        if (line == text) hasLine = true;
        if (showing.empty()) showing = "it shows \"" + line + "\"";
      }
      if (view->contains("subviews") && (*view)["subviews"].is_array()) {
        for (const nlohmann::json& sub : (*view)["subviews"]) pending.push_back(&sub);
      }
    }
    if (!window.value("shown", false)) showing = "it is not shown";
    return hasLine && window.value("shown", false);
  }
  return false;
}

int waitLine(Context& context, const Args& args) {
  if (args.empty()) return usageError("wait-line needs the line to wait for");
  double timeout = 10;
  std::string window = "lyricWindow";
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--always-on") {
      window = "fullScreenWindow";
      continue;
    }
    const auto value = args[i] == "--timeout" && i + 1 < args.size() ? parseSeconds(args[i + 1]) : std::nullopt;
    if (!value) return usageError("wait-line takes TEXT [--always-on] [--timeout SECONDS]");
    timeout = *value;
    ++i;
  }
  const std::string text(args[0]);
  return withSpringBoard(context, [&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
    std::string showing;
    while (true) {
      showing.clear();
      if (windowShows(context.client->dumpSpringBoard(), window, text, showing)) return kExitOk;
      if (std::chrono::steady_clock::now() >= deadline) break;
      std::this_thread::sleep_for(kPollInterval);
    }
    return failure(std::string(window == "lyricWindow" ? "the floating window" : "the always-on window") + " did not show \"" + text + "\" within " + foundation::format("%g", timeout) +
                   " s (" + (showing.empty() ? std::string("it shows no line") : showing) + ")");
  });
}

std::optional<double> parseNumber(std::string_view text) {
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// Parses `count` numbers, then up to one optional duration in seconds.
bool parsePoints(const Args& args, std::size_t count, std::vector<double>& numbers, std::optional<double>& seconds) {
  if (args.size() < count || args.size() > count + (seconds ? 1 : 0)) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const auto value = parseNumber(args[i]);
    if (!value) return false;
    numbers.push_back(*value);
  }
  if (args.size() > count) {
    seconds = parseSeconds(args[count]);
    if (!seconds || *seconds > 60) return false;
  }
  return true;
}

int onScreen(Context& context, const std::function<std::string(const ScreenTarget&)>& work) {
  if (!context.connect()) return kExitFailure;
  ScreenTarget target;
  std::string error;
  if (!screenTarget(context.client->state(), target, error)) return failure(error);
  error = work(target);
  return error.empty() ? kExitOk : failure(error);
}

int touch(Context& context, const Args& args, const std::string& command) {
  std::vector<double> p;
  std::optional<double> seconds;
  if (command == "tap" || command == "doubletap") {
    if (!parsePoints(args, 2, p, seconds)) return usageError(command + " takes X Y (screen points)");
    return onScreen(context, [&](const ScreenTarget& t) { return tap(t, p[0], p[1], command == "tap" ? 1 : 2); });
  }
  if (command == "longpress") {
    seconds = 1.0;
    if (!parsePoints(args, 2, p, seconds)) return usageError("longpress takes X Y [SECONDS]");
    return onScreen(context, [&](const ScreenTarget& t) { return longPress(t, p[0], p[1], *seconds); });
  }
  seconds = 0.5;
  if (!parsePoints(args, 4, p, seconds)) return usageError("drag takes X1 Y1 X2 Y2 [SECONDS]");
  return onScreen(context, [&](const ScreenTarget& t) { return drag(t, p[0], p[1], p[2], p[3], *seconds); });
}

// The desktop's screen: the X server of $DISPLAY, composited as shown.
int desktopScreenshot(const Args& args) {
  if (args.size() != 1 || args[0].empty()) return usageError("screenshot takes the PNG file to write");
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return failure("DISPLAY is not set: no desktop to capture");
  const std::string error = screenshot(ScreenTarget{display, 1}, std::string(args[0]));
  return error.empty() ? kExitOk : failure(error);
}

int screenshotCommand(Context& context, const Args& args) {
  if (args.size() != 1 || args[0].empty()) return usageError("screenshot takes the PNG file to write");
  return onScreen(context, [&](const ScreenTarget& t) { return screenshot(t, std::string(args[0])); });
}

int send(Context& context, const Args& args) {
  if (args.empty() || args[0].empty()) return usageError("send needs a message name");
  foundation::Dictionary userInfo;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::size_t equals = args[i].find('=');
    if (equals == std::string_view::npos || equals == 0) {
      return usageError("'" + std::string(args[i]) + "' is not KEY=VALUE");
    }
    userInfo[std::string(args[i].substr(0, equals))] = foundation::Value(args[i].substr(equals + 1));
  }
  if (!context.connect()) return kExitFailure;
  const std::string centerName(hostcommon::kMessageCenterName);
  return guarded("the message centre", [&] {
    const auto busName = ipc::MessagingCenter::busNameForCenter(centerName);
    if (!busName || !context.client->nameHasOwner(*busName)) {
      return failure("no process serves the message centre " + centerName);
    }
    foundation::RunLoop& loop = foundation::RunLoop::main();
    auto connection = ipc::BusConnection::connect(context.client->state().busAddress, loop);
    if (!connection) return failure("cannot reach the device's bus");
    auto center = ipc::MessagingCenter::centerNamed(centerName, connection);
    if (!center->sendMessageName(args[0], foundation::Value(userInfo))) {
      return failure("the message was not sent");
    }
    // The post expects no reply; a call on the same connection returns only
    // after the bus has taken everything sent before it.
    std::string id;
    sdbus::createProxy(connection->connection(), "org.freedesktop.DBus", "/org/freedesktop/DBus")
        ->callMethod("GetId")
        .onInterface("org.freedesktop.DBus")
        .storeResultsTo(id);
    return kExitOk;
  });
}

void printStatus(const nlohmann::json& status) {
  auto text = [](const nlohmann::json& value) {
    return value.is_string() ? value.get<std::string>() : std::string();
  };
  std::cout << "root:        " << text(status.value("root", nlohmann::json())) << "\n";
  std::cout << "profile:     " << text(status.value("profile", nlohmann::json())) << "\n";
  std::cout << "bus:         " << text(status.value("busAddress", nlohmann::json())) << "\n";
  const nlohmann::json route = status.value("route", nlohmann::json());
  std::cout << "route:       " << (route.is_string() ? route.get<std::string>() : "(no output)") << "\n";
  const nlohmann::json playing = status.value("nowPlaying", nlohmann::json());
  std::cout << "now playing: ";
  if (playing.is_object()) {
    std::cout << text(playing.value("bundleIdentifier", nlohmann::json())) << " ("
              << text(playing.value("state", nlohmann::json())) << ")";
    if (playing.contains("title")) std::cout << " \"" << text(playing["title"]) << "\"";
  } else {
    std::cout << "nothing";
  }
  std::cout << "\nprocesses:\n";
  for (const nlohmann::json& process : status.value("processes", nlohmann::json::array())) {
    std::string pid = process.value("pid", nlohmann::json()).dump();
    pid.resize(std::max<std::size_t>(pid.size(), 8), ' ');
    std::cout << "  " << pid << text(process.value("name", nlohmann::json()));
    if (process.contains("bundleIdentifier")) std::cout << "  " << text(process["bundleIdentifier"]);
    if (process.contains("restarts")) std::cout << "  restarts: " << process["restarts"].dump();
    std::cout << "\n";
  }
}

int status(Context& context, const Args& args) {
  const bool json = args.size() == 1 && args[0] == "--json";
  if (!args.empty() && !json) return usageError("status takes only --json");
  if (!context.connect()) return kExitFailure;
  return guarded("the device", [&] {
    const std::string text = context.client->deviceStatus();
    if (json) {
      std::cout << text << "\n";
      return kExitOk;
    }
    const auto parsed = nlohmann::json::parse(text, nullptr, false);
    if (!parsed.is_object()) return failure("the device's status is not a JSON object");
    printStatus(parsed);
    return kExitOk;
  });
}

int env(Context& context, const Args& args) {
  if (!args.empty()) return usageError("env takes no arguments");
  if (!context.connect()) return kExitFailure;
  std::cout << hostcommon::kBusAddressVariable << "=" << shellQuoted(context.client->state().busAddress) << "\n";
  if (!context.client->state().display.empty()) {
    std::cout << hostcommon::kDisplayVariable << "=" << shellQuoted(context.client->state().display) << "\n";
  }
  std::cout << hostcommon::kRootVariable << "=" << shellQuoted(context.layout.root().string()) << "\n";
  return kExitOk;
}

// The desktop bridge lives on the user's own session bus, not the device's.
int source(const Args& args) {
  if (args.size() != 2 || args[0].empty()) {
    return usageError("source takes PLAYER MODE, such as: source mpv lrc (modes: auto, title, lrc, pushed)");
  }
  try {
    const std::unique_ptr<sdbus::IConnection> bus = sdbus::createSessionBusConnection();
    const std::unique_ptr<sdbus::IProxy> proxy =
        sdbus::createProxy(*bus, "org.hoververse.Lyrics", "/org/hoververse/Lyrics");
    proxy->callMethod("SetSource")
        .onInterface("org.hoververse.Lyrics")
        .withTimeout(5s)
        .withArguments(std::string(args[0]), std::string(args[1]));
    return kExitOk;
  } catch (const sdbus::Error& error) {
    std::cerr << "hoververse-ctl: the desktop bridge (org.hoververse.Lyrics on the session bus): "
              << error.getMessage() << "\n";
    return kExitFailure;
  }
}

int run(Args args) {
  std::optional<std::filesystem::path> root;
  bool session = false;
  while (!args.empty() && args[0].rfind("--", 0) == 0 && args[0] != "--help") {
    if (args[0] == "--session") {
      session = true;
      args.erase(args.begin());
    } else if (args[0] == "--root") {
      if (args.size() < 2 || args[1].empty()) return usageError("--root needs a folder");
      root = std::filesystem::path(args[1]);
      args.erase(args.begin(), args.begin() + 2);
    } else if (args[0].rfind("--root=", 0) == 0 && args[0].size() > 7) {
      root = std::filesystem::path(args[0].substr(7));
      args.erase(args.begin());
    } else {
      return usageError("unknown option '" + std::string(args[0]) + "'");
    }
  }
  if (args.empty()) return usageError("no command given");
  const std::string_view command = args[0];
  const Args rest(args.begin() + 1, args.end());
  if (command == "help" || command == "--help" || command == "-h") {
    std::cout << kUsage;
    return kExitOk;
  }
  Context context{hostcommon::DeviceLayout(root ? *root : foundation::DeviceRoot::root()), nullptr, session};
  // These two always talk to the session bus.
  if (command == "stage") return stage(context, rest);
  if (command == "source") return source(rest);
  if (session) {
    if (command == "dump") return dump(context, rest);
    if (command == "state") return state(context, rest);
    if (command == "wait-line") return waitLine(context, rest);
    if (command == "screenshot") return desktopScreenshot(rest);
    return usageError("with --session, only dump, state, wait-line, screenshot, stage and source talk to the desktop");
  }
  if (command == "play") return play(context, rest);
  if (command == "pause") return transport(context, rest, "pause", "Pause");
  if (command == "resume") return transport(context, rest, "resume", "Play");
  if (command == "next") return transport(context, rest, "next", "Next");
  if (command == "previous") return transport(context, rest, "previous", "Previous");
  if (command == "route") return route(context, rest);
  if (command == "dump") return dump(context, rest);
  if (command == "send") return send(context, rest);
  if (command == "state") return state(context, rest);
  if (command == "lock") return lockCommand(context, rest, "lock", "Lock");
  if (command == "unlock") return lockCommand(context, rest, "unlock", "Unlock");
  if (command == "rotate") return rotate(context, rest);
  if (command == "button") return button(context, rest);
  if (command == "wait-line") return waitLine(context, rest);
  if (command == "tap" || command == "doubletap" || command == "longpress" || command == "drag") {
    return touch(context, rest, std::string(command));
  }
  if (command == "screenshot") return screenshotCommand(context, rest);
  if (command == "status") return status(context, rest);
  if (command == "env") return env(context, rest);
  return usageError("unknown command '" + std::string(command) + "'");
}

}  // namespace
}  // namespace ctl

int main(int argc, char** argv) {
  const int code = ctl::run(ctl::Args(argv + 1, argv + argc));
  std::cout.flush();
  return code;
}
