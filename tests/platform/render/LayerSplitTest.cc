#include "render/LayerSplit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "TestFonts.h"
#include "foundation/RunLoop.h"
#include "quartz/Animation.h"
#include "quartz/Transaction.h"
#include "render/Renderer.h"
#include "ui/Label.h"

namespace {

using quartz::Color;
using quartz::Layer;
using quartz::Rect;

// A scrolling line as the floating window has it: a translucent window, a
// clipping strip inside it, and a shadowed label wider than the strip,
// drawn last.
struct Scene {
  std::shared_ptr<Layer> root = Layer::layer();
  std::shared_ptr<Layer> strip = Layer::layer();
  std::shared_ptr<ui::Label> line = std::make_shared<ui::Label>(ui::Rect{0, 0, 260, 20});
  Scene() {
    root->setFrame({0, 0, 100, 24});
    root->setBackgroundColor(Color::rgba(0, 0, 0, 0.4));
    strip->setFrame({6, 2, 88, 20});
    strip->setMasksToBounds(true);
    strip->setBackgroundColor(Color::rgba(0.2, 0.3, 0.9, 0.5));
    root->addSublayer(strip);
    line->setText("a line much wider than its window, scrolling");
    line->setTextColor(ui::Color::whiteColor());
    line->layer()->setShadowOpacity(0.8);
    line->layer()->setShadowRadius(2);
    line->layer()->setShadowOffset({0, 1});
    strip->addSublayer(line->layer());
  }
  const Layer& moving() const { return *line->layer(); }
  void moveTo(double x) { line->setFrame({x, 0, 260, 20}); }
};

std::uint32_t times(std::uint32_t pixel, std::uint32_t alpha) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t t = ((pixel >> shift) & 0xff) * alpha + 0x80;
    out |= (((t >> 8) + t) >> 8) << shift;
  }
  return out;
}

// The sprite, through the clip's mask, over the base at p, as the X server
// composes it (OVER on premultiplied pixels, rounded as pixman rounds).
std::vector<std::uint32_t> compose(const render::LayerSplit& split, const render::LayerSplit::Placement& p) {
  const render::Canvas& base = *split.base();
  const render::Canvas& sprite = *split.sprite();
  std::vector<std::uint32_t> out;
  for (int y = 0; y < base.pixelHeight(); ++y) {
    for (int x = 0; x < base.pixelWidth(); ++x) {
      const std::uint32_t b = base.pixelAt(x, y);
      const bool clipped = x >= p.clip.x && x < p.clip.x + p.clip.width && y >= p.clip.y && y < p.clip.y + p.clip.height;
      std::uint32_t s = clipped ? sprite.pixelAt(x - p.x, y - p.y) : 0;
      if (split.clipMask()) s = times(s, split.clipMask()->pixelAt(x, y) >> 24);
      const std::uint32_t under = times(b, 255 - (s >> 24));
      std::uint32_t pixel = 0;
      for (int shift = 0; shift < 32; shift += 8)
        pixel |= std::min<std::uint32_t>(255, ((s >> shift) & 0xff) + ((under >> shift) & 0xff)) << shift;
      out.push_back(pixel);
    }
  }
  return out;
}

// The largest difference of a channel, in pixels the clip covers wholly
// or not at all (`partly`: in the others).
int largestDifference(const std::vector<std::uint32_t>& composed, const quartz::Image& drawn,
                      const render::LayerSplit& split, bool partly = false) {
  int worst = 0;
  for (int y = 0; y < drawn.height(); ++y)
    for (int x = 0; x < drawn.width(); ++x)
      for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t coverage = split.clipMask() ? split.clipMask()->pixelAt(x, y) >> 24 : 255;
        if (partly != (coverage > 0 && coverage < 255)) continue;
        const int a = static_cast<int>((composed[static_cast<std::size_t>(y * drawn.width() + x)] >> shift) & 0xff);
        worst = std::max(worst, std::abs(a - static_cast<int>((drawn.pixelAt(x, y) >> shift) & 0xff)));
      }
  return worst;
}

class LayerSplitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    foundation::RunLoop::useVirtualClock(100);
  }
  double now() { return foundation::RunLoop::main().now(); }
  // Commits, and returns the serial of what a display would have put.
  std::uint64_t put(const Scene& scene) {
    quartz::Transaction::flush();
    return scene.root->committed().treeSerial;
  }
  render::Renderer renderer_;
};

TEST_F(LayerSplitTest, ComposedFramesMatchDrawnFramesWhereverTheLayerMoves) {
  struct Case {
    double scale;
    double cornerRadius;  // of the window, which clips as the floating window does
    double stripWidth = 88;
  };
  for (const Case& c : {Case{1, 0}, Case{2, 0}, Case{3, 0}, Case{1, 6}, Case{3, 6.5}, Case{2, 0, 88.3}}) {
    const double scale = c.scale;
    SCOPED_TRACE(testing::Message() << "scale " << scale << ", corners " << c.cornerRadius << ", strip "
                                    << c.stripWidth);
    Scene scene;
    scene.root->setCornerRadius(c.cornerRadius);
    scene.root->setMasksToBounds(true);
    scene.strip->setFrame({6, 2, c.stripWidth, 20});
    const std::uint64_t shown = put(scene);
    scene.moveTo(-1);
    quartz::Transaction::flush();
    ASSERT_EQ(render::LayerSplit::soleChange(*scene.root, shown), &scene.moving());
    render::LayerSplit split;
    ASSERT_TRUE(split.begin(renderer_, *scene.root, scene.moving(), now(), scale));
    // Whole, half and other fractions of pixels, on both sides of zero.
    for (const double x : {-1.0, 0.5, -0.25, -0.75, -1.5, -37.3, -160.5, -171.0, 3.25}) {
      SCOPED_TRACE(x);
      scene.moveTo(x);
      quartz::Transaction::flush();
      const auto p = split.placement(*scene.root, now());
      ASSERT_TRUE(p);
      const auto drawn = renderer_.renderImage(*scene.root, now(), scale);
      // Blending in two steps rounds once more than in one.
      EXPECT_LE(largestDifference(compose(split, *p), *drawn, split), 1);
      EXPECT_LE(largestDifference(compose(split, *p), *drawn, split, /*partly=*/true), 64);
    }
  }
}

TEST_F(LayerSplitTest, EndsWhenAnythingButThePositionChanges) {
  const std::vector<std::pair<std::string, std::function<void(Scene&)>>> changes = {
      {"the line's text", [](Scene& s) { s.line->setText("another line"); }},
      {"the line's colour", [](Scene& s) { s.line->layer()->setBackgroundColor(Color::rgba(1, 0, 0, 1)); }},
      {"the line's size", [](Scene& s) { s.line->setFrame({0, 0, 200, 20}); }},
      {"the strip's colour", [](Scene& s) { s.strip->setBackgroundColor(Color::rgba(1, 1, 1, 1)); }},
      {"a layer added over it", [](Scene& s) { s.root->addSublayer(Layer::layer()); }},
      {"an animation", [](Scene& s) {
         quartz::BasicAnimation fade("opacity");
         fade.setFromValue(1.0);
         fade.setToValue(0.0);
         fade.setDuration(1);
         s.line->layer()->addAnimation(fade, "fade");
       }},
  };
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    Scene scene;
    put(scene);
    render::LayerSplit split;
    ASSERT_TRUE(split.begin(renderer_, *scene.root, scene.moving(), now(), 1));
    scene.moveTo(-20);
    change(scene);
    quartz::Transaction::flush();
    EXPECT_FALSE(split.placement(*scene.root, now()));
  }
}

TEST_F(LayerSplitTest, RefusesWhatItCannotComposeFaithfully) {
  const std::vector<std::pair<std::string, std::function<void(Scene&)>>> trees = {
      {"a layer drawn over the line", [](Scene& s) {
         auto badge = Layer::layer();
         badge->setFrame({0, 0, 4, 4});
         badge->setBackgroundColor(Color::rgba(1, 0, 0, 1));
         s.strip->addSublayer(badge);
       }},
      {"a rotated strip", [](Scene& s) { s.strip->setAffineTransform(quartz::AffineTransform::makeRotation(0.1)); }},
      {"a bordered strip", [](Scene& s) { s.strip->setBorderWidth(1); }},
      {"a translucent strip", [](Scene& s) { s.strip->setOpacity(0.5); }},
      {"a rotated line", [](Scene& s) { s.line->layer()->setAffineTransform(quartz::AffineTransform::makeRotation(0.1)); }},
  };
  for (const auto& [name, change] : trees) {
    SCOPED_TRACE(name);
    Scene scene;
    change(scene);
    quartz::Transaction::flush();
    render::LayerSplit split;
    EXPECT_FALSE(split.begin(renderer_, *scene.root, scene.moving(), now(), 1));
    EXPECT_FALSE(split.active());
  }
}

TEST_F(LayerSplitTest, SoleChangeIsTheOneLayerThatChanged) {
  Scene scene;
  const std::uint64_t shown = put(scene);
  EXPECT_EQ(render::LayerSplit::soleChange(*scene.root, shown), nullptr);  // nothing changed
  scene.strip->setBackgroundColor(Color::rgba(1, 1, 1, 1));
  quartz::Transaction::flush();
  EXPECT_EQ(render::LayerSplit::soleChange(*scene.root, shown), scene.strip.get());
  scene.moveTo(-3);
  quartz::Transaction::flush();
  EXPECT_EQ(render::LayerSplit::soleChange(*scene.root, shown), nullptr);  // two layers
  const std::uint64_t later = scene.root->committed().treeSerial;
  scene.root->setBackgroundColor(Color::rgba(1, 1, 1, 1));
  quartz::Transaction::flush();
  EXPECT_EQ(render::LayerSplit::soleChange(*scene.root, later), nullptr);  // the root places everything
}

}  // namespace
