#pragma once
// The floating lyric window. For every line it picks one lyric view from the
// settings (gradient label, else outline view, else plain label), sizes it to
// the measured width T of the line and centres it when it fits the available
// length W; otherwise it runs a back-and-forth marquee on a 0.01 s timer with
// 1 s rests at each end. The timer is created once and never invalidated
// while the window lives: it is paused and resumed by moving its fire date.
// The window clips its content; its background comes from the settings and
// follows "NOTI_bgColor".
//
// The owner (start-up, refresh pass) sets the frame, transform and alpha;
// a new frame does not lay the line out again, only setLyric / setIsHP do.

#include <memory>
#include <string>

#include "floating/MMFontPathView.h"
#include "floating/MMGradientView.h"
#include "floating/MMNormalView.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "ui/Window.h"

class MMLyricSuperWindow : public ui::Window {
 public:
  // Creates the window, then initData, initSubviews and initTimer, on the
  // current main run loop.
  static std::shared_ptr<MMLyricSuperWindow> initWithFrame(const ui::Rect& frame);
  ~MMLyricSuperWindow() override;

  std::string className() const override { return "MMLyricSuperWindow"; }

  const std::string& lyric() const { return lyric_; }
  // Stores the line and lays it out (no comparison with the previous line).
  void setLyric(std::string lyric);
  bool isHP() const { return isHP_; }
  // Landscape: the owner has turned the window a quarter turn, so its screen
  // frame has width and height exchanged.
  void setIsHP(bool isHP);

  // Line height of the last layout: frame height, or frame width when isHP.
  double H() const { return H_; }
  bool forwardScroll() const { return forwardScroll_; }
  const std::shared_ptr<foundation::Timer>& timer() const { return timer_; }
  const std::shared_ptr<ui::View>& lyricV() const { return lyricV_; }
  const std::shared_ptr<MMNormalView>& normalView() const { return normalView_; }
  const std::shared_ptr<MMGradientView>& gradientView() const { return gradientView_; }
  const std::shared_ptr<MMFontPathView>& fontPathView() const { return fontPathView_; }
  foundation::UserDefaults& userDefaults() const { return *userDefaults_; }

  void reloadUI();
  // One marquee step.
  void refresh();
  void beganTimer();
  void pauseTimer();
  // Size of `text` on one line in the lyric font at H / 1.5, unbounded in
  // width, at most H high, broken by characters; callers use the width.
  ui::Size fitWidth(const std::string& text);
  void receivedBGColorNoti(const foundation::Notification& notification);

  // Marquee constants.
  static constexpr double kTimerInterval = 0.01;
  static constexpr double kRestSeconds = 1.0;
  static constexpr const char* kBeganTimerSelector = "beganTimer";

  struct Tag {};
  MMLyricSuperWindow(Tag, const ui::Rect& frame) : ui::Window(frame) {}

 private:
  void initData();
  void initSubviews();
  void initTimer();
  // Length along the line: frame width, or frame height when isHP.
  double availableLength() const;
  void scheduleBeganTimer();

  std::string lyric_;
  double step_ = 0;  // the marquee's step for lyric_, measured once per line
  bool isHP_ = false;
  std::shared_ptr<foundation::Timer> timer_;
  bool forwardScroll_ = true;
  std::shared_ptr<ui::View> lyricV_;
  double H_ = 0;
  std::shared_ptr<MMNormalView> normalView_;
  std::shared_ptr<MMGradientView> gradientView_;
  std::shared_ptr<MMFontPathView> fontPathView_;
  foundation::UserDefaults* userDefaults_ = nullptr;
  foundation::Observation bgColorObservation_;
  foundation::RunLoop* runLoop_ = nullptr;  // the loop the timer and rests live on
};
