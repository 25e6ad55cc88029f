#include "preferences/Bundle.h"

#include <string>
#include <system_error>

namespace preferences {

std::optional<std::filesystem::path> Bundle::pathForResource(std::string_view name, std::string_view type) const {
  if (path_.empty() || name.empty()) return std::nullopt;
  std::string file(name);
  if (!type.empty()) file += "." + std::string(type);
  std::filesystem::path candidate = path_ / file;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(candidate, ec)) return std::nullopt;
  return candidate;
}

}  // namespace preferences
