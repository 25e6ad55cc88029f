#include "preferences/ControllerRegistry.h"

#include <map>
#include <mutex>

namespace preferences {

namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, ControllerFactory, std::less<>> classes;
};

Registry& registry() {
  static Registry* r = new Registry();
  return *r;
}

}  // namespace

void registerControllerClass(std::string name, ControllerFactory factory) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.classes[std::move(name)] = std::move(factory);
}

bool isControllerClassRegistered(std::string_view name) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return r.classes.find(name) != r.classes.end();
}

std::shared_ptr<ListController> makeController(std::string_view name) {
  ControllerFactory factory;
  {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.classes.find(name);
    if (it == r.classes.end()) return nullptr;
    factory = it->second;
  }
  return factory ? factory() : nullptr;
}

}  // namespace preferences
