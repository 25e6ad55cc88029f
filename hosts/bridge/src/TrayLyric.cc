#include "bridge/TrayLyric.h"

#include <nlohmann/json.hpp>

#include "bridge/LineInput.h"
#include "foundation/Text.h"

namespace bridge {

namespace {
constexpr std::size_t kMaxJsonBytes = 64 * 1024;
}

std::optional<TrayLyricUpdate> parseTrayLyric(std::string_view json, std::string& error) {
  if (json.size() > kMaxJsonBytes) {
    error = "the update is over 64 KiB";
    return std::nullopt;
  }
  if (!foundation::isValidUtf8(json)) {
    error = "the update is not valid UTF-8";
    return std::nullopt;
  }
  // No exceptions out of the parser: a malformed text gives a discarded value.
  const nlohmann::json parsed = nlohmann::json::parse(json, nullptr, false);
  if (parsed.is_discarded() || !parsed.is_object()) {
    error = "the update is not a JSON object such as {\"content\": \"line\", \"sender\": \"player\"}";
    return std::nullopt;
  }
  TrayLyricUpdate update;
  for (const char* field : {"content", "sender"}) {
    auto it = parsed.find(field);
    if (it == parsed.end() || it->is_null()) continue;
    if (!it->is_string()) {
      error = std::string("\"") + field + "\" must be a text";
      return std::nullopt;
    }
    (std::string_view(field) == "content" ? update.content : update.sender) = it->get<std::string>();
  }
  for (const char* field : {"time", "start"}) {
    auto it = parsed.find(field);
    if (it == parsed.end() || it->is_null()) continue;
    if (!it->is_number()) {
      error = std::string("\"") + field + "\" must be a number of seconds";
      return std::nullopt;
    }
    (std::string_view(field) == "time" ? update.time : update.start) = it->get<double>();
  }
  std::optional<std::string> line = acceptLine(update.content, error);
  if (!line) return std::nullopt;
  update.content = std::move(*line);
  return update;
}

}  // namespace bridge
