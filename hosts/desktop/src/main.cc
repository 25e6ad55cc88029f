// hoververse: the system on a user's own Linux desktop. `hoververse desktop`
// plays the home screen on the session: registers the host classes, installs
// and loads the injected library, finishes launching through the runtime,
// follows the session's MPRIS players (each one a supported app of its own,
// hostcommon::desktopBundleIdentifier) for its media controller, shows the
// system's windows on $DISPLAY as desktop windows on one monitor, stands the
// session's lock for the device's, offers the always-on window as a
// full-screen stage, serves the control object on the session bus and keeps
// the bridge running as its child.

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "BridgeChild.h"
#include "ControlService.h"
#include "DesktopScreen.h"
#include "HostClasses.h"
#include "LineAnnouncer.h"
#include "MediaNotes.h"
#include "ScreenshotsWindow.h"
#include "SessionLock.h"
#include "WindowDump.h"
#include "display/XDisplay.h"
#include "foundation/DeviceRoot.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "hostcommon/Deliverable.h"
#include "hostcommon/DesktopSource.h"
#include "hostcommon/DeviceBus.h"
#include "ipc/BusConnection.h"
#include "media/NowPlayingWatcher.h"
#include "quartz/Image.h"
#include "render/ImageCodec.h"
#include "runtime/Loader.h"
#include "runtime/Message.h"
#include "ui/Application.h"
#include "ui/Color.h"
#include "ui/Device.h"
#include "ui/Screen.h"

namespace {

constexpr const char* kBundleIdentifier = "com.apple.springboard";
// The desktop host's own name on the session bus: one host per session.
constexpr const char* kDesktopBusName = "org.hoververse.Desktop";
// The source of lockUIFromSource:withOptions: for the session's lock and
// the stage (the lock button's).
constexpr std::int64_t kLockSourceButton = 1;

constexpr const char* kUsage =
    "usage: hoververse desktop [--monitor NAME] [--scale PIXELS_PER_POINT]\n"
    "       hoververse --help\n"
    "\n"
    "  desktop   shows the current lyric line over the desktop on $DISPLAY, following\n"
    "            the session's MPRIS players; hoververse-ctl --session talks to it\n"
    "  --monitor the RandR monitor to show on (default: the primary one)\n"
    "  --scale   pixels per point (default 1)\n"
    "\n"
    "environment: HOVERVERSE_ROOT (default $XDG_DATA_HOME/hoververse/device),\n"
    "  HOVERVERSE_BRIDGE_PROGRAM, HOVERVERSE_LOGIN_BUS (\"none\": do not ask logind)\n";

void logLine(const std::string& text) {
  foundation::logError("hoververse", __FILE__, __LINE__, "INFO", foundation::Value(text));
}

struct Arguments {
  std::string monitor;
  double scale = 1;
};

// Whoever starts hoververse on a desktop wants to see lyrics, and a desktop
// has no Settings app to flip the preference page's master switch: on a
// first start (the switch never stored) it is turned on. A switch the user
// turned off stays off.
void turnLyricsOnAtFirstStart() {
  foundation::UserDefaults settings(foundation::DeviceRoot::resolve("/var/mobile/Library/Preferences/1"));
  constexpr const char* kMasterSwitch = "USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI";
  if (!settings.objectForKey(kMasterSwitch).isNil()) return;
  settings.setObject(foundation::Value("1"), kMasterSwitch);
  if (settings.synchronize()) logLine("first start: lyrics turned on");
}

// Nothing when the usage is wrong.
std::optional<Arguments> parse(const std::vector<std::string>& args) {
  if (args.empty() || args[0] != "desktop") return std::nullopt;
  Arguments parsed;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--monitor" && i + 1 < args.size() && !args[i + 1].empty()) {
      parsed.monitor = args[++i];
    } else if (args[i] == "--scale" && i + 1 < args.size()) {
      char* end = nullptr;
      const std::string& text = args[++i];
      parsed.scale = std::strtod(text.c_str(), &end);
      if (end == text.c_str() || *end != '\0' || !(parsed.scale >= 0.25 && parsed.scale <= 8)) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  return parsed;
}

// The always-on window, when the system has made it: what the screenshots
// window holds. Asked every turn, so the one found is kept while it stays
// there rather than found again by class name.
ui::View* alwaysOnWindow(const springboard::ScreenshotsWindow& holder, std::weak_ptr<ui::View>& found) {
  if (std::shared_ptr<ui::View> kept = found.lock(); kept && kept->superview() == &holder) return kept.get();
  found.reset();
  for (const auto& sub : holder.subviews()) {
    if (sub->className() == "FullScreenWindow") {
      found = sub;
      return sub.get();
    }
  }
  return nullptr;
}

bool stageShown(const springboard::ScreenshotsWindow& holder, std::weak_ptr<ui::View>& found) {
  const ui::View* window = alwaysOnWindow(holder, found);
  return window != nullptr && !window->isHidden() && window->alpha() >= 0.01;
}

void lockThroughRuntime() {
  runtime::send<void>(springboard::lockScreenManager(), "lockUIFromSource:withOptions:", kLockSourceButton,
                      static_cast<runtime::Object*>(nullptr));
}

std::string joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
  return out.empty() ? "none" : out;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const std::optional<Arguments> arguments = parse(args);
  if (!arguments) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  // SIGTERM and SIGINT end the run loop; the bridge child ends with the host.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  ::sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
  const int signals = ::signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);

  foundation::ProcessInfo::setBundleIdentifier(kBundleIdentifier);
  foundation::RunLoop& loop = foundation::RunLoop::main();
  std::shared_ptr<ipc::BusConnection> bus = ipc::BusConnection::shared();
  if (!bus) {
    std::fprintf(stderr, "hoververse desktop: cannot reach the session bus (DBUS_SESSION_BUS_ADDRESS)\n");
    return 1;
  }
  try {
    bus->connection().requestName(kDesktopBusName);
  } catch (const sdbus::Error& failure) {
    std::fprintf(stderr, "hoververse desktop: another hoververse desktop runs on this session (%s is taken)\n",
                 kDesktopBusName);
    return 1;
  }

  const std::filesystem::path root = foundation::DeviceRoot::root();
  std::string error;
  if (!hostcommon::installDeliverable(root, error)) logLine("running without the system's library: " + error);
  turnLyricsOnAtFirstStart();
  quartz::Image::setDecoder([](std::span<const std::uint8_t> bytes) { return render::decodeImage(bytes); });

  // The device's profile has no say here: a desktop without a status bar.
  ui::Device::current().setModel("Desktop");
  ui::Device::current().setSystemVersion("14.0");

  // The screenshots window shows only while it holds a shown always-on
  // window: an empty full-screen window would cover the desktop. This
  // observer runs before the display's, so the display sees the outcome.
  std::shared_ptr<springboard::ScreenshotsWindow> screenshots;
  bool stageWasShown = false;
  std::function<void()> stageHidden;
  std::weak_ptr<ui::View> stageWindow;
  foundation::SourceHandle stageObserver = loop.addTurnObserver([&] {
    if (!screenshots) return;
    const bool shown = stageShown(*screenshots, stageWindow);
    screenshots->setHidden(!shown);
    if (stageWasShown && !shown && stageHidden) stageHidden();
    stageWasShown = shown;
  });

  std::unique_ptr<display::XDisplay> xDisplay;
  if (const char* name = std::getenv("DISPLAY"); name != nullptr && *name != '\0') {
    display::XDisplay::Options options;
    options.scale = arguments->scale;
    options.desktop = true;
    options.windowName = [](const ui::Window& w) { return springboard::systemWindowName(w); };
    options.isFullScreen = [](const ui::Window& w) { return w.className() == "SSScreenshotsWindow"; };
    xDisplay = display::XDisplay::open(name, options, &error);
    if (!xDisplay) logLine(std::string("cannot show the windows on ") + name + ": " + error + "; running headless");
  } else {
    logLine("no DISPLAY: running headless");
  }
  desktop::DesktopScreen screen(loop, xDisplay.get(), arguments->monitor, arguments->scale);
  if (!arguments->monitor.empty() && screen.current().name != arguments->monitor) {
    std::fprintf(stderr, "hoververse desktop: no monitor %s (there are: %s); showing on %s\n",
                 arguments->monitor.c_str(), joined(screen.monitorNames()).c_str(), screen.current().name.c_str());
  }
  const ui::Rect bounds = ui::Screen::main().bounds();
  ui::Application::shared().setStatusBarFrame({0, 0, bounds.width(), 0});

  std::unique_ptr<media::NowPlayingWatcher> watcher = std::make_unique<media::NowPlayingWatcher>(bus);
  springboard::HostActions actions;
  actions.changeTrack = [&watcher](std::int64_t step) { return watcher->changeTrack(step > 0 ? 1 : -1); };
  springboard::registerHostClasses(std::move(actions));

  screenshots = std::make_shared<springboard::ScreenshotsWindow>(bounds);
  screenshots->setWindowLevel(springboard::kScreenshotsWindowLevel);
  screenshots->setBackgroundColor(ui::Color::clearColor());
  screenshots->setHidden(false);  // the system looks for it at launch
  runtime::loadInjectedLibraries(kBundleIdentifier);

  screen.setChangeHandler([&screenshots, &screen] {
    const ui::Rect now = ui::Screen::main().bounds();
    ui::Application::shared().setStatusBarFrame({0, 0, now.width(), 0});
    if (screenshots) screenshots->setFrame(now);
    // The system reads the screen size at start-up; a monitor of another
    // size would leave the floating window partly off screen. Not while the
    // stage borrows a monitor: the floating window is hidden then, and its
    // stored position must not be clamped to the stage's screen.
    if (screen.stageMonitor().empty())
      foundation::NotificationCenter::defaultCenter().post(ui::kScreenModeDidChangeNotification);
  });
  stageHidden = [&screen] { screen.setStageMonitor(""); };

  watcher->setChangeHandler([&watcher](const media::NowPlayingWatcher::Changes& changes) {
    std::optional<media::NowPlayingApplication> app = watcher->nowPlayingApplication();
    if (app) app->bundleIdentifier = hostcommon::desktopBundleIdentifier(app->busName);
    springboard::tellMediaController(app, changes);
  });

  desktop::SessionLock sessionLock(bus, [](bool locked) {
    // Locked: the device's lock path. Unlocked: as the device's unlock,
    // which asks nothing of the system.
    if (locked) lockThroughRuntime();
  });

  springboard::ControlHandlers handlers;
  handlers.dump = [] { return springboard::dumpWindows(); };
  handlers.state = [&] {
    const char* name = std::getenv("DISPLAY");
    const display::Monitor& m = screen.current();
    nlohmann::ordered_json state{{"locked", sessionLock.isLocked()},
                                 {"stage", screenshots && stageShown(*screenshots, stageWindow)},
                                 {"monitor", m.name},
                                 {"monitorFrame", {m.x, m.y, m.width, m.height}},
                                 {"translucent", xDisplay && xDisplay->isTranslucent()},
                                 {"display", xDisplay && name != nullptr ? name : ""}};
    return state.dump();
  };
  handlers.stage = [&](bool on, const std::string& monitor) -> std::optional<std::string> {
    if (!screenshots || alwaysOnWindow(*screenshots, stageWindow) == nullptr) {
      return std::string("the system's library is not loaded: there is no always-on window");
    }
    const bool shown = stageShown(*screenshots, stageWindow);
    if (!on) {
      if (shown) lockThroughRuntime();  // the next lock hides it, as on the device
      return std::nullopt;
    }
    if (!monitor.empty() && !screen.setStageMonitor(monitor)) {
      return "no monitor " + monitor + " (there are: " + joined(screen.monitorNames()) + ")";
    }
    if (shown) return std::nullopt;
    lockThroughRuntime();
    if (stageShown(*screenshots, stageWindow)) return std::nullopt;
    screen.setStageMonitor("");
    return std::string(
        "the system's settings keep the stage from showing: the always-on window shows only while lyrics are "
        "on, its option (always on) is on and a supported player is playing");
  };
  std::unique_ptr<springboard::ControlService> control =
      springboard::ControlService::create(bus, std::move(handlers), error);
  if (!control) logLine("cannot serve the control object: " + error);

  springboard::LineAnnouncer announcer(
      loop,
      springboard::ControlService::announcer(control, logLine),
      [&xDisplay] {
        if (xDisplay) xDisplay->sync();
      });

  std::unique_ptr<desktop::BridgeChild> bridge;
  std::error_code noSelf;
  const std::filesystem::path bridgeProgram =
      desktop::findBridgeProgram(std::filesystem::read_symlink("/proc/self/exe", noSelf));
  if (bridgeProgram.empty()) {
    logLine("no hoververse-bridge found: the desktop players' lines are not relayed");
  } else {
    bridge = std::make_unique<desktop::BridgeChild>(loop, bridgeProgram);
  }

  foundation::SourceHandle stopWatch;
  if (signals >= 0) {
    stopWatch = loop.addFileDescriptor(signals, [&loop, signals] {
      signalfd_siginfo info{};
      if (::read(signals, &info, sizeof info) == sizeof info) {
        logLine(std::string("stopping: received ") + (info.ssi_signo == SIGINT ? "SIGINT" : "SIGTERM"));
        loop.stop();
      }
    });
  }

  runtime::Object& app = springboard::application();
  runtime::send<void>(app, "applicationDidFinishLaunching:", &app);
  loop.run();

  bridge.reset();
  stopWatch.reset();
  if (signals >= 0) ::close(signals);
  return 0;
}
