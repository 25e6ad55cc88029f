// hoververse-springboard: the home-screen process ("SpringBoard"). It plays
// the operating system's home screen: registers the host classes, loads the
// libraries injected into it, finishes launching (through the runtime, so a
// replacement runs), follows the music apps' MPRIS players and tells its
// media controller, keeps the lock and the backlight (DeviceScreen), draws
// the home and lock screens, answers the device's control commands and
// announces each line the floating window shows (the LineShown signal).

#include <sys/prctl.h>

#include <sdbus-c++/sdbus-c++.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "ControlService.h"
#include "DeviceScreen.h"
#include "HostClasses.h"
#include "HostWindows.h"
#include "LineAnnouncer.h"
#include "MediaNotes.h"
#include "display/XDisplay.h"
#include "Profile.h"
#include "hostcommon/DeviceBus.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "foundation/Text.h"
#include "ui/Device.h"
#include "foundation/UserDefaults.h"
#include "ipc/BusConnection.h"
#include "media/NowPlayingWatcher.h"
#include "quartz/Image.h"
#include "render/ImageCodec.h"
#include "runtime/Loader.h"
#include "runtime/Message.h"

namespace {

constexpr const char* kBundleIdentifier = "com.apple.springboard";
// Sources of lockUIFromSource:withOptions: the host uses.
constexpr std::int64_t kLockSourceButton = 1;
constexpr std::int64_t kLockSourceIdle = 2;

// The time the status bar and the lock screen show, from the device's clock
// (the machine's local time: the host plays the operating system).
std::string clockText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M", &local);
  return text;
}

double autoLockSeconds(const springboard::Profile& profile) {
  const char* value = std::getenv(hostcommon::kAutoLockVariable);
  if (value == nullptr || *value == '\0') return profile.autoLockSeconds;
  char* end = nullptr;
  const double seconds = std::strtod(value, &end);
  return end != value && *end == '\0' && seconds >= 0 ? seconds : profile.autoLockSeconds;
}

void logLine(const std::string& text) {
  foundation::logError("SpringBoard", __FILE__, __LINE__, "ERROR", foundation::Value(text));
}

// The device's screen, when the device has one: every window of this
// process shown on its X server. Without DISPLAY the home screen runs
// headless (its windows only in dumps), as the tests of one process do.
std::unique_ptr<display::XDisplay> openScreen(const springboard::Profile& profile) {
  const char* name = std::getenv(hostcommon::kDisplayVariable);
  if (name == nullptr || *name == '\0') return nullptr;
  double scale = profile.scale;
  if (const char* value = std::getenv(hostcommon::kDisplayScaleVariable); value != nullptr && *value != '\0') {
    char* end = nullptr;
    const double parsed = std::strtod(value, &end);
    if (end != value && *end == '\0' && parsed > 0) scale = parsed;
  }
  std::string error;
  auto screen = display::XDisplay::open(name, scale, &error);
  if (!screen) logLine(std::string("cannot show the screen on ") + name + ": " + error + "; running headless");
  return screen;
}

}  // namespace

int main(int argc, char** argv) {
  const char* profileName = std::getenv(hostcommon::kProfileVariable);
  const springboard::Profile* profile =
      springboard::findProfile(profileName != nullptr ? profileName : hostcommon::kDefaultProfileName);
  if (profile == nullptr || argc > 1) {
    std::fprintf(stderr, "usage: %s (no arguments; HOVERVERSE_PROFILE names the device profile)\n", argv[0]);
    return 2;
  }
  ::prctl(PR_SET_NAME, hostcommon::kSpringBoardProcessName, 0, 0, 0);
  foundation::ProcessInfo::setBundleIdentifier(kBundleIdentifier);
  foundation::RunLoop& loop = foundation::RunLoop::main();
  springboard::applyProfile(*profile);
  quartz::Image::setDecoder([](std::span<const std::uint8_t> bytes) { return render::decodeImage(bytes); });

  std::unique_ptr<display::XDisplay> xDisplay = openScreen(*profile);
  std::shared_ptr<ipc::BusConnection> bus = ipc::BusConnection::shared();
  std::unique_ptr<media::NowPlayingWatcher> watcher = std::make_unique<media::NowPlayingWatcher>(bus);
  auto lockThroughRuntime = [](std::int64_t source) {
    runtime::send<void>(springboard::lockScreenManager(), "lockUIFromSource:withOptions:", source,
                        static_cast<runtime::Object*>(nullptr));
  };
  springboard::DeviceScreen screen(loop, autoLockSeconds(*profile),
                                   [lockThroughRuntime] { lockThroughRuntime(kLockSourceIdle); });
  springboard::HostActions actions;
  actions.changeTrack = [&watcher](std::int64_t step) { return watcher->changeTrack(step > 0 ? 1 : -1); };
  actions.resetIdleTimer = [&screen] { screen.resetIdleTimer(); };
  actions.wakeScreen = [&screen] { screen.wake(); };
  actions.didLock = [&screen] { screen.didLock(); };
  springboard::registerHostClasses(std::move(actions));
  runtime::loadInjectedLibraries(kBundleIdentifier);

  springboard::HostWindows windows(*profile, springboard::installedMusicApps());
  windows.show(screen);
  screen.setChangeHandler([&windows, &screen] { windows.show(screen); });
  windows.backlight->setTouchHandler([&screen] { screen.resetIdleTimer(); });
  windows.setTime(clockText());
  auto clock = loop.scheduledTimer(1.0, true, [&windows](foundation::Timer&) { windows.setTime(clockText()); });
  windows.homeScreen->homeScreen().setAppOpenHandler([&screen](const springboard::DockApp& app) {
    screen.resetIdleTimer();
    std::fprintf(stderr, "SpringBoard: opened %s\n", app.bundleIdentifier.c_str());
  });
  watcher->setChangeHandler([&watcher](const media::NowPlayingWatcher::Changes& changes) {
    springboard::tellMediaController(watcher->nowPlayingApplication(), changes);
  });

  std::int64_t orientation = 1;
  std::unique_ptr<springboard::ControlService> control;
  if (bus) {
    springboard::ControlHandlers handlers;
    handlers.dump = [] { return springboard::dumpWindows(); };
    handlers.state = [&screen, &orientation] {
      const char* display = std::getenv(hostcommon::kDisplayVariable);
      nlohmann::ordered_json state{{"locked", screen.isLocked()},
                                   {"screen", springboard::backlightName(screen.backlight())},
                                   {"orientation", orientation},
                                   {"autoLock", screen.autoLockSeconds()},
                                   {"display", display != nullptr ? display : ""}};
      return state.dump();
    };
    handlers.lock = [&screen, lockThroughRuntime] {
      screen.resetIdleTimer();
      lockThroughRuntime(kLockSourceButton);
    };
    handlers.unlock = [&screen] { screen.unlock(); };
    handlers.rotate = [&screen, &orientation](int code) {
      screen.resetIdleTimer();
      const std::int64_t from = orientation;
      orientation = code;
      ui::Device::current().setValue(foundation::Value(code), "orientation");
      runtime::send<void>(springboard::wallpaperController(),
                          "activeInterfaceOrientationDidChangeToOrientation:willAnimateWithDuration:fromOrientation:",
                          std::int64_t{code}, 0.3, from);
    };
    handlers.button = [&screen, &loop](const std::string& type) {
      screen.resetIdleTimer();
      springboard::DescribedObject event("UIPressesEvent", "<UIPressesEvent: 0x0; type=" + type + "; timestamp=" +
                                                               foundation::format("%.3f", loop.now()) + ">");
      runtime::send<void>(springboard::application(), "_handlePhysicalButtonEvent:",
                          static_cast<runtime::Object*>(&event));
    };
    std::string error;
    control = springboard::ControlService::create(bus, std::move(handlers), error);
    if (!control) logLine("cannot serve the control object: " + error);
  }

  // The floating window's line, announced with the monotonic time at which
  // the turn that set it had it on the screen (the X server holding the new
  // pixels) or, headless, at the end of that turn.
  springboard::LineAnnouncer announcer(
      loop,
      springboard::ControlService::announcer(control, logLine),
      [&xDisplay] {
        if (xDisplay) xDisplay->sync();
      });

  runtime::Object& app = springboard::application();
  runtime::send<void>(app, "applicationDidFinishLaunching:", &app);
  loop.run();
  clock->invalidate();
  return 0;
}
