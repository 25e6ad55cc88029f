#pragma once
// The gradient lyric label of the always-on window's sideways strip: like
// MMGradientView, but sized from "USERKEY_13_alwaysOnFontSize" (twice the
// value; 28 when missing, empty or below 5) and painted by
// MMFullScreenGradientHPManager.

#include <memory>
#include <string>

#include "ui/Label.h"
#include "ui/View.h"

class MMGradientHPView : public ui::View {
 public:
  static std::shared_ptr<MMGradientHPView> init() { return initWithFrame({}); }
  static std::shared_ptr<MMGradientHPView> initWithFrame(const ui::Rect& frame);

  std::string className() const override { return "MMGradientHPView"; }

  const std::string& lyric() const { return lyric_; }
  void setLyric(std::string lyric);
  const std::shared_ptr<ui::Label>& lyricLabel();

  void layoutSubviews() override;

  // Font size of the strip's label for the current settings.
  static double fontSize();

  struct Tag {};
  MMGradientHPView(Tag, const ui::Rect& frame) : ui::View(frame) {}

 private:
  std::string lyric_;
  std::shared_ptr<ui::Label> lyricLabel_;
};
