#include "Programs.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace device {

namespace {

bool isExecutableFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::filesystem::path> findProgram(const ProgramLocation& location, std::string& error) {
  if (const char* chosen = std::getenv(location.overrideVariable); chosen != nullptr && *chosen != '\0') {
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(chosen, ec);
    if (!ec && isExecutableFile(path)) return path;
    error = std::string(location.overrideVariable) + " names " + chosen + ", which is not an executable file";
    return std::nullopt;
  }
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  std::vector<std::filesystem::path> candidates;
  if (!ec) {
    const std::filesystem::path folder = self.parent_path();
    candidates.push_back(folder / location.fileName);
    candidates.push_back((folder.parent_path() / location.buildFolder / location.fileName).lexically_normal());
  }
  for (const std::filesystem::path& candidate : candidates) {
    if (isExecutableFile(candidate)) return candidate;
  }
  error = "no " + std::string(location.fileName) + " found (looked at ";
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    error += (i > 0 ? " and " : "") + candidates[i].string();
  }
  error += "; set " + std::string(location.overrideVariable) + " to choose one)";
  return std::nullopt;
}

}  // namespace device
