// hoververse-settings: the Settings app of the device ("Preferences"). It
// installs the preference bundle it was built with into the device root,
// lists the root's preference entries and, for an entry, loads its bundle
// with dlopen and pushes the controller it names. The page reads and writes
// the same settings file as the home screen, under the same root.
//
// hoververse-settings [--open LABEL] [--tap X,Y]... [--dump]
//   --open taps the entry's row; each --tap is one touch at screen point
//   (X, Y), in order, with time to settle after each; --dump prints the
//   window's view tree as JSON and exits (else the app runs until ended).

#include <sys/prctl.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "BundleShelf.h"
#include "SettingsRootController.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "hostcommon/DeviceBus.h"
#include "hostcommon/DeviceProfile.h"
#include "quartz/Transaction.h"
#include "ui/Application.h"
#include "ui/Device.h"
#include "ui/NavigationController.h"
#include "ui/Screen.h"
#include "ui/TreeDump.h"
#include "ui/Window.h"

namespace {

constexpr const char* kBundleIdentifier = "com.apple.Preferences";
constexpr const char* kBundleVariable = "HOVERVERSE_PREFS_BUNDLE";

// The bundle this program was built with; once installed, the one in the
// installed library folder beside the programs' folder.
std::string builtBundleFolder() {
  std::error_code ec;
  if (std::filesystem::is_directory(HV_PREFS_BUNDLE_DIR, ec)) return HV_PREFS_BUNDLE_DIR;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return HV_PREFS_BUNDLE_DIR;
  return (self.parent_path() / "../lib/hoververse/hoverversebundle.bundle").lexically_normal().string();
}
// Real time given to each step (a push slides for 0.35 s, the page builds
// 0.02 s after it is asked).
constexpr double kSettle = 0.6;

void logLine(const std::string& text) {
  foundation::logError("Preferences", "main.cc", __LINE__, "ERROR", foundation::Value(text));
}

int usage(const char* program) {
  std::fprintf(stderr, "usage: %s [--open LABEL] [--tap X,Y]... [--dump]\n", program);
  return 2;
}

std::optional<ui::Point> parsePoint(std::string_view text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  double x = 0, y = 0;
  const auto rx = std::from_chars(text.data(), text.data() + comma, x);
  const auto ry = std::from_chars(text.data() + comma + 1, text.data() + text.size(), y);
  if (rx.ec != std::errc() || rx.ptr != text.data() + comma || ry.ec != std::errc() ||
      ry.ptr != text.data() + text.size())
    return std::nullopt;
  return ui::Point{x, y};
}

void settle(double seconds) {
  foundation::RunLoop::main().runFor(seconds);
  quartz::Transaction::flush();
}

void tap(ui::Point p) {
  ui::Application::shared().sendTouch(ui::TouchPhase::Began, p);
  settle(0.05);
  ui::Application::shared().sendTouch(ui::TouchPhase::Ended, p);
  settle(kSettle);
}

void applyProfile() {
  const char* name = std::getenv(hostcommon::kProfileVariable);
  const hostcommon::DeviceProfile* profile = hostcommon::findProfile(name != nullptr ? name : hostcommon::kDefaultProfileName);
  if (profile == nullptr) profile = hostcommon::findProfile(hostcommon::kDefaultProfileName);
  ui::Screen::main().setBounds({0, 0, profile->screenWidth, profile->screenHeight});
  ui::Device& device = ui::Device::current();
  device.setUserInterfaceIdiom(profile->idiom == hostcommon::Idiom::pad ? ui::UserInterfaceIdiom::Pad
                                                                        : ui::UserInterfaceIdiom::Phone);
  device.setModel(std::string(profile->hardwareModel));
  device.setSystemVersion(std::string(profile->systemVersion));
  ui::Application::shared().setStatusBarFrame({0, 0, profile->screenWidth, profile->statusBarHeight});
}

}  // namespace

int main(int argc, char** argv) {
  std::string open;
  std::vector<ui::Point> taps;
  bool dump = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--dump") {
      dump = true;
    } else if (arg == "--open" && i + 1 < argc) {
      open = argv[++i];
    } else if (arg == "--tap" && i + 1 < argc) {
      auto p = parsePoint(argv[++i]);
      if (!p) return usage(argv[0]);
      taps.push_back(*p);
    } else {
      return usage(argv[0]);
    }
  }
  ::prctl(PR_SET_NAME, "Preferences", 0, 0, 0);
  foundation::ProcessInfo::setBundleIdentifier(kBundleIdentifier);
  applyProfile();

  // The newest build of the bundle goes into the root, as the device puts
  // the newest tweak there.
  const char* chosen = std::getenv(kBundleVariable);
  const std::string from = chosen != nullptr && *chosen != '\0' ? chosen : builtBundleFolder();
  std::string error;
  if (!settingsapp::installBundle(from, "hoverversebundle", error)) logLine(error);

  auto root = std::make_shared<settingsapp::SettingsRootController>(settingsapp::installedEntries());
  auto nav = ui::NavigationController::initWithRootViewController(root);
  auto window = std::make_shared<ui::Window>(ui::Screen::main().bounds());
  window->setRootViewController(nav);
  window->makeKeyAndVisible();
  settle(0);

  if (!open.empty()) {
    const std::optional<ui::IndexPath> row = root->rowOf(open);
    if (!row) {
      logLine("no entry labelled \"" + open + "\"");
    } else {
      ui::TableView& table = *root->table();
      const ui::Rect rect = table.rectForRowAtIndexPath(*row);
      tap(table.convertPoint({rect.midX(), rect.midY()}, nullptr));
    }
  }
  for (const ui::Point& p : taps) tap(p);
  if (dump) {
    settle(kSettle);
    std::cout << ui::treeJson(*window) << std::endl;
    return 0;
  }
  foundation::RunLoop::main().run();
  return 0;
}
