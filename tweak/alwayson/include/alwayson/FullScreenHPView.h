#pragma once
// The sideways strip of the always-on window: one line, in the always-on
// colour or through MMGradientHPView's moving gradient, centred when it fits
// and otherwise moved back and forth by a 0.01 s marquee timer that rests
// 1 s at each end. The window turns the strip a quarter turn, so its length
// L along the text is its frame's height in the window and its thickness T
// the frame's width.
//
// The timer is created once and never invalidated while the strip lives: it
// is paused by moving its fire date to the distant future and resumed with
// the distant past. The strip owns the timer and its delayed resumes and
// drops both when destroyed.

#include <memory>
#include <string>

#include "floating/MMGradientHPView.h"
#include "foundation/RunLoop.h"
#include "ui/Font.h"
#include "ui/Label.h"
#include "ui/View.h"

class FullScreenHPView : public ui::View {
 public:
  static std::shared_ptr<FullScreenHPView> init() { return initWithFrame({}); }
  // initData (direction, clipping), initSubviews, initTimer (paused).
  static std::shared_ptr<FullScreenHPView> initWithFrame(const ui::Rect& frame);
  ~FullScreenHPView() override;

  std::string className() const override { return "FullScreenHPView"; }

  const std::shared_ptr<foundation::Timer>& timer() const { return timer_; }
  bool forwardScroll() const { return forwardScroll_; }
  void setForwardScroll(bool forward) { forwardScroll_ = forward; }
  const std::shared_ptr<ui::Label>& label();
  // The view the marquee moves: label or gradientHPView.
  ui::View* lyricV() const { return lyricV_; }
  const std::shared_ptr<MMGradientHPView>& gradientHPView() const { return gradientHPView_; }
  const std::string& lyric() const { return lyric_; }

  // Stores the line and places it (reloadUI).
  void setLyric(std::string lyric);
  void reloadUI();
  void beganTimer();
  void pauseTimer();
  // One marquee step.
  void refresh();
  // Width the text needs on one line in the strip font.
  double fitWidth(const std::string& text);

  // The strip's length along the text and its thickness (see above).
  double stripLength() const { return frame().height(); }
  double stripThickness() const { return frame().width(); }
  // The strip font: the lyric font at twice "USERKEY_13_alwaysOnFontSize"
  // (28 when missing, empty or below 5).
  static ui::Font stripFont();

  static constexpr double kInterval = 0.01;
  static constexpr double kRest = 1.0;

  struct Tag {};
  FullScreenHPView(Tag, const ui::Rect& frame) : ui::View(frame) {}

 private:
  void initData();
  void initSubviews();
  void initTimer();
  void scheduleResume();
  std::shared_ptr<foundation::Timer> timer_;
  bool forwardScroll_ = true;
  std::shared_ptr<ui::Label> label_;
  ui::View* lyricV_ = nullptr;
  std::shared_ptr<MMGradientHPView> gradientHPView_;
  std::string lyric_;
  double step_ = 0;  // the marquee's step for lyric_, measured once per line
};
