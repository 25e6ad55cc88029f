#include "musicapp/Lrc.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace musicapp {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trim(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\f\v";
  const std::size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// Reads 1 to `maxDigits` digits at `pos`; none when there is no digit.
std::optional<int> readNumber(std::string_view text, std::size_t& pos, std::size_t maxDigits,
                              std::size_t* count = nullptr) {
  int value = 0;
  std::size_t n = 0;
  while (pos < text.size() && isDigit(text[pos]) && n < maxDigits) {
    value = value * 10 + (text[pos] - '0');
    ++pos;
    ++n;
  }
  if (count != nullptr) *count = n;
  if (n == 0) return std::nullopt;
  return value;
}

// "mm:ss", with an optional fraction of 1 to 3 digits after '.' or ':'
// (some files write centiseconds as "mm:ss:xx").
std::optional<double> parseStamp(std::string_view tag) {
  std::size_t pos = 0;
  const std::optional<int> minutes = readNumber(tag, pos, 4);
  if (!minutes || pos >= tag.size() || tag[pos] != ':') return std::nullopt;
  ++pos;
  const std::optional<int> seconds = readNumber(tag, pos, 2);
  if (!seconds || *seconds >= 60) return std::nullopt;
  double time = *minutes * 60.0 + *seconds;
  if (pos < tag.size() && (tag[pos] == '.' || tag[pos] == ':')) {
    ++pos;
    std::size_t digits = 0;
    const std::optional<int> fraction = readNumber(tag, pos, 3, &digits);
    if (!fraction) return std::nullopt;
    time += *fraction / (digits == 1 ? 10.0 : digits == 2 ? 100.0 : 1000.0);
  }
  if (pos != tag.size()) return std::nullopt;
  return time;
}

// "[offset:+500]": milliseconds, optional sign. Absurd values (past a day)
// are ignored rather than pushing every line out of the song.
std::optional<double> parseOffset(std::string_view value) {
  if (!value.empty() && value.front() == '+') value.remove_prefix(1);
  std::int64_t ms = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), ms);
  if (error != std::errc() || end != value.data() + value.size()) return std::nullopt;
  if (ms > 86'400'000 || ms < -86'400'000) return std::nullopt;
  return static_cast<double>(ms) / 1000.0;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

struct Stamped {
  double time;
  std::string_view text;
};

}  // namespace

Lrc Lrc::parse(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);

  Lrc lrc;
  std::vector<Stamped> stamped;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    std::string_view line = trim(text.substr(0, newline));
    text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);

    std::vector<double> times;
    while (line.starts_with('[')) {
      const std::size_t close = line.find(']');
      if (close == std::string_view::npos) break;
      const std::optional<double> time = parseStamp(line.substr(1, close - 1));
      if (!time) break;
      times.push_back(*time);
      line = trim(line.substr(close + 1));
    }
    if (!times.empty()) {
      for (const double time : times) stamped.push_back({time, line});
      continue;
    }

    // A metadata tag takes the whole line, so its value may hold ']'.
    if (!line.starts_with('[') || !line.ends_with(']')) continue;
    const std::string_view tag = line.substr(1, line.size() - 2);
    const std::size_t colon = tag.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view key = trim(tag.substr(0, colon));
    const std::string_view value = trim(tag.substr(colon + 1));
    if (equalsIgnoringCase(key, "ti")) {
      lrc.title = value;
    } else if (equalsIgnoringCase(key, "ar")) {
      lrc.artist = value;
    } else if (equalsIgnoringCase(key, "al")) {
      lrc.album = value;
    } else if (equalsIgnoringCase(key, "offset")) {
      if (const std::optional<double> offset = parseOffset(value)) lrc.offset = *offset;
    }
  }

  // The offset applies to every stamp wherever the tag stands in the file.
  lrc.lines.reserve(stamped.size());
  for (const Stamped& s : stamped) lrc.lines.push_back({std::max(0.0, s.time - lrc.offset), std::string(s.text)});
  std::stable_sort(lrc.lines.begin(), lrc.lines.end(),
                   [](const LrcLine& a, const LrcLine& b) { return a.time < b.time; });
  return lrc;
}

std::optional<std::size_t> Lrc::lineIndexAt(double time) const {
  const auto after = std::upper_bound(lines.begin(), lines.end(), time,
                                      [](double t, const LrcLine& line) { return t < line.time; });
  if (after == lines.begin()) return std::nullopt;
  return static_cast<std::size_t>(after - lines.begin()) - 1;
}

std::optional<double> Lrc::nextLineTimeAfter(double time) const {
  const auto after = std::upper_bound(lines.begin(), lines.end(), time,
                                      [](double t, const LrcLine& line) { return t < line.time; });
  if (after == lines.end()) return std::nullopt;
  return after->time;
}

}  // namespace musicapp
