#pragma once
// A class registered by name, with a superclass and a method table. Sending a
// message looks the selector up in the receiver's class, then in each
// superclass in turn, so a subclass answers what it inherits and a method
// added to or replaced in a class takes effect for every instance at once.
//
// Classes are themselves objects: a class's own class is its metaclass, whose
// method table holds the class methods (`sharedInstance`), so
// `runtime::send<Object*>(cls, "sharedInstance")` works like any send. The
// metaclass of a class inherits from the metaclass of its superclass; the
// root metaclass inherits from the root class.
//
// Ownership: the process's class registry owns every class; classes are
// never removed, so a Class& or Class* stays valid for the life of the
// process. The registry is one per process (this module is a shared library)
// and is used from the main thread only.

#include <map>
#include <string>
#include <string_view>

#include "runtime/Imp.h"
#include "runtime/Object.h"

namespace runtime {

class Class final : public Object {
 public:
  Class(const Class&) = delete;
  Class& operator=(const Class&) = delete;

  const std::string& name() const { return name_; }
  // nullptr only for the root class.
  Class* superclass() const { return superclass_; }
  Class& metaclass() const { return objectClass(); }
  bool isMetaclass() const { return isMetaclass_; }

  // Whether this class or a superclass has a method for the selector.
  bool instancesRespondToSelector(std::string_view selector) const;
  // Whether this class itself (not a superclass) has a method for it.
  bool hasOwnMethod(std::string_view selector) const;

  // A class prints as its name.
  std::string description() const override { return name_; }

 private:
  friend struct ClassTable;
  Class(std::string name, Class* superclass, bool isMetaclass);
  std::string name_;
  Class* superclass_;
  bool isMetaclass_;
  std::map<std::string, detail::Method, std::less<>> methods_;
};

// The root class, "Object"; registerClass(name) makes subclasses of it.
Class& rootClass();

// The class named `name`, registered now under `superclass` unless it
// exists. A name registered again gives the existing class with its methods
// (hosts register their class wherever they make an instance); asking for a
// different superclass then is a programming error, logged, and the class
// keeps the superclass it has.
Class& registerClass(std::string_view name);
Class& registerClass(std::string_view name, Class& superclass);

// The class registered under `name`, or nullptr (the platform's lookup of a
// class by name; absent classes give nothing).
Class* getClass(std::string_view name);

namespace detail {
// The method `cls` answers `selector` with, its own or inherited; nullptr if
// none.
Method findMethod(const Class& cls, std::string_view selector);
}  // namespace detail

}  // namespace runtime
