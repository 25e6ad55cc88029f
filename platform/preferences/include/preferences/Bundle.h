#pragma once
// A preference bundle's folder: the loadable library and its resources
// side by side (a flat bundle, as preference bundles are), so the resources
// folder is the bundle's own folder.

#include <filesystem>
#include <optional>
#include <string_view>

namespace preferences {

class Bundle {
 public:
  Bundle() = default;
  explicit Bundle(std::filesystem::path path) : path_(std::move(path)) {}

  const std::filesystem::path& bundlePath() const { return path_; }
  const std::filesystem::path& resourcePath() const { return path_; }
  // "<resources>/<name>.<type>" when that file exists.
  std::optional<std::filesystem::path> pathForResource(std::string_view name, std::string_view type) const;

 private:
  std::filesystem::path path_;
};

}  // namespace preferences
