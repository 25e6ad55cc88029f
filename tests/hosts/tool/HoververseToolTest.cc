// Runs the built hoververse-tool as a user would, in a fresh device root.

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/PropertyList.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int code = -1;
  std::string out;
  std::string err;
};

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class HoververseToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "hv-tool-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    root_ = dir_ / "device";
    ::setenv("HOVERVERSE_ROOT", root_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("HOVERVERSE_ROOT");
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  ToolRun tool(std::vector<std::string> args, const std::string& input = "") {
    std::ofstream(dir_ / "stdin", std::ios::binary) << input;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, (dir_ / "stdin").c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (dir_ / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (dir_ / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    static char program[] = HV_TOOL_PATH;
    std::vector<char*> argv{program};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ToolRun run;
    if (posix_spawn(&pid, HV_TOOL_PATH, &actions, nullptr, argv.data(), environ) == 0) {
      int status = 0;
      if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.code = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = slurp(dir_ / "stdout");
    run.err = slurp(dir_ / "stderr");
    return run;
  }

  fs::path settingsFile() const { return root_ / "var/mobile/Library/Preferences/1"; }

  fs::path dir_;
  fs::path root_;
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
