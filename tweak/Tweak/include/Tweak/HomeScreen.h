#pragma once
// The home-screen side of the library: the process-wide state the start-up
// creates (three windows, four recognisers, the refresh timer, the flags),
// and the entry points the hook table installs. Everything runs on the main
// thread; nothing here is ever torn down.
//
// Hooked host methods and their signatures (as runtime::send sees them):
//   SBWallpaperController activeInterfaceOrientationDidChangeToOrientation:
//       willAnimateWithDuration:fromOrientation:  void(int64, double, int64)
//   SBMediaController _mediaRemoteNowPlayingApplicationIsPlayingDidChange:,
//       _mediaRemoteNowPlayingInfoDidChange:     void(runtime::Object*)
//   MPMediaItemArtwork initWithImage:            runtime::Object*(runtime::Object*)
//   MPNowPlayingInfoCenter setNowPlayingInfo:    void(foundation::Value)
//   SpringBoard applicationDidFinishLaunching:, _handlePhysicalButtonEvent:
//                                                void(runtime::Object*)
//   SBLockScreenManager lockUIFromSource:withOptions:  void(int64, runtime::Object*)
// Host methods it calls: SBMediaController +sharedInstance (runtime::Object*()),
// changeTrack:eventSource: (bool(int64, int64)); SBIdleTimerGlobalCoordinator
// +sharedInstance, resetIdleTimer (void()); SBLockScreenManager
// _wakeScreenForTapToWake (void()).
// Methods added to SpringBoard: handleMessage:withUserInfo:
// (void(std::string, foundation::Value)), mediaTrackChanged:
// (void(foundation::Notification)), tapAction:, pan:, longGesAction:,
// handleDoubleTap: (void(ui::GestureRecognizer*)), refreshTimer (void()).

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "runtime/Object.h"
#include "ui/GestureRecognizer.h"
#include "ui/Window.h"

class MMLyricSuperWindow;
class LyricSettingWindow;
class FullScreenWindow;

struct HomeScreenState {
  std::shared_ptr<MMLyricSuperWindow> lyricWindow;
  std::shared_ptr<LyricSettingWindow> settingWindow;
  std::shared_ptr<FullScreenWindow> fullScreenWindow;
  ui::Window* screenshotsWindow = nullptr;  // the host's; it outlives us
  foundation::UserDefaults* standardDefaults = nullptr;
  double screenWidth = 0;
  double screenHeight = 0;
  std::int32_t currentOrientation = 0;
  std::int32_t lastOrientation = 1;
  float rotationAngle = 0;
  bool isStarted = false;
  bool isPaused = false;
  bool isMusicApp = false;
  bool isLyricEnabled = false;
  bool isPanEnded = false;
  bool hasTallStatusBar = false;
  std::shared_ptr<ui::PanGestureRecognizer> panGesture;
  std::shared_ptr<ui::TapGestureRecognizer> tapGesture;
  std::shared_ptr<ui::LongPressGestureRecognizer> longPressGesture;
  std::shared_ptr<ui::TapGestureRecognizer> doubleTapGesture;
  std::shared_ptr<foundation::Timer> springBoardTimer;
  std::int32_t tickCount = 0;
  // The application object the launch hook received: target of the added
  // methods, the timer and the recognisers.
  runtime::Object* application = nullptr;
  foundation::Observation trackChangeObservation;
  foundation::Observation screenChangeObservation;
};

// The process's state (created empty on first use).
HomeScreenState& homeScreen();
// Drops every window, recogniser and timer and starts empty (tests).
void resetHomeScreen();

// Installs the hook table in its order and adds the SpringBoard methods;
// classes missing in this process get one "logos: nil class %s" line per
// replacement. What the library's initialiser runs.
void installHooks();

// The source file and line the "nil class" lines name.
inline constexpr const char* kHookFileName = "Tweak.x";
inline constexpr int kNilClassLine = 876;
inline constexpr const char* kLibraryTag = "hoververseXI";
