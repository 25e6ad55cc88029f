// Runs the built hoververse-tool's `preview prefs` as a user would, in a
// fresh device root: each sequence of actions, played through real touches,
// leaves the page, the alert, the chooser's rows and the settings file (read
// back with `settings get`) as the table says.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestFonts.h"
#include "ToolRunner.h"
#include "render/ImageCodec.h"

namespace {

namespace fs = std::filesystem;

// The members of the view named `name`, up to its subviews.
std::string fieldsOf(const std::string& json, const std::string& name) {
  const std::size_t at = json.find("\"name\": \"" + name + "\"");
  if (at == std::string::npos) return "absent";
  return json.substr(at, json.find("\"subviews\"", at) - at);
}

// The top-level member `key` of the dump, up to the end of the line.
std::string member(const std::string& json, const std::string& key) {
  const std::size_t at = json.rfind(", \"" + key + "\": ");
  if (at == std::string::npos) return "absent";
  std::string rest = json.substr(at + 2);
  while (!rest.empty() && rest.back() == '\n') rest.pop_back();
  if (!rest.empty() && rest.back() == '}') rest.pop_back();  // the window's own brace
  return rest;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class PreviewPrefsToolTest : public ToolRunnerTest {
 protected:
  PreviewPrefsToolTest() : ToolRunnerTest("hv-tool-prefs") {}
  ToolRun prefs(std::vector<std::string> args) {
    args.insert(args.begin(), {"preview", "prefs"});
    return tool(args);
  }
  std::string stored(const std::string& key) {
    const ToolRun run = tool({"settings", "get", key});
    return run.out.size() <= 1 ? "absent" : run.out.substr(0, run.out.size() - 1);
  }
};

constexpr const char* kRowA = "USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI";
constexpr const char* kRowB = "USER_KEY_HVXI_BUNDLESETTING_ROWB_SWI";

TEST_F(PreviewPrefsToolTest, ActionSequencesLeaveThePageTheAlertAndTheFileAsExpected) {
  struct Case {
    std::vector<std::string> actions;
    bool onA, onB;
    std::string alert;  // the "alert" member, "absent" when none shows
    std::string rowA, rowB;
  };
  const std::string warning =
      "\"alert\": {\"title\": \"⚠️\", \"message\": \"打开此开关，悬浮窗将不可点击，不可拖动！\", "
      "\"actions\": [\"朕知道了\", \"取消\"]}";
  const std::string restart = "\"alert\": {\"title\": \"注销设备\", \"message\": \"\", \"actions\": [\"确定\", \"取消\"]}";
  const Case cases[] = {
      {{}, false, false, "absent", "absent", "absent"},
      {{"switchRowA=on"}, true, false, "absent", "1", "absent"},
      {{"switchRowA=on", "switchRowA=off"}, false, false, "absent", "0", "absent"},
      {{"switchRowB=on"}, false, true, warning, "absent", "absent"},
      {{"switchRowB=on", "alert=取消"}, false, false, "absent", "absent", "0"},
      {{"switchRowB=on", "alert=朕知道了"}, false, true, "absent", "absent", "1"},
      {{"switchRowB=on", "alert=朕知道了", "switchRowB=off"}, false, false, "absent", "absent", "0"},
      {{"respring=tap"}, false, false, restart, "absent", "absent"},
      {{"respring=tap", "alert=确定", "switchRowA=on"}, true, false, "absent", "1", "absent"},
  };
  for (const Case& c : cases) {
    fs::remove_all(root_);
    std::vector<std::string> args;
    std::string label;
    for (const std::string& a : c.actions) {
      args.insert(args.end(), {"--do", a});
      label += a + " ";
    }
    args.push_back("--dump");
    const ToolRun run = prefs(args);
    ASSERT_EQ(run.code, 0) << label << run.err;
    EXPECT_TRUE(has(fieldsOf(run.out, "switchRowA"), c.onA ? "\"on\": true" : "\"on\": false")) << label;
    EXPECT_TRUE(has(fieldsOf(run.out, "switchRowB"), c.onB ? "\"on\": true" : "\"on\": false")) << label;
    EXPECT_EQ(member(run.out, "alert"), c.alert) << label;
    EXPECT_EQ(member(run.out, "rows"), "absent") << label;
    EXPECT_EQ(stored(kRowA), c.rowA) << label;
    EXPECT_EQ(stored(kRowB), c.rowB) << label;
  }
}

TEST_F(PreviewPrefsToolTest, TheChooserListsRowsAndAFontTapStoresIt) {
  const ToolRun first = prefs({"--do", "rowC=tap", "--do", "font=DejaVuSerif-Bold", "--dump"});
  ASSERT_EQ(first.code, 0) << first.err;
  const std::string rows = member(first.out, "rows");
  EXPECT_TRUE(has(rows, "{\"font\": \"DejaVuSerif-Bold\", \"checked\": true}")) << rows;
  EXPECT_TRUE(has(rows, "{\"font\": \"DejaVuSans\", \"checked\": false}")) << rows;
  EXPECT_EQ(stored("USER_KEY_HVXI_BUNDLESETTING_ROWC_FONTS"), "DejaVuSerif-Bold");
  EXPECT_NE(fieldsOf(first.out, "table"), "absent");

  // Opened again, the stored font is the one checked; the table scrolls to
  // a row far down to tap it.
  const ToolRun again = prefs({"--page", "fonts", "--dump"});
  EXPECT_TRUE(has(member(again.out, "rows"), "{\"font\": \"DejaVuSerif-Bold\", \"checked\": true}"));
  EXPECT_EQ(fieldsOf(again.out, "switchRowA"), "absent");  // the page is off screen
}

TEST_F(PreviewPrefsToolTest, MistakesAreReportedWithTheirReason) {
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string message;
  };
  const Case cases[] = {
      {{"--do", "alert=OK"}, 2, "no alert is shown"},
      {{"--do", "switchRowB=on", "--do", "alert=OK"}, 2, "the alert has no action 'OK' (it has 朕知道了, 取消)"},
      {{"--do", "font=DejaVuSans"}, 2, "the font chooser is not shown"},
      {{"--page", "fonts", "--do", "font=NoSuchFont"}, 2, "no font named 'NoSuchFont' is listed"},
      {{"--do", "switchRowA=maybe"}, 2, "switchRowA takes on or off, got 'maybe'"},
      {{"--do", "jump=now"}, 2, "--do expects switchRowA="},
      {{"--appearance", "sepia"}, 2, "--appearance expects light or dark"},
  };
  for (const Case& c : cases) {
    const ToolRun run = prefs(c.args);
    EXPECT_EQ(run.code, c.code) << c.message;
    EXPECT_TRUE(has(run.err, c.message)) << run.err;
  }
}

TEST_F(PreviewPrefsToolTest, DrawsThePageInDarkOnATabletTurned) {
  const fs::path png = dir_ / "page.png";
  const ToolRun run = prefs({"--idiom", "pad", "--appearance", "dark", "--landscape", "--png", png.string(), "--dump"});
  ASSERT_EQ(run.code, 0) << run.err;
  auto image = render::readPNG(png.string());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 1366);
  EXPECT_EQ(image->height(), 1024);
  // Rebuilt for the turned width, with the tablet's 40-point margins.
  EXPECT_TRUE(has(fieldsOf(run.out, "viewRowA"), "\"frame\": [40, 100, 1286, 50]")) << fieldsOf(run.out, "viewRowA");
  // Dark: the page text is white.
  EXPECT_TRUE(has(fieldsOf(run.out, "titleLab"), "\"text\": \"HoverlyraXI\""));
}

}  // namespace
