#include "runtime/Loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <optional>
#include <string>
#include <system_error>

#include "foundation/DeviceRoot.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"

namespace runtime {

namespace {

void logSkipped(int line, const std::filesystem::path& path, const std::string& why) {
  foundation::logError("runtime", "Loader.cc", line, "ERROR",
                       foundation::Value("skipped " + path.string() + ": " + why));
}

// Whether the filter names the bundle; nothing (after a log line) when the
// file is not a filter.
std::optional<bool> filterNames(const std::filesystem::path& filterPath,
                                std::string_view bundleIdentifier) {
  std::optional<foundation::Dictionary> file = foundation::readDictionaryFile(filterPath);
  if (!file) {
    logSkipped(__LINE__, filterPath, "the filter is not a readable property-list dictionary");
    return std::nullopt;
  }
  const foundation::Value root(std::move(*file));
  const foundation::Array* bundles = root["Filter"]["Bundles"].array();
  if (bundles == nullptr) {
    logSkipped(__LINE__, filterPath, "the filter has no Filter.Bundles array");
    return std::nullopt;
  }
  return std::any_of(bundles->begin(), bundles->end(), [&](const foundation::Value& bundle) {
    return bundle.text() != nullptr && *bundle.text() == bundleIdentifier;
  });
}

}  // namespace

std::vector<std::filesystem::path> loadInjectedLibraries(std::string_view bundleIdentifier) {
  const std::filesystem::path folder = foundation::DeviceRoot::resolve(kInjectedLibrariesFolder);
  std::vector<std::filesystem::path> filters;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->path().extension() == ".plist") filters.push_back(it->path());
  }
  // A device without the folder has nothing injected; that is not an error.
  std::sort(filters.begin(), filters.end());

  std::vector<std::filesystem::path> loaded;
  for (const std::filesystem::path& filterPath : filters) {
    std::optional<bool> names = filterNames(filterPath, bundleIdentifier);
    if (!names || !*names) continue;
    std::filesystem::path library = filterPath;
    library.replace_extension(".so");
    if (!std::filesystem::is_regular_file(library, error)) {
      logSkipped(__LINE__, library, "the filter names this process but the library is missing");
      continue;
    }
    // RTLD_NOW reports unresolved symbols here rather than at a first call
    // deep inside the host; RTLD_NODELETE keeps the code that installed
    // methods point into mapped for good.
    if (::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE) == nullptr) {
      const char* why = ::dlerror();
      logSkipped(__LINE__, library, why != nullptr ? why : "dlopen failed");
      continue;
    }
    loaded.push_back(library);
  }
  return loaded;
}

}  // namespace runtime
