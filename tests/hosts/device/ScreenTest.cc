// The device as a user sees and touches it: real SpringBoard with the
// library injected, a real music app, an Xvfb screen with a compositing
// manager, and touches made of pointer events injected into the X server
// (hoververse-ctl's own, and xdotool's), so they travel the real input path
// from the server through the window's process to its views. Every wait is
// a condition with a deadline.

#include <signal.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "DeviceFixture.h"
#include "foundation/UserDefaults.h"
#include "render/ImageCodec.h"

namespace {

using nlohmann::json;

// The view named `name` (or of class `cls`) in a dump, with its origin on the
// screen added as "origin" (the views on the way have no transforms).
std::optional<json> findView(const std::string& dump, const std::string& name, const std::string& cls = {},
                             const std::string& bundle = {}) {
  const json windows = json::parse(dump, nullptr, false);
  if (!windows.is_array()) return std::nullopt;
  struct Item {
    const json* view;
    double x, y;
  };
  std::vector<Item> pending;
  for (const json& window : windows) pending.push_back({&window, 0, 0});
  while (!pending.empty()) {
    const Item item = pending.back();
    pending.pop_back();
    const json& view = *item.view;
    const json frame = view.value("frame", json::array({0, 0, 0, 0}));
    const double x = item.x + frame[0].get<double>();
    const double y = item.y + frame[1].get<double>();
    const bool match = (!name.empty() && view.value("name", "") == name) ||
                       (!cls.empty() && view.value("class", "") == cls &&
                        (bundle.empty() || view.value("bundleIdentifier", "") == bundle));
    if (match) {
      json found = view;
      found["origin"] = {x, y};
      return found;
    }
    // A view's children are placed in its bounds, whose origin is 0 here.
    if (view.contains("subviews")) {
      for (const json& sub : view.at("subviews")) pending.push_back({&sub, x, y});
    }
  }
  return std::nullopt;
}

class ScreenTest : public RealProgramsFixture {
 protected:

  foundation::UserDefaults homeDefaults() const {
    return foundation::UserDefaults(root_ / "var/mobile/Library/Preferences/com.apple.springboard.plist");
  }
  // The preference pane's master switch, in the settings file.
  void setLyricsEnabled(bool on) {
    foundation::UserDefaults settings(root_ / "var/mobile/Library/Preferences/1");
    settings.setObject(foundation::Value(on ? "1" : "0"), "USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI");
    ASSERT_TRUE(settings.synchronize());
  }
  void startScreen() {
    const ProgramRun started = device({"start", "--scale", "1", "--auto-lock", "0"});
    ASSERT_EQ(started.code, 0) << started.err;
    ASSERT_FALSE(state()->display.empty());
  }
  std::string dump() { return ctl({"dump"}).out; }
  std::optional<json> window(const std::string& name) { return findView(dump(), name); }
  bool shown(const std::string& name, bool expected, double seconds = 10) {
    return eventually([&] {
      const auto found = window(name);
      return found && found->value("shown", !expected) == expected;
    }, seconds);
  }
  void playAndShow() {
    const ProgramRun played = ctl({"play", "com.netease.cloudmusic", "--song", "1"});
    ASSERT_EQ(played.code, 0) << played.err;
    ASSERT_TRUE(shown("lyricWindow", true, 20)) << dump() << logOf("SpringBoard");
  }
  // Centre of the floating window, in screen points.
  std::pair<double, double> floatingCentre() {
    const auto found = window("lyricWindow");
    if (!found) return {-1, -1};
    const json f = (*found)["screenFrame"];
    return {f[0].get<double>() + f[2].get<double>() / 2, f[1].get<double>() + f[3].get<double>() / 2};
  }
  static std::string number(double v) { return std::to_string(static_cast<int>(v)); }
};

TEST_F(ScreenTest, FloatingWindowShowsOnlyWithTheSwitchOnAndAnAppPlayingAndPauseHidesIt) {
  setLyricsEnabled(false);
  startScreen();
  ASSERT_TRUE(eventually([&] { return window("lyricWindow").has_value(); }, 20)) << logOf("SpringBoard");
  const ProgramRun played = ctl({"play", "com.netease.cloudmusic", "--song", "1"});
  ASSERT_EQ(played.code, 0) << played.err;
  // The line arrives while the switch is off; the window stays away.
  ASSERT_EQ(ctl({"wait-line", "Lanterns on the water", "--timeout", "0"}).code, 1);
  ASSERT_TRUE(eventually([&] { return dump().find("\"text\": \"Lanterns on the water\"") != std::string::npos; }, 20));
  EXPECT_FALSE(window("lyricWindow")->value("shown", true));

  setLyricsEnabled(true);
  EXPECT_EQ(ctl({"wait-line", "Lanterns on the water", "--timeout", "10"}).code, 0) << dump();
  // On the screen: the composited root changes where it was once it is gone.
  const json frame = (*window("lyricWindow"))["screenFrame"];
  const std::filesystem::path shownShot = dir_ / "shown.png";
  const std::filesystem::path hiddenShot = dir_ / "hidden.png";
  ASSERT_EQ(ctl({"screenshot", shownShot.string()}).code, 0);

  ASSERT_EQ(ctl({"pause"}).code, 0);
  EXPECT_TRUE(shown("lyricWindow", false)) << dump();
  auto differing = [&] {
    const auto a = render::readPNG(shownShot.string());
    const auto b = render::readPNG(hiddenShot.string());
    if (!a || !b || a->width() != b->width() || a->height() != b->height()) return 0;
    int count = 0;
    for (int y = frame[1].get<int>(); y < frame[1].get<int>() + frame[3].get<int>() && y < a->height(); ++y) {
      for (int x = frame[0].get<int>(); x < frame[0].get<int>() + frame[2].get<int>() && x < a->width(); ++x) {
        count += a->pixelAt(x, y) != b->pixelAt(x, y) ? 1 : 0;
      }
    }
    return count;
  };
  // The window's new frame reaches the server at the end of a turn.
  EXPECT_TRUE(eventually([&] {
    return ctl({"screenshot", hiddenShot.string()}).code == 0 && differing() > 500;
  })) << differing();
  ASSERT_EQ(ctl({"resume"}).code, 0);
  EXPECT_TRUE(shown("lyricWindow", true)) << dump();
  setLyricsEnabled(false);
  EXPECT_TRUE(shown("lyricWindow", false)) << dump();
}

TEST_F(ScreenTest, DragMovesTheWindowStoresItRestartPutsItBackAndTheStatusBarClampsIt) {
  setLyricsEnabled(true);
  startScreen();
  playAndShow();
  const auto [x, y] = floatingCentre();
  ASSERT_EQ(ctl({"drag", number(x), number(y), number(x), number(y + 200), "0.5"}).code, 0);
  auto movedTo = [&](double top) {
    const auto found = window("lyricWindow");
    return found && std::abs((*found)["screenFrame"][1].get<double>() - top) < 3;
  };
  const double top = y - 20 + 200;
  ASSERT_TRUE(eventually([&] { return movedTo(top); })) << dump();
  const foundation::Value value = homeDefaults().objectForKey("USERKEY_13_Y");
  const std::string stored = value.text() != nullptr ? *value.text() : "";
  EXPECT_NEAR(std::atof(stored.c_str()), top, 3) << stored;

  const pid_t springBoard = pidOf("SpringBoard");
  ASSERT_EQ(::kill(springBoard, SIGKILL), 0);
  ASSERT_TRUE(eventually([&] { return pidOf("SpringBoard") > 0 && pidOf("SpringBoard") != springBoard; }, 5));
  EXPECT_TRUE(eventually([&] { return movedTo(top) && window("lyricWindow")->value("shown", false); }, 20)) << dump();

  // Dragged above the screen's top, the window stays below the tall status
  // bar, and that is the position stored.
  const auto [x2, y2] = floatingCentre();
  ASSERT_EQ(ctl({"drag", number(x2), number(y2), number(x2), "2", "0.5"}).code, 0);
  ASSERT_TRUE(eventually([&] { return movedTo(30); })) << dump();
  EXPECT_TRUE(eventually([&] {
    const foundation::Value storedY = homeDefaults().objectForKey("USERKEY_13_Y");
    return storedY.text() != nullptr && *storedY.text() == "30.000000";
  })) << foundation::describe(homeDefaults().objectForKey("USERKEY_13_Y"));
}

TEST_F(ScreenTest, TapsOpenAndCloseThePanelAndRotationTurnsBothWindows) {
  setLyricsEnabled(true);
  startScreen();
  playAndShow();
  const auto [x, y] = floatingCentre();
  ASSERT_EQ(ctl({"tap", number(x), number(y)}).code, 0);
  EXPECT_TRUE(shown("settingWindow", true)) << dump();
  ASSERT_EQ(ctl({"tap", number(x), number(y)}).code, 0);
  EXPECT_TRUE(shown("settingWindow", false)) << dump();

  // A quarter turn: both windows carry it, the floating one stands on end.
  ASSERT_EQ(ctl({"rotate", "3"}).code, 0);
  auto turned = [&](const std::string& name, bool quarter) {
    const auto found = window(name);
    if (!found) return false;
    // Back upright, the turns may leave a rounding residue.
    const json t = found->value("transform", json::array({1, 0, 0, 1, 0, 0}));
    const double a = t[0].get<double>();
    const double b = t[1].get<double>();
    return quarter ? std::abs(a) < 1e-6 && std::abs(std::abs(b) - 1) < 1e-6
                   : std::abs(a - 1) < 1e-6 && std::abs(b) < 1e-6;
  };
  EXPECT_TRUE(eventually([&] { return turned("lyricWindow", true) && turned("settingWindow", true); })) << dump();
  const json frame = (*window("lyricWindow"))["screenFrame"];
  EXPECT_GT(frame[3].get<double>(), frame[2].get<double>());
  ASSERT_EQ(ctl({"rotate", "1"}).code, 0);
  EXPECT_TRUE(eventually([&] { return turned("lyricWindow", false) && turned("settingWindow", false); })) << dump();
  EXPECT_EQ(ctl({"rotate", "5"}).code, 2);
}

TEST_F(ScreenTest, LockingTogglesTheAlwaysOnWindowAndADoubleTapOrTheButtonPutsItAway) {
  setLyricsEnabled(true);
  foundation::UserDefaults defaults = homeDefaults();
  defaults.setObject(foundation::Value("1"), "USERKEY_13_alwaysOn");
  defaults.setObject(foundation::Value("1"), "USERKEY_13_alwaysOnDoubleTapGes");
  ASSERT_TRUE(defaults.synchronize());
  startScreen();
  playAndShow();

  ASSERT_EQ(ctl({"lock"}).code, 0);
  EXPECT_TRUE(shown("fullScreenWindow", true)) << dump();
  EXPECT_TRUE(shown("lyricWindow", false)) << dump();
  // The lock turned the screen off; the library woke it to show the window.
  EXPECT_TRUE(eventually([&] {
    const json s = json::parse(ctl({"state"}).out, nullptr, false);
    return s.is_object() && s.value("locked", false) && s.value("screen", "") == "on";
  })) << ctl({"state"}).out;

  ASSERT_EQ(ctl({"lock"}).code, 0);
  EXPECT_TRUE(shown("fullScreenWindow", false)) << dump();
  EXPECT_TRUE(shown("lyricWindow", true)) << dump();

  // A double tap on the always-on window, through the X server.
  ASSERT_EQ(ctl({"lock"}).code, 0);
  ASSERT_TRUE(shown("fullScreenWindow", true)) << dump();
  const ProgramRun tapped = ctl({"doubletap", "187", "406"});
  ASSERT_EQ(tapped.code, 0) << tapped.err;
  EXPECT_TRUE(shown("fullScreenWindow", false)) << dump();

  // This model's button token puts it away; another button's does not.
  ASSERT_EQ(ctl({"lock"}).code, 0);
  ASSERT_TRUE(shown("fullScreenWindow", true)) << dump();
  // The control call returns once SpringBoard has handled the event.
  ASSERT_EQ(ctl({"button", "105"}).code, 0);
  EXPECT_TRUE(findView(dump(), "fullScreenWindow").value_or(json{}).value("shown", false)) << dump();
  ASSERT_EQ(ctl({"button", "101"}).code, 0);
  EXPECT_TRUE(shown("fullScreenWindow", false)) << dump();
}

TEST_F(ScreenTest, AClickThroughTheTransparentPanelReachesTheHomeScreen) {
  setLyricsEnabled(true);
  startScreen();
  playAndShow();
  // The panel covers the whole screen above the home screen, fully
  // transparent until a tap opens it.
  const auto panel = window("settingWindow");
  ASSERT_TRUE(panel && !panel->value("shown", true));
  const auto icon = findView(dump(), "", "SBIconView", "com.tencent.QQMusic");
  ASSERT_TRUE(icon) << dump();
  const json frame = (*icon)["frame"];
  const double x = (*icon)["origin"][0].get<double>() + frame[2].get<double>() / 2;
  const double y = (*icon)["origin"][1].get<double>() + frame[3].get<double>() / 2;
  EXPECT_EQ(icon->value("launches", -1), 0);

  ::setenv("DISPLAY", state()->display.c_str(), 1);
  const ProgramRun clicked = run("xdotool", {"mousemove", number(x), number(y), "click", "1"});
  ::unsetenv("DISPLAY");
  ASSERT_EQ(clicked.code, 0) << clicked.err;
  EXPECT_TRUE(eventually([&] {
    const auto now = findView(dump(), "", "SBIconView", "com.tencent.QQMusic");
    return now && now->value("launches", 0) == 1;
  })) << dump();
  EXPECT_TRUE(logHas("SpringBoard", "opened com.tencent.QQMusic"));
}

}  // namespace
