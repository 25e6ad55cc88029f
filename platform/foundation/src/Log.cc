#include "foundation/Log.h"

#include <cstdio>

namespace foundation {

namespace {
std::vector<std::string>& records() {
  static std::vector<std::string> lines;
  return lines;
}
// The record is for tests and diagnostics; keep a long-running process from
// growing it without bound.
constexpr std::size_t kMaxRecordedLines = 1000;
}  // namespace

std::string formatLogLine(std::string_view tag, std::string_view file, int line,
                          std::string_view level, const Value& message) {
  std::string out;
  out.reserve(tag.size() + file.size() + level.size() + 32);
  out += '[';
  out += tag;
  out += ": ";
  out += file;
  out += ':';
  out += std::to_string(line);
  out += "] ";
  out += level;
  out += ": ";
  out += describe(message);
  return out;
}

void logError(std::string_view tag, std::string_view file, int line, std::string_view level,
              const Value& message) {
  std::string text = formatLogLine(tag, file, line, level, message);
  std::fprintf(stderr, "%s\n", text.c_str());
  auto& lines = records();
  if (lines.size() >= kMaxRecordedLines) lines.erase(lines.begin());
  lines.push_back(std::move(text));
}

const std::vector<std::string>& loggedLines() { return records(); }

void clearLoggedLines() { records().clear(); }

}  // namespace foundation
