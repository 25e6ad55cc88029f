#pragma once
// The shatter presentation of the always-on window. Each new line blanks the
// label and snapshots it in the same turn, so the snapshot shows the line
// last displayed; that one image is cut into a 10 x 10 grid of image-view
// tiles (each selecting its part through its layer's contents rectangle),
// which spin about (1, 1, 1), drift right and down, fade and shrink over
// animationDuration. The new line appears in the label 0.2 s after the call.
//
// Invariants: tiles are the only image views among the subviews; a new line
// removes every tile before adding its own 100. The end of a shatter removes
// every tile on the view at that moment, including tiles of a newer line.

#include <functional>
#include <memory>
#include <string>

#include "foundation/UserDefaults.h"
#include "quartz/Animation.h"
#include "quartz/Image.h"
#include "ui/Label.h"
#include "ui/View.h"

class NarvSmashView : public ui::View {
 public:
  static std::shared_ptr<NarvSmashView> init() { return initWithFrame({}); }
  // animationDuration 1.0, the defaults store, then lyricLabel (white,
  // centred, unlimited lines, system font 40, text "").
  static std::shared_ptr<NarvSmashView> initWithFrame(const ui::Rect& frame);

  std::string className() const override { return "NarvSmashView"; }

  const std::shared_ptr<ui::Label>& lyricLabel() const { return lyricLabel_; }
  const std::string& lyric() const { return lyric_; }
  double animationDuration() const { return animationDuration_; }
  foundation::UserDefaults& userDefaults() const { return *userDefaults_; }
  using FinishedBlock = std::function<void()>;
  const FinishedBlock& smashFinishedBlock() const { return smashFinishedBlock_; }
  void setSmashFinishedBlock(FinishedBlock block) { smashFinishedBlock_ = std::move(block); }

  // Starts the transition to a new line (style from the settings, snapshot,
  // tiles, smash, text after 0.2 s).
  void preSmashWithText(const std::string& text);
  // Animates the tiles now in place; at the end calls smashFinishedBlock and
  // clears every tile.
  void smash();
  // Removes every image-view subview, then its layer's animations. The flag
  // changes nothing.
  void clearAnimations(bool finished);

  // "opacity" 1 -> 0 and "transform.scale" 1 -> 0: animationDuration long,
  // one cycle, kept at their end (forwards fill, not removed).
  quartz::BasicAnimation getAnimation() const;
  quartz::BasicAnimation getScaleAnimation() const;
  // Rotation by angle degrees about (1, 1, 1), then translation by (x, y, 0).
  static quartz::Transform3D configTransform3DWithRotateAngle(double angle, double x, double y);
  // from + (r mod (to - from + 1)) + 1 in unsigned 32-bit arithmetic, r from
  // the strong random source: (0, 360) gives 1 to 361.
  static double getRandomNumber(int from, int to);
  // The view's last committed look (not its pending changes), one pixel per
  // point, the size of its frame.
  static std::shared_ptr<const quartz::Image> getImageViewWithView(const ui::View& view);

  // Keys of the fade and shrink on each tile's layer.
  static constexpr const char* kFadeKey = "smashOpacity";
  static constexpr const char* kShrinkKey = "smashScale";
  // Delay between a new line and its text in the label.
  static constexpr double kTextDelay = 0.2;
  static constexpr int kGrid = 10;

  struct Tag {};
  NarvSmashView(Tag, const ui::Rect& frame) : ui::View(frame) {}

 private:
  void initData();
  void initSubviews();
  std::shared_ptr<ui::Label> lyricLabel_;
  std::string lyric_;
  double animationDuration_ = 1.0;
  foundation::UserDefaults* userDefaults_ = nullptr;
  FinishedBlock smashFinishedBlock_;
};
