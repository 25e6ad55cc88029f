#pragma once
// The floating window's gradient lyric label: the line's glyphs filled with
// MMGradientManager's moving rainbow. The label itself only lends its glyph
// shapes (it becomes the gradient layer's mask).

#include <memory>
#include <string>

#include "ui/Label.h"
#include "ui/View.h"

class MMGradientView : public ui::View {
 public:
  // init / initWithFrame: creates the view and adds lyricLabel.
  static std::shared_ptr<MMGradientView> init() { return initWithFrame({}); }
  static std::shared_ptr<MMGradientView> initWithFrame(const ui::Rect& frame);

  std::string className() const override { return "MMGradientView"; }

  const std::string& lyric() const { return lyric_; }
  // Stores the line and lays the view out at once.
  void setLyric(std::string lyric);
  const std::shared_ptr<ui::Label>& lyricLabel();

  void layoutSubviews() override;

  struct Tag {};
  MMGradientView(Tag, const ui::Rect& frame) : ui::View(frame) {}

 private:
  std::string lyric_;
  std::shared_ptr<ui::Label> lyricLabel_;
};
