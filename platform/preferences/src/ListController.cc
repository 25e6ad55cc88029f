#include "preferences/ListController.h"

#include <string>

#include "foundation/Log.h"
#include "foundation/PropertyList.h"

namespace preferences {

namespace {

void logLine(int line, const std::string& text) {
  foundation::logError("preferences", "ListController.cc", line, "ERROR", foundation::Value(text));
}

}  // namespace

const std::vector<Specifier>& ListController::specifiers() {
  if (!specifiers_) specifiers_ = loadSpecifiersFromPlistName("Root", this);
  return *specifiers_;
}

std::vector<Specifier> ListController::loadSpecifiersFromPlistName(std::string_view name,
                                                                   ListController* target) const {
  std::vector<Specifier> list;
  const std::optional<std::filesystem::path> path = bundle_.pathForResource(name, "plist");
  if (!path) {
    logLine(__LINE__, "no property list named \"" + std::string(name) + "\" in the bundle at '" +
                          bundle_.resourcePath().string() + "'");
    return list;
  }
  const std::optional<foundation::Dictionary> plist = foundation::readDictionaryFile(*path);
  if (!plist) {
    logLine(__LINE__, "the property list '" + path->string() + "' is not a readable dictionary");
    return list;
  }
  auto items = plist->find("items");
  if (items == plist->end() || items->second.array() == nullptr) {
    logLine(__LINE__, "the property list '" + path->string() + "' has no \"items\" array");
    return list;
  }
  for (const foundation::Value& item : *items->second.array()) {
    if (const foundation::Dictionary* entry = item.dictionary()) list.push_back(Specifier{*entry, target});
  }
  return list;
}

void ListController::reloadSpecifiers() {
  specifiers_.reset();
  specifiers();
}

void ListController::viewDidLoad() { specifiers(); }

void ListController::viewWillAppear(bool /*animated*/) {
  // The first appearance follows viewDidLoad, which has just asked.
  if (!appearedOnce_) {
    appearedOnce_ = true;
    return;
  }
  specifiers();
}

}  // namespace preferences
