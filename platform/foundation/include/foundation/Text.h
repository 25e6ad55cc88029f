#pragma once
// Text helpers with the platform's semantics. Text is UTF-8 in std::string;
// where the platform counts characters it counts UTF-16 code units, and so do
// the functions here.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

// Number of UTF-16 code units the text occupies. Invalid UTF-8 bytes count as
// one unit each (they decode to U+FFFD).
std::size_t utf16Length(std::string_view text);

// The text between UTF-16 offsets [start, start + length), clamped to the
// text. A cut through a surrogate pair yields U+FFFD for the broken half, so
// the result is always valid UTF-8.
std::string utf16Substring(std::string_view text, std::size_t start, std::size_t length);

// Conversions between UTF-8 and UTF-16. Invalid input decodes to U+FFFD;
// lone surrogates encode as U+FFFD.
std::u16string toUtf16(std::string_view text);
std::string toUtf8(std::u16string_view text);
// Appends one code point (U+FFFD for surrogates or values past U+10FFFF).
void appendUtf8(std::string& out, char32_t codePoint);
// Appends one code point as one or two UTF-16 code units.
void appendUtf16(std::u16string& out, char32_t codePoint);
// Decodes the code point that starts at byte `pos` (< text.size()) and
// returns how many bytes it took. Only well-formed sequences decode; any other
// byte is one U+FFFD of length 1.
std::size_t decodeUtf8(std::string_view text, std::size_t pos, char32_t& codePoint);
bool isValidUtf8(std::string_view text);

// The pieces between separators, like the platform's componentsSeparatedByString:
// an empty text gives one empty piece; n separators give n + 1 pieces.
std::vector<std::string_view> split(std::string_view text, std::string_view separator);
bool contains(std::string_view text, std::string_view part);
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

// printf-style formatting ("%lf", "%d", "%ld", "%s").
std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
// What format("%lf", value) gives (six decimals, "inf", "nan"), without
// printf's machinery: a position stored four times a second goes through it.
std::string decimalText(double value);

// Settings-text readings:
// number: leading white space, then the longest decimal number (sign,
// digits, fraction, exponent); anything else reads 0.
double doubleValue(std::string_view text);
float floatValue(std::string_view text);
std::int64_t integerValue(std::string_view text);
// boolean: after leading white space, an optional sign and leading zeros,
// true when the text begins with Y, y, T, t or a digit 1 to 9.
bool boolValue(std::string_view text);

// Base64. Decoding skips every character outside the alphabet (and '='),
// as the platform's "ignore unknown characters" option does.
std::string base64Encode(const std::uint8_t* bytes, std::size_t size);
std::vector<std::uint8_t> base64Decode(std::string_view text);

}  // namespace foundation
