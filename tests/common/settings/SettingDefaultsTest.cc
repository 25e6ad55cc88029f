#include "settings/SettingDefaults.h"

#include <gtest/gtest.h>

#include "SettingsTestRoot.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"

namespace {

using foundation::Value;

class SettingDefaultsTest : public ::testing::Test {
 protected:
  // A second store on the same file shows what reached the disk.
  foundation::UserDefaults reopened() const {
    foundation::UserDefaults fresh(defaults.file());
    fresh.synchronize();
    return fresh;
  }
  SettingsTestRoot root;
  foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults();
};

TEST_F(SettingDefaultsTest, EmptyStoreGetsTheStartupDefaultsStoredAsText) {
  applyStartupDefaults(defaults);
  const foundation::Dictionary expected{{std::string(SettingKey::CCBundle_UserDefaults_Narv_Switch), "1"},
                                        {std::string(SettingKey::X), "20"},
                                        {std::string(SettingKey::Y), "80"},
                                        {std::string(SettingKey::width), "0.8"},
                                        {std::string(SettingKey::height), "40"}};
  EXPECT_EQ(defaults.dictionaryRepresentation(), expected);
  EXPECT_EQ(reopened().dictionaryRepresentation(), expected);
  EXPECT_EQ(settingNumber(SettingKey::corner, defaults), 0.0f);
}

TEST_F(SettingDefaultsTest, StartupDefaultsReplaceOnlyMissingOrNullTexts) {
  defaults.setObject("(null)", SettingKey::X);
  defaults.setObject("", SettingKey::Y);
  defaults.setObject("0.5", SettingKey::width);
  defaults.setObject("0", SettingKey::height);
  // The switch counts only nil and "(null)" as missing.
  defaults.setObject("", SettingKey::CCBundle_UserDefaults_Narv_Switch);
  applyStartupDefaults(defaults);
  EXPECT_EQ(defaults.objectForKey(SettingKey::X), Value("20"));
  EXPECT_EQ(defaults.objectForKey(SettingKey::Y), Value("80"));
  EXPECT_EQ(defaults.objectForKey(SettingKey::width), Value("0.5"));
  EXPECT_EQ(defaults.objectForKey(SettingKey::height), Value("0"));
  EXPECT_EQ(defaults.objectForKey(SettingKey::CCBundle_UserDefaults_Narv_Switch), Value(""));

  defaults.setObject("(null)", SettingKey::CCBundle_UserDefaults_Narv_Switch);
  applyStartupDefaults(defaults);
  EXPECT_EQ(defaults.objectForKey(SettingKey::CCBundle_UserDefaults_Narv_Switch), Value("1"));
}

TEST_F(SettingDefaultsTest, UnsetLyricColoursBecomeOpaqueWhiteIndependently) {
  for (const char* suffix : {"_R", "_G", "_B", "_A"}) {
    defaults.setValue("0.000000", std::string(SettingKey::hoverVerseColor) + suffix);
  }
  defaults.setValue("-1", "USERKEY_13_aodLyricColor_R");
  defaults.setValue("(null)", "USERKEY_13_aodLyricColor_G");
  defaults.setValue("0.200000", "USERKEY_13_aodLyricColor_A");  // one positive component
  applyLyricColorDefaults(defaults);
  EXPECT_EQ(settingColor(SettingKey::hoverVerseColor, defaults), (SettingColor{1, 1, 1, 1}));
  EXPECT_EQ(defaults.objectForKey("USERKEY_13_hoverVerseColor_A"), Value("1"));
  EXPECT_EQ(settingColor(SettingKey::aodLyricColor, defaults), (SettingColor{-1, 0, 0, 0.2f}));
  foundation::UserDefaults onDisk = reopened();
  EXPECT_EQ(settingColor(SettingKey::hoverVerseColor, onDisk), (SettingColor{1, 1, 1, 1}));
  // Background and media-control colours get no default.
  EXPECT_EQ(settingColor(SettingKey::bgColor, defaults), SettingColor{});
  EXPECT_TRUE(defaults.objectForKey("USERKEY_13_mediaControlColor_A").isNil());
}

TEST_F(SettingDefaultsTest, AbsentLyricColoursAreWhitenedToo) {
  applyLyricColorDefaults(defaults);
  EXPECT_EQ(settingColor(SettingKey::hoverVerseColor, defaults), (SettingColor{1, 1, 1, 1}));
  EXPECT_EQ(settingColor(SettingKey::aodLyricColor, defaults), (SettingColor{1, 1, 1, 1}));
}

}  // namespace
