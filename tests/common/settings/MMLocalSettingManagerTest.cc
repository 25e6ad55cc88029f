#include "settings/MMLocalSettingManager.h"

#include <gtest/gtest.h>
#include <fstream>

#include "SettingsTestRoot.h"
#include "foundation/PropertyList.h"
#include "settings/SettingKeys.h"

namespace {

using foundation::Dictionary;
using foundation::Value;

class LocalSettingsTest : public ::testing::Test {
 protected:
  SettingsTestRoot root;
  MMLocalSettingManager& manager = MMLocalSettingManager::shared();
};

TEST_F(LocalSettingsTest, FileLivesAtTheDevicePathUnderTheRoot) {
  EXPECT_EQ(&manager, &MMLocalSettingManager::shared());
  EXPECT_EQ(MMLocalSettingManager::filePath(),
            foundation::DeviceRoot::root() / "var/mobile/Library/Preferences/1");
}

TEST_F(LocalSettingsTest, WithoutAFileEveryKeyReadsEmptyText) {
  EXPECT_EQ(manager.getValueForKey(SettingKey::ROWA_SWI), Value(""));
  EXPECT_FALSE(std::filesystem::exists(MMLocalSettingManager::filePath()));
}

TEST_F(LocalSettingsTest, FirstSaveCreatesTheFileWithThatOneKey) {
  manager.saveValue("1", SettingKey::ROWA_SWI);
  EXPECT_EQ(foundation::readDictionaryFile(MMLocalSettingManager::filePath()),
            (Dictionary{{std::string(SettingKey::ROWA_SWI), "1"}}));
  EXPECT_EQ(manager.getValueForKey(SettingKey::ROWA_SWI), Value("1"));
  EXPECT_EQ(manager.getValueForKey(SettingKey::ROWB_SWI), Value(""));
}

TEST_F(LocalSettingsTest, SavesKeepOtherKeysAndReadsSeeOtherWritersAtOnce) {
  manager.saveValue("1", SettingKey::ROWA_SWI);
  manager.saveValue("0", SettingKey::ROWB_SWI);
  manager.saveValue("0", SettingKey::ROWA_SWI);
  EXPECT_EQ(foundation::readDictionaryFile(MMLocalSettingManager::filePath()),
            (Dictionary{{std::string(SettingKey::ROWA_SWI), "0"}, {std::string(SettingKey::ROWB_SWI), "0"}}));
  // Another process writes the file: no cache hides it.
  ASSERT_TRUE(foundation::writeDictionaryFile(MMLocalSettingManager::filePath(),
                                              Dictionary{{std::string(SettingKey::ROWC_FONTS), "Helvetica"}}));
  EXPECT_EQ(manager.getValueForKey(SettingKey::ROWC_FONTS), Value("Helvetica"));
  EXPECT_EQ(manager.getValueForKey(SettingKey::ROWA_SWI), Value(""));
}

TEST_F(LocalSettingsTest, NilValueOrKeyIsIgnored) {
  manager.saveValue("1", SettingKey::ROWA_SWI);
  manager.saveValue(Value(), SettingKey::ROWA_SWI);
  manager.saveValue("x", Value());
  EXPECT_TRUE(manager.saveValueChecked(Value(), "k").ok());
  EXPECT_EQ(foundation::readDictionaryFile(MMLocalSettingManager::filePath()),
            (Dictionary{{std::string(SettingKey::ROWA_SWI), "1"}}));
}

TEST_F(LocalSettingsTest, CorruptTruncatedEmptyOrNonDictionaryFilesReadEmptyAndAreReplaced) {
  const std::string xmlArray =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><array><string>1</string></array></plist>";
  const std::string xmlDict =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>" +
      std::string(SettingKey::ROWB_SWI) + "</key><string>1</string></dict></plist>";
  const std::string xmlEmptyDict =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict/></plist>";
  for (const std::string& bytes : {std::string(), std::string("garbage\xff"), xmlArray, xmlEmptyDict,
                                   xmlDict.substr(0, xmlDict.size() / 2), std::string("bplist00")}) {
    SettingsTestRoot::writeSettingsFile(bytes);
    EXPECT_EQ(manager.getValueForKey(SettingKey::ROWB_SWI), Value("")) << bytes;
    manager.saveValue("1", SettingKey::ROWA_SWI);
    EXPECT_EQ(foundation::readDictionaryFile(MMLocalSettingManager::filePath()),
              (Dictionary{{std::string(SettingKey::ROWA_SWI), "1"}}))
        << bytes;
  }
}

TEST_F(LocalSettingsTest, FailedWriteIsReportedOnlyByTheCheckedSave) {
  // The settings folder's place is taken by a file: nothing can be written.
  const auto folder = MMLocalSettingManager::filePath().parent_path();
  std::filesystem::create_directories(folder.parent_path());
  std::ofstream(folder) << "not a folder";
  const foundation::Status status = manager.saveValueChecked("1", SettingKey::ROWA_SWI);
  EXPECT_FALSE(status.ok());
  EXPECT_FALSE(status.message().empty());
  manager.saveValue("1", SettingKey::ROWA_SWI);  // silently does nothing
  EXPECT_EQ(manager.getValueForKey(SettingKey::ROWA_SWI), Value(""));
}

}  // namespace
