#pragma once
// A previous/next control of the always-on control bar: two solid triangles
// meeting at the centre (a skip symbol pointing right), filled in the control
// colour. A tap calls clickBlock (when set) and flashes the button: opacity
// to 0 over 0.25 s, then back to 1 over 0.25 s; the button keeps taking taps
// while it flashes, so every tap calls clickBlock. The colour follows
// "MediaCOntrol_Color_Change_Niti" for as long as the button lives.

#include <functional>
#include <memory>
#include <string>

#include "foundation/NotificationCenter.h"
#include "ui/Color.h"
#include "ui/View.h"

class PathButtonView : public ui::View {
 public:
  static std::shared_ptr<PathButtonView> init() { return initWithFrame({}); }
  // Colour, colour observer, clear background, touches on, one tap recogniser.
  static std::shared_ptr<PathButtonView> initWithFrame(const ui::Rect& frame);

  std::string className() const override { return "PathButtonView"; }

  using ClickBlock = std::function<void()>;
  const ClickBlock& clickBlock() const { return clickBlock_; }
  void setClickBlock(ClickBlock block) { clickBlock_ = std::move(block); }
  const ui::Color& mmColor() const { return mmColor_; }
  void setMmColor(const ui::Color& color) { mmColor_ = color; }

  // Reads the control colour (see MediaControlView::controlColor).
  void initColor();
  void receivedColorChangeNoti(const foundation::Notification& notification);
  void clickAction();
  ui::View* hitTest(ui::Point p) override;
  void drawRect(quartz::GraphicsContext& context, ui::Rect rect) override;

  // Length of each half of the flash.
  static constexpr double kFlashDuration = 0.25;

  struct Tag {};
  PathButtonView(Tag, const ui::Rect& frame) : ui::View(frame) {}

 private:
  ClickBlock clickBlock_;
  ui::Color mmColor_;
  double flashEnds_ = 0;  // run-loop time at which the last flash is over
  foundation::Observation colorObservation_;
};
