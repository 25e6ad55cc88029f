#include "floating/MMFontPathView.h"

#include "quartz/Animation.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"
#include "text/TextLayout.h"

namespace {

// Baseline of the line below the view's top, as a divisor of the height.
constexpr double kBaselineDivisor = 1.35;
// Font size as a divisor of the height (the window measures with the same).
constexpr double kFontDivisor = 1.5;

}  // namespace

std::shared_ptr<MMFontPathView> MMFontPathView::initWithFrame(const ui::Rect& frame) {
  auto view = std::make_shared<MMFontPathView>(Tag{}, frame);
  view->initData();
  view->initSubview();
  return view;
}

void MMFontPathView::initData() {
  const SettingColor c = settingColor(SettingKey::hoverVerseColor);
  lyricColor_ = quartz::Color::rgba(c.red, c.green, c.blue, c.alpha);
}

void MMFontPathView::initSubview() { addSubview(lyricLayerView()); }

const std::shared_ptr<ui::View>& MMFontPathView::lyricLayerView() {
  if (!lyricLayerView_) lyricLayerView_ = std::make_shared<ui::View>(ui::Rect(0, 0, frame().width(), frame().height()));
  return lyricLayerView_;
}

const std::shared_ptr<quartz::ShapeLayer>& MMFontPathView::fontLayer() {
  // Zero size at its host's origin, no background, not clipped: the path
  // shows wherever it lies.
  if (!fontLayer_) fontLayer_ = quartz::ShapeLayer::layer();
  return fontLayer_;
}

void MMFontPathView::addLyric(std::string lyric) {
  lyric_ = std::move(lyric);
  drawFontLayer();
}

quartz::Path MMFontPathView::outlinePath(const std::string& text, const std::string& fontName, double height) {
  const quartz::Font font = quartz::Font::fontWithName(fontName, height / kFontDivisor);
  const auto line = text::typesetLine(text, font);
  quartz::Path path;
  const double lift = -height / kBaselineDivisor;
  for (const text::TextLine& textLine : line->lines()) {
    for (const text::GlyphRun& run : textLine.runs) {
      for (std::size_t i = 0; i < run.glyphs.size(); ++i) {
        const quartz::Path& glyph = run.font->pathForGlyph(run.glyphs[i]);
        if (glyph.isEmpty()) continue;
        const quartz::Point at = run.positions[i];
        path.addPath(glyph, quartz::AffineTransform::makeTranslation(at.x, at.y + lift));
      }
    }
  }
  return path;
}

double MMFontPathView::lineWidthSetting() {
  const float width = settingNumber(SettingKey::fontPathLineWidth);
  return width > 0 ? width : 1.0;
}

double MMFontPathView::durationSetting() {
  const float duration = settingNumber(SettingKey::fontPathDuration);
  return duration < 0.1f ? 1.0 : duration;
}

void MMFontPathView::drawFontLayer() {
  const double height = frame().height();
  const double width = frame().width();

  quartz::Path path;
  path.moveTo({0, 0});
  path.addPath(outlinePath(lyric_, lyricFontName(), height));

  lyricLayerView()->setFrame(ui::Rect(0, 0, width, height));

  quartz::ShapeLayer& shape = *fontLayer();
  shape.setPath(std::move(path));
  shape.setGeometryFlipped(true);

  initData();
  shape.setStrokeColor(lyricColor_);
  shape.setFillColor(quartz::Color::clear());
  shape.setLineJoin(quartz::LineJoin::Round);
  shape.setLineWidth(lineWidthSetting());

  quartz::Layer& host = *lyricLayerView()->layer();
  if (!host.containsSublayer(&shape)) host.addSublayer(fontLayer());

  auto stroke = quartz::BasicAnimation::animationWithKeyPath(kAnimationKey);
  stroke.setFromValue(0.0);
  stroke.setToValue(1.0);
  stroke.setDuration(durationSetting());
  shape.addAnimation(stroke, kAnimationKey);
}
