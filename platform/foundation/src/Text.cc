#include "foundation/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>

namespace foundation {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at `pos`. Well-formed sequences only (no overlong
// forms, no encoded surrogates, nothing past U+10FFFF); anything else is one
// invalid byte that reads as U+FFFD. Returns the number of bytes consumed.
std::size_t decodeOne(std::string_view text, std::size_t pos, char32_t& out) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char b0 = byte(pos);
  if (b0 < 0x80) {
    out = b0;
    return 1;
  }
  const std::size_t left = text.size() - pos;
  const auto cont = [&](std::size_t i, unsigned char lo = 0x80, unsigned char hi = 0xBF) {
    return i < left && byte(pos + i) >= lo && byte(pos + i) <= hi;
  };
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (cont(1)) {
      out = (char32_t{b0} & 0x1Fu) << 6 | (byte(pos + 1) & 0x3Fu);
      return 2;
    }
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    const unsigned char lo = b0 == 0xE0 ? 0xA0 : 0x80;
    const unsigned char hi = b0 == 0xED ? 0x9F : 0xBF;
    if (cont(1, lo, hi) && cont(2)) {
      out = (char32_t{b0} & 0x0Fu) << 12 | (byte(pos + 1) & 0x3Fu) << 6 | (byte(pos + 2) & 0x3Fu);
      return 3;
    }
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    const unsigned char lo = b0 == 0xF0 ? 0x90 : 0x80;
    const unsigned char hi = b0 == 0xF4 ? 0x8F : 0xBF;
    if (cont(1, lo, hi) && cont(2) && cont(3)) {
      out = (char32_t{b0} & 0x07u) << 18 | (byte(pos + 1) & 0x3Fu) << 12 |
            (byte(pos + 2) & 0x3Fu) << 6 | (byte(pos + 3) & 0x3Fu);
      return 4;
    }
  }
  out = kReplacement;
  return 1;
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view skipSpace(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  return text.substr(i);
}

// The longest decimal number at the start of `text` (after white space):
// optional sign, digits, optional fraction, optional exponent. Empty when the
// text does not begin with a number.
std::string_view leadingNumber(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    std::size_t j = i + 1;
    std::size_t fraction = 0;
    while (j < text.size() && isDigit(text[j])) ++j, ++fraction;
    if (digits + fraction > 0) {
      i = j;
      digits += fraction;
    }
  }
  if (digits == 0) return {};
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && isDigit(text[j])) {
      while (j < text.size() && isDigit(text[j])) ++j;
      i = j;
    }
  }
  return text.substr(0, i);
}

}  // namespace

std::size_t utf16Length(std::string_view text) {
  std::size_t units = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80) {  // the common case, without decoding
      ++units;
      ++pos;
      continue;
    }
    char32_t cp;
    pos += decodeOne(text, pos, cp);
    units += cp >= 0x10000 ? 2 : 1;
  }
  return units;
}

std::string utf16Substring(std::string_view text, std::size_t start, std::size_t length) {
  std::string out;
  const std::size_t end = length > std::numeric_limits<std::size_t>::max() - start
                              ? std::numeric_limits<std::size_t>::max()
                              : start + length;
  if (start >= end) return out;
  std::size_t unit = 0;  // UTF-16 offset of the code point at `pos`
  std::size_t pos = 0;
  while (pos < text.size() && unit < end) {
    const auto b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80) {
      // Copy a run of ASCII at once.
      std::size_t runEnd = pos;
      while (runEnd < text.size() && static_cast<unsigned char>(text[runEnd]) < 0x80) ++runEnd;
      const std::size_t runStartUnit = unit;
      const std::size_t runEndUnit = unit + (runEnd - pos);
      const std::size_t from = std::max(start, runStartUnit);
      const std::size_t to = std::min(end, runEndUnit);
      if (from < to) out.append(text.substr(pos + (from - runStartUnit), to - from));
      unit = runEndUnit;
      pos = runEnd;
      continue;
    }
    char32_t cp;
    const std::size_t n = decodeOne(text, pos, cp);
    if (cp >= 0x10000) {
      const bool high = unit >= start && unit < end;
      const bool low = unit + 1 >= start && unit + 1 < end;
      if (high && low) {
        out.append(text.substr(pos, n));
      } else if (high || low) {
        appendUtf8(out, kReplacement);
      }
      unit += 2;
    } else {
      if (unit >= start) {
        if (cp == kReplacement && n == 1) {
          appendUtf8(out, kReplacement);
        } else {
          out.append(text.substr(pos, n));
        }
      }
      unit += 1;
    }
    pos += n;
  }
  return out;
}

std::size_t decodeUtf8(std::string_view text, std::size_t pos, char32_t& codePoint) {
  return decodeOne(text, pos, codePoint);
}

void appendUtf16(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000 && cp <= 0x10FFFF) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp > 0x10FFFF ? kReplacement : cp));
  }
}

std::u16string toUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp;
    pos += decodeOne(text, pos, cp);
    appendUtf16(out, cp);
  }
  return out;
}

std::string toUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      const char32_t cp = 0x10000 + ((char32_t{u} - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00);
      appendUtf8(out, cp);
      ++i;
    } else {
      appendUtf8(out, u);  // lone surrogates become U+FFFD
    }
  }
  return out;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
    return;
  }
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacement;
  char bytes[4];
  std::size_t n;
  if (cp < 0x800) {
    bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
    bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
    n = 2;
  } else if (cp < 0x10000) {
    bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
    bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
    n = 3;
  } else {
    bytes[0] = static_cast<char>(0xF0 | (cp >> 18));
    bytes[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    bytes[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    bytes[3] = static_cast<char>(0x80 | (cp & 0x3F));
    n = 4;
  }
  out.append(bytes, n);
}

bool isValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp;
    const std::size_t n = decodeOne(text, pos, cp);
    if (cp == kReplacement && n == 1) return false;
    pos += n;
  }
  return true;
}

std::vector<std::string_view> split(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> pieces;
  if (separator.empty()) {
    pieces.push_back(text);
    return pieces;
  }
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(separator, from);
    if (at == std::string_view::npos) {
      pieces.push_back(text.substr(from));
      return pieces;
    }
    pieces.push_back(text.substr(from, at - from));
    from = at + separator.size();
  }
}

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (;;) {
    const std::size_t at = text.find(from, pos);
    if (at == std::string_view::npos) break;
    out.append(text.substr(pos, at - pos));
    out.append(to);
    pos = at + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::string format(const char* pattern, ...) {
  va_list args;
  va_start(args, pattern);
  va_list copy;
  va_copy(copy, args);
  char small[128];
  const int needed = std::vsnprintf(small, sizeof small, pattern, args);
  va_end(args);
  std::string out;
  if (needed < 0) {
    va_end(copy);
    return out;
  }
  if (static_cast<std::size_t>(needed) < sizeof small) {
    out.assign(small, static_cast<std::size_t>(needed));
  } else {
    out.resize(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(out.data(), out.size(), pattern, copy);
    out.resize(static_cast<std::size_t>(needed));
  }
  va_end(copy);
  return out;
}

std::string decimalText(double value) {
  if (!std::isfinite(value)) return format("%lf", value);
  // A finite double has at most 309 integer digits, a sign and a point.
  char out[320];
  const std::to_chars_result r = std::to_chars(out, out + sizeof out, value, std::chars_format::fixed, 6);
  return std::string(out, r.ptr);
}

double doubleValue(std::string_view text) {
  std::string_view number = leadingNumber(skipSpace(text));
  if (number.empty()) return 0;
  if (number.front() == '+') number.remove_prefix(1);
  double value = 0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone on overflow and underflow; the
    // platform gives infinity and zero.
    const bool negative = number.front() == '-';
    const std::size_t e = number.find_first_of("eE");
    const bool tiny = e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
    if (tiny) return negative ? -0.0 : 0.0;
    return negative ? -std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::infinity();
  }
  return value;
}

float floatValue(std::string_view text) { return static_cast<float>(doubleValue(text)); }

std::int64_t integerValue(std::string_view text) {
  text = skipSpace(text);
  bool negative = false;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  for (; i < text.size() && isDigit(text[i]); ++i) {
    const int digit = text[i] - '0';
    if (negative) {
      if (value < (kMin + digit) / 10) return kMin;
      value = value * 10 - digit;
    } else {
      if (value > (kMax - digit) / 10) return kMax;
      value = value * 10 + digit;
    }
  }
  return value;
}

bool boolValue(std::string_view text) {
  text = skipSpace(text);
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  while (i < text.size() && text[i] == '0') ++i;
  if (i >= text.size()) return false;
  const char c = text[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

namespace {
constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64Digit(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}
}  // namespace

std::string base64Encode(const std::uint8_t* bytes, std::size_t size) {
  std::string out;
  out.reserve((size + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    const std::uint32_t n = std::uint32_t{bytes[i]} << 16 | std::uint32_t{bytes[i + 1]} << 8 | bytes[i + 2];
    out.push_back(kBase64Alphabet[n >> 18]);
    out.push_back(kBase64Alphabet[(n >> 12) & 63]);
    out.push_back(kBase64Alphabet[(n >> 6) & 63]);
    out.push_back(kBase64Alphabet[n & 63]);
  }
  if (size - i == 1) {
    const std::uint32_t n = std::uint32_t{bytes[i]} << 16;
    out.push_back(kBase64Alphabet[n >> 18]);
    out.push_back(kBase64Alphabet[(n >> 12) & 63]);
    out.append("==");
  } else if (size - i == 2) {
    const std::uint32_t n = std::uint32_t{bytes[i]} << 16 | std::uint32_t{bytes[i + 1]} << 8;
    out.push_back(kBase64Alphabet[n >> 18]);
    out.push_back(kBase64Alphabet[(n >> 12) & 63]);
    out.push_back(kBase64Alphabet[(n >> 6) & 63]);
    out.push_back('=');
  }
  return out;
}

std::vector<std::uint8_t> base64Decode(std::string_view text) {
  std::vector<std::uint8_t> out;
  out.reserve(text.size() / 4 * 3);
  std::uint32_t bits = 0;
  int count = 0;
  for (const char c : text) {
    const int d = base64Digit(c);
    if (d < 0) continue;
    bits = bits << 6 | static_cast<std::uint32_t>(d);
    if (++count == 4) {
      out.push_back(static_cast<std::uint8_t>(bits >> 16));
      out.push_back(static_cast<std::uint8_t>(bits >> 8));
      out.push_back(static_cast<std::uint8_t>(bits));
      bits = 0;
      count = 0;
    }
  }
  // A trailing group of two or three digits carries one or two bytes; a
  // single leftover digit carries less than a byte and is dropped.
  if (count == 2) {
    out.push_back(static_cast<std::uint8_t>(bits >> 4));
  } else if (count == 3) {
    out.push_back(static_cast<std::uint8_t>(bits >> 10));
    out.push_back(static_cast<std::uint8_t>(bits >> 2));
  }
  return out;
}

}  // namespace foundation
