#pragma once
// A lyric line drawn as the outlines of its glyphs, stroked progressively
// ("strokeEnd" 0 -> 1) in the lyric colour on a transparent ground. One view
// per line: the floating window makes a new one for every line in outline
// mode and draws it once (addLyric).
//
// Geometry: the outline is built in y-up text coordinates, each glyph from
// its own run's font, moved by its position plus (0, -H / 1.35); the shape
// layer has zero size at its host's origin and is geometry-flipped, so the
// baseline lies H / 1.35 below the view's top.

#include <memory>
#include <string>

#include "quartz/Color.h"
#include "quartz/Path.h"
#include "quartz/ShapeLayer.h"
#include "ui/View.h"

class MMFontPathView : public ui::View {
 public:
  // Creates the view, reads the lyric colour (initData) and adds
  // lyricLayerView (initSubview). Nothing is drawn yet.
  static std::shared_ptr<MMFontPathView> initWithFrame(const ui::Rect& frame);

  std::string className() const override { return "MMFontPathView"; }

  const std::string& lyric() const { return lyric_; }
  // Stores the line and draws it (drawFontLayer).
  void addLyric(std::string lyric);
  void drawFontLayer();

  const std::shared_ptr<ui::View>& lyricLayerView();
  const std::shared_ptr<quartz::ShapeLayer>& fontLayer();
  const quartz::Color& lyricColor() const { return lyricColor_; }

  // The outline of `text` as drawFontLayer builds it for a view of height
  // `height` (without the leading move to (0, 0)).
  static quartz::Path outlinePath(const std::string& text, const std::string& fontName, double height);
  // The stroke width and drawing duration the settings ask for.
  static double lineWidthSetting();
  static double durationSetting();

  static constexpr const char* kAnimationKey = "strokeEnd";

  struct Tag {};
  MMFontPathView(Tag, const ui::Rect& frame) : ui::View(frame) {}

 private:
  void initData();
  void initSubview();
  std::string lyric_;
  quartz::Color lyricColor_;
  std::shared_ptr<ui::View> lyricLayerView_;
  std::shared_ptr<quartz::ShapeLayer> fontLayer_;
};
