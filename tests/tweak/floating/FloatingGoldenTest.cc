// Reference images of the floating window in each presentation, with pinned
// fonts (DejaVu and WenQuanYi Micro Hei). Antialiased glyph edges and the
// blurred shadow may move by a few levels between cairo/pango builds, hence
// the declared tolerance. Regenerate with UPDATE_GOLDENS=1.

#include <gtest/gtest.h>

#include <string>

#include "FloatingTestEnvironment.h"
#include "GoldenImage.h"
#include "TestFonts.h"
#include "floating/MMLyricSuperWindow.h"
#include "quartz/Transaction.h"
#include "render/Renderer.h"
#include "settings/SettingKeys.h"

namespace {

using SettingKey::colorComponent;

std::string goldenDir() { return hvtest::supportDirectory() + "/../tweak/floating/golden"; }

// A few levels on glyph edges; a few dozen edge pixels may differ more.
constexpr hvtest::Tolerance kTolerance{.maxChannelDifference = 8, .maxDifferingPixels = 40};

const std::string kLine = "Hello 你好, lyrics";

class FloatingGoldenTest : public FloatingTest {
 protected:
  FloatingGoldenTest() {
    // Opaque white text on a dark, opaque ground, as a user would set them.
    for (auto suffix : {SettingKey::ColorSuffixR, SettingKey::ColorSuffixG, SettingKey::ColorSuffixB,
                        SettingKey::ColorSuffixA})
      set(colorComponent(SettingKey::hoverVerseColor, suffix), "1");
    set(colorComponent(SettingKey::bgColor, SettingKey::ColorSuffixR), "0.1");
    set(colorComponent(SettingKey::bgColor, SettingKey::ColorSuffixG), "0.1");
    set(colorComponent(SettingKey::bgColor, SettingKey::ColorSuffixB), "0.15");
    set(colorComponent(SettingKey::bgColor, SettingKey::ColorSuffixA), "1");
  }
  std::shared_ptr<MMLyricSuperWindow> show(const std::string& line) {
    auto window = MMLyricSuperWindow::initWithFrame(ui::Rect(20, 80, 300, 40));
    window->makeKeyAndVisible();
    window->setLyric(line);
    return window;
  }
  std::shared_ptr<const quartz::Image> draw(const ui::View& window) {
    quartz::Transaction::flush();
    return renderer_.renderImage(*window.layer(), now(), 1);
  }
  render::Renderer renderer_;
};

TEST_F(FloatingGoldenTest, PlainCentredLine) {
  auto window = show(kLine);
  EXPECT_TRUE(hvtest::matchesGolden(*draw(*window), goldenDir(), "floating_plain", kTolerance));
}

TEST_F(FloatingGoldenTest, ShadowedLine) {
  set(SettingKey::fontShadow_animation, "1");
  set(SettingKey::fontLayerShadow, "1");
  // A light ground so the grey shadow shows around the white glyphs.
  set(colorComponent(SettingKey::bgColor, SettingKey::ColorSuffixR), "0.7");
  set(colorComponent(SettingKey::bgColor, SettingKey::ColorSuffixG), "0.75");
  set(colorComponent(SettingKey::bgColor, SettingKey::ColorSuffixB), "0.8");
  auto window = show(kLine);
  EXPECT_TRUE(hvtest::matchesGolden(*draw(*window), goldenDir(), "floating_shadow", kTolerance));
}

TEST_F(FloatingGoldenTest, GradientAtFourSeconds) {
  set(SettingKey::randomColor_animation, "1");
  auto window = show(kLine);
  advance(4.0);  // most of the way from (yellow, green) to (green, cyan)
  EXPECT_TRUE(hvtest::matchesGolden(*draw(*window), goldenDir(), "floating_gradient_4s", kTolerance));
}

TEST_F(FloatingGoldenTest, OutlineHalfDrawn) {
  set(SettingKey::fontPath_animation, "1");
  set(SettingKey::fontPathDuration, "2");
  set(SettingKey::fontPathLineWidth, "1");
  auto window = show(kLine);
  advance(1.0);  // half of the 2 s stroke
  EXPECT_TRUE(hvtest::matchesGolden(*draw(*window), goldenDir(), "floating_outline_half", kTolerance));
}

}  // namespace
