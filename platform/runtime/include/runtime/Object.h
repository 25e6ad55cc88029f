#pragma once
// An object the runtime can send messages to. Its class (a registered
// runtime::Class) holds the method table that `runtime::send` consults, so a
// host object answers a selector with whatever implementation its class has
// now, including replacements installed after the object was made.
//
// Ownership: the runtime never owns objects; whoever made one keeps it. An
// object must outlive every message sent to it. Objects are reached from one
// thread (the main thread), like everything else in a process.

#include <string>
#include <string_view>

namespace runtime {

class Class;

class Object {
 public:
  // An instance of the root class.
  Object();
  // An instance of `cls`; host classes pass the class they registered.
  explicit Object(Class& cls);
  Object(const Object&) = default;
  Object& operator=(const Object&) = default;
  virtual ~Object() = default;

  Class& objectClass() const { return *class_; }
  // Whether the class or one of its superclasses has a method for it.
  bool respondsToSelector(std::string_view selector) const;

  // The platform's "%@" of this object: "<ClassName: 0x…>" unless a class
  // says more (notifications, events and dictionaries print their contents,
  // which hooks search).
  virtual std::string description() const;

 protected:
  // Classes are objects whose class is their metaclass, which exists only
  // after the class itself.
  struct Unclassed {};
  explicit Object(Unclassed) {}
  void setObjectClass(Class& cls) { class_ = &cls; }

 private:
  Class* class_ = nullptr;
};

// "%@" of a possibly absent object: "(null)" for nullptr.
std::string describe(const Object* object);

}  // namespace runtime
