// `hoververse-tool preview floating`, run as a user would: the window's tree
// as JSON, the rendered PNG, settings routed to their stores, the virtual
// clock, and the device root it works in.

#include <stdlib.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ToolRunner.h"
#include "foundation/PropertyList.h"
#include "render/ImageCodec.h"

namespace {

namespace fs = std::filesystem;

// The frame of the first view of class `cls` in a --dump, as [x, y, w, h].
std::optional<std::array<double, 4>> frameOf(const std::string& json, const std::string& cls) {
  const std::string key = "{\"class\": \"" + cls + "\", \"frame\": [";
  const std::size_t at = json.find(key);
  if (at == std::string::npos) return std::nullopt;
  std::istringstream in(json.substr(at + key.size()));
  std::array<double, 4> f{};
  char comma = 0;
  in >> f[0] >> comma >> f[1] >> comma >> f[2] >> comma >> f[3];
  if (!in) return std::nullopt;
  return f;
}

class PreviewFloatingToolTest : public ToolRunnerTest {
 protected:
  PreviewFloatingToolTest() : ToolRunnerTest("hv-preview") {}

  ToolRun preview(std::vector<std::string> args) {
    args.insert(args.begin(), {"preview", "floating"});
    return tool(std::move(args));
  }
};

// 61 UTF-16 code units: 3.05 points per marquee step, far wider than 300.
const std::string kLong = "The quick brown fox jumps over the lazy dog and keeps running";

TEST_F(PreviewFloatingToolTest, DefaultWindowAndItsTreeAsJson) {
  const ToolRun run = preview({"--lyric", "Hello 你好"});  // --dump is the default output
  ASSERT_EQ(run.code, 0) << run.err;
  const std::string& json = run.out;
  EXPECT_EQ(json.rfind("{\"class\": \"MMLyricSuperWindow\", \"frame\": [20, 80, 300, 40], \"alpha\": 1, "
                       "\"hidden\": false",
                       0),
            0u)
      << json;
  const auto line = frameOf(json, "MMNormalView");
  ASSERT_TRUE(line) << json;
  EXPECT_GT((*line)[2], 50);
  EXPECT_DOUBLE_EQ(2 * (*line)[0] + (*line)[2], 300);  // centred
  EXPECT_EQ((*line)[1], 0);
  EXPECT_EQ((*line)[3], 40);
  EXPECT_NE(json.find("{\"class\": \"Label\", \"frame\": [0, 0, " + std::to_string(static_cast<int>((*line)[2]))),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"text\": \"Hello 你好\""), std::string::npos);
  EXPECT_NE(json.find("\"subviews\": []"), std::string::npos);
  EXPECT_EQ(json.find("MMGradientView"), std::string::npos);  // only the chosen view is in the window
  EXPECT_EQ(json.back(), '\n');
}

TEST_F(PreviewFloatingToolTest, SetGoesToTheDefaultsStoreOrTheSettingsFile) {
  const ToolRun run = preview({"--lyric", "Hi", "--set", "USERKEY_13_randomColor_animation=1", "--set",
                           "USER_KEY_HVXI_BUNDLESETTING_ROWC_FONTS=DejaVuSans-Bold", "--set", "USERKEY_13_width=0.5",
                           "--set", "USERKEY_13_Y=100"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(frameOf(run.out, "MMGradientView")) << run.out;
  EXPECT_EQ(frameOf(run.out, "MMLyricSuperWindow"), (std::array<double, 4>{20, 100, 187.5, 40}));

  // The settings file holds only its own key; the defaults store the others.
  EXPECT_EQ(foundation::readDictionaryFile(preferences() / "1"),
            (foundation::Dictionary{{"USER_KEY_HVXI_BUNDLESETTING_ROWC_FONTS", "DejaVuSans-Bold"}}));
  std::optional<foundation::Dictionary> stored;
  for (const auto& entry : fs::directory_iterator(preferences()))
    if (entry.path().extension() == ".plist") stored = foundation::readDictionaryFile(entry.path());
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->at("USERKEY_13_randomColor_animation"), foundation::Value("1"));
  EXPECT_EQ(stored->at("USERKEY_13_width"), foundation::Value("0.5"));
  EXPECT_EQ(stored->count("USER_KEY_HVXI_BUNDLESETTING_ROWC_FONTS"), 0u);
}

TEST_F(PreviewFloatingToolTest, WithoutHoververseRootAFreshTemporaryRootIsUsedAndRemoved) {
  ::unsetenv("HOVERVERSE_ROOT");
  const fs::path tmp = dir_ / "tmp";
  fs::create_directories(tmp);
  ::setenv("TMPDIR", tmp.c_str(), 1);
  ::setenv("XDG_DATA_HOME", (dir_ / "xdg").c_str(), 1);
  const ToolRun first = preview({"--lyric", "Hi", "--set", "USER_KEY_HVXI_BUNDLESETTING_ROWC_FONTS=DejaVuSans-Bold",
                             "--set", "USERKEY_13_fontPath_animation=1"});
  const ToolRun second = preview({"--lyric", "Hi"});
  ::unsetenv("TMPDIR");
  ::unsetenv("XDG_DATA_HOME");
  ASSERT_EQ(first.code, 0) << first.err;
  ASSERT_EQ(second.code, 0) << second.err;
  EXPECT_TRUE(frameOf(first.out, "MMFontPathView")) << first.out;
  // Nothing of the first run reached the second; nothing was left behind.
  EXPECT_TRUE(frameOf(second.out, "MMNormalView")) << second.out;
  EXPECT_FALSE(fs::exists(dir_ / "xdg"));
  EXPECT_FALSE(fs::exists(root_));
  EXPECT_TRUE(fs::is_empty(tmp));
}

TEST_F(PreviewFloatingToolTest, AtRunsTheVirtualClock) {
  auto xAt = [&](const std::string& at) {
    const ToolRun run = preview({"--lyric", kLong, "--at", at});
    EXPECT_EQ(run.code, 0) << run.err;
    const auto f = frameOf(run.out, "MMNormalView");
    return f ? (*f)[0] : 1e9;
  };
  EXPECT_EQ(xAt("0"), 0);
  EXPECT_EQ(xAt("0.5"), 0);  // the first second is a rest at the start
  // Then one 3.05-point step every 0.01 s.
  EXPECT_NEAR(xAt("1.5"), -3.05 * 51, 3.05);
}

TEST_F(PreviewFloatingToolTest, PngIsTheRenderedWindow) {
  const fs::path png = dir_ / "window.png";
  const ToolRun run = preview({"--lyric", "HHHH", "--png", png.string()});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "");  // --png alone prints nothing
  const auto image = render::readPNG(png.string());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 300);
  EXPECT_EQ(image->height(), 40);
  // White ink in the middle of the line, none at the window's ends.
  int middle = 0, ends = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 300; ++x) {
      const bool ink = (image->pixelAt(x, y) >> 24) > 128;
      (x >= 110 && x < 190 ? middle : ends) += ink;
      if (ink) {
        EXPECT_GT(image->pixelAt(x, y) & 0xff, 100u);  // white, not a dark placeholder
      }
    }
  EXPECT_GT(middle, 100);
  EXPECT_EQ(ends, 0);

  const ToolRun both = preview({"--lyric", "HHHH", "--png", png.string(), "--dump"});
  EXPECT_EQ(both.code, 0);
  EXPECT_TRUE(frameOf(both.out, "MMLyricSuperWindow"));
}

TEST_F(PreviewFloatingToolTest, FrameAndLandscape) {
  const ToolRun framed = preview({"--lyric", "Hi", "--frame", "10,20,200,60"});
  ASSERT_EQ(framed.code, 0) << framed.err;
  EXPECT_EQ(frameOf(framed.out, "MMLyricSuperWindow"), (std::array<double, 4>{10, 20, 200, 60}));
  EXPECT_EQ((*frameOf(framed.out, "MMNormalView"))[3], 60);

  // Turned a quarter turn: the screen frame stands on its side, the line
  // height is the window's on-screen width and the length its height.
  const ToolRun turned = preview({"--lyric", "Hi", "--landscape"});
  ASSERT_EQ(turned.code, 0) << turned.err;
  EXPECT_EQ(frameOf(turned.out, "MMLyricSuperWindow"), (std::array<double, 4>{20, 80, 40, 300}));
  const auto line = frameOf(turned.out, "MMNormalView");
  ASSERT_TRUE(line);
  EXPECT_EQ((*line)[3], 40);
  EXPECT_DOUBLE_EQ(2 * (*line)[0] + (*line)[2], 300);
}

TEST_F(PreviewFloatingToolTest, BadArgumentsExitTwo) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {},
           {"--lyric"},
           {"--lyric", "x", "--frame", "1,2,3"},
           {"--lyric", "x", "--frame", "1,2,-3,4"},
           {"--lyric", "x", "--at", "-1"},
           {"--lyric", "x", "--set", "novalue"},
           {"--lyric", "x", "--bogus"}}) {
    const ToolRun run = preview(args);
    EXPECT_EQ(run.code, 2) << (args.empty() ? "(none)" : args.back());
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(run.err.empty());
  }
}

}  // namespace
