// The home screen with the library's hooks installed, played in-process on a
// virtual clock: the host's classes and windows, the launch and start-up,
// the message handler, the refresh pass, rotation, the hardware button,
// locking and the track change.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "HostClasses.h"
#include "HostWindows.h"
#include "Profile.h"
#include "TempDeviceRoot.h"
#include "Tweak/HomeScreen.h"
#include "alwayson/FullScreenWindow.h"
#include "floating/MMLyricSuperWindow.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "lyric/LyricManager.h"
#include "media/AudioSession.h"
#include "panel/LyricSettingWindow.h"
#include "runtime/Message.h"
#include "settings/MMLocalSettingManager.h"
#include "ui/Application.h"
#include "ui/Screen.h"
#include "ui/Device.h"

namespace {

using foundation::Value;

// What the host's own implementations were asked to do.
struct HostLog {
  std::vector<std::int64_t> trackChanges;
  int idleResets = 0;
  int wakes = 0;
  int locks = 0;
};
HostLog hostLog;

// The host, registered once per process with the hooks installed over it.
class HomeScreenEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    foundation::RunLoop::useVirtualClock(0);
    springboard::applyProfile(*springboard::findProfile("iphone-x"));
    springboard::HostActions actions;
    actions.changeTrack = [](std::int64_t step) {
      hostLog.trackChanges.push_back(step);
      return true;
    };
    actions.resetIdleTimer = [] { ++hostLog.idleResets; };
    actions.wakeScreen = [] { ++hostLog.wakes; };
    actions.didLock = [] { ++hostLog.locks; };
    springboard::registerHostClasses(std::move(actions));
    foundation::clearLoggedLines();
    installHooks();
    nilClassLines = foundation::loggedLines();
  }
  static std::vector<std::string> nilClassLines;
};
std::vector<std::string> HomeScreenEnvironment::nilClassLines;
const auto* const environment = ::testing::AddGlobalTestEnvironment(new HomeScreenEnvironment);

// The angles are single-precision, so quarter turns are not exact.
void expectNear(const ui::Rect& actual, const ui::Rect& expected) {
  EXPECT_NEAR(actual.x(), expected.x(), 1e-4);
  EXPECT_NEAR(actual.y(), expected.y(), 1e-4);
  EXPECT_NEAR(actual.width(), expected.width(), 1e-4);
  EXPECT_NEAR(actual.height(), expected.height(), 1e-4);
}

class HomeScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    foundation::RunLoop::useVirtualClock(0);
    foundation::UserDefaults::resetStandardUserDefaults();
    resetHomeScreen();
    hostLog = HostLog{};
    media::AudioSession::sharedInstance().setCurrentOutput("Speaker");
    ui::Device::current().setModel("iPhone10,3");
    windows_ = std::make_unique<springboard::HostWindows>(*springboard::findProfile("iphone-x"), std::vector<springboard::DockApp>{});
  }
  void TearDown() override {
    resetHomeScreen();
    windows_.reset();
    foundation::UserDefaults::resetStandardUserDefaults();
  }

  // Launch as the host does, then let the 10 ms start-up block run.
  HomeScreenState& launch() {
    runtime::Object& app = springboard::application();
    runtime::send<void>(app, "applicationDidFinishLaunching:", &app);
    advance(0.011);
    return homeScreen();
  }
  static void advance(double seconds) { foundation::RunLoop::main().advance(seconds); }
  static foundation::UserDefaults& defaults() { return foundation::UserDefaults::standardUserDefaults(); }
  static void message(const std::string& bundle, const std::string& lyricText) {
    runtime::send<void>(springboard::application(), "handleMessage:withUserInfo:", std::string("hoververseNoti"),
                        Value(foundation::Dictionary{{"lyric", Value(lyricText)}, {"bundleId", Value(bundle)}}));
  }
  // Enables the display and reports a playing supported app.
  static void playing(HomeScreenState& s) {
    MMLocalSettingManager::shared().saveValue(Value("1"), "USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI");
    s.isMusicApp = true;
    s.isPaused = false;
  }

  hvtest::TempDeviceRoot root_;
  std::unique_ptr<springboard::HostWindows> windows_;
};

TEST_F(HomeScreenTest, AProcessWithoutTheHomeScreenClassesLogsOneLinePerReplacement) {
  // This process has them all: no line. (The music app's six lines are
  // checked against the real program.)
  EXPECT_EQ(HomeScreenEnvironment::nilClassLines, std::vector<std::string>{});
}

TEST_F(HomeScreenTest, StartUpCreatesTheThreeWindowsFromTheStoredGeometry) {
  defaults().setObject(Value("(null)"), "USERKEY_13_X");
  defaults().setObject(Value("0"), "CCBundle_UserDefaults_Narv_Switch");
  defaults().setObject(Value("round"), "USERKEY_13_corner");
  HomeScreenState& s = launch();
  ASSERT_TRUE(s.isStarted);
  EXPECT_EQ(defaults().objectForKey("USERKEY_13_X"), Value("20"));
  EXPECT_EQ(defaults().objectForKey("USERKEY_13_Y"), Value("80"));
  EXPECT_EQ(defaults().objectForKey("USERKEY_13_width"), Value("0.8"));
  EXPECT_EQ(defaults().objectForKey("USERKEY_13_height"), Value("40"));
  EXPECT_EQ(defaults().objectForKey("CCBundle_UserDefaults_Narv_Switch"), Value("0"));
  // Settings are single-precision: the width is 375 x 0.8F.
  EXPECT_EQ(s.lyricWindow->frame(), ui::Rect(20, 80, 375 * static_cast<double>(0.8F), 40));
  EXPECT_EQ(s.lyricWindow->lyric(), "等待歌词...");
  EXPECT_EQ(s.lyricWindow->layer()->cornerRadius(), 0);
  EXPECT_EQ(s.lyricWindow->alpha(), 0);
  EXPECT_EQ(s.settingWindow->frame(), ui::Rect(0, 0, 375, 812));
  EXPECT_EQ(s.settingWindow->windowLevel(), ui::WindowLevel::alert);
  EXPECT_EQ(s.settingWindow->alpha(), 0);
  EXPECT_TRUE(s.hasTallStatusBar);
  EXPECT_EQ(s.screenshotsWindow, windows_->screenshots.get());
  EXPECT_EQ(s.fullScreenWindow->superview(), windows_->screenshots.get());
  EXPECT_EQ(s.fullScreenWindow->frame(), ui::Rect(0, 0, 375, 812));
  EXPECT_TRUE(s.fullScreenWindow->isHidden());
  // System 13 and later: the floating window is made key last.
  EXPECT_EQ(ui::Application::shared().keyWindow(), s.lyricWindow.get());
  EXPECT_EQ(s.lyricWindow->gestureRecognizers().size(), 3u);
  ASSERT_TRUE(s.springBoardTimer);
  EXPECT_DOUBLE_EQ(s.springBoardTimer->interval(), 0.25);
}

TEST_F(HomeScreenTest, ALineReachesTheWindowsOnceAndTheAlwaysOnWindowOnlyWhenShown) {
  HomeScreenState& s = launch();
  const std::string netease = "{\n    artist = Band;\n    albumTitle = \"\\U98ce\\U5439\\U8fc7\";\n    title = Song;\n}";
  message("com.netease.cloudmusic", netease);
  EXPECT_EQ(s.lyricWindow->lyric(), "风吹过");
  const ui::View* shown = s.lyricWindow->subviews().empty() ? nullptr : s.lyricWindow->subviews().back().get();
  message("com.netease.cloudmusic", netease);  // the same line: nothing is laid out again
  EXPECT_EQ(s.lyricWindow->subviews().empty() ? nullptr : s.lyricWindow->subviews().back().get(), shown);
  EXPECT_EQ(s.fullScreenWindow->label()->text(), "");

  s.fullScreenWindow->setHidden(false);
  message("com.netease.cloudmusic", "{\n    artist = Band;\n    albumTitle = \"second line\";\n}");
  EXPECT_EQ(s.lyricWindow->lyric(), "second line");
  EXPECT_EQ(s.fullScreenWindow->label()->text(), "second line");
}

TEST_F(HomeScreenTest, MediaControllerNotificationsSetThePausedAndMusicAppFlags) {
  HomeScreenState& s = launch();
  struct Case {
    const char* text;
    bool paused;
  };
  for (const Case& c : {Case{"{ kMRMediaRemoteNowPlayingApplicationIsPlayingUserInfoKey = 1; }", false},
                        Case{"{ kMRMediaRemoteNowPlayingApplicationIsPlayingUserInfoKey = 0; }", true},
                        Case{"(null)", true}}) {
    springboard::DescribedObject note("NSConcreteNotification", c.text);
    runtime::send<void>(springboard::mediaController(), "_mediaRemoteNowPlayingApplicationIsPlayingDidChange:",
                        static_cast<runtime::Object*>(&note));
    EXPECT_EQ(s.isPaused, c.paused) << c.text;
  }
  for (const auto& [text, musicApp] : std::vector<std::pair<std::string, bool>>{
           {"{ displayID = com.kugou.kugou1002; }", true}, {"{ displayID = com.example.radio; }", false}}) {
    springboard::DescribedObject note("NSConcreteNotification", text);
    runtime::send<void>(springboard::mediaController(), "_mediaRemoteNowPlayingInfoDidChange:",
                        static_cast<runtime::Object*>(&note));
    EXPECT_EQ(s.isMusicApp, musicApp) << text;
  }
}

TEST_F(HomeScreenTest, TrackChangeRequestsGoToTheMediaController) {
  launch();
  for (const char* object : {"1", "-1", "0"})
    foundation::NotificationCenter::defaultCenter().post("Noti_MediaTrack_Changed", Value(object));
  foundation::NotificationCenter::defaultCenter().post("Noti_MediaTrack_Changed");
  EXPECT_EQ(hostLog.trackChanges, (std::vector<std::int64_t>{1, -1, -1, -1}));
}

TEST_F(HomeScreenTest, TheRefreshPassShowsHidesAndClampsTheFloatingWindow) {
  HomeScreenState& s = launch();
  advance(0.25);
  EXPECT_EQ(s.lyricWindow->alpha(), 0);  // display switch off
  playing(s);
  struct Case {
    const char* x;
    const char* y;
    bool tallStatusBar;
    const char* storedX;
    const char* storedY;
  };
  // The window is 375 x 0.8F = 300.0000045 wide, so x = 375 - that.
  for (const Case& c : {Case{"350", "10", true, "74.999996", "30.000000"},
                        Case{"-4", "-5", false, "0.000000", "0.000000"},
                        Case{"10", "900", true, "10.000000", "772.000000"}}) {
    s.hasTallStatusBar = c.tallStatusBar;
    defaults().setObject(Value(c.x), "USERKEY_13_X");
    defaults().setObject(Value(c.y), "USERKEY_13_Y");
    advance(0.25);
    EXPECT_EQ(s.lyricWindow->alpha(), 1);
    EXPECT_EQ(defaults().objectForKey("USERKEY_13_X"), Value(c.storedX)) << c.x;
    EXPECT_EQ(defaults().objectForKey("USERKEY_13_Y"), Value(c.storedY)) << c.y;
    advance(0.25);  // the clamped position is applied by the next pass
    EXPECT_NEAR(s.lyricWindow->frame().origin.x, std::stod(c.storedX), 1e-5);
    EXPECT_NEAR(s.lyricWindow->frame().origin.y, std::stod(c.storedY), 1e-5);
  }
  s.isPaused = true;
  s.settingWindow->setAlpha(1);
  advance(0.25);
  EXPECT_EQ(s.lyricWindow->alpha(), 0);
  EXPECT_EQ(s.settingWindow->alpha(), 0);
}

// A desktop's screen is a monitor, which can change size. The size read at
// start-up holds until the host says the screen changed; then the panel
// covers the new screen and the refresh tick lays the floating window out
// on it (its width a share of the new width) and keeps it within.
TEST_F(HomeScreenTest, AScreenOfAnotherSizeIsReadAgainWhenItsHostSaysSo) {
  const auto within = [](const ui::Rect& f, const ui::Rect& screen) {
    return f.x() >= -1e-4 && f.y() >= -1e-4 && f.maxX() <= screen.maxX() + 1e-4 && f.maxY() <= screen.maxY() + 1e-4;
  };
  HomeScreenState& s = launch();
  playing(s);
  const ui::Rect startUp = ui::Screen::main().bounds();
  defaults().setObject(Value("300"), "USERKEY_13_X");
  defaults().setObject(Value("700"), "USERKEY_13_Y");
  advance(0.5);
  ASSERT_TRUE(within(s.lyricWindow->frame(), startUp));

  const ui::Rect smaller{0, 0, 320, 240};
  ui::Screen::main().setBounds(smaller);
  advance(0.5);
  EXPECT_EQ(s.screenWidth, startUp.width());  // not told: the start-up size holds
  foundation::NotificationCenter::defaultCenter().post(ui::kScreenModeDidChangeNotification);
  EXPECT_EQ(s.settingWindow->frame(), smaller);
  advance(0.5);  // one tick stores the clamped position, the next applies it
  const ui::Rect f = s.lyricWindow->frame();
  EXPECT_NEAR(f.width(), 320 * 0.8, 1e-4);
  EXPECT_TRUE(within(f, smaller)) << f.x() << "," << f.y() << " " << f.width() << "x" << f.height();
  EXPECT_NEAR(f.maxY(), 240, 1e-4);
  ui::Screen::main().setBounds(startUp);
}

TEST_F(HomeScreenTest, RotationTurnsBothWindowsFromTheLastOrientation) {
  HomeScreenState& s = launch();
  auto rotate = [](std::int64_t to) {
    runtime::send<void>(springboard::wallpaperController(),
                        "activeInterfaceOrientationDidChangeToOrientation:willAnimateWithDuration:fromOrientation:",
                        to, 0.3, std::int64_t{1});
  };
  rotate(3);
  EXPECT_FLOAT_EQ(s.rotationAngle, 1.5707964F);
  EXPECT_EQ(s.currentOrientation, 3);
  expectNear(s.settingWindow->frame(), ui::Rect(0, 0, 375, 406));
  EXPECT_TRUE(s.lyricWindow->isHP());
  rotate(1);
  EXPECT_FLOAT_EQ(s.rotationAngle, -1.5707964F);
  expectNear(s.settingWindow->frame(), ui::Rect(0, 0, 375, 812));
  EXPECT_FALSE(s.lyricWindow->isHP());
  EXPECT_NEAR(s.lyricWindow->transform().b, 0, 1e-6);  // back to no turn
}

TEST_F(HomeScreenTest, LockingTogglesTheAlwaysOnWindowAndWakesTheScreen) {
  HomeScreenState& s = launch();
  playing(s);
  defaults().setObject(Value("1"), "USERKEY_13_alwaysOn");
  advance(0.25);  // the pass that enables the display
  auto lock = [] {
    runtime::send<void>(springboard::lockScreenManager(), "lockUIFromSource:withOptions:", std::int64_t{1},
                        static_cast<runtime::Object*>(nullptr));
  };
  s.settingWindow->setAlpha(1);
  lock();
  EXPECT_FALSE(s.fullScreenWindow->isHidden());
  EXPECT_EQ(s.settingWindow->alpha(), 0);
  EXPECT_FALSE(s.doubleTapGesture->isEnabled());  // "USERKEY_13_alwaysOnDoubleTapGes" unset
  EXPECT_EQ(hostLog.wakes, 0);
  advance(0.1);
  EXPECT_EQ(hostLog.wakes, 1);
  EXPECT_EQ(hostLog.locks, 1);  // the host's own lock ran after the hook
  lock();
  EXPECT_TRUE(s.fullScreenWindow->isHidden());
  s.isPaused = true;
  lock();
  EXPECT_TRUE(s.fullScreenWindow->isHidden());
}

TEST_F(HomeScreenTest, TheHardwareButtonHidesTheAlwaysOnWindowByTheModelsToken) {
  HomeScreenState& s = launch();
  struct Case {
    const char* model;
    const char* event;
    bool hides;
  };
  for (const Case& c : {Case{"iPhone10,1", "<BKSHIDEvent: type=105>", true},
                        Case{"iPhone10,1", "<BKSHIDEvent: type=101>", false},
                        Case{"iPhone12,1", "<BKSHIDEvent: type=101>", true},
                        Case{"", "<BKSHIDEvent: type=105>", false}}) {
    ui::Device::current().setModel(c.model);
    s.fullScreenWindow->setHidden(false);
    springboard::DescribedObject event("BKSHIDEvent", c.event);
    runtime::send<void>(springboard::application(), "_handlePhysicalButtonEvent:",
                        static_cast<runtime::Object*>(&event));
    EXPECT_EQ(s.fullScreenWindow->isHidden(), c.hides) << c.model << " " << c.event;
  }
}

}  // namespace
