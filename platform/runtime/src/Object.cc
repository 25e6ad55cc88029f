#include "runtime/Object.h"

#include <cstdio>

#include "runtime/Class.h"

namespace runtime {

Object::Object() : class_(&rootClass()) {}

Object::Object(Class& cls) : class_(&cls) {}

bool Object::respondsToSelector(std::string_view selector) const {
  return objectClass().instancesRespondToSelector(selector);
}

std::string Object::description() const {
  char address[32];
  std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
  return "<" + objectClass().name() + ": " + address + ">";
}

std::string describe(const Object* object) {
  return object != nullptr ? object->description() : std::string("(null)");
}

}  // namespace runtime
