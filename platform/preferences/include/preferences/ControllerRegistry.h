#pragma once
// Controller classes by name, the way the Settings app finds a bundle's
// root controller: a bundle registers its classes when it is loaded (from
// its initialiser) and the host makes one by the name its entry gives.
// Process-wide; classes are never removed (bundles stay loaded).

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "preferences/ListController.h"

namespace preferences {

using ControllerFactory = std::function<std::shared_ptr<ListController>()>;

// Registering a name again replaces its factory.
void registerControllerClass(std::string name, ControllerFactory factory);
bool isControllerClassRegistered(std::string_view name);
// A new controller of the class, or null when no bundle registered it.
std::shared_ptr<ListController> makeController(std::string_view name);

}  // namespace preferences
