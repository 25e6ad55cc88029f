#include "foundation/Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace foundation {
namespace {

const std::string kSmile = "\xF0\x9F\x98\x80";  // U+1F600, a surrogate pair in UTF-16

TEST(TextUtf16, LengthCountsCodeUnitsAndInvalidBytesOnce) {
  EXPECT_EQ(utf16Length(""), 0u);
  EXPECT_EQ(utf16Length("abc"), 3u);
  EXPECT_EQ(utf16Length("歌词"), 2u);
  EXPECT_EQ(utf16Length("a" + kSmile), 3u);
  EXPECT_EQ(utf16Length("\xff\xfe"), 2u);
  EXPECT_EQ(utf16Length("\xE6\xAD"), 2u);          // cut three-byte sequence
  EXPECT_EQ(utf16Length("\xC0\xAF"), 2u);          // overlong '/'
  EXPECT_EQ(utf16Length("\xED\xA0\x80"), 3u);      // encoded surrogate
  EXPECT_EQ(utf16Length("\xF4\x90\x80\x80"), 4u);  // past U+10FFFF
}

TEST(TextUtf16, SubstringCountsUnitsAndNeverSplitsIntoInvalidUtf8) {
  EXPECT_EQ(utf16Substring("Hello world", 6, 5), "world");
  EXPECT_EQ(utf16Substring("歌词abc", 1, 2), "词a");
  EXPECT_EQ(utf16Substring("abc", 2, 100), "c");
  EXPECT_EQ(utf16Substring("abc", 5, 1), "");
  EXPECT_EQ(utf16Substring("abc", 1, std::numeric_limits<std::size_t>::max()), "bc");
  EXPECT_EQ(utf16Substring("a" + kSmile + "b", 1, 2), kSmile);
  // Cuts through the pair: each broken half becomes U+FFFD.
  EXPECT_EQ(utf16Substring("a" + kSmile + "b", 2, 2), "\xEF\xBF\xBD" "b");
  EXPECT_EQ(utf16Substring("a" + kSmile + "b", 0, 2), "a\xEF\xBF\xBD");
  EXPECT_TRUE(isValidUtf8(utf16Substring("x\xff" "y", 0, 3)));
  EXPECT_EQ(utf16Substring("x\xff" "y", 1, 2), "\xEF\xBF\xBD" "y");
}

TEST(TextUtf16, ConversionsRoundTripAndReplaceLoneSurrogates) {
  const std::string text = "a歌" + kSmile;
  EXPECT_EQ(toUtf16(text), (std::u16string{u'a', 0x6B4C, 0xD83D, 0xDE00}));
  EXPECT_EQ(toUtf8(toUtf16(text)), text);
  EXPECT_EQ(toUtf8(std::u16string{0xD83D, u'x'}), "\xEF\xBF\xBD" "x");
  EXPECT_EQ(toUtf8(std::u16string{0xDE00}), "\xEF\xBF\xBD");
  EXPECT_TRUE(isValidUtf8(text));
  EXPECT_FALSE(isValidUtf8("a\xC3"));
}

TEST(TextPieces, SplitMatchesThePlatformsComponents) {
  EXPECT_EQ(split("", ";"), (std::vector<std::string_view>{""}));
  EXPECT_EQ(split("a;b;", ";"), (std::vector<std::string_view>{"a", "b", ""}));
  EXPECT_EQ(split(";;", ";"), (std::vector<std::string_view>{"", "", ""}));
  EXPECT_EQ(split("a = b, c", ", "), (std::vector<std::string_view>{"a = b", "c"}));
  EXPECT_TRUE(contains("albumTitle = x", "Title = "));
  EXPECT_FALSE(contains("albumTitle = x", "title = "));
  EXPECT_EQ(replaceAll("\\u6b4c\\u8bcd", "\\u", "\\U"), "\\U6b4c\\U8bcd");
  EXPECT_EQ(replaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
}

TEST(TextFormat, PrintfPatternsOfTheSettings) {
  EXPECT_EQ(format("%lf", static_cast<double>(0.1f)), "0.100000");
  EXPECT_EQ(format("%d", 1), "1");
  EXPECT_EQ(format("%ld", -1L), "-1");
  const std::string longText(500, 'x');
  EXPECT_EQ(format("%s!", longText.c_str()), longText + "!");
}

TEST(TextFormat, DecimalTextIsPrintfsFixedSixDecimals) {
  const double cases[] = {0, -0.0, static_cast<double>(0.1f), 0.5, 2.5e-7, 5e-7, -5e-7, 0.0000015, 0.0000025,
                          1.0 / 3, -123.4567895, 1e15 + 0.3, 1e22, 1.7976931348623157e308, 4.9e-324,
                          std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN()};
  for (double v : cases) EXPECT_EQ(decimalText(v), format("%lf", v)) << v;
}

TEST(TextNumberRule, LeadingDecimalNumberAfterWhiteSpace) {
  EXPECT_DOUBLE_EQ(doubleValue("0.800000"), 0.8);
  EXPECT_DOUBLE_EQ(doubleValue("  \t\n-12.5e1xyz"), -125);
  EXPECT_DOUBLE_EQ(doubleValue("+.5"), 0.5);
  EXPECT_DOUBLE_EQ(doubleValue("7."), 7);
  EXPECT_DOUBLE_EQ(doubleValue("3e"), 3);
  EXPECT_DOUBLE_EQ(doubleValue("2e+"), 2);
  EXPECT_EQ(doubleValue("(null)"), 0);
  EXPECT_EQ(doubleValue(""), 0);
  EXPECT_EQ(doubleValue("."), 0);
  EXPECT_EQ(doubleValue("-"), 0);
  EXPECT_EQ(doubleValue("0x10"), 0);
  EXPECT_EQ(doubleValue("inf"), 0);
  EXPECT_EQ(doubleValue("nan"), 0);
  EXPECT_TRUE(std::isinf(doubleValue("1e999")));
  EXPECT_EQ(doubleValue("1e-999"), 0);
  EXPECT_FLOAT_EQ(floatValue("40"), 40.0f);
  EXPECT_EQ(integerValue(" -42.9"), -42);
  EXPECT_EQ(integerValue("99999999999999999999"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(integerValue("-99999999999999999999"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(integerValue("x1"), 0);
}

TEST(TextBooleanRule, SignZerosThenYesTrueOrNonZeroDigit) {
  for (const char* yes : {"1", "YES", "yes", "True", "t", " \n+0009", "-1", "007", "Yellow"}) {
    EXPECT_TRUE(boolValue(yes)) << yes;
  }
  for (const char* no : {"", "0", "000", "NO", "false", "(null)", "+", "0.5", "x1", " -0"}) {
    EXPECT_FALSE(boolValue(no)) << no;
  }
}

TEST(TextBase64, EncodesWithPaddingAndDecodeIgnoresForeignCharacters) {
  const std::string text = "hoververse!";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  EXPECT_EQ(base64Encode(bytes, 0), "");
  EXPECT_EQ(base64Encode(bytes, 1), "aA==");
  EXPECT_EQ(base64Encode(bytes, 2), "aG8=");
  EXPECT_EQ(base64Encode(bytes, 3), "aG92");
  const std::string encoded = base64Encode(bytes, text.size());
  const auto decoded = base64Decode(encoded);
  EXPECT_EQ(std::string(decoded.begin(), decoded.end()), text);
  const auto noisy = base64Decode("aG9\n2ZX*J2 ZXJ\tzZSE=");
  EXPECT_EQ(std::string(noisy.begin(), noisy.end()), text);
  EXPECT_EQ(base64Decode("aA"), (std::vector<std::uint8_t>{'h'}));
  EXPECT_EQ(base64Decode("a"), (std::vector<std::uint8_t>{}));
}

}  // namespace
}  // namespace foundation
