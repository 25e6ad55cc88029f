// Runs the built hoververse-tool's `preview alwayson` as a user would, in a
// fresh device root, and reads back its JSON tree, PNG and settings file.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "TestFonts.h"
#include "ToolRunner.h"
#include "foundation/PropertyList.h"
#include "render/ImageCodec.h"

namespace {

namespace fs = std::filesystem;

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// The "hidden" value of the first view of class `name` in a JSON tree dump
// (each view object lists "class", "frame", "alpha", then "hidden").
std::string hiddenOf(const std::string& json, const std::string& name) {
  const std::size_t at = json.find("\"class\": \"" + name + "\"");
  if (at == std::string::npos) return "absent";
  const std::size_t hidden = json.find("\"hidden\": ", at);
  if (hidden == std::string::npos) return "absent";
  const std::size_t value = hidden + 10;
  return json.substr(value, json.find_first_of(",}", value) - value);
}

class PreviewAlwaysOnTest : public ToolRunnerTest {
 protected:
  PreviewAlwaysOnTest() : ToolRunnerTest("hv-tool-aod") {}

  // Pixels in the lyric area (30, 200)-(345, 612) brighter than mid grey.
  static int brightLyricPixels(const quartz::Image& image) {
    int bright = 0;
    for (int y = 200; y < 612; ++y)
      for (int x = 30; x < 345; ++x)
        if (((image.pixelAt(x, y) >> 8) & 0xff) > 128) ++bright;
    return bright;
  }
};

TEST_F(PreviewAlwaysOnTest, PhoneWindowDumpsPlatformAndSystemClassNames) {
  const ToolRun run = tool({"preview", "alwayson", "--lyric", "hello line", "--dump"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out.rfind("{\"class\": \"FullScreenWindow\", \"frame\": [0, 0, 375, 812]", 0), 0u) << run.out;
  for (const char* name : {"Label", "ImageView", "NarvSmashView", "FullScreenHPView", "MMGradientHPView",
                           "MediaControlView", "PathButtonView"})
    EXPECT_NE(run.out.find(std::string("\"class\": \"") + name + "\""), std::string::npos) << name;
  EXPECT_EQ(count(run.out, "\"class\": \"PathButtonView\""), 2u);
  EXPECT_NE(run.out.find("\"text\": \"hello line\""), std::string::npos);
  EXPECT_EQ(hiddenOf(run.out, "Label"), "false") << "the plain label shows the line";
  EXPECT_EQ(hiddenOf(run.out, "MediaControlView"), "true");
}

TEST_F(PreviewAlwaysOnTest, TabletScreenNeverShowsTheStrip) {
  const ToolRun phone =
      tool({"preview", "alwayson", "--lyric", "line", "--set", "USERKEY_13_alwaysOnShowHP=1", "--dump"});
  ASSERT_EQ(phone.code, 0) << phone.err;
  EXPECT_EQ(hiddenOf(phone.out, "FullScreenHPView"), "false");

  const ToolRun pad = tool(
      {"preview", "alwayson", "--lyric", "line", "--idiom", "pad", "--set", "USERKEY_13_alwaysOnShowHP=1", "--dump"});
  ASSERT_EQ(pad.code, 0) << pad.err;
  EXPECT_EQ(pad.out.rfind("{\"class\": \"FullScreenWindow\", \"frame\": [0, 0, 1024, 1366]", 0), 0u) << pad.out;
  EXPECT_EQ(hiddenOf(pad.out, "FullScreenHPView"), "true");
  EXPECT_EQ(hiddenOf(pad.out, "Label"), "false");
}

TEST_F(PreviewAlwaysOnTest, SetStoresPaneKeysInTheSettingsFileAndTheRestInTheDefaults) {
  const ToolRun run = tool({"preview", "alwayson", "--lyric", "line", "--set",
                            "USER_KEY_HVXI_BUNDLESETTING_ROWC_FONTS=DejaVuSans", "--set",
                            "USERKEY_13_aod_gradientAnimation=1", "--dump"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(foundation::readDictionaryFile(settingsFile()),
            (foundation::Dictionary{{"USER_KEY_HVXI_BUNDLESETTING_ROWC_FONTS", "DejaVuSans"}}))
      << "the defaults key stays out of the settings file";
  // The gradient switch reached the window: its gradient label shows and the
  // rainbow layer sits on the window itself.
  EXPECT_EQ(hiddenOf(run.out, "Label"), "true");
  const std::size_t windowLayers =
      run.out.find("\"layers\": [{\"class\": \"GradientLayer\", \"frame\": [0, 0, 375, 812]");
  ASSERT_NE(windowLayers, std::string::npos) << run.out;
  EXPECT_LT(windowLayers, run.out.find("\"subviews\"")) << "on the window, not on one of its subviews";
}

TEST_F(PreviewAlwaysOnTest, PreviousLineIsDisplayedBeforeTheLineShattersIt) {
  const std::vector<std::string> common{"preview", "alwayson", "--lyric", "new line", "--set",
                                        "USERKEY_13_aod_smashAnimation=1", "--set", "USERKEY_13_smashDuration=1",
                                        "--set", "USERKEY_13_alwaysOnFontSize=30", "--at", "0.1"};
  // Without a previous line the shatter breaks up a blank label: until the new
  // line appears at 0.2 s the lyric area is black.
  std::vector<std::string> alone = common;
  alone.insert(alone.end(), {"--png", (dir_ / "alone.png").string(), "--dump"});
  const ToolRun first = tool(alone);
  ASSERT_EQ(first.code, 0) << first.err;
  EXPECT_EQ(count(first.out, "\"class\": \"ImageView\""), 101u) << "100 tiles and the artwork view";
  auto blank = render::readPNG((dir_ / "alone.png").string());
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(blank->width(), 375);
  EXPECT_EQ(blank->height(), 812);
  EXPECT_EQ(brightLyricPixels(*blank), 0);

  std::vector<std::string> after = common;
  after.insert(after.end(), {"--previous", "前一行歌词", "--png", (dir_ / "after.png").string()});
  ASSERT_EQ(tool(after).code, 0);
  auto broken = render::readPNG((dir_ / "after.png").string());
  ASSERT_NE(broken, nullptr);
  EXPECT_GT(brightLyricPixels(*broken), 100) << "the tiles carry the previous line";
}

TEST_F(PreviewAlwaysOnTest, AtRunsTheClockPastTheShatter) {
  const ToolRun run = tool({"preview", "alwayson", "--lyric", "line", "--set", "USERKEY_13_aod_smashAnimation=1",
                            "--set", "USERKEY_13_smashDuration=0.5", "--at", "1", "--dump"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(count(run.out, "\"class\": \"ImageView\""), 1u) << "the tiles are gone";
  EXPECT_NE(run.out.find("\"text\": \"line\""), std::string::npos);
}

TEST_F(PreviewAlwaysOnTest, BadArgumentsAreUsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"preview", "alwayson"},
           {"preview", "alwayson", "--lyric", "x", "--idiom", "watch"},
           {"preview", "alwayson", "--lyric", "x", "--at", "-1"},
           {"preview", "alwayson", "--lyric", "x", "--set", "novalue"},
       }) {
    const ToolRun run = tool(args);
    EXPECT_EQ(run.code, 2) << args.back();
    EXPECT_EQ(run.out, "");
  }
}

}  // namespace
