#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "TempDeviceRoot.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"

namespace {

namespace fs = std::filesystem;
using foundation::Dictionary;
using foundation::ProcessInfo;
using foundation::UserDefaults;
using foundation::Value;

class UserDefaultsTest : public ::testing::Test {
 protected:
  void SetUp() override { UserDefaults::resetStandardUserDefaults(); }
  void TearDown() override {
    UserDefaults::resetStandardUserDefaults();
    ProcessInfo::setBundleIdentifier("hoververse.process");
  }
  hvtest::TempDeviceRoot root_;
  fs::path file_ = root_.path() / "var/mobile/Library/Preferences/store.plist";
};

TEST_F(UserDefaultsTest, StandardStoreLivesUnderTheDeviceRootByBundleIdentifier) {
  EXPECT_EQ(ProcessInfo::bundleIdentifier(), "hoververse.process");
  EXPECT_EQ(UserDefaults::standardUserDefaults().file(),
            root_.path() / "var/mobile/Library/Preferences/hoververse.process.plist");
  ProcessInfo::setBundleIdentifier("com.apple.springboard");
  UserDefaults::resetStandardUserDefaults();
  UserDefaults& defaults = UserDefaults::standardUserDefaults();
  EXPECT_EQ(defaults.file(),
            root_.path() / "var/mobile/Library/Preferences/com.apple.springboard.plist");
  EXPECT_EQ(&defaults, &UserDefaults::standardUserDefaults());
}

TEST_F(UserDefaultsTest, ChangesReachTheFileWhenTheirTurnEndsWithoutSynchronize) {
  foundation::RunLoop::useVirtualClock();
  UserDefaults defaults(file_);
  defaults.setObject(Value("40"), "USERKEY_13_height");
  defaults.setValue(Value("20"), "USERKEY_13_X");
  defaults.setValue(Value("80"), "USERKEY_13_Y");
  defaults.removeObjectForKey("USERKEY_13_X");
  EXPECT_EQ(defaults.objectForKey("USERKEY_13_height"), Value("40"));
  EXPECT_FALSE(fs::exists(file_));  // the turn has not ended

  foundation::RunLoop::main().advance(0);
  const Dictionary expected{{"USERKEY_13_height", Value("40")}, {"USERKEY_13_Y", Value("80")}};
  EXPECT_EQ(UserDefaults(file_).dictionaryRepresentation(), expected);

  // Later turns write again; a turn without changes leaves the file alone.
  defaults.setObject(Value("41"), "USERKEY_13_height");
  foundation::RunLoop::main().advance(0.25);
  EXPECT_EQ(UserDefaults(file_).objectForKey("USERKEY_13_height"), Value("41"));
  const auto written = fs::last_write_time(file_);
  fs::last_write_time(file_, written - std::chrono::hours(1));
  foundation::RunLoop::main().advance(1);
  EXPECT_EQ(fs::last_write_time(file_), written - std::chrono::hours(1));

  // Nor does a turn that only stores what the file already holds; a real
  // change after it is written.
  defaults.setObject(Value("41"), "USERKEY_13_height");
  defaults.removeObjectForKey("USERKEY_13_X");
  foundation::RunLoop::main().advance(1);
  EXPECT_EQ(fs::last_write_time(file_), written - std::chrono::hours(1));
  defaults.setObject(Value("42"), "USERKEY_13_height");
  foundation::RunLoop::main().advance(1);
  EXPECT_EQ(UserDefaults(file_).objectForKey("USERKEY_13_height"), Value("42"));
  EXPECT_NE(fs::last_write_time(file_), written - std::chrono::hours(1));
}

TEST_F(UserDefaultsTest, AProcessKilledAfterTheTurnKeepsItsChanges) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    foundation::RunLoop::useVirtualClock();
    UserDefaults defaults(file_);
    defaults.setObject(Value("123"), "USERKEY_13_X");
    foundation::RunLoop::main().runOnce();
    ::raise(SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(UserDefaults(file_).objectForKey("USERKEY_13_X"), Value("123"));
}

TEST_F(UserDefaultsTest, SynchronizeWithoutChangesSeesAnotherWritersValues) {
  UserDefaults reader(file_);
  UserDefaults writer(file_);
  writer.setObject(Value("1"), "USERKEY_13_alwaysOn");
  ASSERT_TRUE(writer.synchronize());
  EXPECT_TRUE(reader.objectForKey("USERKEY_13_alwaysOn").isNil());
  ASSERT_TRUE(reader.synchronize());
  EXPECT_EQ(reader.objectForKey("USERKEY_13_alwaysOn"), Value("1"));
}

TEST_F(UserDefaultsTest, SynchronizeMergesPendingChangesOverAnotherWritersKeys) {
  UserDefaults first(file_);
  UserDefaults second(file_);
  first.setObject(Value("a"), "mine");
  second.setObject(Value("b"), "theirs");
  second.setObject(Value("stale"), "mine");
  ASSERT_TRUE(second.synchronize());
  ASSERT_TRUE(first.synchronize());  // the later write of "mine" wins
  const Dictionary expected{{"mine", Value("a")}, {"theirs", Value("b")}};
  EXPECT_EQ(first.dictionaryRepresentation(), expected);
  EXPECT_EQ(foundation::readDictionaryFile(file_), expected);
}

TEST_F(UserDefaultsTest, ACorruptFileReadsEmptyAndIsReplacedByTheNextSynchronize) {
  fs::create_directories(file_.parent_path());
  std::ofstream(file_) << "<plist><dict><key>half";
  UserDefaults defaults(file_);
  EXPECT_TRUE(defaults.dictionaryRepresentation().empty());
  ASSERT_TRUE(defaults.synchronize());
  EXPECT_EQ(foundation::readDictionaryFile(file_), Dictionary{});

  // Corrupted again behind the store's back: a plain reload repairs it too.
  std::ofstream(file_) << "garbage";
  ASSERT_TRUE(defaults.synchronize());
  EXPECT_EQ(foundation::readDictionaryFile(file_), Dictionary{});
}

TEST_F(UserDefaultsTest, AFailedWriteKeepsTheChangesPendingUntilItSucceeds) {
  fs::create_directories(file_ / "blocker");  // a folder where the file goes
  UserDefaults defaults(file_);
  defaults.setObject(Value("1"), "k");
  EXPECT_FALSE(defaults.synchronize());
  EXPECT_EQ(defaults.objectForKey("k"), Value("1"));
  fs::remove_all(file_);
  EXPECT_TRUE(defaults.synchronize());
  EXPECT_EQ(foundation::readDictionaryFile(file_), (Dictionary{{"k", Value("1")}}));
}

}  // namespace
