// The launch hook and the start-up block: the three windows, the
// recognisers, the refresh timer and the message-centre server.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "HomeScreenParts.h"
#include "Tweak/HomeScreen.h"
#include "alwayson/FullScreenWindow.h"
#include "floating/MMLyricSuperWindow.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "ipc/MessagingCenter.h"
#include "panel/LyricSettingWindow.h"
#include "quartz/Color.h"
#include "runtime/Message.h"
#include "settings/SettingDefaults.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"
#include "ui/Application.h"
#include "ui/Device.h"
#include "ui/Screen.h"

namespace {

constexpr const char* kCenterName = "kXPCCenterNameKey_11292";

// Versions compare by their numeric components: "12.5.1" < "13" <= "13.0.0".
bool systemVersionAtLeast13(const std::string& version) {
  return std::atoi(version.c_str()) >= 13;
}

template <class Recognizer>
std::shared_ptr<Recognizer> recognizer(const char* selector) {
  auto r = std::make_shared<Recognizer>();
  r->addTarget([selector](ui::GestureRecognizer& sender) {
    runtime::send<void>(homeScreen().application, selector, &sender);
  });
  return r;
}

}  // namespace

void launchHook(runtime::Object& application) {
  HomeScreenState& s = homeScreen();
  s.application = &application;
  s.isStarted = false;
  s.currentOrientation = 1;
  foundation::RunLoop::main().dispatchAfter(0.01, [] { startUpBlock(); });
  s.trackChangeObservation = foundation::NotificationCenter::defaultCenter().addObserver(
      std::string(SettingNotification::Noti_MediaTrack_Changed), [](const foundation::Notification& n) {
        runtime::send<void>(homeScreen().application, "mediaTrackChanged:", n);
      });
  auto center = ipc::MessagingCenter::centerNamed(kCenterName);
  if (foundation::Status served = center->runServerOnCurrentThread(); !served.ok())
    foundation::logError(kLibraryTag, "Tweak.x", __LINE__, "ERROR", foundation::Value(served.message()));
  auto handler = [](const std::string& name, const foundation::Dictionary& userInfo) {
    runtime::send<void>(homeScreen().application, "handleMessage:withUserInfo:", name,
                        foundation::Value(userInfo));
  };
  center->registerForMessageName("hoververseNoti", handler);
  std::fprintf(stderr, "注册监听 start\n");
  center->registerForMessageName("songArtImageNoti", handler);
}

void startUpBlock() {
  HomeScreenState& s = homeScreen();
  ui::Device::current().setValue(foundation::Value(1), "orientation");
  const ui::Rect screen = ui::Screen::main().bounds();
  s.screenWidth = screen.width();
  s.screenHeight = screen.height();
  s.standardDefaults = &foundation::UserDefaults::standardUserDefaults();
  foundation::UserDefaults& defaults = *s.standardDefaults;
  applyStartupDefaults(defaults);
  s.isPanEnded = true;
  s.hasTallStatusBar = ui::Application::shared().statusBarFrame().height() == 44.0;

  s.screenshotsWindow = nullptr;
  for (std::size_t i = 0; i < ui::Application::shared().windows().size(); ++i) {
    ui::Window* window = ui::Application::shared().windows()[i];
    if (window->description().find("SSScreenshotsWindow") != std::string::npos) s.screenshotsWindow = window;
  }

  const double x = settingNumber(SettingKey::X, defaults);
  const double y = settingNumber(SettingKey::Y, defaults);
  const double width = settingNumber(SettingKey::width, defaults);
  const double height = settingNumber(SettingKey::height, defaults);
  const double corner = settingNumber(SettingKey::corner, defaults);

  s.settingWindow = LyricSettingWindow::initWithFrame({0, 0, s.screenWidth, s.screenHeight});
  s.settingWindow->setWindowLevel(ui::WindowLevel::alert);
  s.settingWindow->setAlpha(0);
  s.settingWindow->setUserInteractionEnabled(true);
  quartz::Layer& panelLayer = *s.settingWindow->layer();
  panelLayer.setShadowColor(quartz::Color{0, 0, 0, 1});
  panelLayer.setShadowOffset({0, 0});
  panelLayer.setShadowOpacity(0.3F);
  panelLayer.setShadowRadius(8);

  s.lyricWindow = MMLyricSuperWindow::initWithFrame({x, y, s.screenWidth * width, height});
  s.lyricWindow->setWindowLevel(ui::WindowLevel::alert);
  s.lyricWindow->setAlpha(0);
  s.lyricWindow->setUserInteractionEnabled(true);
  s.lyricWindow->setLyric("等待歌词...");
  s.lyricWindow->layer()->setCornerRadius(corner);

  s.panGesture = recognizer<ui::PanGestureRecognizer>("pan:");
  s.tapGesture = recognizer<ui::TapGestureRecognizer>("tapAction:");
  s.longPressGesture = recognizer<ui::LongPressGestureRecognizer>("longGesAction:");
  s.lyricWindow->addGestureRecognizer(s.panGesture);
  s.lyricWindow->addGestureRecognizer(s.tapGesture);
  s.lyricWindow->addGestureRecognizer(s.longPressGesture);

  s.screenChangeObservation = foundation::NotificationCenter::defaultCenter().addObserver(
      ui::kScreenModeDidChangeNotification, [](const foundation::Notification&) { screenDidChange(); });

  s.springBoardTimer = foundation::RunLoop::main().scheduledTimer(
      0.25, true, [](foundation::Timer&) { runtime::send<void>(homeScreen().application, "refreshTimer"); });

  if (systemVersionAtLeast13(ui::Device::current().systemVersion())) {
    s.settingWindow->makeKeyAndVisible();
    s.lyricWindow->makeKeyAndVisible();
  } else {
    s.lyricWindow->makeKeyAndVisible();
    s.settingWindow->makeKeyAndVisible();
  }

  const ui::Rect fullFrame = s.screenshotsWindow != nullptr ? s.screenshotsWindow->bounds() : ui::Rect{};
  s.fullScreenWindow = FullScreenWindow::initWithFrame(fullFrame);
  s.fullScreenWindow->setHidden(true);
  s.fullScreenWindow->setWindowLevel(ui::WindowLevel::alert);
  s.doubleTapGesture = recognizer<ui::TapGestureRecognizer>("handleDoubleTap:");
  s.doubleTapGesture->setNumberOfTapsRequired(2);
  s.fullScreenWindow->addGestureRecognizer(s.doubleTapGesture);
  if (s.screenshotsWindow != nullptr) s.screenshotsWindow->addSubview(s.fullScreenWindow);

  s.isStarted = true;
  s.lastOrientation = 1;
}
