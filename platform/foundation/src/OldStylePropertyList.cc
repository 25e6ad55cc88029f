// Old-style (OpenStep) property-list text: the one form the system parses is
// a single quoted string, which is how it decodes the escapes of the
// platform's descriptions.

#include <optional>
#include <string>
#include <string_view>

#include "foundation/PropertyList.h"
#include "foundation/Text.h"

namespace foundation {
namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Skips white space and comments (// to end of line, /* ... */), as the
// old-style reader does between tokens. False on an unterminated comment.
bool skipSpaceAndComments(std::string_view text, std::size_t& pos) {
  while (pos < text.size()) {
    if (isSpace(text[pos])) {
      ++pos;
    } else if (text.substr(pos, 2) == "//") {
      const std::size_t end = text.find('\n', pos + 2);
      pos = end == std::string_view::npos ? text.size() : end + 1;
    } else if (text.substr(pos, 2) == "/*") {
      const std::size_t end = text.find("*/", pos + 2);
      if (end == std::string_view::npos) return false;
      pos = end + 2;
    } else {
      break;
    }
  }
  return true;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Appends the code point at `pos` as UTF-16 and returns the bytes consumed.
std::size_t appendCodePoint(std::u16string& out, std::string_view text, std::size_t pos) {
  char32_t cp;
  const std::size_t n = decodeUtf8(text, pos, cp);
  appendUtf16(out, cp);
  return n;
}

}  // namespace

std::optional<std::string> parseOldStyleQuotedString(std::string_view text) {
  std::size_t pos = 0;
  if (!skipSpaceAndComments(text, pos)) return std::nullopt;
  if (pos >= text.size() || text[pos] != '"') return std::nullopt;
  ++pos;

  std::u16string units;
  units.reserve(text.size());
  bool closed = false;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == '"') {
      ++pos;
      closed = true;
      break;
    }
    if (c != '\\') {
      pos += appendCodePoint(units, text, pos);
      continue;
    }
    ++pos;  // the backslash
    if (pos >= text.size()) return std::nullopt;
    const char e = text[pos];
    if (e >= '0' && e <= '7') {
      // Up to three octal digits name one 8-bit character.
      unsigned value = 0;
      for (int i = 0; i < 3 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7'; ++i, ++pos) {
        value = value * 8 + static_cast<unsigned>(text[pos] - '0');
      }
      units.push_back(static_cast<char16_t>(value & 0xFF));
      continue;
    }
    if (e == 'U') {
      // Up to four hexadecimal digits name one UTF-16 code unit.
      ++pos;
      unsigned value = 0;
      for (int i = 0; i < 4 && pos < text.size() && hexDigit(text[pos]) >= 0; ++i, ++pos) {
        value = value * 16 + static_cast<unsigned>(hexDigit(text[pos]));
      }
      units.push_back(static_cast<char16_t>(value));
      continue;
    }
    switch (e) {
      case 'a': units.push_back(u'\a'); break;
      case 'b': units.push_back(u'\b'); break;
      case 'f': units.push_back(u'\f'); break;
      case 'n': units.push_back(u'\n'); break;
      case 'r': units.push_back(u'\r'); break;
      case 't': units.push_back(u'\t'); break;
      case 'v': units.push_back(u'\v'); break;
      default:
        // \" \\ and a backslash before anything else: that character.
        pos += appendCodePoint(units, text, pos);
        continue;
    }
    ++pos;
  }
  if (!closed) return std::nullopt;
  if (!skipSpaceAndComments(text, pos) || pos != text.size()) return std::nullopt;
  return toUtf8(units);
}

}  // namespace foundation
