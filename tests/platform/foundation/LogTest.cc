#include <gtest/gtest.h>

#include "foundation/Log.h"

namespace {

using foundation::Dictionary;
using foundation::Value;

TEST(LogTest, LinesFollowThePlatformFormat) {
  EXPECT_EQ(foundation::formatLogLine("hoververseXI", "Tweak.x", 876, "ERROR",
                                      Value("logos: nil class SBMediaController")),
            "[hoververseXI: Tweak.x:876] ERROR: logos: nil class SBMediaController");
  EXPECT_EQ(foundation::formatLogLine("t", "f.cc", -1, "INFO", Value()), "[t: f.cc:-1] INFO: (null)");
}

TEST(LogTest, LoggedLinesAreRecordedInOrderAndClearable) {
  foundation::clearLoggedLines();
  foundation::logError("hoververseXI", "Tweak.x", 1, "ERROR", Value("first"));
  foundation::logError("hoververseXI", "Tweak.x", 2, "ERROR", Value(269));
  EXPECT_EQ(foundation::loggedLines(),
            (std::vector<std::string>{"[hoververseXI: Tweak.x:1] ERROR: first",
                                      "[hoververseXI: Tweak.x:2] ERROR: 269"}));
  foundation::clearLoggedLines();
  EXPECT_TRUE(foundation::loggedLines().empty());
}

}  // namespace
