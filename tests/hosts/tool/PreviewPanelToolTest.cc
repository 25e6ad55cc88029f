// Runs the built hoververse-tool's `preview panel` and `defaults` as a user
// would, in a fresh device root: controls moved by --do land in the home
// screen's defaults store, which `defaults` reads back.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ToolRunner.h"
#include "foundation/PropertyList.h"
#include "render/ImageCodec.h"

namespace {

namespace fs = std::filesystem;

// The members of the view named `name` in a JSON tree dump, up to its
// subviews (its own fields, not its children's).
std::string fieldsOf(const std::string& json, const std::string& name) {
  const std::size_t at = json.find("\"name\": \"" + name + "\"");
  if (at == std::string::npos) return "absent";
  return json.substr(at, json.find("\"subviews\"", at) - at);
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class PreviewPanelToolTest : public ToolRunnerTest {
 protected:
  PreviewPanelToolTest() : ToolRunnerTest("hv-tool-panel") {}
  ToolRun panel(std::vector<std::string> args) {
    args.insert(args.begin(), {"preview", "panel"});
    return tool(args);
  }
};

TEST_F(PreviewPanelToolTest, DoMovesControlsThroughTouchesIntoTheStoreDefaultsReads) {
  const ToolRun run = panel({"--do", "floatWidthSlider=0.5", "--do", "alwaysOnSwitch=on", "--do", "colorSegmented=1",
                             "--do", "lyricAslider=0.5", "--do", "alwaysOnFontSizeSlider=30", "--do",
                             "aodSmashAnimationSwitch=on", "--notifications", "--dump"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.err,
            "[\"SettingVC_aod_switch_changed_noti\", \"NOTI_bgColor\", \"NOTI_alwaysOnFontSize\"]\n");

  EXPECT_EQ(tool({"defaults", "get", "USERKEY_13_width"}).out, "0.500000\n");
  EXPECT_EQ(tool({"defaults", "get", "USERKEY_13_alwaysOn"}).out, "1\n");
  EXPECT_EQ(tool({"defaults", "get", "USERKEY_13_bgColor_A"}).out, "0.500000\n");
  EXPECT_EQ(tool({"defaults", "get", "USERKEY_13_alwaysOnFontSize"}).out, "30.000000\n");
  EXPECT_EQ(tool({"defaults", "get", "USERKEY_13_aod_smashAnimation"}).out, "1\n");

  // The dump names the panel's properties and shows their state.
  EXPECT_EQ(run.out.rfind("{\"class\": \"LyricSettingWindow\", \"frame\": [0, 0, 375, 812], \"alpha\": 1", 0), 0u);
  const std::string width = fieldsOf(run.out, "floatWidthSlider");
  EXPECT_TRUE(has(width, "\"value\": 0.5") && has(width, "\"minimumValue\": 0.1") &&
              has(width, "\"maximumValue\": 1"))
      << width;
  EXPECT_TRUE(has(fieldsOf(run.out, "alwaysOnSwitch"), "\"on\": true")) << fieldsOf(run.out, "alwaysOnSwitch");
  EXPECT_TRUE(has(fieldsOf(run.out, "floatLockSwitch"), "\"on\": false"));
  EXPECT_TRUE(has(fieldsOf(run.out, "lyricAslider"), "\"minimumValue\": 0.001"));
  EXPECT_TRUE(has(fieldsOf(run.out, "colorSegmented"), "\"selectedSegmentIndex\": 1"));
  EXPECT_TRUE(has(fieldsOf(run.out, "closeBtn"), "\"title\": \"关闭\""));
  EXPECT_TRUE(has(fieldsOf(run.out, "scroll"), "\"contentSize\": [375, 1291]")) << fieldsOf(run.out, "scroll");
  EXPECT_TRUE(has(fieldsOf(run.out, "titleLabel"), "\"text\": \"HoverlyraXI\""));
}

TEST_F(PreviewPanelToolTest, LandscapeAndTabletPanels) {
  const ToolRun turned = panel({"--landscape", "--png", (dir_ / "landscape.png").string(), "--dump"});
  ASSERT_EQ(turned.code, 0) << turned.err;
  EXPECT_EQ(turned.out.rfind("{\"class\": \"LyricSettingWindow\", \"frame\": [0, 0, 375, 406]", 0), 0u);
  EXPECT_TRUE(has(fieldsOf(turned.out, "scroll"), "\"frame\": [0, 0, 406, 375]"));
  EXPECT_TRUE(has(fieldsOf(turned.out, "scroll"), "\"contentSize\": [406, 1291]"));
  auto image = render::readPNG((dir_ / "landscape.png").string());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width(), 406);
  EXPECT_EQ(image->height(), 375);

  const ToolRun pad = panel({"--idiom", "pad"});
  ASSERT_EQ(pad.code, 0) << pad.err;
  EXPECT_EQ(pad.out.rfind("{\"class\": \"LyricSettingWindow\", \"frame\": [0, 0, 1024, 1366]", 0), 0u);
  EXPECT_EQ(fieldsOf(pad.out, "alwaysOnHPSwitch"), "absent");
  EXPECT_TRUE(has(fieldsOf(pad.out, "floatHeightSlider"), "\"maximumValue\": 150"));
  EXPECT_TRUE(has(fieldsOf(pad.out, "scroll"), "\"contentSize\": [1024, 1240]"));
  // The landscape row is not on a tablet's panel.
  EXPECT_EQ(panel({"--idiom", "pad", "--do", "alwaysOnHPSwitch=on"}).code, 2);
}

TEST_F(PreviewPanelToolTest, ClosedPanelTakesNoTouches) {
  const ToolRun closed = panel({"--do", "closeBtn=tap", "--notifications"});
  ASSERT_EQ(closed.code, 0) << closed.err;
  EXPECT_EQ(closed.out.rfind("{\"class\": \"LyricSettingWindow\", \"frame\": [0, 0, 375, 812], \"alpha\": 0", 0), 0u);
  EXPECT_EQ(closed.err, "[]\n");

  const ToolRun after = panel({"--do", "closeBtn=tap", "--do", "floatLockSwitch=on"});
  EXPECT_EQ(after.code, 1);
  EXPECT_TRUE(has(after.err, "did not reach floatLockSwitch")) << after.err;
  EXPECT_EQ(tool({"defaults", "get", "USERKEY_13_lock"}).out, "(null)\n");
}

TEST_F(PreviewPanelToolTest, BadControlsAndValuesAreUsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--do", "noSuchSwitch=on"},
           {"--do", "titleLabel=tap"},
           {"--do", "floatLockSwitch=yes"},
           {"--do", "floatWidthSlider=wide"},
           {"--do", "floatWidthSlider=1.5"},
           {"--do", "floatWidthSlider=0.05"},
           {"--do", "lyricAslider=0.1"},  // the lyric colour's alpha stops at 0.2
           {"--do", "colorSegmented=4"},
           {"--do", "closeBtn=press"},
           {"--do"},
           {"--idiom", "watch"},
           {"--frame", "0,0,1,1"},
       }) {
    const ToolRun run = panel(args);
    EXPECT_EQ(run.code, 2) << args.back();
    EXPECT_EQ(run.out, "") << args.back();
  }
}

TEST_F(PreviewPanelToolTest, DefaultsGetSetAndListTheHomeScreenStore) {
  EXPECT_EQ(tool({"defaults", "get", "USERKEY_13_width"}).out, "(null)\n");
  ASSERT_EQ(tool({"defaults", "set", "USERKEY_13_width", "0.8"}).code, 0);
  ASSERT_EQ(tool({"defaults", "set", "USERKEY_13_X", "歌 20"}).code, 0);
  EXPECT_EQ(tool({"defaults", "get", "USERKEY_13_width"}).out, "0.8\n");
  EXPECT_EQ(foundation::readDictionaryFile(preferences() / "com.apple.springboard.plist"),
            (foundation::Dictionary{{"USERKEY_13_X", "歌 20"}, {"USERKEY_13_width", "0.8"}}));
  EXPECT_EQ(tool({"defaults", "list"}).out, "{\n    USERKEY_13_X = \"\\U6b4c 20\";\n    USERKEY_13_width = \"0.8\";\n}\n");

  // The panel starts from what was set.
  const ToolRun run = panel({"--dump"});
  EXPECT_TRUE(has(fieldsOf(run.out, "floatWidthSlider"), "\"value\": 0.8")) << fieldsOf(run.out, "floatWidthSlider");

  for (const auto& args : std::vector<std::vector<std::string>>{
           {"defaults"}, {"defaults", "get"}, {"defaults", "set", "K"}, {"defaults", "list", "x"}, {"defaults", "get", ""}})
    EXPECT_EQ(tool(args).code, 2) << args.size();

  fs::remove_all(preferences());
  std::ofstream(preferences()) << "a file where the folder should be";
  const ToolRun failed = tool({"defaults", "set", "K", "1"});
  EXPECT_EQ(failed.code, 1);
  EXPECT_TRUE(has(failed.err, "defaults set")) << failed.err;
}

}  // namespace
