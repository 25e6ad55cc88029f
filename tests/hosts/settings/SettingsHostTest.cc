// hoververse-settings as the device runs it: it installs the bundle into its
// device root, lists the entry, loads the bundle with dlopen when the entry
// is tapped, and the page reads and writes the root's settings file. A
// bundle that cannot be loaded is logged and the list still shows.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TestFonts.h"
#include "ToolRunner.h"
#include "foundation/PropertyList.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kRowA = "USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI";

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The "on" of the first switch in the dump (row A's: the first on the page).
std::string firstSwitch(const std::string& json) {
  const std::size_t at = json.find("\"class\": \"Switch\"");
  if (at == std::string::npos) return "absent";
  const std::size_t on = json.find("\"on\": ", at);
  return json.substr(on + 6, json.compare(on + 6, 4, "true") == 0 ? 4 : 5);
}

class SettingsHostTest : public ToolRunnerTest {
 protected:
  SettingsHostTest() : ToolRunnerTest("hv-settings-host") {}
  void SetUp() override {
    ToolRunnerTest::SetUp();
    ::setenv("HOVERVERSE_PREFS_BUNDLE", HV_BUNDLE_DIR, 1);
    ::setenv("HOVERVERSE_PROFILE", "iphone-x", 1);
  }
  void TearDown() override {
    ::unsetenv("HOVERVERSE_PREFS_BUNDLE");
    ::unsetenv("HOVERVERSE_PROFILE");
    ToolRunnerTest::TearDown();
  }
  fs::path settingsFile() const { return preferences() / "1"; }
  std::string stored(const std::string& key) const {
    auto file = foundation::readDictionaryFile(settingsFile());
    if (!file) return "no file";
    const auto it = file->find(key);
    return it != file->end() && it->second.text() ? *it->second.text() : "absent";
  }
};

TEST_F(SettingsHostTest, ThePageFromTheLoadedBundleReadsAndWritesTheRootsSettingsFile) {
  fs::create_directories(preferences());
  ASSERT_TRUE(foundation::writeDictionaryFile(settingsFile(), {{kRowA, foundation::Value("1")}}).ok());
  const ToolRun listed = tool({"--dump"});
  ASSERT_EQ(listed.code, 0) << listed.err;
  EXPECT_TRUE(has(listed.out, "\"text\": \"HoverlyraXI\"")) << listed.out.substr(0, 400);
  EXPECT_TRUE(fs::exists(root_ / "Library/PreferenceBundles/hoverversebundle.bundle/libhoverversebundle.so"));
  EXPECT_TRUE(fs::exists(root_ / "Library/PreferenceBundles/hoverversebundle.bundle/Root.plist"));

  const ToolRun opened = tool({"--open", "HoverlyraXI", "--dump"});
  ASSERT_EQ(opened.code, 0) << opened.err;
  EXPECT_EQ(firstSwitch(opened.out), "true");
  EXPECT_TRUE(has(opened.out, "\"text\": \"启用\""));

  // Row A's switch on an iPhone X: the bar ends at 88, the row at 100 on
  // the page, the switch 10 down and 70 in from the row's right end.
  const ToolRun tapped = tool({"--open", "HoverlyraXI", "--tap", "310,214", "--dump"});
  ASSERT_EQ(tapped.code, 0) << tapped.err;
  EXPECT_EQ(firstSwitch(tapped.out), "false");
  EXPECT_EQ(stored(kRowA), "0");
}

TEST_F(SettingsHostTest, ABundleThatCannotLoadIsLoggedAndTheListStillShows) {
  const fs::path broken = dir_ / "broken";
  fs::create_directories(broken);
  std::ofstream(broken / "libhoverversebundle.so") << "not a library";
  fs::copy_file(fs::path(HV_BUNDLE_DIR) / "Root.plist", broken / "Root.plist");
  fs::copy_file(fs::path(HV_BUNDLE_DIR) / "Entry.plist", broken / "Entry.plist");
  ::setenv("HOVERVERSE_PREFS_BUNDLE", broken.c_str(), 1);
  const ToolRun run = tool({"--open", "HoverlyraXI", "--dump"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(has(run.err, "cannot load the bundle " +
                               (root_ / "Library/PreferenceBundles/hoverversebundle.bundle/libhoverversebundle.so")
                                   .string()))
      << run.err;
  EXPECT_TRUE(has(run.out, "\"text\": \"HoverlyraXI\""));
  EXPECT_EQ(firstSwitch(run.out), "absent");
}

}  // namespace
