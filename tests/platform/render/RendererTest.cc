#include "render/Renderer.h"
#include "render/Snapshot.h"

#include <gtest/gtest.h>

#include <vector>

#include "GoldenImage.h"
#include "TestFonts.h"
#include "foundation/RunLoop.h"
#include "quartz/GradientLayer.h"
#include "quartz/ShapeLayer.h"
#include "quartz/Transaction.h"
#include "text/TextLayout.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/ScrollView.h"
#include "ui/SegmentedControl.h"
#include "ui/Slider.h"
#include "ui/Switch.h"

namespace {

using quartz::Color;
using quartz::Layer;
using quartz::Rect;

std::string goldenDir() { return hvtest::supportDirectory() + "/../platform/render/golden"; }

struct Argb {
  int a, r, g, b;
};
Argb argb(std::uint32_t p) {
  return {static_cast<int>(p >> 24), static_cast<int>((p >> 16) & 0xff), static_cast<int>((p >> 8) & 0xff),
          static_cast<int>(p & 0xff)};
}

class RendererTest : public ::testing::Test {
 protected:
  void SetUp() override { clock_ = &foundation::RunLoop::useVirtualClock(100); }

  std::shared_ptr<Layer> root(double w = 100, double h = 100) {
    auto r = Layer::layer();
    r->setFrame({0, 0, w, h});
    return r;
  }
  std::shared_ptr<Layer> filled(Rect frame, Color c) {
    auto l = Layer::layer();
    l->setFrame(frame);
    l->setBackgroundColor(c);
    return l;
  }
  std::shared_ptr<const quartz::Image> draw(const Layer& r, double scale = 1) {
    quartz::Transaction::flush();
    return renderer_.renderImage(r, foundation::RunLoop::main().now(), scale);
  }
  // Counts pixels with alpha above half in a rectangle.
  static int inked(const quartz::Image& img, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += (img.pixelAt(x, y) >> 24) > 127;
    return n;
  }

  foundation::VirtualClock* clock_ = nullptr;
  render::Renderer renderer_;
};

TEST_F(RendererTest, FilledLayerInkSitsOnItsFrameInItsColour) {
  auto r = root();
  r->addSublayer(filled({10, 20, 30, 40}, Color::rgba(1, 0, 0, 1)));
  auto img = draw(*r);
  EXPECT_EQ(img->pixelAt(10, 20), 0xffff0000u);
  EXPECT_EQ(img->pixelAt(39, 59), 0xffff0000u);
  EXPECT_EQ(img->pixelAt(9, 20), 0u);
  EXPECT_EQ(img->pixelAt(40, 30), 0u);
  EXPECT_EQ(img->pixelAt(20, 60), 0u);
  // At scale 2 every point is two pixels.
  auto twice = draw(*r, 2);
  EXPECT_EQ(twice->width(), 200);
  EXPECT_EQ(twice->pixelAt(20, 40), 0xffff0000u);
  EXPECT_EQ(twice->pixelAt(19, 40), 0u);
}

TEST_F(RendererTest, AnchorPointAndTransformPlaceTheLayer) {
  auto r = root();
  auto l = filled({0, 0, 20, 10}, Color::rgba(0, 0, 1, 1));
  l->setAnchorPoint({0, 0});
  l->setPosition({50, 50});
  // A quarter turn about the anchor (top left): the 20x10 box now extends left.
  l->setTransform(quartz::Transform3D::makeRotation(M_PI / 2, 0, 0, 1));
  r->addSublayer(l);
  auto img = draw(*r);
  EXPECT_EQ(argb(img->pixelAt(45, 55)).b, 255);  // inside (x 40..50, y 50..70)
  EXPECT_EQ(img->pixelAt(55, 55), 0u);
  EXPECT_EQ(img->pixelAt(45, 71), 0u);
}

TEST_F(RendererTest, MasksToBoundsWithCornerRadiusClipsSublayers) {
  auto r = root();
  auto clipper = filled({10, 10, 40, 40}, Color::clear());
  clipper->setCornerRadius(20);
  clipper->addSublayer(filled({0, 0, 40, 40}, Color::rgba(0, 0, 1, 1)));
  clipper->addSublayer(filled({30, 30, 40, 40}, Color::rgba(0, 1, 0, 1)));  // reaches outside
  r->addSublayer(clipper);
  auto open = draw(*r);
  EXPECT_EQ(open->pixelAt(11, 11), 0xff0000ffu);  // not clipped: square corner shows
  EXPECT_EQ(open->pixelAt(65, 65), 0xff00ff00u);  // sublayer outside the bounds shows
  clipper->setMasksToBounds(true);
  auto clipped = draw(*r);
  EXPECT_EQ(clipped->pixelAt(11, 11), 0u);          // outside the rounded corner
  EXPECT_EQ(clipped->pixelAt(30, 30), 0xff0000ffu); // centre
  EXPECT_EQ(clipped->pixelAt(65, 65), 0u);          // outside the bounds
  EXPECT_EQ(clipped->pixelAt(30, 11), 0xff0000ffu); // top edge midpoint is inside
}

TEST_F(RendererTest, OpacityFadesAndGroupsOverlappingSublayers) {
  auto r = root();
  auto single = filled({0, 0, 10, 10}, Color::white());
  single->setOpacity(0.5);
  r->addSublayer(single);
  auto group = filled({20, 0, 40, 40}, Color::clear());
  group->setOpacity(0.5);
  group->addSublayer(filled({0, 0, 30, 30}, Color::rgba(1, 0, 0, 1)));
  group->addSublayer(filled({10, 10, 30, 30}, Color::rgba(0, 0, 1, 1)));
  r->addSublayer(group);
  auto img = draw(*r);
  EXPECT_NEAR(argb(img->pixelAt(5, 5)).a, 128, 1);
  // Where the children overlap, the group shows the top child at half
  // opacity, not red seen through half-transparent blue.
  Argb overlap = argb(img->pixelAt(35, 15));
  EXPECT_NEAR(overlap.a, 128, 1);
  EXPECT_EQ(overlap.r, 0);
  EXPECT_NEAR(overlap.b, 128, 1);
  single->setOpacity(0);
  EXPECT_EQ(draw(*r)->pixelAt(5, 5), 0u);
}

TEST_F(RendererTest, GradientMaskedByTextInksOnlyInsideGlyphs) {
  auto r = root(200, 100);
  auto gradient = quartz::GradientLayer::layer();
  gradient->setFrame({0, 0, 200, 100});
  gradient->setColors({Color::rgba(1, 0, 0, 1), Color::rgba(0, 0, 1, 1)});
  gradient->setStartPoint({0, 0});
  gradient->setEndPoint({1, 0});
  auto text = Layer::layer();
  text->setFrame({0, 0, 200, 100});
  quartz::GraphicsContext gc({0, 0, 200, 100});
  quartz::TextBox box;
  box.text = quartz::AttributedString("H");
  box.defaultFont = quartz::Font::fontWithName("DejaVuSans", 80);
  box.defaultColor = Color::rgba(0, 1, 0, 1);  // the label's own colour never shows
  box.rect = {0, 0, 200, 100};
  box.alignment = quartz::TextAlignment::Center;
  gc.drawText(box);
  text->setDisplayList(std::make_shared<quartz::DisplayList>(gc.takeDisplayList()));
  gradient->setMask(text);
  r->addSublayer(gradient);
  auto img = draw(*r);
  // Find the ink and check every inked pixel is gradient-coloured.
  int inkedPixels = 0, minX = 200, maxX = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x) {
      Argb p = argb(img->pixelAt(x, y));
      if (p.a == 0) continue;
      EXPECT_EQ(p.g, 0) << x << "," << y;
      if (p.a == 255) ++inkedPixels, minX = std::min(minX, x), maxX = std::max(maxX, x);
    }
  EXPECT_GT(inkedPixels, 500);
  // "H" at 80 pt is about 60 points wide, centred: between its stems is a hole.
  EXPECT_GT(minX, 60);
  EXPECT_LT(maxX, 140);
  EXPECT_EQ(img->pixelAt(100, 30), 0u);  // between the stems, above the bar
  EXPECT_EQ(img->pixelAt(5, 50), 0u);    // outside the text
  EXPECT_GT(argb(img->pixelAt(minX + 2, 50)).r, argb(img->pixelAt(maxX - 2, 50)).r);  // red to blue
}

TEST_F(RendererTest, StrokeEndStrokesThatFractionOfThePath) {
  auto r = root();
  auto shape = quartz::ShapeLayer::layer();
  shape->setFrame({0, 0, 100, 100});
  quartz::Path path;
  path.moveTo({10, 50});
  path.lineTo({90, 50});
  shape->setPath(path);
  shape->setFillColor(Color::clear());
  shape->setStrokeColor(Color::black());
  shape->setLineWidth(4);
  r->addSublayer(shape);
  auto inkIn = [&](int x0, int x1) { return inked(*draw(*r), x0, 45, x1, 55); };
  shape->setStrokeEnd(0);
  EXPECT_EQ(inkIn(0, 100), 0);
  shape->setStrokeEnd(0.5);
  EXPECT_EQ(inkIn(10, 50), 40 * 4);
  EXPECT_EQ(inkIn(50, 100), 0);
  shape->setStrokeEnd(1);
  EXPECT_EQ(inkIn(10, 90), 80 * 4);
  shape->setStrokeStart(0.75);
  EXPECT_EQ(inkIn(0, 70), 0);
  EXPECT_EQ(inkIn(70, 90), 20 * 4);
}

TEST_F(RendererTest, AnimatedStrokeEndFollowsTheClock) {
  auto r = root();
  auto shape = quartz::ShapeLayer::layer();
  shape->setFrame({0, 0, 100, 100});
  quartz::Path path;
  path.moveTo({0, 50});
  path.lineTo({100, 50});
  shape->setPath(path);
  shape->setFillColor(Color::clear());
  shape->setStrokeColor(Color::black());
  shape->setLineWidth(2);
  quartz::BasicAnimation a("strokeEnd");
  a.setFromValue(0.0);
  a.setToValue(1.0);
  a.setDuration(1.0);
  shape->addAnimation(a, "strokeEnd");
  r->addSublayer(shape);
  quartz::Transaction::flush();
  double begin = foundation::RunLoop::main().now();
  auto at = [&](double dt) {
    auto img = renderer_.renderImage(*r, begin + dt);
    return inked(*img, 0, 45, 100, 55) / 2;
  };
  EXPECT_EQ(at(0.25), 25);
  EXPECT_EQ(at(0.5), 50);
  EXPECT_EQ(at(2.0), 100);  // removed on completion: the model's stroke end 1
}

TEST_F(RendererTest, ContentsRectSelectsAQuarterOfTheImage) {
  // 20x20 image: red, green / blue, white quadrants.
  std::vector<std::uint32_t> px(400);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      px[static_cast<std::size_t>(y * 20 + x)] = y < 10 ? (x < 10 ? 0xffff0000u : 0xff00ff00u)
                                                        : (x < 10 ? 0xff0000ffu : 0xffffffffu);
  auto image = quartz::Image::create(20, 20, 1.0, px);
  auto r = root();
  auto tile = Layer::layer();
  tile->setFrame({10, 10, 40, 40});
  tile->setContents(image);
  tile->setContentsRect({0.5, 0, 0.5, 0.5});
  r->addSublayer(tile);
  auto img = draw(*r);
  for (auto [x, y] : {std::pair{11, 11}, {30, 30}, {48, 48}, {11, 48}})
    EXPECT_EQ(img->pixelAt(x, y), 0xff00ff00u) << x << "," << y;
  EXPECT_EQ(img->pixelAt(51, 30), 0u);
  tile->setContentsRect({0, 0.5, 0.5, 0.5});
  EXPECT_EQ(draw(*r)->pixelAt(30, 30), 0xff0000ffu);
}

TEST_F(RendererTest, FlippedZeroSizeShapeLayerDrawsYUpPathsBelowItsOrigin) {
  // A path in y-up coordinates with negative y lands below the layer origin.
  auto r = root();
  auto shape = quartz::ShapeLayer::layer();
  shape->setFrame({10, 0, 0, 0});
  shape->setGeometryFlipped(true);
  quartz::Path path;
  path.addRect({0, -30, 20, 10});  // y from -30 to -20, y up
  shape->setPath(path);
  r->addSublayer(shape);
  auto img = draw(*r);
  EXPECT_EQ(inked(*img, 10, 20, 30, 30), 200);
  EXPECT_EQ(inked(*img, 0, 0, 100, 100), 200);
}

TEST_F(RendererTest, UnchangedFrameRendersNothingAndMovesReuseContent) {
  auto r = root(300, 40);
  auto label = Layer::layer();
  label->setFrame({0, 0, 200, 40});
  quartz::GraphicsContext gc({0, 0, 200, 40});
  quartz::TextBox box;
  box.text = quartz::AttributedString("Moving line");
  box.defaultFont = quartz::Font::fontWithName("DejaVuSans", 26);
  box.rect = {0, 0, 200, 40};
  gc.drawText(box);
  label->setDisplayList(std::make_shared<quartz::DisplayList>(gc.takeDisplayList()));
  r->addSublayer(label);
  quartz::Transaction::flush();
  render::Canvas canvas({300, 40});
  double t = foundation::RunLoop::main().now();
  EXPECT_TRUE(renderer_.render(*r, t, canvas));
  EXPECT_FALSE(renderer_.render(*r, t + 1, canvas));  // nothing changed
  EXPECT_EQ(renderer_.stats().framesSkipped, 1u);

  auto before = renderer_.stats();
  for (int step = 1; step <= 5; ++step) {
    label->setPosition({100.0 + step, 20});
    quartz::Transaction::flush();
    EXPECT_TRUE(renderer_.render(*r, t + step, canvas));
  }
  auto after = renderer_.stats();
  EXPECT_EQ(after.contentRasterized - before.contentRasterized, 1u);
  EXPECT_EQ(after.contentFromCache - before.contentFromCache, 4u);
  // The cached raster lands exactly where drawing directly would put it.
  render::Renderer fresh;
  auto direct = fresh.renderImage(*r, t + 5);
  auto cached = canvas.image();
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 300; ++x) ASSERT_EQ(cached->pixelAt(x, y), direct->pixelAt(x, y)) << x << "," << y;
}

TEST_F(RendererTest, SnapshotShowsTheCommittedStateNotTheModel) {
  auto r = root(10, 10);
  r->setBackgroundColor(Color::rgba(1, 0, 0, 1));
  quartz::Transaction::flush();
  r->setBackgroundColor(Color::rgba(0, 0, 1, 1));  // not committed yet
  EXPECT_EQ(render::snapshotLayer(*r)->pixelAt(5, 5), 0xffff0000u);
  quartz::Transaction::flush();
  EXPECT_EQ(render::snapshotLayer(*r)->pixelAt(5, 5), 0xff0000ffu);
}

// A scene of everything at once: rounded, bordered, shadowed card with a
// gradient, text with a shadow, and a partially stroked outline.
TEST_F(RendererTest, CompositeSceneMatchesItsReference) {
  auto r = root(240, 160);
  r->setBackgroundColor(Color::rgba(0.95, 0.95, 0.9, 1));
  auto card = filled({20, 20, 200, 120}, Color::rgba(0.2, 0.3, 0.6, 1));
  card->setCornerRadius(16);
  card->setBorderWidth(3);
  card->setBorderColor(Color::rgba(1, 1, 1, 0.8));
  card->setShadowOpacity(0.6);
  card->setShadowRadius(6);
  card->setShadowOffset({0, 4});
  auto gradient = quartz::GradientLayer::layer();
  gradient->setFrame({10, 80, 180, 30});
  gradient->setColors({Color::hsba(0.3, 0.3, 0.38, 1), Color::hsba(0.95, 0.99, 0.88, 1)});
  gradient->setStartPoint({0, 0});
  gradient->setEndPoint({1, 0});
  card->addSublayer(gradient);
  auto label = Layer::layer();
  label->setFrame({10, 10, 180, 40});
  quartz::GraphicsContext gc({0, 0, 180, 40});
  quartz::TextBox box;
  quartz::TextAttributes attrs;
  attrs.foregroundColor = Color::white();
  attrs.shadow = quartz::Shadow{{0, 0}, 6, Color::rgba(0.2, 0.2, 0.2, 1)};
  box.text = quartz::AttributedString("Hello 你好", attrs);
  box.defaultFont = quartz::Font::fontWithName("PingFangSC-Regular", 26);
  box.rect = {0, 0, 180, 40};
  box.alignment = quartz::TextAlignment::Center;
  gc.drawText(box);
  label->setDisplayList(std::make_shared<quartz::DisplayList>(gc.takeDisplayList()));
  card->addSublayer(label);
  auto outline = quartz::ShapeLayer::layer();
  outline->setFrame({10, 50, 0, 0});
  outline->setGeometryFlipped(true);
  outline->setPath(text::typesetLine("Ab", quartz::Font::fontWithName("DejaVuSans", 24))
                       ->glyphPath()
                       .transformed(quartz::AffineTransform::makeTranslation(0, -22)));
  outline->setFillColor(Color::clear());
  outline->setStrokeColor(Color::rgba(1, 0.8, 0, 1));
  outline->setLineJoin(quartz::LineJoin::Round);
  outline->setStrokeEnd(0.6);
  card->addSublayer(outline);
  r->addSublayer(card);
  auto img = draw(*r);
  // Antialiased text may differ by a few levels between library builds.
  EXPECT_TRUE(hvtest::matchesGolden(*img, goldenDir(), "composite_scene", {.maxChannelDifference = 8,
                                                                          .maxDifferingPixels = 40}));
}

}  // namespace

namespace {

// A wide text shadow is blurred at half resolution; scaled back up it must
// ramp pixel by pixel, not in 2x2 blocks. The shadow of a full block glyph,
// moved clear of the glyph, has straight edges to read the ramp across.
TEST_F(RendererTest, TextShadowEdgesRampPixelByPixel) {
  auto r = root(160, 160);
  auto text = Layer::layer();
  text->setFrame({0, 0, 160, 160});
  quartz::GraphicsContext gc({0, 0, 160, 160});
  quartz::TextBox box;
  quartz::TextAttributes attrs;
  attrs.foregroundColor = Color::rgba(1, 1, 1, 1);
  attrs.shadow = quartz::Shadow{{70, 70}, 8, Color::rgba(0, 0, 0, 1)};
  box.text = quartz::AttributedString("\u2588", attrs);
  box.defaultFont = quartz::Font::fontWithName("DejaVuSans", 48);
  box.rect = {0, 0, 80, 70};
  gc.drawText(box);
  text->setDisplayList(std::make_shared<quartz::DisplayList>(gc.takeDisplayList()));
  r->addSublayer(text);
  auto img = draw(*r);
  // The middle of the shadow's solid core (the glyph itself lies above left).
  int sumX = 0, sumY = 0, core = 0;
  for (int y = 70; y < 160; ++y)
    for (int x = 70; x < 160; ++x)
      if (argb(img->pixelAt(x, y)).a >= 250) sumX += x, sumY += y, ++core;
  ASSERT_GT(core, 100);
  const int cx = sumX / core, cy = sumY / core;
  struct Edge {
    const char* name;
    int dx, dy;  // walking outwards from the middle
  };
  for (Edge e : {Edge{"left", -1, 0}, Edge{"right", 1, 0}, Edge{"top", 0, -1}, Edge{"bottom", 0, 1}}) {
    std::vector<int> ramp;  // alpha along the steep part of the fade
    for (int x = cx, y = cy; x >= 0 && y >= 0 && x < 160 && y < 160; x += e.dx, y += e.dy) {
      int a = argb(img->pixelAt(x, y)).a;
      if (a > 20 && a < 235) ramp.push_back(a);
    }
    EXPECT_GE(ramp.size(), 4u) << e.name;
    int repeats = 0;
    for (std::size_t i = 1; i < ramp.size(); ++i) repeats += ramp[i] == ramp[i - 1];
    EXPECT_EQ(repeats, 0) << e.name << " edge steps: " << ::testing::PrintToString(ramp);
  }
}

// A line set in several faces (Latin, then CJK from the fallback face, then
// Latin) casts one shadow under all of it, not only under its first run.
TEST_F(RendererTest, EveryRunOfALineCastsItsShadow) {
  auto r = root(320, 80);
  auto text = Layer::layer();
  text->setFrame({0, 0, 320, 80});
  quartz::GraphicsContext gc({0, 0, 320, 80});
  quartz::TextBox box;
  quartz::TextAttributes attrs;
  attrs.foregroundColor = Color::rgba(1, 1, 1, 1);
  attrs.shadow = quartz::Shadow{{0, 30}, 2, Color::rgba(0, 0, 0, 1)};
  box.text = quartz::AttributedString("Hello \u4f60\u597d, lyrics", attrs);
  box.defaultFont = quartz::Font::fontWithName("DejaVuSans", 24);
  box.rect = {0, 0, 320, 30};
  gc.drawText(box);
  text->setDisplayList(std::make_shared<quartz::DisplayList>(gc.takeDisplayList()));
  r->addSublayer(text);
  auto img = draw(*r);
  // Columns where the text inks (white, above y 30) and where the shadow
  // inks (black, below y 30); the shadow is the text moved down.
  int textColumns = 0, shadowedColumns = 0;
  for (int x = 0; x < 320; ++x) {
    bool inked = false, shadowed = false;
    for (int y = 0; y < 30; ++y) {
      Argb p = argb(img->pixelAt(x, y));
      inked = inked || (p.a > 200 && p.r > 200);
    }
    for (int y = 30; y < 80; ++y) {
      Argb p = argb(img->pixelAt(x, y));
      shadowed = shadowed || (p.a > 40 && p.r < 60);
    }
    textColumns += inked;
    shadowedColumns += inked && shadowed;
  }
  ASSERT_GT(textColumns, 80);
  EXPECT_GE(shadowedColumns, textColumns * 95 / 100);
}

// The shatter's snapshot: the label is blanked and snapshotted in the same
// turn, so the picture still shows the previous line.
TEST_F(RendererTest, ViewSnapshotInTheSameTurnShowsThePreviousText) {
  auto label = std::make_shared<ui::Label>(ui::Rect{0, 0, 120, 40});
  label->setFont(quartz::Font::fontWithName("PingFangSC-Regular", 24));
  label->setTextColor(ui::Color::colorWithRed(1, 1, 1, 1));
  label->setText("你好");
  quartz::Transaction::flush();
  label->setText("");
  auto before = render::snapshotView(*label);
  EXPECT_EQ(before->width(), 120);
  EXPECT_GT(inked(*before, 0, 0, 120, 40), 50);
  quartz::Transaction::flush();
  EXPECT_EQ(inked(*render::snapshotView(*label), 0, 0, 120, 40), 0);
}

}  // namespace

namespace {

// The standard controls on the settings panel's grey, as the panel shows
// them in its scroll view (scrolled 25 points, so the top switch row is
// clipped at the scroll view's top edge): switches off and on (one
// half-way through its slide), a slider, the colour target segments, the
// preview and close buttons.
TEST_F(RendererTest, StandardControlsOnThePanelGrey) {
  auto panel = std::make_shared<ui::View>(ui::Rect{0, 0, 320, 250});
  panel->setBackgroundColor(ui::Color::colorWithRed(242 / 255.0, 242 / 255.0, 247 / 255.0, 1));
  auto off = std::make_shared<ui::Switch>(ui::Rect{20, 20, 0, 0});
  auto on = std::make_shared<ui::Switch>(ui::Rect{90, 20, 0, 0});
  on->setOn(true);
  auto sliding = std::make_shared<ui::Switch>(ui::Rect{160, 20, 0, 0});
  auto slider = std::make_shared<ui::Slider>(ui::Rect{20, 70, 280, 20});
  slider->setValue(0.3f);
  auto segments = std::make_shared<ui::SegmentedControl>(
      std::vector<std::string>{"歌词颜色", "背景颜色", "熄屏歌词颜色", "媒体控制颜色"}, ui::Rect{10, 110, 300, 30});
  segments->setSelectedSegmentIndex(1);
  auto preview = ui::Button::buttonWithType(ui::ButtonType::System);
  preview->setFrame({10, 150, 300, 20});
  preview->setTitle("颜色预览区域", ui::ControlState::Normal);
  preview->setTitleColor(ui::Color::brownColor(), ui::ControlState::Normal);
  preview->titleLabel()->setFont(quartz::Font::systemFont(14));
  preview->setBackgroundColor(ui::Color::colorWithRed(1, 0.8, 0.9, 1));
  preview->layer()->setCornerRadius(5);
  preview->layer()->setBorderWidth(1);
  auto close = ui::Button::buttonWithType(ui::ButtonType::Custom);
  close->setFrame({10, 190, 300, 40});
  close->setBackgroundColor(ui::Color::colorWithRed(21 / 255.0, 125 / 255.0, 251 / 255.0, 1));
  close->layer()->setCornerRadius(5);
  close->setClipsToBounds(true);
  close->setTitle("关闭", ui::ControlState::Normal);
  auto scroll = std::make_shared<ui::ScrollView>(ui::Rect{0, 20, 320, 230});
  scroll->setContentSize({320, 400});
  panel->addSubview(scroll);
  for (auto v : std::vector<std::shared_ptr<ui::View>>{off, on, sliding, slider, segments, preview, close})
    scroll->addSubview(v);
  scroll->setContentOffset({0, 25});
  quartz::Transaction::flush();
  sliding->setOn(true, true);
  quartz::Transaction::flush();
  clock_->set(clock_->now() + 0.125);  // half-way through the slide
  auto img = render::snapshotView(*panel);
  EXPECT_TRUE(hvtest::matchesGolden(*img, goldenDir(), "standard_controls", {.maxChannelDifference = 8,
                                                                            .maxDifferingPixels = 60}));
}

}  // namespace
