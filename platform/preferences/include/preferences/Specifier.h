#pragma once
// One entry of a preference list: the entry's dictionary from the property
// list ("cell", "label", "key", "defaults", …) and the controller that acts
// for it. The target is not owned: it is the controller that loaded the
// list and holds it.

#include <string>

#include "foundation/Value.h"

namespace preferences {

class ListController;

struct Specifier {
  foundation::Dictionary properties;
  ListController* target = nullptr;

  // "label", or "" when absent.
  std::string name() const;
  // "cell" ("PSGroupCell", "PSSwitchCell", …), or "" when absent.
  std::string cellType() const;
  // "id", else the label.
  std::string identifier() const;
};

}  // namespace preferences
