#include "BundleShelf.h"

#include <dlfcn.h>

#include <algorithm>
#include <system_error>

#include "foundation/DeviceRoot.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "preferences/ControllerRegistry.h"

namespace settingsapp {

namespace {

constexpr const char* kEntries = "/Library/PreferenceLoader/Preferences";
constexpr const char* kBundles = "/Library/PreferenceBundles";

void logLine(int line, const std::string& text) {
  foundation::logError("Preferences", "BundleShelf.cc", line, "ERROR", foundation::Value(text));
}

std::string textOf(const foundation::Dictionary& d, std::string_view key) {
  auto it = d.find(key);
  return it != d.end() && it->second.text() != nullptr ? *it->second.text() : std::string();
}

// Copies beside, then renames: a process loading meanwhile never maps a
// half-written file.
bool copyInto(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  std::error_code ec;
  const std::filesystem::path temporary = to.parent_path() / ("." + to.filename().string() + ".new");
  std::filesystem::copy_file(from, temporary, std::filesystem::copy_options::overwrite_existing, ec);
  if (!ec) std::filesystem::rename(temporary, to, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    error = "cannot install " + from.string() + " as " + to.string() + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace

std::vector<Entry> installedEntries() {
  const std::filesystem::path folder = foundation::DeviceRoot::resolve(kEntries);
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& item : std::filesystem::directory_iterator(folder, ec))
    if (item.path().extension() == ".plist") files.push_back(item.path());
  std::sort(files.begin(), files.end());
  std::vector<Entry> entries;
  for (const auto& file : files) {
    const std::optional<foundation::Dictionary> plist = foundation::readDictionaryFile(file);
    const auto found = plist ? plist->find("entry") : foundation::Dictionary::const_iterator();
    const foundation::Dictionary* entry = plist && found != plist->end() ? found->second.dictionary() : nullptr;
    if (entry == nullptr) {
      logLine(__LINE__, "skipped the entry " + file.string() + ": no \"entry\" dictionary");
      continue;
    }
    Entry e{textOf(*entry, "label"), textOf(*entry, "bundle"), textOf(*entry, "detail")};
    if (e.label.empty()) e.label = e.bundle;
    entries.push_back(std::move(e));
  }
  return entries;
}

std::filesystem::path bundleFolder(const std::string& bundle) {
  return foundation::DeviceRoot::resolve(std::string(kBundles) + "/" + bundle + ".bundle");
}

std::shared_ptr<preferences::ListController> loadEntry(const Entry& entry) {
  const std::filesystem::path folder = bundleFolder(entry.bundle);
  const std::filesystem::path library = folder / ("lib" + entry.bundle + ".so");
  if (!preferences::isControllerClassRegistered(entry.detail)) {
    if (::dlopen(library.c_str(), RTLD_NOW | RTLD_NODELETE) == nullptr) {
      const char* why = ::dlerror();
      logLine(__LINE__, "cannot load the bundle " + library.string() + ": " + (why ? why : "unknown error"));
      return nullptr;
    }
  }
  std::shared_ptr<preferences::ListController> controller = preferences::makeController(entry.detail);
  if (!controller) {
    logLine(__LINE__, "the bundle " + library.string() + " offers no controller named \"" + entry.detail + "\"");
    return nullptr;
  }
  controller->setBundle(preferences::Bundle(folder));
  return controller;
}

bool installBundle(const std::filesystem::path& from, const std::string& bundle, std::string& error) {
  const std::filesystem::path folder = bundleFolder(bundle);
  const std::filesystem::path entries = foundation::DeviceRoot::resolve(kEntries);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::filesystem::create_directories(entries, ec);
  const std::string library = "lib" + bundle + ".so";
  return copyInto(from / library, folder / library, error) &&
         copyInto(from / "Root.plist", folder / "Root.plist", error) &&
         copyInto(from / "Entry.plist", entries / (bundle + ".plist"), error);
}

}  // namespace settingsapp
