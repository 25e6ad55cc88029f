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

// Collects the parsed string as UTF-8. Escapes name UTF-16 code units, so a
// high surrogate waits for the unit after it: a following low surrogate
// makes one code point with it, anything else leaves it as U+FFFD.
class Utf8Builder {
 public:
  explicit Utf8Builder(std::size_t capacity) { out_.reserve(capacity); }

  void unit(char16_t u) {
    if (pendingHigh_ != 0) {
      if (u >= 0xDC00 && u <= 0xDFFF) {
        appendUtf8(out_, 0x10000 + ((char32_t{pendingHigh_} - 0xD800) << 10) + (char32_t{u} - 0xDC00));
        pendingHigh_ = 0;
        return;
      }
      flush();
    }
    if (u >= 0xD800 && u <= 0xDBFF) {
      pendingHigh_ = u;
    } else {
      appendUtf8(out_, u);  // a lone low surrogate becomes U+FFFD
    }
  }

  // Raw text from the input, between escapes: valid UTF-8 is copied as it
  // is, each invalid byte becomes U+FFFD.
  void raw(std::string_view text) {
    if (text.empty()) return;
    flush();
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t run = pos;
      while (run < text.size() && static_cast<unsigned char>(text[run]) < 0x80) ++run;
      out_.append(text.substr(pos, run - pos));
      pos = run;
      if (pos >= text.size()) break;
      char32_t cp;
      const std::size_t n = decodeUtf8(text, pos, cp);
      if (n == 1) {
        appendUtf8(out_, cp);  // U+FFFD
      } else {
        out_.append(text.substr(pos, n));
      }
      pos += n;
    }
  }

  std::string finish() {
    flush();
    return std::move(out_);
  }

 private:
  void flush() {
    if (pendingHigh_ != 0) appendUtf8(out_, 0xFFFD);
    pendingHigh_ = 0;
  }
  std::string out_;
  char16_t pendingHigh_ = 0;
};

}  // namespace

std::optional<std::string> parseOldStyleQuotedString(std::string_view text) {
  std::size_t pos = 0;
  if (!skipSpaceAndComments(text, pos)) return std::nullopt;
  if (pos >= text.size() || text[pos] != '"') return std::nullopt;
  ++pos;

  Utf8Builder out(text.size());
  bool closed = false;
  while (pos < text.size()) {
    // Everything up to the next quote or backslash is taken as it is.
    std::size_t stop = pos;
    while (stop < text.size() && text[stop] != '"' && text[stop] != '\\') ++stop;
    out.raw(text.substr(pos, stop - pos));
    pos = stop;
    if (pos >= text.size()) break;
    if (text[pos] == '"') {
      ++pos;
      closed = true;
      break;
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
      out.unit(static_cast<char16_t>(value & 0xFF));
      continue;
    }
    if (e == 'U') {
      // Up to four hexadecimal digits name one UTF-16 code unit.
      ++pos;
      unsigned value = 0;
      for (int i = 0; i < 4 && pos < text.size() && hexDigit(text[pos]) >= 0; ++i, ++pos) {
        value = value * 16 + static_cast<unsigned>(hexDigit(text[pos]));
      }
      out.unit(static_cast<char16_t>(value));
      continue;
    }
    char16_t control = 0;
    switch (e) {
      case 'a': control = u'\a'; break;
      case 'b': control = u'\b'; break;
      case 'f': control = u'\f'; break;
      case 'n': control = u'\n'; break;
      case 'r': control = u'\r'; break;
      case 't': control = u'\t'; break;
      case 'v': control = u'\v'; break;
      default: {
        // \" \\ and a backslash before anything else: that character.
        char32_t cp;
        const std::size_t n = decodeUtf8(text, pos, cp);
        if (n == 1 && cp < 0x80) {
          out.unit(static_cast<char16_t>(cp));
        } else {
          out.raw(text.substr(pos, n));
        }
        pos += n;
        continue;
      }
    }
    out.unit(control);
    ++pos;
  }
  if (!closed) return std::nullopt;
  if (!skipSpaceAndComments(text, pos) || pos != text.size()) return std::nullopt;
  return out.finish();
}

}  // namespace foundation
