// What each control of the panel stores and posts when the user moves it,
// the colour editor, the exclusive animation switches and the companion
// module's notification.

#include "panel/LyricSettingWindow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "PanelTestEnv.h"
#include "ui/Button.h"

namespace {

using P = LyricSettingWindow;
using Strings = std::vector<std::string>;

std::string lf(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%lf", static_cast<double>(static_cast<float>(value)));
  return text;
}

struct SwitchCase {
  const char* name;
  const std::shared_ptr<ui::Switch>& (P::*get)();
  const char* key;
  Strings posts;  // when moved either way
};

const SwitchCase kSwitches[] = {
    {"floatLock", &P::floatLockSwitch, "USERKEY_13_lock", {}},
    {"alwaysOn", &P::alwaysOnSwitch, "USERKEY_13_alwaysOn", {"SettingVC_aod_switch_changed_noti"}},
    {"mediaControl", &P::alwaysOnMediaControlSwitch, "USERKEY_13_alwaysOnMediaControl", {}},
    {"HP", &P::alwaysOnHPSwitch, "USERKEY_13_alwaysOnShowHP", {}},
    {"doubleTap", &P::alwaysOnDoubleTapGesSwitch, "USERKEY_13_alwaysOnDoubleTapGes", {}},
    {"shortCut", &P::shortCutOpenAPPSwitch, "USERKEY_13_shortCutOpenAPPS", {}},
};

struct SliderCase {
  const char* name;
  const std::shared_ptr<ui::Slider>& (P::*get)();
  const char* key;
  float phoneMin, phoneMax, padMax;
  double target;
  Strings posts;  // per movement
};

const SliderCase kSliders[] = {
    {"fontSize", &P::alwaysOnFontSizeSlider, "USERKEY_13_alwaysOnFontSize", 14, 50, 120, 30, {"NOTI_alwaysOnFontSize"}},
    {"width", &P::floatWidthSlider, "USERKEY_13_width", 0.1f, 1, 1, 0.5, {}},
    {"height", &P::floatHeightSlider, "USERKEY_13_height", 15, 100, 150, 60, {}},
    {"corner", &P::floatCornerSlider, "USERKEY_13_corner", 0, 20, 20, 10, {}},
    {"shadow", &P::fontLayerShadowSlider, "USERKEY_13_fontLayerShadow", 0, 1, 1, 0.75, {}},
    {"lineWidth", &P::fontPathLineWidthSlider, "USERKEY_13_fontPathLineWidth", 0.5f, 3, 3, 2, {}},
    {"pathDuration", &P::fontPathDurationSlider, "USERKEY_13_fontPathDuration", 0.1f, 3, 3, 1.5, {}},
    {"smashDuration", &P::smashDurationSlider, "USERKEY_13_smashDuration", 0.25f, 2, 2, 1, {}},
};

class LyricSettingWindowTest : public PanelTest {};

TEST_F(LyricSettingWindowTest, SwitchesStartFromTheStoreAndStoreOneOrZeroWhenTapped) {
  // Every other switch starts on; stored texts read by the boolean rule.
  const char* texts[] = {"1", "0", "YES", "no", " +09", nullptr};
  for (std::size_t i = 0; i < std::size(kSwitches); ++i)
    if (texts[i]) set(kSwitches[i].key, texts[i]);
  open();
  for (std::size_t i = 0; i < std::size(kSwitches); ++i) {
    const SwitchCase& c = kSwitches[i];
    ui::Switch& control = *(panel.get()->*c.get)();
    const bool initially = i % 2 == 0;
    EXPECT_EQ(control.isOn(), initially) << c.name;
    tap(control);
    EXPECT_EQ(control.isOn(), !initially) << c.name;
    EXPECT_EQ(stored(c.key), initially ? "0" : "1") << c.name;
    tap(control);
    EXPECT_EQ(stored(c.key), initially ? "1" : "0") << c.name;
    Strings expected = c.posts;
    expected.insert(expected.end(), c.posts.begin(), c.posts.end());
    EXPECT_EQ(posted, expected) << c.name;
    posted.clear();
  }
}

TEST_F(LyricSettingWindowTest, SlidersShowTheStoredValueClampedAndStoreEveryMovementAsLf) {
  // Inside the range, above it, and absent (reads 0: the minimum shows).
  for (std::size_t i = 0; i < std::size(kSliders); ++i) {
    if (i % 3 == 0) set(kSliders[i].key, lf(kSliders[i].target / 2 + kSliders[i].phoneMin / 2));
    if (i % 3 == 1) set(kSliders[i].key, "500");
  }
  open();
  for (std::size_t i = 0; i < std::size(kSliders); ++i) {
    const SliderCase& c = kSliders[i];
    ui::Slider& slider = *(panel.get()->*c.get)();
    EXPECT_EQ(slider.minimumValue(), c.phoneMin) << c.name;
    EXPECT_EQ(slider.maximumValue(), c.phoneMax) << c.name;
    const float shown = i % 3 == 0 ? static_cast<float>(c.target / 2 + c.phoneMin / 2) : i % 3 == 1 ? c.phoneMax : c.phoneMin;
    EXPECT_FLOAT_EQ(slider.value(), shown) << c.name;
    const std::string before = stored(c.key);
    EXPECT_EQ(before, i % 3 == 0 ? lf(shown) : i % 3 == 1 ? "500" : "absent") << "showing stores nothing";

    drag(slider, c.target);
    EXPECT_EQ(stored(c.key), lf(c.target)) << c.name;
    // Dragged past the end, the slider stops there and stores its end.
    drag(slider, c.phoneMax);
    EXPECT_EQ(stored(c.key), lf(c.phoneMax)) << c.name;
    Strings expected = c.posts;
    expected.insert(expected.end(), c.posts.begin(), c.posts.end());
    EXPECT_EQ(posted, expected) << c.name;
    posted.clear();
  }
}

TEST_F(LyricSettingWindowTest, TabletRangesAndNoLandscapeRow) {
  set("USERKEY_13_height", "140");
  open(ui::UserInterfaceIdiom::Pad);
  for (const SliderCase& c : kSliders) {
    EXPECT_EQ((panel.get()->*c.get)()->minimumValue(), c.phoneMin) << c.name;
    EXPECT_EQ((panel.get()->*c.get)()->maximumValue(), c.padMax) << c.name;
  }
  EXPECT_EQ(panel->floatHeightSlider()->value(), 140);
  EXPECT_TRUE(panel->alwaysOnHPSwitch()->isHidden());
  EXPECT_EQ(panel->alwaysOnHPSwitch()->superview(), nullptr);
  EXPECT_EQ(panel->alwaysOnHPLabel()->superview(), nullptr);
  EXPECT_EQ(panel->aodGradientAnimationLabel()->text(), "动态渐变色");
  EXPECT_EQ(panel->aodSmashAnimationLabel()->text(), "碎裂动画");
}

// ---- Colour editor ----

struct ColorTarget {
  long segment;
  const char* stem;
  float minimumAlpha;
  Strings posts;  // per movement
};

const ColorTarget kTargets[] = {
    {0, "USERKEY_13_hoverVerseColor", 0.2f, {"NOTI_Lyric_Color"}},
    {1, "USERKEY_13_bgColor", 0.001f, {"NOTI_bgColor"}},
    {2, "USERKEY_13_aodLyricColor", 0.2f, {}},
    {3, "USERKEY_13_mediaControlColor", 0.2f, {"MediaCOntrol_Color_Change_Niti"}},
};

TEST_F(LyricSettingWindowTest, EachColourTargetLoadsItsFourKeysAndEachSliderWritesOneOfThem) {
  // Distinct stored colours, so a slider loaded from the wrong group shows.
  const char* components[][4] = {{"0.1", "0.2", "0.3", "0.4"},
                                  {"0.5", "0.6", "0.7", "0.8"},
                                  {"0.9", "0.8", "0.7", "0.6"},
                                  {"0.3", "0.2", "0.1", "0.9"}};
  for (std::size_t t = 0; t < 4; ++t) {
    const std::string stem = kTargets[t].stem;
    for (int c = 0; c < 4; ++c) set(stem + "_" + "RGBA"[c], components[t][c]);
  }
  open();
  for (const ColorTarget& target : kTargets) {
    const std::string stem = target.stem;
    const auto segment = panel->colorSegmented()->rectForSegment(target.segment);
    tapAt(*panel->colorSegmented(), {segment.midX(), segment.midY()});
    EXPECT_EQ(panel->colorType(), target.segment);
    EXPECT_EQ(panel->lyricAslider()->minimumValue(), target.minimumAlpha) << stem;
    const auto& row = components[target.segment];
    EXPECT_FLOAT_EQ(panel->lyricRslider()->value(), std::stof(row[0])) << stem;
    EXPECT_FLOAT_EQ(panel->lyricGslider()->value(), std::stof(row[1])) << stem;
    EXPECT_FLOAT_EQ(panel->lyricBslider()->value(), std::stof(row[2])) << stem;
    EXPECT_FLOAT_EQ(panel->lyricAslider()->value(), std::stof(row[3])) << stem;
    EXPECT_EQ(posted, Strings{}) << "choosing a target posts nothing";

    const std::pair<const std::shared_ptr<ui::Slider>& (P::*)(), char> sliders[] = {
        {&P::lyricRslider, 'R'}, {&P::lyricGslider, 'G'}, {&P::lyricBslider, 'B'}, {&P::lyricAslider, 'A'}};
    for (const auto& [get, component] : sliders) {
      const foundation::Dictionary before = store().dictionaryRepresentation();
      drag(*(panel.get()->*get)(), 0.55);
      const std::string key = stem + "_" + component;
      EXPECT_EQ(stored(key), lf(0.55)) << key;
      foundation::Dictionary expected = before;
      expected[key] = lf(0.55);
      EXPECT_EQ(store().dictionaryRepresentation(), expected) << "only " << key << " changes";
      EXPECT_EQ(posted, target.posts) << key;
      posted.clear();
    }
    // The preview shows the target's stored colour.
    EXPECT_EQ(panel->previewColorBtn()->backgroundColor()->cgColor(), (quartz::Color{0.55f, 0.55f, 0.55f, 0.55f}))
        << stem;
  }
}

TEST_F(LyricSettingWindowTest, FirstStartIsOpaqueWhiteAndAnUnstoredBackgroundStaysTransparent) {
  open();
  for (const char* key : {"USERKEY_13_hoverVerseColor_A", "USERKEY_13_aodLyricColor_B"}) EXPECT_EQ(stored(key), "1");
  EXPECT_EQ(panel->lyricAslider()->value(), 1);
  EXPECT_EQ(panel->lyricRslider()->value(), 1);
  EXPECT_EQ(panel->previewColorBtn()->backgroundColor()->cgColor(), quartz::Color::white());

  // Background: never stored. Alpha shows at its 0.001 floor, the rest 0.
  const auto segment = panel->colorSegmented()->rectForSegment(1);
  tapAt(*panel->colorSegmented(), {segment.midX(), segment.midY()});
  EXPECT_FLOAT_EQ(panel->lyricAslider()->value(), 0.001f);
  EXPECT_EQ(panel->lyricRslider()->value(), 0);
  EXPECT_EQ(stored("USERKEY_13_bgColor_A"), "absent");
  drag(*panel->lyricRslider(), 1);
  EXPECT_EQ(stored("USERKEY_13_bgColor_R"), "1.000000");
  EXPECT_EQ(stored("USERKEY_13_bgColor_A"), "absent") << "still fully transparent";
  EXPECT_EQ(panel->previewColorBtn()->backgroundColor()->cgColor(), (quartz::Color{1, 0, 0, 0}));
  // The alpha slider goes down to 0.001 here, and no lower.
  drag(*panel->lyricAslider(), 0.001);
  EXPECT_EQ(stored("USERKEY_13_bgColor_A"), "0.001000");
}

TEST_F(LyricSettingWindowTest, PreviewButtonLookAndUnknownTargetIsWhite) {
  set("USERKEY_13_hoverVerseColor_R", "0.25");
  open();
  ui::Button& preview = *panel->previewColorBtn();
  EXPECT_EQ(preview.currentTitle(), "颜色预览区域");
  EXPECT_EQ(preview.layer()->borderWidth(), 1);
  EXPECT_EQ(preview.layer()->cornerRadius(), 5);
  EXPECT_EQ(preview.backgroundColor()->cgColor(), (quartz::Color{0.25, 0, 0, 0}));
  panel->setColorType(7);
  EXPECT_EQ(preview.backgroundColor()->cgColor(), quartz::Color::white());
  // A colour slider moved while the target is unknown stores nothing.
  const foundation::Dictionary before = store().dictionaryRepresentation();
  drag(*panel->lyricRslider(), 0.5);
  EXPECT_EQ(store().dictionaryRepresentation(), before);
  EXPECT_EQ(posted, Strings{});
}

// ---- Exclusive groups ----

TEST_F(LyricSettingWindowTest, FloatingAnimationsExcludeEachOther) {
  set("USERKEY_13_fontShadow_animation", "1");
  open();
  struct Step {
    const std::shared_ptr<ui::Switch>& (P::*tapped)();
    const char* expected;  // shadow, colour, path: stored and shown
  };
  const Step steps[] = {
      {&P::randomColorSwitch, "010"},  // on while the shadow was on
      {&P::fontPathSwitch, "001"},
      {&P::fontShadowSwitch, "100"},
      {&P::fontShadowSwitch, "000"},  // any of them off: all three off
      {&P::randomColorSwitch, "010"},
      {&P::randomColorSwitch, "000"},
  };
  for (const Step& step : steps) {
    tap(*(panel.get()->*step.tapped)());
    const std::string storedNow = stored("USERKEY_13_fontShadow_animation") +
                                  stored("USERKEY_13_randomColor_animation") + stored("USERKEY_13_fontPath_animation");
    const std::string shown = std::string(panel->fontShadowSwitch()->isOn() ? "1" : "0") +
                              (panel->randomColorSwitch()->isOn() ? "1" : "0") +
                              (panel->fontPathSwitch()->isOn() ? "1" : "0");
    EXPECT_EQ(storedNow, step.expected);
    EXPECT_EQ(shown, step.expected);
  }
  EXPECT_EQ(posted, Strings{});
  // Names other than the three do nothing.
  panel->setAnimtion("glow", true);
  EXPECT_EQ(panel->randomColorSwitch()->isOn(), false);
}

TEST_F(LyricSettingWindowTest, AlwaysOnAnimationPairExcludesEachOther) {
  set("USERKEY_13_aod_gradientAnimation", "1");
  open();
  EXPECT_TRUE(panel->aodGradientAnimationSwitch()->isOn());
  tap(*panel->aodSmashAnimationSwitch());
  EXPECT_EQ(stored("USERKEY_13_aod_smashAnimation") + stored("USERKEY_13_aod_gradientAnimation"), "10");
  EXPECT_FALSE(panel->aodGradientAnimationSwitch()->isOn());
  tap(*panel->aodSmashAnimationSwitch());
  EXPECT_EQ(stored("USERKEY_13_aod_smashAnimation") + stored("USERKEY_13_aod_gradientAnimation"), "00");
  tap(*panel->aodGradientAnimationSwitch());
  EXPECT_EQ(stored("USERKEY_13_aod_smashAnimation") + stored("USERKEY_13_aod_gradientAnimation"), "01");
  EXPECT_FALSE(panel->aodSmashAnimationSwitch()->isOn());
  EXPECT_EQ(posted, Strings{});
}

// ---- The companion module and closing ----

TEST_F(LyricSettingWindowTest, CompanionNotificationFlipsTheAlwaysOnSwitchWithoutStoringOrPosting) {
  open();
  EXPECT_FALSE(panel->alwaysOnSwitch()->isOn());
  set("USERKEY_13_alwaysOn", "1");
  const foundation::Dictionary before = store().dictionaryRepresentation();
  foundation::NotificationCenter::defaultCenter().post("CCBundle_aod_switch_changed_noti");
  EXPECT_TRUE(panel->alwaysOnSwitch()->isOn());
  EXPECT_EQ(store().dictionaryRepresentation(), before);
  set("USERKEY_13_alwaysOn", "0");
  foundation::NotificationCenter::defaultCenter().post("CCBundle_aod_switch_changed_noti");
  EXPECT_FALSE(panel->alwaysOnSwitch()->isOn());
  EXPECT_EQ(stored("USERKEY_13_alwaysOn"), "0");
  EXPECT_EQ(posted, (Strings{"CCBundle_aod_switch_changed_noti", "CCBundle_aod_switch_changed_noti"}))
      << "the panel's own notification is not posted";
}

TEST_F(LyricSettingWindowTest, CloseButtonMakesThePanelTransparentAndTouchesThenPassThrough) {
  open();
  EXPECT_EQ(panel->closeBtn()->currentTitle(), "关闭");
  tap(*panel->closeBtn());
  EXPECT_EQ(panel->alpha(), 0);
  tap(*panel->floatLockSwitch());
  EXPECT_FALSE(panel->floatLockSwitch()->isOn());
  EXPECT_EQ(stored("USERKEY_13_lock"), "absent");
}

}  // namespace
