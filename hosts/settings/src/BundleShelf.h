#pragma once
// The preference bundles of a device root, as the Settings app finds them:
// entries in "/Library/PreferenceLoader/Preferences/<name>.plist" (an
// "entry" dictionary: "label", "bundle", "detail"), bundles in
// "/Library/PreferenceBundles/<bundle>.bundle/lib<bundle>.so" with their
// resources beside the library.
//
// Loading a bundle is dlopen with RTLD_NOW | RTLD_NODELETE (its code stays
// mapped while its controllers live); a bundle that cannot be loaded, or
// that offers no class of the entry's name, is logged once per attempt and
// gives no controller.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "preferences/ListController.h"

namespace settingsapp {

struct Entry {
  std::string label;
  std::string bundle;  // "hoverversebundle"
  std::string detail;  // the controller class, "MMRootListController"
};

// The entries under the current device root, by file name.
std::vector<Entry> installedEntries();

// The bundle's folder under the device root (real path).
std::filesystem::path bundleFolder(const std::string& bundle);

// Loads the entry's bundle and makes its controller (with its bundle set);
// null, with a log line, when either fails.
std::shared_ptr<preferences::ListController> loadEntry(const Entry& entry);

// Copies a built bundle folder (lib<bundle>.so, Root.plist and Entry.plist,
// the entry) into the device root, replacing what is there; false with
// `error` when it cannot.
bool installBundle(const std::filesystem::path& from, const std::string& bundle, std::string& error);

}  // namespace settingsapp
