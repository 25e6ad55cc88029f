#include <gtest/gtest.h>

#include "foundation/PropertyList.h"
#include "foundation/Value.h"

namespace foundation {
namespace {

std::optional<std::string> parse(std::string_view text) { return parseOldStyleQuotedString(text); }

TEST(OldStyleQuotedString, PlainAndSurroundedByWhiteSpaceOrComments) {
  EXPECT_EQ(parse("\"Hello\""), "Hello");
  EXPECT_EQ(parse("\"\""), "");
  EXPECT_EQ(parse(" \n\t\"a b\"\n "), "a b");
  EXPECT_EQ(parse("/* c */ \"a\" // tail"), "a");
  EXPECT_EQ(parse("\"歌词\""), "歌词");
}

TEST(OldStyleQuotedString, EscapesOfTheFormat) {
  EXPECT_EQ(parse(R"("\U6B4C\U8bcd")"), "歌词");
  EXPECT_EQ(parse(R"("\Ud83d\Ude00")"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(parse(R"("\U41!")"), "A!");  // fewer than four digits
  EXPECT_EQ(parse(R"("\U0041A")"), "AA");
  EXPECT_EQ(parse(R"("a\"b\\c")"), "a\"b\\c");
  EXPECT_EQ(parse(R"("\a\b\f\n\r\t\v")"), "\a\b\f\n\r\t\v");
  EXPECT_EQ(parse(R"("\101\0610\7")"), "A10\a");
  EXPECT_EQ(parse(R"("\q\u\歌")"), "qu歌");  // any other character stands for itself
}

TEST(OldStyleQuotedString, SurrogateHalvesThatDoNotPairBecomeReplacementCharacters) {
  EXPECT_EQ(parse(R"("\Ud83dx")"), "\xEF\xBF\xBDx");
  EXPECT_EQ(parse(R"("\Ude00\Ud83d")"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(OldStyleQuotedString, AnythingButOneQuotedStringFails) {
  for (const char* bad : {"", "abc", "\"open", "\"a\" b", "\"a\"\"b\"", "\"a\\", "\"a\\\"",
                          "/* open \"a\"", "{a = b;}", "\"a\" /*"}) {
    EXPECT_EQ(parse(bad), std::nullopt) << bad;
  }
}

TEST(OldStyleQuotedString, RoundTripsWhatDescribeQuotes) {
  const std::string text = "line \"one\"\\two\nthree\t歌\x01\xF0\x9F\x98\x80";
  const std::string described = describe(Value(Array{text}));
  // "(\n    \"...\"\n)": take the quoted element.
  const std::string quoted = described.substr(6, described.size() - 8);
  EXPECT_EQ(parse(quoted), text);
}

TEST(OldStyleQuotedString, InvalidUtf8InsideTheQuotesBecomesReplacementCharacters) {
  EXPECT_EQ(parse("\"a\xff" "b\""), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(parse("\"\\\xff\""), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace foundation
