// The home screen's reactions: the 0.25 s refresh pass, the gestures on the
// floating and always-on windows, rotation, the hardware button and locking.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "HomeScreenParts.h"
#include "Tweak/HomeScreen.h"
#include "alwayson/FullScreenWindow.h"
#include "floating/MMLyricSuperWindow.h"
#include "foundation/RunLoop.h"
#include "foundation/Text.h"
#include "lyric/LyricManager.h"
#include "panel/LyricSettingWindow.h"
#include "runtime/Class.h"
#include "runtime/Message.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"
#include "ui/Application.h"
#include "ui/Device.h"
#include "ui/Screen.h"

namespace {

bool isLandscape(std::int32_t orientation) { return orientation != 1 && orientation != 2; }

// The panel covers the screen, or its upper half in landscape.
ui::Rect panelFrame(const HomeScreenState& s, bool landscape) {
  return {0, 0, s.screenWidth, landscape ? s.screenHeight * 0.5 : s.screenHeight};
}

struct PositionKeys {
  std::string_view x, y;
};

// The stored position of each orientation code (1 to 4).
const PositionKeys* positionKeys(std::int32_t code) {
  static const std::array<PositionKeys, 4> keys{{{SettingKey::X, SettingKey::Y},
                                                 {SettingKey::D_X, SettingKey::D_Y},
                                                 {SettingKey::B_X, SettingKey::B_Y},
                                                 {SettingKey::C_X, SettingKey::C_Y}}};
  return code >= 1 && code <= 4 ? &keys[static_cast<std::size_t>(code - 1)] : nullptr;
}

void storeNumber(std::string_view key, double value) {
  homeScreen().standardDefaults->setObject(foundation::Value(foundation::decimalText(value)), key);
}

void hideEverything(HomeScreenState& s) {
  s.lyricWindow->setAlpha(0);
  s.settingWindow->setAlpha(0);
  s.fullScreenWindow->setHidden(true);
}

// Single-precision constants, as the angles are kept.
constexpr float kPi = 3.1415927F;
constexpr float kHalfPi = 1.5707964F;

float rotationAngle(std::int32_t to, std::int32_t from) {
  static constexpr float table[4][4] = {
      {0, kPi, -kHalfPi, kHalfPi},   // to 1, from 1..4
      {kPi, 0, kHalfPi, -kHalfPi},   // to 2
      {kHalfPi, -kHalfPi, 0, kPi},   // to 3
      {-kHalfPi, kHalfPi, -kPi, 0},  // to 4
  };
  if (to < 1 || to > 4 || from < 1 || from > 4) return 0;
  return table[to - 1][from - 1];
}

std::string appURLFor(const std::string& identifier) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> table{{
      {"com.netease.cloudmusic", "orpheus://"},
      {"com.tencent.QQMusic", "tencent100497308.content://"},
      {"com.yeelion.kwplayer", "com.kuwo.kwmusic.kwmusicForKwsing://"},
      {"com.kugou.kugou1002", "kugouURL://"},
      {"com.kugou.kgyouth", "KugouYouth://"},
  }};
  for (const auto& [contained, url] : table)
    if (identifier.find(contained) != std::string::npos) return std::string(url);
  return {};
}

}  // namespace

void refreshTimer() {
  HomeScreenState& s = homeScreen();
  if (!s.lyricWindow || s.standardDefaults == nullptr) return;
  foundation::UserDefaults& defaults = *s.standardDefaults;
  const auto [displaySwitch, interactionLock] =
      fileSettingBools<2>({SettingKey::ROWA_SWI, SettingKey::ROWB_SWI});
  s.isLyricEnabled = displaySwitch && settingBool(SettingKey::CCBundle_UserDefaults_Narv_Switch, defaults);
  const bool interactive = !interactionLock;
  s.tapGesture->setEnabled(interactive);
  s.panGesture->setEnabled(interactive);
  s.lyricWindow->setUserInteractionEnabled(interactive);
  if (!s.isLyricEnabled) return hideEverything(s);
  if (!s.isPanEnded) return;
  if (s.isPaused) return hideEverything(s);
  if (s.isMusicApp) {
    s.lyricWindow->setAlpha(s.fullScreenWindow->isHidden() ? 1 : 0);
  } else {
    s.lyricWindow->setAlpha(0);
    s.fullScreenWindow->setHidden(true);
  }

  const bool locked = settingBool(SettingKey::lock, defaults);
  const double w = settingNumber(SettingKey::width, defaults);
  const double h = settingNumber(SettingKey::height, defaults);
  s.lyricWindow->layer()->setCornerRadius(settingNumber(SettingKey::corner, defaults));
  s.panGesture->setEnabled(!locked);

  const PositionKeys* keys = positionKeys(s.currentOrientation);
  if (keys != nullptr) {
    const double x = settingNumber(keys->x, defaults);
    const double y = settingNumber(keys->y, defaults);
    const double W = s.screenWidth;
    const double H = s.screenHeight;
    const bool portraitFamily = s.currentOrientation <= 2;
    s.lyricWindow->setFrame(portraitFamily ? ui::Rect{x, y, W * w, h} : ui::Rect{x, y, h, H * w});

    ui::Rect f = s.lyricWindow->frame();
    double fx = std::max(f.x(), 0.0);
    if (fx + f.width() > W) fx = W - f.width();
    double fy = f.y();
    if (s.currentOrientation == 1) {
      if (s.hasTallStatusBar) {
        if (fy < 30) fy = 30;
      } else if (fy < 0) {
        fy = 0;
      }
    } else {
      fy = std::max(fy, 0.0);
    }
    if (fy + f.height() > H) fy = H - f.height();
    storeNumber(keys->x, fx);
    storeNumber(keys->y, fy);
  }

  ++s.tickCount;
  if (s.tickCount % 32 == 0 && !s.fullScreenWindow->isHidden()) {
    runtime::Object* coordinator =
        runtime::send<runtime::Object*>(runtime::getClass("SBIdleTimerGlobalCoordinator"), "sharedInstance");
    runtime::send<void>(coordinator, "resetIdleTimer");
  }
}

void tapAction(ui::GestureRecognizer&) {
  HomeScreenState& s = homeScreen();
  if (!s.settingWindow) return;
  LyricSettingWindow* panel = s.settingWindow.get();
  const ui::Rect F = panel->frame();
  if (panel->alpha() < 0.5) {
    if (s.currentOrientation == 1) {
      panel->setAlpha(1);
      return;
    }
    panel->setFrame({F.x(), F.y(), F.width(), 0});
    ui::View::animate(0.5, [panel, F] {
      panel->setAlpha(1);
      const ui::Rect now = panel->frame();
      panel->setFrame({now.x(), now.y(), now.width(), F.height()});
    });
    return;
  }
  if (s.currentOrientation == 1) {
    panel->setAlpha(0);
    return;
  }
  ui::View::animate(
      0.5,
      [panel] {
        panel->setAlpha(0);
        const ui::Rect now = panel->frame();
        panel->setFrame({now.x(), now.y(), now.width(), 0});
      },
      [panel, F](bool) { panel->setFrame(F); });
}

void pan(ui::GestureRecognizer& recognizer) {
  HomeScreenState& s = homeScreen();
  auto& panRecognizer = static_cast<ui::PanGestureRecognizer&>(recognizer);
  ui::View* view = recognizer.view();
  if (view == nullptr) return;
  const ui::Point translation = panRecognizer.translationInView(view);
  std::fprintf(stderr, "%s\n", foundation::format("%lf-%lf", translation.x, translation.y).c_str());
  s.isPanEnded = false;
  using State = ui::GestureRecognizerState;
  switch (recognizer.state()) {
    case State::Ended:
    case State::Cancelled:
    case State::Failed:
      panRecognizer.setTranslation({0, 0}, view);
      if (const PositionKeys* keys = positionKeys(s.currentOrientation)) {
        storeNumber(keys->x, view->frame().x());
        storeNumber(keys->y, view->frame().y());
      }
      s.isPanEnded = true;
      break;
    case State::Changed:
      view->setTransform(quartz::translate(view->transform(), translation.x, translation.y));
      panRecognizer.setTranslation({0, 0}, view);
      break;
    default:
      break;
  }
}

void longGesAction(ui::GestureRecognizer& recognizer) {
  HomeScreenState& s = homeScreen();
  if (s.standardDefaults == nullptr || !settingBool(SettingKey::shortCutOpenAPPS, *s.standardDefaults)) return;
  if (recognizer.state() != ui::GestureRecognizerState::Began) return;
  const std::string url = appURLFor(LyricManager::shareManager().musicAppIdentifier().value_or(""));
  ui::Application& app = ui::Application::shared();
  if (!app.canOpenURL(url)) return;
  if (s.settingWindow) s.settingWindow->setAlpha(0);
  app.openURL(url, [](bool) {});
}

void handleDoubleTap(ui::GestureRecognizer&) {
  if (homeScreen().fullScreenWindow) homeScreen().fullScreenWindow->setHidden(true);
}

void orientationDidChange(std::int64_t orientation) {
  HomeScreenState& s = homeScreen();
  s.rotationAngle = 0;
  const auto n = static_cast<std::int32_t>(std::atoi(foundation::format("%d", static_cast<int>(orientation)).c_str()));
  s.rotationAngle = rotationAngle(n, s.lastOrientation);
  s.lastOrientation = n;
  s.currentOrientation = n;
  const bool landscape = isLandscape(n);
  s.lyricWindow->setTransform(quartz::rotate(s.lyricWindow->transform(), s.rotationAngle));
  s.lyricWindow->setIsHP(landscape);
  s.settingWindow->setTransform(quartz::rotate(s.settingWindow->transform(), s.rotationAngle));
  s.settingWindow->setFrame(panelFrame(s, landscape));
  s.settingWindow->setIsHP(landscape);
}

void screenDidChange() {
  HomeScreenState& s = homeScreen();
  const ui::Rect screen = ui::Screen::main().bounds();
  s.screenWidth = screen.width();
  s.screenHeight = screen.height();
  if (s.settingWindow) s.settingWindow->setFrame(panelFrame(s, isLandscape(s.currentOrientation)));
}

std::string physicalButtonToken(const std::string& model) {
  static constexpr std::array<std::string_view, 6> models{"iPhone9,1",  "iPhone9,2",  "iPhone10,1",
                                                           "iPhone10,4", "iPhone10,2", "iPhone10,5"};
  return std::find(models.begin(), models.end(), model) != models.end() ? "type=105" : "type=101";
}

void physicalButtonEvent(runtime::Object* event) {
  HomeScreenState& s = homeScreen();
  const std::string text = runtime::describe(event);
  if (text.find(physicalButtonToken(ui::Device::current().model())) != std::string::npos && s.fullScreenWindow)
    s.fullScreenWindow->setHidden(true);
}

void lockUI(runtime::Object& manager) {
  HomeScreenState& s = homeScreen();
  if (!s.settingWindow || s.standardDefaults == nullptr) return;
  s.settingWindow->setAlpha(0);
  foundation::UserDefaults& defaults = *s.standardDefaults;
  const bool alwaysOn = settingBool(SettingKey::alwaysOn, defaults);
  s.doubleTapGesture->setEnabled(settingBool(SettingKey::alwaysOnDoubleTapGes, defaults));
  if (s.isLyricEnabled && alwaysOn && !s.isPaused && s.isMusicApp) {
    s.fullScreenWindow->setHidden(!s.fullScreenWindow->isHidden());
    runtime::Object* target = &manager;
    foundation::RunLoop::main().dispatchAfter(0.1, [target] { runtime::send<void>(target, "_wakeScreenForTapToWake"); });
  } else {
    s.fullScreenWindow->setHidden(true);
  }
}
