#include "foundation/Value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace foundation {
namespace {

TEST(ValueDescribe, TopLevelScalarsPrintAsThePlatformDoes) {
  EXPECT_EQ(describe(Value()), "(null)");
  EXPECT_EQ(describe(Value("plain text, not quoted")), "plain text, not quoted");
  EXPECT_EQ(describe(Value("")), "");
  EXPECT_EQ(describe(Value(269)), "269");
  EXPECT_EQ(describe(Value(-7L)), "-7");
  EXPECT_EQ(describe(Value(37.25)), "37.25");
  EXPECT_EQ(describe(Value(1.0)), "1");
  EXPECT_EQ(describe(Value(true)), "1");
  EXPECT_EQ(describe(Value(false)), "0");
}

TEST(ValueDescribe, RealsUseShortestRoundTripDigits) {
  EXPECT_EQ(describe(Value(0.1)), "0.1");
  EXPECT_EQ(describe(Value(0.8f)), "0.800000011920929");
  EXPECT_EQ(describe(Value(-2.5)), "-2.5");
  EXPECT_EQ(describe(Value(1234567.0)), "1234567");
  EXPECT_EQ(describe(Value(0.0001)), "0.0001");
  EXPECT_EQ(describe(Value(0.00001)), "1e-05");
  EXPECT_EQ(describe(Value(1e20)), "1e+20");
  EXPECT_EQ(describe(Value(1e16)), "10000000000000000");
  EXPECT_EQ(describe(Value(std::numeric_limits<double>::infinity())), "inf");
  for (const double d : {0.1, 1.0 / 3, 2.0 / 3e10, 123.456e-7, 9007199254740993.0}) {
    EXPECT_EQ(std::stod(describe(Value(d))), d) << describe(Value(d));
  }
}

TEST(ValueDescribe, DataGroupsFourBytes) {
  EXPECT_EQ(describe(Value(Data{0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f})), "<0a1b2c3d 4e5f>");
  EXPECT_EQ(describe(Value(Data{})), "<>");
}

TEST(ValueDescribe, DictionaryIsOldStyleWithSortedKeysAndQuotesWhereNeeded) {
  const Dictionary dict{
      {"title", "Hello"},
      {"albumTitle", "Hello world"},
      {"playbackDuration", 269},
      {"elapsed", 37.25},
      {"bundle_id2", "com.netease.cloudmusic"},
      {"empty", ""},
  };
  EXPECT_EQ(describe(Value(dict)),
            "{\n"
            "    albumTitle = \"Hello world\";\n"
            "    bundle_id2 = \"com.netease.cloudmusic\";\n"
            "    elapsed = 37.25;\n"
            "    empty = \"\";\n"
            "    playbackDuration = 269;\n"
            "    title = Hello;\n"
            "}");
}

TEST(ValueDescribe, EscapesControlCharactersAndEveryNonAsciiCodeUnit) {
  // 歌 is U+6B4C; 😀 is U+1F600, two UTF-16 code units.
  const Dictionary dict{{"k", "a\"b\\c\nd\re\tf\x01g\x7f 歌😀"}, {"键", "x"}};
  EXPECT_EQ(describe(Value(dict)),
            "{\n"
            "    k = \"a\\\"b\\\\c\\nd\\re\\tf\\U0001g\\U007f \\U6b4c\\Ud83d\\Ude00\";\n"
            "    \"\\U952e\" = x;\n"
            "}");
}

TEST(ValueDescribe, NestedContainersIndentFourMoreSpaces) {
  const Dictionary inner{{"b", 1}, {"a", Array{"x y", 2}}};
  const Dictionary outer{{"inner", inner}, {"list", Array{}}, {"map", Dictionary{}}};
  EXPECT_EQ(describe(Value(outer)),
            "{\n"
            "    inner = {\n"
            "        a = (\n"
            "            \"x y\",\n"
            "            2\n"
            "        );\n"
            "        b = 1;\n"
            "    };\n"
            "    list = (\n"
            "    );\n"
            "    map = {\n"
            "    };\n"
            "}");
  EXPECT_EQ(describe(Value(Array{"a", true, Data{1}})), "(\n    a,\n    1,\n    <01>\n)");
}

TEST(ValueDescribe, InvalidUtf8IsWrittenAsReplacementCharacters) {
  EXPECT_EQ(describe(Value(Array{std::string("a\xff", 2)})), "(\n    \"a\\Ufffd\"\n)");
}

TEST(ValueReadings, TextsFollowTheSettingsRulesOtherTypesTheirOwn) {
  EXPECT_FLOAT_EQ(Value("0.800000").floatValue(), 0.8f);
  EXPECT_EQ(Value("(null)").floatValue(), 0.0f);
  EXPECT_EQ(Value().floatValue(), 0.0f);
  EXPECT_EQ(Value(Array{1}).doubleValue(), 0.0);
  EXPECT_EQ(Value(2.9).integerValue(), 2);
  EXPECT_EQ(Value(1e300).integerValue(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(Value(true).doubleValue(), 1.0);
  EXPECT_TRUE(Value("YES").boolValue());
  EXPECT_FALSE(Value("(null)").boolValue());
  EXPECT_TRUE(Value(0.5).boolValue());
  EXPECT_FALSE(Value(0).boolValue());
  EXPECT_FALSE(Value().boolValue());
}

TEST(ValueLookup, MissingKeysAndNonDictionariesGiveNil) {
  const Value dict(Dictionary{{"lyric", "x"}});
  EXPECT_EQ(*dict["lyric"].text(), "x");
  EXPECT_TRUE(dict["bundleId"].isNil());
  EXPECT_TRUE(Value("text")["lyric"].isNil());
}

}  // namespace
}  // namespace foundation
