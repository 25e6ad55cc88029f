#include "alwayson/FullScreenWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AlwaysOnTestEnv.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Text.h"
#include "lyric/LyricManager.h"
#include "quartz/Image.h"
#include "quartz/Transaction.h"
#include "render/ImageCodec.h"
#include "render/Renderer.h"
#include "settings/MMLocalSettingManager.h"

namespace {

class FullScreenWindowTest : public AlwaysOnTest {
 protected:
  void SetUp() override {
    AlwaysOnTest::SetUp();
    window = FullScreenWindow::initWithFrame({0, 0, 375, 812});
  }
  void TearDown() override {
    window.reset();
    quartz::Image::setDecoder({});
    AlwaysOnTest::TearDown();
  }
  // Which presentation shows: "hp", "gradient", "smash", "label".
  std::string mode() const {
    std::vector<std::string> shown;
    if (!window->hpView()->isHidden()) shown.push_back("hp");
    if (!window->gradientLabel()->isHidden()) shown.push_back("gradient");
    if (!window->smashView()->isHidden()) shown.push_back("smash");
    if (!window->label()->isHidden()) shown.push_back("label");
    std::string out;
    for (const auto& s : shown) out += (out.empty() ? "" : "+") + s;
    return out;
  }
  std::shared_ptr<FullScreenWindow> window;
};

TEST_F(FullScreenWindowTest, GeometryAndOrderAtCreation) {
  EXPECT_EQ(window->backgroundColor(), std::optional<ui::Color>(ui::Color::blackColor()));
  EXPECT_EQ(window->label()->frame(), ui::Rect(30, 200, 315, 412));
  EXPECT_EQ(window->gradientLabel()->frame(), ui::Rect(30, 200, 315, 412));
  EXPECT_EQ(window->smashView()->frame(), ui::Rect(30, 200, 315, 412));
  EXPECT_EQ(window->dateLabel()->frame(), ui::Rect(30, 100, 315, 50));
  EXPECT_EQ(window->mediaControlView()->frame(), ui::Rect(10, 752, 355, 40));
  EXPECT_EQ(window->label()->numberOfLines(), 0);
  EXPECT_EQ(window->label()->lineBreakMode(), ui::LineBreakMode::WordWrap);
  // The strip is centred on the screen and, turned, runs its full height.
  const ui::Rect strip = window->hpView()->frame();
  EXPECT_NEAR(strip.midX(), 187.5, 1e-9);
  EXPECT_NEAR(strip.midY(), 406, 1e-9);
  EXPECT_NEAR(strip.width(), 203, 1e-9);
  EXPECT_NEAR(strip.height(), 812, 1e-9);
  // Artwork: a square centred just above the bar.
  const ui::Rect art = window->artImgView()->frame();
  EXPECT_EQ(art.width(), art.height());
  EXPECT_NEAR(art.midX(), 187.5, 1e-9);
  EXPECT_LE(art.maxY(), 752);
  EXPECT_GE(art.minY(), 612);
  const std::vector<const ui::View*> hidden{window->smashView().get(), window->dateLabel().get(),
                                            window->hpView().get(), window->artImgView().get(),
                                            window->mediaControlView().get()};
  for (const ui::View* v : hidden)
    EXPECT_TRUE(v->isHidden()) << v->className();
  std::vector<std::string> order;
  for (const auto& v : window->subviews()) order.push_back(v->className());
  EXPECT_EQ(order, (std::vector<std::string>{"Label", "Label", "NarvSmashView", "Label", "FullScreenHPView",
                                             "ImageView", "MediaControlView"}));
  EXPECT_EQ(window->subviews()[0], window->label());
  EXPECT_EQ(window->subviews()[1], window->gradientLabel());
}

TEST_F(FullScreenWindowTest, ModeChoiceFirstMatchWins) {
  window->fullScreenAddLyric("a");
  EXPECT_EQ(mode(), "label");
  EXPECT_EQ(window->label()->text(), "a");

  set("USERKEY_13_aod_smashAnimation", "1");
  window->fullScreenAddLyric("b");
  EXPECT_EQ(mode(), "smash");

  set("USERKEY_13_aod_gradientAnimation", "1");  // gradient over shatter
  window->fullScreenAddLyric("c");
  EXPECT_EQ(mode(), "gradient");
  EXPECT_EQ(window->gradientLabel()->text(), "c");
  // The gradient layer sits on the window, masked by the gradient label.
  const auto& sublayers = window->layer()->sublayers();
  ASSERT_FALSE(sublayers.empty());
  EXPECT_EQ(sublayers.back()->className(), "GradientLayer");
  EXPECT_EQ(sublayers.back()->mask(), window->gradientLabel()->layer());

  set("USERKEY_13_alwaysOnShowHP", "1");  // sideways over everything
  window->fullScreenAddLyric("d");
  EXPECT_EQ(mode(), "hp");
  EXPECT_EQ(window->hpView()->lyric(), "d");
  EXPECT_EQ(window->hpView()->timer()->fireDate(), foundation::Date::distantPast);

  set("USERKEY_13_alwaysOnShowHP", "0");
  set("USERKEY_13_aod_gradientAnimation", "0");
  set("USERKEY_13_aod_smashAnimation", "0");
  window->fullScreenAddLyric("e");
  EXPECT_EQ(mode(), "label");
}

TEST_F(FullScreenWindowTest, TabletNeverShowsTheStrip) {
  ui::Device::current().setUserInterfaceIdiom(ui::UserInterfaceIdiom::Pad);
  set("USERKEY_13_alwaysOnShowHP", "YES");
  window->fullScreenAddLyric("a");
  EXPECT_EQ(mode(), "label");
  set("USERKEY_13_aod_smashAnimation", "1");
  window->fullScreenAddLyric("b");
  EXPECT_EQ(mode(), "smash");
  set("USERKEY_13_aod_gradientAnimation", "1");
  window->fullScreenAddLyric("c");
  EXPECT_EQ(mode(), "gradient");
  EXPECT_EQ(window->hpView()->lyric(), "");
}

TEST_F(FullScreenWindowTest, FontSizeRuleAndDefaultFontName) {
  window->fullScreenAddLyric("a");
  EXPECT_EQ(window->label()->font(), ui::Font::fontWithName("PingFangSC-Regular", 14));
  EXPECT_EQ(MMLocalSettingManager::shared().getValueForKey("USER_KEY_HVXI_BUNDLESETTING_ROWC_FONTS"),
            foundation::Value("PingFangSC-Regular"));
  set("USERKEY_13_alwaysOnFontSize", "4.9");
  window->fullScreenAddLyric("b");
  EXPECT_EQ(window->label()->font().pointSize, 14);
  EXPECT_EQ(window->gradientLabel()->font().pointSize, 14);
  set("USERKEY_13_alwaysOnFontSize", "5");
  window->fullScreenAddLyric("c");
  EXPECT_EQ(window->label()->font().pointSize, 5);
  set("USERKEY_13_alwaysOnFontSize", "");
  window->fullScreenAddLyric("d");
  EXPECT_EQ(window->label()->font().pointSize, 14);
  set("USERKEY_13_alwaysOnFontSize", "36.500000");
  MMLocalSettingManager::shared().saveValue(foundation::Value("DejaVuSans"),
                                            foundation::Value("USER_KEY_HVXI_BUNDLESETTING_ROWC_FONTS"));
  window->fullScreenAddLyric("e");
  EXPECT_EQ(window->label()->font(), ui::Font::fontWithName("DejaVuSans", 36.5));
  EXPECT_EQ(window->gradientLabel()->font(), ui::Font::fontWithName("DejaVuSans", 36.5));
}

TEST_F(FullScreenWindowTest, ColourAndFontReachThePlainLabelInEveryMode) {
  set("USERKEY_13_aodLyricColor_R", "0.5");
  set("USERKEY_13_aodLyricColor_A", "1");
  set("USERKEY_13_alwaysOnShowHP", "1");
  window->fullScreenAddLyric("a");
  EXPECT_EQ(window->label()->textColor().cgColor(), quartz::Color::rgba(0.5, 0, 0, 1));
  EXPECT_EQ(window->label()->text(), "") << "the plain label keeps its old text";
}

TEST_F(FullScreenWindowTest, ControlBarShowsTheSongNameAndHidesSideways) {
  LyricManager::shareManager().dicToLyric(foundation::Value(foundation::Dictionary{
      {"lyric", "{\n    albumTitle = \"line\";\n    title = \"Song\";\n}"}, {"bundleId", "com.netease.cloudmusic"}}));
  const std::string song = LyricManager::shareManager().getSongName().value_or("");
  ASSERT_FALSE(song.empty());

  window->fullScreenAddLyric("a");
  EXPECT_TRUE(window->mediaControlView()->isHidden());
  EXPECT_TRUE(window->artImgView()->isHidden());
  EXPECT_EQ(window->mediaControlView()->nameLabel()->text(), "暂无歌曲信息");

  set("USERKEY_13_alwaysOnMediaControl", "1");
  window->fullScreenAddLyric("b");
  EXPECT_FALSE(window->mediaControlView()->isHidden());
  EXPECT_FALSE(window->artImgView()->isHidden());
  EXPECT_EQ(window->mediaControlView()->nameLabel()->text(), song);

  set("USERKEY_13_alwaysOnShowHP", "1");
  window->fullScreenAddLyric("c");
  EXPECT_TRUE(window->mediaControlView()->isHidden());
  EXPECT_TRUE(window->artImgView()->isHidden());
}

TEST_F(FullScreenWindowTest, ControlsPostTheTrackChangeAsDecimalText) {
  std::vector<foundation::Value> objects;
  foundation::Observation observation = foundation::NotificationCenter::defaultCenter().addObserver(
      "Noti_MediaTrack_Changed", [&](const foundation::Notification& n) { objects.push_back(n.object); });
  window->mediaControlView()->rightButton()->clickAction();
  window->mediaControlView()->leftButton()->clickAction();
  EXPECT_EQ(objects, (std::vector<foundation::Value>{foundation::Value("1"), foundation::Value("-1")}));
}

// Counts pixels of the window's committed tree, rendered now, whose colour
// is clearly not grey (the rainbow), in the lyric area.
int colouredPixels(const FullScreenWindow& window) {
  quartz::Transaction::flush();
  const auto image = render::Renderer::shared().renderImage(*window.layer(), foundation::RunLoop::main().now());
  int coloured = 0;
  for (int y = 200; y < 612; ++y) {
    for (int x = 30; x < 345; ++x) {
      const std::uint32_t p = image->pixelAt(x, y);
      const int r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
      if (std::max({r, g, b}) - std::min({r, g, b}) > 60) ++coloured;
    }
  }
  return coloured;
}

TEST_F(FullScreenWindowTest, RainbowShowsOnlyWhileTheGradientModeIs) {
  for (const char* c : {"_R", "_G", "_B", "_A"}) set(std::string("USERKEY_13_aodLyricColor") + c, "1");
  set("USERKEY_13_alwaysOnFontSize", "40");
  window->setHidden(false);
  set("USERKEY_13_aod_gradientAnimation", "1");
  window->fullScreenAddLyric("我们的歌在风里轻声唱");
  advance(1.0);
  EXPECT_GT(colouredPixels(*window), 200);
  set("USERKEY_13_aod_gradientAnimation", "0");
  window->fullScreenAddLyric("我们的歌在风里轻声唱");
  advance(0.1);
  EXPECT_EQ(colouredPixels(*window), 0) << "the plain line is white and the gradient is gone";
}

class ArtworkTest : public FullScreenWindowTest {
 protected:
  void SetUp() override {
    FullScreenWindowTest::SetUp();
    quartz::Image::setDecoder([this](std::span<const std::uint8_t> bytes) {
      ++decodes;
      return render::decodeImage(bytes);
    });
    const auto image = quartz::Image::create(2, 2, 1.0, {0xffff0000u, 0xff00ff00u, 0xff0000ffu, 0xffffffffu});
    const std::vector<std::uint8_t> png = render::encodePNG(*image);
    base64 = foundation::base64Encode(png.data(), png.size());
  }
  int decodes = 0;
  std::string base64;
};

TEST_F(ArtworkTest, SameTextTwiceIsDecodedOnce) {
  set("USERKEY_13_alwaysOnMediaControl", "0");  // any stored value will do
  window->addImageBase64(base64);
  ASSERT_NE(window->artImgView()->image(), nullptr);
  EXPECT_EQ(window->artImgView()->image()->width(), 2);
  const auto first = window->artImgView()->image();
  window->addImageBase64(base64);
  EXPECT_EQ(decodes, 1);
  EXPECT_EQ(window->artImgView()->image(), first);
  // Characters outside the alphabet are skipped.
  window->addImageBase64("\n" + base64.substr(0, 10) + " \n" + base64.substr(10));
  EXPECT_EQ(decodes, 2);
  ASSERT_NE(window->artImgView()->image(), nullptr);
  EXPECT_EQ(window->artImgView()->image()->pixelAt(1, 1), 0xffffffffu);
}

TEST_F(ArtworkTest, NothingIsDecodedUntilTheControlSettingWasEverStored) {
  window->addImageBase64(base64);
  EXPECT_EQ(decodes, 0);
  EXPECT_EQ(window->artImgView()->image(), nullptr);
  EXPECT_EQ(window->currentImgBase64Str(), std::optional<std::string>(base64)) << "still remembered";
  set("USERKEY_13_alwaysOnMediaControl", "1");
  window->addImageBase64(base64);
  EXPECT_EQ(decodes, 0) << "same text as the last one";
}

TEST_F(ArtworkTest, UndecodableTextGivesNoImageAndIsRememberedToo) {
  set("USERKEY_13_alwaysOnMediaControl", "1");
  window->addImageBase64(base64);
  ASSERT_NE(window->artImgView()->image(), nullptr);
  window->addImageBase64("bm90IGFuIGltYWdl");  // "not an image"
  EXPECT_EQ(window->artImgView()->image(), nullptr);
  window->addImageBase64("bm90IGFuIGltYWdl");
  EXPECT_EQ(decodes, 2);
}

}  // namespace
