// What the floating window draws: ink position and colour, clipping, the
// gradient's colours over time and the outline being stroked. Fonts are
// pinned (DejaVu and WenQuanYi Micro Hei only).

#include <gtest/gtest.h>

#include <string>

#include "FloatingTestEnvironment.h"
#include "floating/MMLyricSuperWindow.h"
#include "foundation/NotificationCenter.h"
#include "quartz/Transaction.h"
#include "render/Canvas.h"
#include "render/Renderer.h"
#include "settings/SettingKeys.h"

namespace {

struct Argb {
  int a, r, g, b;
};
Argb argb(std::uint32_t p) {
  return {static_cast<int>(p >> 24), static_cast<int>((p >> 16) & 0xff), static_cast<int>((p >> 8) & 0xff),
          static_cast<int>(p & 0xff)};
}

// The box of pixels with alpha above a quarter, and the colour sums there.
struct Ink {
  int minX = 1 << 30, minY = 1 << 30, maxX = -1, maxY = -1, count = 0;
  double r = 0, g = 0, b = 0;  // mean unpremultiplied colour of the ink
};

Ink inkOf(const quartz::Image& image) {
  Ink ink;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const Argb p = argb(image.pixelAt(x, y));
      if (p.a < 64) continue;
      ink.minX = std::min(ink.minX, x);
      ink.maxX = std::max(ink.maxX, x);
      ink.minY = std::min(ink.minY, y);
      ink.maxY = std::max(ink.maxY, y);
      ++ink.count;
      ink.r += 255.0 * p.r / p.a;
      ink.g += 255.0 * p.g / p.a;
      ink.b += 255.0 * p.b / p.a;
    }
  if (ink.count > 0) {
    ink.r /= ink.count;
    ink.g /= ink.count;
    ink.b /= ink.count;
  }
  return ink;
}

class FloatingRenderTest : public FloatingTest {
 protected:
  FloatingRenderTest() {
    // White lyric text, as the settings panel stores it at start-up.
    for (auto suffix : {SettingKey::ColorSuffixR, SettingKey::ColorSuffixG, SettingKey::ColorSuffixB,
                        SettingKey::ColorSuffixA})
      set(SettingKey::colorComponent(SettingKey::hoverVerseColor, suffix), "1");
  }
  std::shared_ptr<const quartz::Image> draw(const ui::View& window) {
    quartz::Transaction::flush();
    return renderer_.renderImage(*window.layer(), now(), 1);
  }
  render::Renderer renderer_;
};

TEST_F(FloatingRenderTest, PlainLineIsWhiteCentredAndOnTheBaseline) {
  auto window = MMLyricSuperWindow::initWithFrame(ui::Rect(20, 80, 300, 40));
  window->setLyric("HHHH");
  const auto image = draw(*window);
  ASSERT_EQ(image->width(), 300);
  const Ink ink = inkOf(*image);
  ASSERT_GT(ink.count, 100);
  EXPECT_GT(ink.r, 250);
  EXPECT_GT(ink.g, 250);
  EXPECT_GT(ink.b, 250);
  // Centred: equal margins within a pixel or two.
  EXPECT_NEAR(ink.minX, 299 - ink.maxX, 2);
  // Caps stand inside the 40-point line, clear of both edges.
  EXPECT_GT(ink.minY, 2);
  EXPECT_LT(ink.maxY, 38);
}

TEST_F(FloatingRenderTest, LyricColourNotificationRecoloursTheShownLineAtOnce) {
  set(SettingKey::fontShadow_animation, "1");
  set(SettingKey::fontLayerShadow, "1");
  auto window = MMLyricSuperWindow::initWithFrame(ui::Rect(20, 80, 300, 40));
  window->setLyric("HHHH");
  const Ink white = inkOf(*draw(*window));
  ASSERT_GT(white.count, 100);
  // White glyphs and their grey shadow: every channel alike.
  EXPECT_NEAR(white.r, white.g, 1);
  EXPECT_NEAR(white.b, white.g, 1);
  set(SettingKey::colorComponent(SettingKey::hoverVerseColor, SettingKey::ColorSuffixR), "0");
  set(SettingKey::colorComponent(SettingKey::hoverVerseColor, SettingKey::ColorSuffixB), "0");
  foundation::NotificationCenter::defaultCenter().post(std::string(SettingNotification::NOTI_Lyric_Color));
  // Same line, same place, now green; the shadow is still drawn.
  const auto image = draw(*window);
  const Ink green = inkOf(*image);
  EXPECT_NEAR(green.count, white.count, white.count / 20);
  EXPECT_EQ(green.minX, white.minX);
  EXPECT_NEAR(green.g, white.g, 3);
  EXPECT_LT(green.r, white.r / 4);
  EXPECT_LT(green.b, white.b / 4);
  const auto& runs = window->normalView()->lyricLabel()->attributedText().runs();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(runs[0].attributes.shadow.has_value());
}

TEST_F(FloatingRenderTest, BackgroundAndClippingToTheWindow) {
  set(SettingKey::colorComponent(SettingKey::bgColor, SettingKey::ColorSuffixB), "1");
  set(SettingKey::colorComponent(SettingKey::bgColor, SettingKey::ColorSuffixA), "1");
  auto window = MMLyricSuperWindow::initWithFrame(ui::Rect(0, 0, 100, 40));
  window->setLyric("A line much too long for a window of one hundred points");
  const auto image = draw(*window);
  ASSERT_EQ(image->width(), 100);
  // Opaque blue ground everywhere; white ink starts at the left edge (x = 0)
  // and runs to the right edge, cut by the window.
  const Argb corner = argb(image->pixelAt(99, 0));
  EXPECT_EQ(corner.a, 255);
  EXPECT_EQ(corner.b, 255);
  EXPECT_EQ(corner.r, 0);
  int whiteLeft = 0, whiteRight = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 12; ++x) whiteLeft += argb(image->pixelAt(x, y)).r > 200;
    for (int x = 88; x < 100; ++x) whiteRight += argb(image->pixelAt(x, y)).r > 200;
  }
  EXPECT_GT(whiteLeft, 10);
  EXPECT_GT(whiteRight, 10);
}

TEST_F(FloatingRenderTest, GradientInkFollowsTheColourCycle) {
  set(SettingKey::randomColor_animation, "1");
  auto window = MMLyricSuperWindow::initWithFrame(ui::Rect(0, 0, 300, 40));
  window->makeKeyAndVisible();
  window->setLyric("██████");
  advance(0.5);  // first pair held: red to orange, left to right
  Ink early = inkOf(*draw(*window));
  ASSERT_GT(early.count, 100);
  EXPECT_GT(early.r, 240);
  EXPECT_LT(early.b, 20);
  advance(4.7 - 0.5);  // (green, cyan)
  Ink later = inkOf(*draw(*window));
  EXPECT_LT(later.r, 20);
  EXPECT_GT(later.g, 180);  // green to cyan, cyan to blue: mostly green
}

TEST_F(FloatingRenderTest, OutlineIsStrokedProgressivelyThenWhole) {
  set(SettingKey::fontPath_animation, "1");
  set(SettingKey::fontPathDuration, "2");
  auto window = MMLyricSuperWindow::initWithFrame(ui::Rect(0, 0, 300, 40));
  window->setLyric("HHHH");
  advance(0.01);
  const Ink start = inkOf(*draw(*window));
  advance(0.99);
  const Ink half = inkOf(*draw(*window));
  advance(1.5);
  const Ink whole = inkOf(*draw(*window));
  EXPECT_LT(start.count, half.count);
  EXPECT_LT(half.count, whole.count);
  // Only outlines: far less ink than the filled letters of the plain label.
  set(SettingKey::fontPath_animation, "0");
  window->setLyric("HHHH");
  const Ink filled = inkOf(*draw(*window));
  EXPECT_LT(whole.count, filled.count);
  // The whole outline spans the same letters, on the same baseline.
  EXPECT_NEAR(whole.minX, filled.minX, 2);
  EXPECT_NEAR(whole.maxX, filled.maxX, 2);
  EXPECT_NEAR(whole.maxY, filled.maxY, 2);
}

}  // namespace

TEST_F(FloatingRenderTest, APlainLineAfterAGradientOneSettlesAndIsNotDrawnAgain) {
  set(SettingKey::randomColor_animation, "1");
  auto window = MMLyricSuperWindow::initWithFrame(ui::Rect(0, 0, 300, 40));
  window->makeKeyAndVisible();
  window->setLyric("彩虹");
  set(SettingKey::randomColor_animation, "0");
  window->setLyric("plain");
  advance(1);
  quartz::Transaction::flush();
  render::Canvas canvas({300, 40});
  EXPECT_TRUE(renderer_.render(*window->layer(), now(), canvas));
  int drawn = 0;
  for (int frame = 1; frame <= 600; ++frame) {  // 10 s at 60 Hz
    advance(1.0 / 60);
    drawn += renderer_.render(*window->layer(), now(), canvas) ? 1 : 0;
  }
  EXPECT_EQ(drawn, 0);
}
