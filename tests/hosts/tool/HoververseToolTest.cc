// Runs the built hoververse-tool as a user would, in a fresh device root.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ToolRunner.h"
#include "foundation/PropertyList.h"
#include "quartz/Image.h"
#include "render/ImageCodec.h"

namespace {

namespace fs = std::filesystem;

class HoververseToolTest : public ToolRunnerTest {
 protected:
  HoververseToolTest() : ToolRunnerTest("hv-tool") {}
};

TEST_F(HoververseToolTest, SettingsPathGetAndSetUseTheDeviceRoot) {
  EXPECT_EQ(tool({"settings", "path"}).out, settingsFile().string() + "\n");

  const ToolRun absent = tool({"settings", "get", "USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI"});
  EXPECT_EQ(absent.code, 0);
  EXPECT_EQ(absent.out, "\n");

  EXPECT_EQ(tool({"settings", "set", "USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI", "1"}).code, 0);
  EXPECT_EQ(tool({"settings", "set", "USER_KEY_HVXI_BUNDLESETTING_ROWC_FONTS", "宋体 Bold"}).code, 0);
  EXPECT_EQ(tool({"settings", "get", "USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI"}).out, "1\n");
  EXPECT_EQ(tool({"settings", "get", "USER_KEY_HVXI_BUNDLESETTING_ROWC_FONTS"}).out, "宋体 Bold\n");
  EXPECT_EQ(foundation::readDictionaryFile(settingsFile()),
            (foundation::Dictionary{{"USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI", "1"},
                                    {"USER_KEY_HVXI_BUNDLESETTING_ROWC_FONTS", "宋体 Bold"}}));
}

TEST_F(HoververseToolTest, FailedSettingsWriteExitsNonZeroWithAMessage) {
  fs::create_directories(settingsFile().parent_path().parent_path());
  std::ofstream(settingsFile().parent_path()) << "a file where the folder should be";
  const ToolRun run = tool({"settings", "set", "K", "1"});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("settings set"), std::string::npos) << run.err;
}

TEST_F(HoververseToolTest, LyricReadsTheTextFormOnStdinPerRoute) {
  const std::string text =
      "{\n    MPNowPlayingInfoPropertyPlaybackRate = 1;\n    albumTitle = \"\\U6b4c\\U8bcd \\\"one\\\"\";\n"
      "    artist = Singer;\n    title = Song;\n}";
  const ToolRun wired = tool({"lyric", "--bundle", "com.netease.cloudmusic"}, text);
  EXPECT_EQ(wired.code, 0);
  EXPECT_EQ(wired.out, "歌词 \"one\"\n");
  EXPECT_EQ(tool({"lyric", "--bundle", "com.netease.cloudmusic", "--song"}, text).out, "歌词 \"one\"\nSong\n");
  EXPECT_EQ(tool({"lyric", "--bundle", "com.netease.cloudmusic", "--route", "AirPlay"}, text).out, "Song\n");
  EXPECT_EQ(tool({"lyric", "--route", "BluetoothA2DPOutput", "--bundle", "com.tencent.QQMusic", "--song"}, text).out,
            "Song\nSinger\n");
  EXPECT_EQ(tool({"lyric", "--bundle", "com.netease.cloudmusic", "--route", "Speaker"}, "{\n}").out, "网易云音乐\n");
  EXPECT_EQ(tool({"lyric", "--bundle", "com.example"}, text).out, "\n");
}

TEST_F(HoververseToolTest, LyricWithNoValuePrintsNothingAndExitsOne) {
  const ToolRun run = tool({"lyric", "--bundle", "com.netease.cloudmusic"},
                       "{\n    albumTitle = \"line ending in a backslash\\\";\n}");
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.out, "");
}

TEST_F(HoververseToolTest, EmbeddedSampleAndDemoRunWithoutInput) {
  const ToolRun sample = tool({"lyric", "--bundle", "com.netease.cloudmusic", "--sample", "--song"});
  EXPECT_EQ(sample.code, 0);
  EXPECT_EQ(sample.out, "晚风吹过城市的尽头 我们在灯火里慢慢走\n晚风与海 (Live 版)\n");
  const ToolRun demo = tool({"demo"});
  EXPECT_EQ(demo.code, 0);
  EXPECT_NE(demo.out.find("lyric line: 晚风吹过城市的尽头 我们在灯火里慢慢走"), std::string::npos) << demo.out;
  EXPECT_FALSE(fs::exists(root_)) << "the demo only reads";
}

TEST_F(HoververseToolTest, DescribePrintsXmlAndBinaryPropertyLists) {
  const foundation::Value plist(foundation::Dictionary{
      {"title", "夜曲"}, {"playbackDuration", 269}, {"rate", 37.25}, {"list", foundation::Array{"a b", true}}});
  const std::string expected =
      "{\n    list = (\n        \"a b\",\n        1\n    );\n    playbackDuration = 269;\n    rate = 37.25;\n"
      "    title = \"\\U591c\\U66f2\";\n}\n";
  for (const auto format : {foundation::PropertyListFormat::Xml, foundation::PropertyListFormat::Binary}) {
    const ToolRun run = tool({"describe"}, foundation::serializePropertyList(plist, format));
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, expected);
  }
  const ToolRun bad = tool({"describe"}, "not a plist");
  EXPECT_EQ(bad.code, 1);
  EXPECT_FALSE(bad.err.empty());
}

TEST_F(HoververseToolTest, BadArgumentsPrintUsageAndExitTwo) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"frobnicate"},
      {"settings"},
      {"settings", "get"},
      {"settings", "set", "K"},
      {"settings", "path", "extra"},
      {"lyric"},
      {"lyric", "--bundle"},
      {"lyric", "--bundle", "x", "--route"},
      {"lyric", "--bundle", "x", "--loud"},
      {"describe", "x"},
  };
  for (const auto& args : bad) {
    const ToolRun run = tool(args);
    EXPECT_EQ(run.code, 2) << (args.empty() ? "" : args[0]);
    EXPECT_NE(run.err.find("usage: hoververse-tool"), std::string::npos);
    EXPECT_EQ(run.out, "");
  }
}

}  // namespace

namespace {

TEST_F(HoververseToolTest, SheetLaysOutScreenshotsAtTheWidthAsked) {
  // Two "screenshots" at 2 pixels per point: 200 x 400 pixels each.
  auto solid = [](std::uint32_t argb) {
    return quartz::Image::create(200, 400, 1, std::vector<std::uint32_t>(200 * 400, argb));
  };
  const std::string red = (dir_ / "red.png").string();
  const std::string blue = (dir_ / "blue.png").string();
  ASSERT_TRUE(render::writePNG(*solid(0xffff0000u), red));
  ASSERT_TRUE(render::writePNG(*solid(0xff0000ffu), blue));
  const std::string out = (dir_ / "sheet.png").string();
  const ToolRun run = tool({"sheet", "--out", out, "--width", "100", red + "=the red one", blue});
  ASSERT_EQ(run.code, 0) << run.err;
  const auto sheet = render::readPNG(out);
  ASSERT_TRUE(sheet);
  // Margin 24, title 30, then the frames side by side, 100 points wide and
  // 16 apart, at the sheet's one pixel per point.
  EXPECT_EQ(sheet->pixelAt(24 + 50, 54 + 100), 0xffff0000u);
  EXPECT_EQ(sheet->pixelAt(24 + 100 + 16 + 50, 54 + 100), 0xff0000ffu);
  EXPECT_NE(sheet->pixelAt(24 + 100 + 16 + 100 + 16 + 50, 54 + 100), 0xff0000ffu);
  EXPECT_EQ(sheet->pixelAt(24 + 50, 54 + 205), sheet->pixelAt(2, 2));  // below a frame: the sheet

  const ToolRun missing = tool({"sheet", "--out", out, (dir_ / "absent.png").string()});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("cannot read the PNG"), std::string::npos) << missing.err;
  EXPECT_EQ(tool({"sheet", "--out", out}).code, 2);
  EXPECT_EQ(tool({"sheet", "--out", out, "--width", "5", red}).code, 2);
}

}  // namespace
