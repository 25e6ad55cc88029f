#include "settings/SettingReaders.h"

#include <gtest/gtest.h>

#include "SettingsTestRoot.h"
#include "foundation/Text.h"
#include "settings/MMLocalSettingManager.h"
#include "settings/SettingKeys.h"

namespace {

using foundation::Value;

class SettingReadersTest : public ::testing::Test {
 protected:
  SettingsTestRoot root;
  foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults();
};

TEST_F(SettingReadersTest, MissingValuesReadAsNullTextZeroAndFalse) {
  EXPECT_EQ(settingText(SettingKey::corner), "(null)");
  EXPECT_EQ(settingNumber(SettingKey::corner), 0.0f);
  EXPECT_FALSE(settingBool(SettingKey::lock));
  EXPECT_EQ(settingColor(SettingKey::bgColor), SettingColor{});
  EXPECT_TRUE(isMissingSettingText(""));
  EXPECT_TRUE(isMissingSettingText("(null)"));
  EXPECT_FALSE(isMissingSettingText("0"));
}

TEST_F(SettingReadersTest, StoredTextsAndOtherValuesGoThroughTheirText) {
  defaults.setValue(foundation::format("%lf", static_cast<double>(0.1f)), SettingKey::width);
  EXPECT_EQ(settingText(SettingKey::width), "0.100000");
  EXPECT_FLOAT_EQ(settingNumber(SettingKey::width), 0.1f);
  defaults.setObject(Value(40), SettingKey::height);
  EXPECT_EQ(settingNumber(SettingKey::height), 40.0f);
  defaults.setObject(" 12px", SettingKey::corner);
  EXPECT_EQ(settingNumber(SettingKey::corner), 12.0f);
  defaults.setValue("1", SettingKey::lock);
  EXPECT_TRUE(settingBool(SettingKey::lock));
  defaults.setValue("0", SettingKey::lock);
  EXPECT_FALSE(settingBool(SettingKey::lock));
  defaults.setValue("YES", SettingKey::lock);
  EXPECT_TRUE(settingBool(SettingKey::lock));
  defaults.setObject(Value(true), SettingKey::alwaysOn);
  EXPECT_TRUE(settingBool(SettingKey::alwaysOn));
}

TEST_F(SettingReadersTest, ColourComesFromFourKeysInRgbaOrderWithMissingAsZero) {
  defaults.setValue("0.250000", "USERKEY_13_bgColor_R");
  defaults.setValue("0.500000", "USERKEY_13_bgColor_G");
  defaults.setValue("0.001000", "USERKEY_13_bgColor_A");
  EXPECT_EQ(settingColor(SettingKey::bgColor), (SettingColor{0.25f, 0.5f, 0.0f, 0.001f}));
  EXPECT_EQ(SettingKey::colorComponent(SettingKey::mediaControlColor, SettingKey::ColorSuffixA),
            "USERKEY_13_mediaControlColor_A");
}

TEST_F(SettingReadersTest, FileSwitchesReadOffWhenAbsentOrZero) {
  const std::array<std::string_view, 2> both{SettingKey::ROWA_SWI, SettingKey::ROWB_SWI};
  EXPECT_FALSE(fileSettingBool(SettingKey::ROWA_SWI));
  EXPECT_EQ(fileSettingBools(both), (std::array<bool, 2>{false, false}));
  EXPECT_EQ(fileSettingText(SettingKey::ROWA_SWI), "");
  MMLocalSettingManager::shared().saveValue("0", SettingKey::ROWA_SWI);
  EXPECT_FALSE(fileSettingBool(SettingKey::ROWA_SWI));
  MMLocalSettingManager::shared().saveValue("1", SettingKey::ROWA_SWI);
  EXPECT_TRUE(fileSettingBool(SettingKey::ROWA_SWI));
  EXPECT_EQ(fileSettingBools(both), (std::array<bool, 2>{true, false}));
  MMLocalSettingManager::shared().saveValue("2.5", SettingKey::ROWB_SWI);
  EXPECT_EQ(fileSettingNumber(SettingKey::ROWB_SWI), 2.5f);
}

TEST_F(SettingReadersTest, LyricFontNameStoresTheDefaultWhenMissingOrEmpty) {
  auto& manager = MMLocalSettingManager::shared();
  EXPECT_EQ(lyricFontName(), "PingFangSC-Regular");
  EXPECT_EQ(manager.getValueForKey(SettingKey::ROWC_FONTS), Value("PingFangSC-Regular"));

  manager.saveValue("", SettingKey::ROWC_FONTS);
  EXPECT_EQ(lyricFontName(), "PingFangSC-Regular");
  EXPECT_EQ(manager.getValueForKey(SettingKey::ROWC_FONTS), Value("PingFangSC-Regular"));

  manager.saveValue("Helvetica-Bold", SettingKey::ROWC_FONTS);
  EXPECT_EQ(lyricFontName(), "Helvetica-Bold");
  EXPECT_EQ(manager.getValueForKey(SettingKey::ROWC_FONTS), Value("Helvetica-Bold"));
}

}  // namespace
