#pragma once
// The line some desktop players announce through UpdateLyric(s json):
// {"content": "line", "time": 4.5, "start": 1.2, "sender": "PlayerName"},
// every field optional ("time" is the line's duration, "start" its start
// in the song, both seconds). The next update replaces the line, so the
// bridge keeps only content and sender.

#include <optional>
#include <string>
#include <string_view>

namespace bridge {

struct TrayLyricUpdate {
  std::string content;  // accepted as a line (UTF-8, at most 4 KiB)
  std::string sender;   // empty when not given
  std::optional<double> time;
  std::optional<double> start;
};

// No value, with `error`, for text that is not a JSON object, fields of the
// wrong type, invalid UTF-8 or a text over 64 KiB.
std::optional<TrayLyricUpdate> parseTrayLyric(std::string_view json, std::string& error);

}  // namespace bridge
