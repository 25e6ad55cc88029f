// The home screen's own windows as a user sees them, on the offscreen
// display and the virtual clock: the home screen with its dock, dimming and
// locking when left alone, the lock screen under what the screenshots window
// holds, and touches that reach the dock only while unlocked.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "DeviceScreen.h"
#include "HostWindows.h"
#include "TestFonts.h"
#include "display/OffscreenDisplay.h"
#include "foundation/RunLoop.h"
#include "ui/Application.h"
#include "ui/TreeDump.h"

namespace {

struct Rgb {
  int r, g, b;
};

Rgb pixel(const display::OffscreenDisplay& screen, double x, double y) {
  const std::uint32_t p = screen.screenImage()->pixelAt(static_cast<int>(x), static_cast<int>(y));
  return {static_cast<int>((p >> 16) & 0xff), static_cast<int>((p >> 8) & 0xff), static_cast<int>(p & 0xff)};
}

std::vector<std::string> drawnClasses(const display::OffscreenDisplay& screen) {
  std::vector<std::string> out;
  for (const ui::Window* window : screen.windowsDrawn()) out.push_back(window->className());
  return out;
}

class HomeScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    foundation::RunLoop::useVirtualClock(0);
    ui::Application::shared().reset();
  }
};

TEST_F(HomeScreenTest, HomeDimsLocksAndWakesUnderTheAlwaysOnWindow) {
  const springboard::Profile& profile = *springboard::findProfile("iphone-8");
  foundation::RunLoop& loop = foundation::RunLoop::main();
  springboard::HostWindows windows(profile, springboard::installedMusicApps());
  int lockRequests = 0;
  springboard::DeviceScreen screen(loop, 30, [&] {
    ++lockRequests;
    screen.didLock();  // as the host's lock does, after any replacement
  });
  windows.show(screen);
  screen.setChangeHandler([&] { windows.show(screen); });
  windows.setTime("12:34");
  display::OffscreenDisplay display({profile.screenWidth, profile.screenHeight}, 1);

  // Home: the wallpaper runs from blue at the top to warm at the bottom, the
  // dock holds every music app, the status bar the time.
  ASSERT_TRUE(display.renderFrame());
  EXPECT_EQ(drawnClasses(display), (std::vector<std::string>{"SBHomeScreenWindow", "SSScreenshotsWindow", "SBBacklightWindow"}));
  const Rgb top = pixel(display, 300, 60);
  const Rgb bottom = pixel(display, 5, profile.screenHeight - 5);
  EXPECT_GT(top.b, top.r);
  EXPECT_GT(bottom.r, bottom.b);
  const std::string home = ui::treeJson(*windows.homeScreen);
  EXPECT_NE(home.find("\"text\": \"12:34\""), std::string::npos);
  const auto& icons = windows.homeScreen->homeScreen().icons();
  ASSERT_EQ(icons.size(), 6u);
  EXPECT_NE(home.find("\"text\": \"网易云音乐\""), std::string::npos);
  // Icons are opaque coloured squares: the first is red.
  const ui::Rect first = icons[0]->convertRect(icons[0]->bounds(), nullptr);
  const Rgb icon = pixel(display, first.x() + first.width() / 2, first.y() + 4);
  EXPECT_GT(icon.r, 180);
  EXPECT_LT(icon.g, 90);

  // A tap on an icon opens its app; the backlight saw the touch begin.
  int touches = 0;
  windows.backlight->setTouchHandler([&] { ++touches; });
  std::vector<std::string> opened;
  windows.homeScreen->homeScreen().setAppOpenHandler([&](const springboard::DockApp& app) {
    opened.push_back(app.bundleIdentifier);
  });
  EXPECT_TRUE(display.tap({first.x() + first.width() / 2, first.y() + first.height() / 2}));
  EXPECT_EQ(opened, std::vector<std::string>{icons[0]->app().bundleIdentifier});
  EXPECT_EQ(icons[0]->launches(), 1);
  EXPECT_EQ(touches, 1);

  // Left alone, the screen dims 5 s before it locks; a reset lights it and
  // starts the timeout again.
  loop.advance(25.5);
  EXPECT_EQ(screen.backlight(), springboard::Backlight::dimmed);
  ASSERT_TRUE(display.renderFrame());
  EXPECT_NEAR(pixel(display, 300, 60).b, top.b / 2, 3);
  screen.resetIdleTimer();
  loop.advance(29);
  EXPECT_EQ(lockRequests, 0);
  EXPECT_FALSE(screen.isLocked());
  loop.advance(1.5);
  EXPECT_EQ(lockRequests, 1);
  EXPECT_TRUE(screen.isLocked());
  ASSERT_TRUE(display.renderFrame());
  const Rgb dark = pixel(display, 300, 60);
  EXPECT_EQ(dark.r + dark.g + dark.b, 0);

  // Woken, the lock screen shows over the home screen, and what the
  // screenshots window holds (the always-on window) over the lock screen.
  auto alwaysOn = std::make_shared<ui::View>(ui::Rect{0, 400, profile.screenWidth, 100});
  alwaysOn->setBackgroundColor(ui::Color::colorWithRed(0, 1, 0, 1));
  windows.screenshots->addSubview(alwaysOn);
  screen.wake();
  ASSERT_TRUE(display.renderFrame());
  EXPECT_EQ(drawnClasses(display),
            (std::vector<std::string>{"SBHomeScreenWindow", "SBCoverSheetWindow", "SSScreenshotsWindow",
                                      "SBBacklightWindow"}));
  const Rgb lock = pixel(display, 5, 300);
  EXPECT_LT(lock.r + lock.g + lock.b, 60);
  EXPECT_EQ(pixel(display, 100, 450).g, 255);
  EXPECT_NE(ui::treeJson(*windows.lockScreen).find("\"text\": \"12:34\""), std::string::npos);
  // The lock screen takes the touch that would have opened an app.
  display.tap({first.x() + first.width() / 2, first.y() + first.height() / 2});
  EXPECT_EQ(icons[0]->launches(), 1);

  // Locked and lit, idleness darkens the screen but asks for no new lock.
  loop.advance(31);
  EXPECT_EQ(screen.backlight(), springboard::Backlight::off);
  EXPECT_EQ(lockRequests, 1);
  screen.unlock();
  ASSERT_TRUE(display.renderFrame());
  EXPECT_EQ(drawnClasses(display),
            (std::vector<std::string>{"SBHomeScreenWindow", "SSScreenshotsWindow", "SBBacklightWindow"}));
  alwaysOn->removeFromSuperview();
}

TEST_F(HomeScreenTest, DumpGivesEveryWindowItsPlaceOnScreenAndWhetherItIsShown) {
  const springboard::Profile& profile = *springboard::findProfile("iphone-x");
  springboard::HostWindows windows(profile, springboard::installedMusicApps());
  auto held = std::make_shared<ui::Window>(ui::Rect{0, 0, 375, 812});
  held->setHidden(false);
  held->setAlpha(0.5);
  windows.screenshots->addSubview(held);
  windows.screenshots->setFrame({10, 20, 375, 812});
  const std::string dump = springboard::dumpWindows();
  // Top-level windows back to front, then the window held in another.
  EXPECT_NE(dump.find("\"level\": 0, \"screenFrame\": [0, 0, 375, 812], \"shown\": true"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\"level\": 1500, \"screenFrame\": [0, 0, 375, 812], \"shown\": false"), std::string::npos);
  EXPECT_NE(dump.find("\"alpha\": 0.5, \"hidden\": false"), std::string::npos);
  EXPECT_NE(dump.find("\"screenFrame\": [10, 20, 375, 812], \"shown\": true}]"), std::string::npos);
  windows.screenshots->setAlpha(0);
  const std::string hidden = springboard::dumpWindows();
  EXPECT_EQ(hidden.find("\"shown\": true}]"), std::string::npos);
  EXPECT_LT(dump.find("SBHomeScreenWindow"), dump.find("SBCoverSheetWindow"));
  EXPECT_LT(dump.find("SBCoverSheetWindow"), dump.find("SSScreenshotsWindow"));
}

}  // namespace
