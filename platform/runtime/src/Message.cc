#include "runtime/Message.h"

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "ClassTable.h"
#include "foundation/Log.h"

namespace runtime::detail {

namespace {

void logRuntimeError(int line, const std::string& message) {
  foundation::logError("runtime", "Message.cc", line, "ERROR", foundation::Value(message));
}

// "void (*)(std::string)" rather than the mangled name.
std::string readable(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> name(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
  if (status != 0 || name == nullptr) return type.name();
  std::string text = name.get();
  static constexpr std::string_view kString =
      "std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >";
  for (std::size_t at = text.find(kString); at != std::string::npos; at = text.find(kString, at)) {
    text.replace(at, kString.size(), "std::string");
  }
  return text;
}

// "-[Class selector]" for instance methods, "+[Class selector]" for class
// methods, as the platform names a method.
std::string methodName(const Class& cls, std::string_view selector) {
  return std::string(cls.isMetaclass() ? "+[" : "-[") + cls.name() + " " + std::string(selector) +
         "]";
}

std::string address(const void* object) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", object);
  return text;
}

bool sameSignature(const MethodBody& method, const Method& other, const Class& cls,
                   std::string_view selector, const char* what, int line) {
  if (method.signature() == other->signature()) return true;
  logRuntimeError(line, std::string(what) + " " + methodName(cls, selector) + " takes " +
                            readable(other->signature()) + ", given " +
                            readable(method.signature()));
  return false;
}

}  // namespace

Method methodForSend(const Object& receiver, std::string_view selector,
                     const std::type_info& signature) {
  const Class& cls = receiver.objectClass();
  Method method = findMethod(cls, selector);
  if (method == nullptr) {
    logRuntimeError(__LINE__, methodName(cls, selector) + ": unrecognized selector sent to " +
                                  (cls.isMetaclass() ? "class " : "instance ") +
                                  address(&receiver));
    return nullptr;
  }
  if (method->signature() != signature) {
    logRuntimeError(__LINE__, "send of " + methodName(cls, selector) + " takes " +
                                  readable(method->signature()) + ", sent as " +
                                  readable(signature));
    return nullptr;
  }
  return method;
}

bool replaceMethod(Class* cls, std::string_view selector, Method method, Replaced* replaced) {
  if (cls == nullptr) return false;
  if (Method own = ClassTable::findOwn(*cls, selector)) {
    if (!sameSignature(*method, own, *cls, selector, "replacement of", __LINE__)) return false;
    ClassTable::setMethod(*cls, selector, std::move(method));
    replaced->own = std::move(own);
    return true;
  }
  Class* superclass = cls->superclass();
  Method inherited = superclass != nullptr ? findMethod(*superclass, selector) : nullptr;
  if (inherited == nullptr) {
    logRuntimeError(__LINE__, "replacement of " + methodName(*cls, selector) + ": no such method");
    return false;
  }
  if (!sameSignature(*method, inherited, *cls, selector, "replacement of", __LINE__)) return false;
  ClassTable::setMethod(*cls, selector, std::move(method));
  replaced->inheritedFrom = superclass;
  return true;
}

bool addMethod(Class* cls, std::string_view selector, Method method) {
  if (cls == nullptr || ClassTable::findOwn(*cls, selector) != nullptr) return false;
  // An override must keep the signature, or sends typed for the superclass's
  // method would stop reaching instances of this class.
  if (Method inherited = findMethod(*cls, selector)) {
    if (!sameSignature(*method, inherited, *cls, selector, "addition of", __LINE__)) return false;
  }
  ClassTable::setMethod(*cls, selector, std::move(method));
  return true;
}

}  // namespace runtime::detail
