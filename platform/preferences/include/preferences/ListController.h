#pragma once
// The base class of a preference page. It holds the page's specifier list
// (none until a subclass or the base loads one), the bundle the page came
// from, a plain main view, and asks `specifiers()` when its view has loaded
// and each time it comes back on screen, as the Settings app does. The base
// `specifiers()` loads the list named "Root" once.
//
// Loading a list that is missing or unreadable logs one line naming the
// file and gives an empty list: the page shows what it builds itself.

#include <optional>
#include <string_view>
#include <vector>

#include "preferences/Bundle.h"
#include "preferences/Specifier.h"
#include "ui/ViewController.h"

namespace preferences {

class ListController : public ui::ViewController {
 public:
  std::string className() const override { return "PSListController"; }

  const Bundle& bundle() const { return bundle_; }
  void setBundle(Bundle bundle) { bundle_ = std::move(bundle); }

  // The page's list; the base loads "Root" on the first call.
  virtual const std::vector<Specifier>& specifiers();
  // The list the base holds (the platform's `_specifiers`): nothing until
  // one is set.
  const std::optional<std::vector<Specifier>>& heldSpecifiers() const { return specifiers_; }
  void setHeldSpecifiers(std::vector<Specifier> list) { specifiers_ = std::move(list); }
  // The "items" of the bundle's property list `name`, each with `target`.
  std::vector<Specifier> loadSpecifiersFromPlistName(std::string_view name, ListController* target) const;
  // Drops the held list and asks specifiers() again.
  void reloadSpecifiers();

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;

 private:
  Bundle bundle_;
  std::optional<std::vector<Specifier>> specifiers_;
  bool appearedOnce_ = false;
};

}  // namespace preferences
