#include <gtest/gtest.h>

#include <string>

#include "ipc/BusNames.h"
#include "ipc/MessagingCenter.h"

namespace {

TEST(BusNamesTest, EscapingKeepsLettersAndDigitsAndHexesEverythingElse) {
  const struct {
    std::string text;
    std::string element;
  } cases[] = {
      {"kXPCCenterNameKey_11292", "kXPCCenterNameKey_5f11292"},
      {"", "_"},
      {"9lives", "_39lives"},                  // an element cannot begin with a digit
      {"a9", "a9"},
      {"com.netease-cloud", "com_2enetease_2dcloud"},
      {"a b/c", "a_20b_2fc"},
      {"\xe6\xad\x8c", "_e6_ad_8c"},           // UTF-8 bytes one by one
      {"_2e", "_5f2e"},                        // never equal to the escape of "."
      {".", "_2e"},
  };
  for (const auto& c : cases) EXPECT_EQ(ipc::escapeBusNameElement(c.text), c.element) << c.text;
}

TEST(BusNamesTest, CentreNamesMapToBusNamesAndPaths) {
  EXPECT_EQ(ipc::MessagingCenter::busNameForCenter("kXPCCenterNameKey_11292"),
            "org.hoververse.MessagingCenter.kXPCCenterNameKey_5f11292");
  EXPECT_EQ(ipc::MessagingCenter::objectPathForCenter("kXPCCenterNameKey_11292"),
            "/org/hoververse/MessagingCenter/kXPCCenterNameKey_5f11292");
  // A bus name holds at most 255 characters.
  const std::size_t room = 255 - std::string("org.hoververse.MessagingCenter.").size();
  EXPECT_TRUE(ipc::MessagingCenter::busNameForCenter(std::string(room, 'a')).has_value());
  EXPECT_FALSE(ipc::MessagingCenter::busNameForCenter(std::string(room + 1, 'a')).has_value());
  EXPECT_FALSE(ipc::MessagingCenter::busNameForCenter(std::string(room / 3 + 1, '.')).has_value());
}

}  // namespace
