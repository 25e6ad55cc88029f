// Reference images of the whole always-on window (375 x 812 at one pixel
// per point) with the pinned test fonts: a plain line, the control bar with
// artwork and song name, and a shatter caught half-way with a fixed random
// sequence. The lyric font "PingFangSC-Regular" is not among the test fonts,
// so the line falls back to them as it does on any machine without it.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "AlwaysOnTestEnv.h"
#include "GoldenImage.h"
#include "alwayson/FullScreenWindow.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Random.h"
#include "foundation/Text.h"
#include "lyric/LyricManager.h"
#include "quartz/Image.h"
#include "quartz/Transaction.h"
#include "render/ImageCodec.h"
#include "render/Canvas.h"
#include "render/Renderer.h"

namespace {

std::string goldenDir() { return hvtest::supportDirectory() + "/../tweak/alwayson/golden"; }

// Antialiased glyph edges may move by a few levels between cairo/pango
// builds; anything larger than that, or more pixels, is a real change.
constexpr hvtest::Tolerance kTextTolerance{.maxChannelDifference = 24, .maxDifferingPixels = 150};

class FullScreenWindowImageTest : public AlwaysOnTest {
 protected:
  void SetUp() override {
    AlwaysOnTest::SetUp();
    for (const char* c : {"_R", "_G", "_B", "_A"}) set(std::string("USERKEY_13_aodLyricColor") + c, "1");
    set("USERKEY_13_alwaysOnFontSize", "24");
    window = FullScreenWindow::initWithFrame({0, 0, 375, 812});
    window->setHidden(false);
  }
  void TearDown() override {
    window.reset();
    quartz::Image::setDecoder({});
    AlwaysOnTest::TearDown();
  }
  // The committed tree as the compositor shows it now.
  std::shared_ptr<const quartz::Image> screen() const {
    quartz::Transaction::flush();
    return render::Renderer::shared().renderImage(*window->layer(), now());
  }
  std::shared_ptr<FullScreenWindow> window;
};

TEST_F(FullScreenWindowImageTest, PlainLine) {
  window->fullScreenAddLyric("我们的歌在风里轻声唱 Every word a little light across the dark");
  turn();
  EXPECT_TRUE(hvtest::matchesGolden(*screen(), goldenDir(), "alwayson_plain", kTextTolerance));
}

TEST_F(FullScreenWindowImageTest, ControlBarWithArtworkAndSongName) {
  quartz::Image::setDecoder([](std::span<const std::uint8_t> bytes) { return render::decodeImage(bytes); });
  // A 4 x 4 artwork: four coloured quarters.
  std::vector<std::uint32_t> pixels(16);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      pixels[static_cast<std::size_t>(y * 4 + x)] =
          y < 2 ? (x < 2 ? 0xffe04040u : 0xff40a0e0u) : (x < 2 ? 0xff40c060u : 0xfff0c020u);
  const std::vector<std::uint8_t> png = render::encodePNG(*quartz::Image::create(4, 4, 1.0, std::move(pixels)));
  set("USERKEY_13_alwaysOnMediaControl", "1");
  set("USERKEY_13_mediaControlColor_R", "1.000000");
  set("USERKEY_13_mediaControlColor_G", "0.800000");
  set("USERKEY_13_mediaControlColor_B", "0.200000");
  set("USERKEY_13_mediaControlColor_A", "1.000000");
  // The bar exists since the window was made: the panel's notification
  // recolours the name and redraws both symbols.
  foundation::NotificationCenter::defaultCenter().post("MediaCOntrol_Color_Change_Niti");
  window->addImageBase64(foundation::base64Encode(png.data(), png.size()));
  LyricManager::shareManager().dicToLyric(foundation::Value(foundation::Dictionary{
      {"lyric", "{\n    albumTitle = \"line\";\n    title = \"Song of the Night\";\n}"},
      {"bundleId", "com.netease.cloudmusic"}}));
  window->fullScreenAddLyric("温柔的梦慢慢醒来");
  turn();
  ASSERT_FALSE(window->mediaControlView()->isHidden());
  ASSERT_NE(window->artImgView()->image(), nullptr);
  EXPECT_TRUE(hvtest::matchesGolden(*screen(), goldenDir(), "alwayson_control_bar", kTextTolerance));
}

TEST_F(FullScreenWindowImageTest, ShatterHalfWay) {
  // A fixed sequence of random words (a linear congruential generator), so
  // every tile's angle and drift are the same on every run.
  std::uint32_t state = 12345;
  foundation::setRandomSource([&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  });
  set("USERKEY_13_aod_smashAnimation", "1");
  set("USERKEY_13_smashDuration", "1.000000");
  window->fullScreenAddLyric("我们的歌在风里轻声唱");
  advance(1.5);  // the first shatter is over and its line is displayed
  ASSERT_EQ(window->smashView()->lyricLabel()->text(), "我们的歌在风里轻声唱");
  window->fullScreenAddLyric("And the night keeps singing");
  advance(0.4);  // the old line half broken up; the new one in place since 0.2 s
  EXPECT_TRUE(hvtest::matchesGolden(*screen(), goldenDir(), "alwayson_shatter_0_4s", kTextTolerance));
}

}  // namespace

TEST_F(FullScreenWindowImageTest, APlainLineAfterAGradientOneSettlesAndIsNotDrawnAgain) {
  // The locked screen must cost nothing while the line stands still, even
  // with the gradient's endless colour cycle still attached under it.
  set("USERKEY_13_aod_gradientAnimation", "1");
  window->fullScreenAddLyric("彩虹一样的歌");
  advance(1);
  set("USERKEY_13_aod_gradientAnimation", "0");
  window->fullScreenAddLyric("plain and still");
  advance(2);
  quartz::Transaction::flush();
  render::Renderer renderer;
  render::Canvas canvas({375, 812});
  EXPECT_TRUE(renderer.render(*window->layer(), now(), canvas));
  int drawn = 0;
  for (int frame = 1; frame <= 600; ++frame) {  // 10 s at 60 Hz
    advance(1.0 / 60);
    drawn += renderer.render(*window->layer(), now(), canvas) ? 1 : 0;
  }
  EXPECT_EQ(drawn, 0);
}
