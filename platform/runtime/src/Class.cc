#include "runtime/Class.h"

#include <string>

#include "ClassTable.h"
#include "foundation/Log.h"

namespace runtime {

ClassTable::ClassTable() {
  rootMeta = new Class("Object", nullptr, true);
  root = new Class("Object", nullptr, false);
  rootMeta->superclass_ = root;
  rootMeta->setObjectClass(*rootMeta);
  root->setObjectClass(*rootMeta);
  byName.emplace(root->name(), root);
}

Class& ClassTable::make(std::string_view name, Class& superclass) {
  Class* meta = new Class(std::string(name), &superclass.metaclass(), true);
  meta->setObjectClass(*rootMeta);
  Class* cls = new Class(std::string(name), &superclass, false);
  cls->setObjectClass(*meta);
  byName.emplace(cls->name(), cls);
  return *cls;
}

ClassTable& ClassTable::shared() { return foundation::onceInstance<ClassTable>(); }

void ClassTable::setMethod(Class& cls, std::string_view selector, detail::Method method) {
  auto found = cls.methods_.find(selector);
  if (found != cls.methods_.end()) {
    found->second = std::move(method);
  } else {
    cls.methods_.emplace(std::string(selector), std::move(method));
  }
}

detail::Method ClassTable::findOwn(const Class& cls, std::string_view selector) {
  auto found = cls.methods_.find(selector);
  return found != cls.methods_.end() ? found->second : nullptr;
}

Class::Class(std::string name, Class* superclass, bool isMetaclass)
    : Object(Unclassed{}),
      name_(std::move(name)),
      superclass_(superclass),
      isMetaclass_(isMetaclass) {}

bool Class::instancesRespondToSelector(std::string_view selector) const {
  return detail::findMethod(*this, selector) != nullptr;
}

bool Class::hasOwnMethod(std::string_view selector) const {
  return ClassTable::findOwn(*this, selector) != nullptr;
}

Class& rootClass() { return *ClassTable::shared().root; }

Class& registerClass(std::string_view name) { return registerClass(name, rootClass()); }

Class& registerClass(std::string_view name, Class& superclass) {
  ClassTable& table = ClassTable::shared();
  auto found = table.byName.find(name);
  if (found == table.byName.end()) return table.make(name, superclass);
  Class& existing = *found->second;
  if (existing.superclass() != &superclass) {
    foundation::logError(
        "runtime", "Class.cc", __LINE__, "ERROR",
        foundation::Value("class " + existing.name() + " is already registered under " +
                          (existing.superclass() != nullptr ? existing.superclass()->name()
                                                            : std::string("no superclass")) +
                          ", not " + superclass.name()));
  }
  return existing;
}

Class* getClass(std::string_view name) {
  ClassTable& table = ClassTable::shared();
  auto found = table.byName.find(name);
  return found != table.byName.end() ? found->second : nullptr;
}

namespace detail {

Method findMethod(const Class& cls, std::string_view selector) {
  for (const Class* c = &cls; c != nullptr; c = c->superclass()) {
    if (Method method = ClassTable::findOwn(*c, selector)) return method;
  }
  return nullptr;
}

}  // namespace detail
}  // namespace runtime
