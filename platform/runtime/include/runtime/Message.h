#pragma once
// Sending messages, replacing methods and adding them.
//
// Host code calls its hookable methods through `send`, never directly, so a
// replacement installed by an injected library runs in its place and decides
// when (first, last, twice, never) the original runs:
//
//   runtime::send<void>(center, "setNowPlayingInfo:", info);
//   auto* shared = runtime::send<runtime::Object*>(cls, "sharedInstance");
//
//   constinit runtime::Original<void, foundation::Value> original;
//   runtime::hookMessage(cls, "setNowPlayingInfo:",
//                        [](runtime::Object& self, const foundation::Value& info) {
//                          original(self, info);
//                          relay(info);
//                        },
//                        &original);
//
// A send's signature is the return type it names and the types of the
// arguments it passes (string literals count as std::string); it must be the
// selector's signature exactly (an int is not a double). Sends to nullptr do
// nothing and give R{}. A selector the receiver does not answer, or a send
// or replacement with another signature than the method's, runs nothing,
// gives R{} (or false) and writes one error log line naming both: the host
// goes on, and the line says why nothing happened.

#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "runtime/Class.h"
#include "runtime/Imp.h"
#include "runtime/Object.h"
#include "runtime/Original.h"

namespace runtime {

namespace detail {

template <class T>
inline constexpr bool isCString = std::is_same_v<std::decay_t<std::remove_cvref_t<T>>, char*> ||
                                  std::is_same_v<std::decay_t<std::remove_cvref_t<T>>, const char*>;

// The signature type an argument of a send stands for.
template <class T>
using SentType = std::conditional_t<isCString<T>, std::string, std::remove_cvref_t<T>>;

// The method `receiver` answers `selector` with, when it takes `signature`;
// otherwise nullptr after one error log line.
Method methodForSend(const Object& receiver, std::string_view selector,
                     const std::type_info& signature);

// Where a replacement went: the class's own previous method, or (when the
// class only inherited the selector) the superclass the original is looked
// up from, at each call, so that later replacements there are honoured.
struct Replaced {
  Method own;
  const Class* inheritedFrom = nullptr;
};
// Installs `method` for `selector` in `cls` when the class answers the
// selector with the same signature; false (and a log line for a signature
// mismatch) otherwise.
bool replaceMethod(Class* cls, std::string_view selector, Method method, Replaced* replaced);
bool addMethod(Class* cls, std::string_view selector, Method method);

// What hookMessage hands to an Original.
struct OriginalAccess {
  template <class R, class... Args>
  static void setReplaced(Original<R, Args...>& original, Method method) {
    original.setReplaced(std::move(method));
  }
  template <class R, class... Args>
  static void setInherited(Original<R, Args...>& original, const Class& from,
                           std::string_view selector) {
    original.setInherited(from, std::string(selector));
  }
};

template <class R>
R nothing() {
  if constexpr (std::is_void_v<R>) {
    return;
  } else {
    return R{};
  }
}

}  // namespace detail

template <class R = void, class... Args>
R send(Object* receiver, std::string_view selector, Args&&... args) {
  static_assert(std::is_void_v<R> || std::is_default_constructible_v<R>,
                "a send to nothing must be able to give R{}");
  using Body = detail::TypedMethodBody<R, detail::SentType<Args>...>;
  if (receiver == nullptr) return detail::nothing<R>();
  detail::Method method =
      detail::methodForSend(*receiver, selector, typeid(typename Body::Signature));
  if (method == nullptr) return detail::nothing<R>();
  return static_cast<const Body&>(*method).imp(*receiver, std::forward<Args>(args)...);
}

template <class R = void, class... Args>
R send(Object& receiver, std::string_view selector, Args&&... args) {
  return send<R>(&receiver, selector, std::forward<Args>(args)...);
}

// Replaces the implementation of `selector` in `cls` by `replacement` and
// hands the implementation it replaced to `*original` (which may be
// nullptr). A selector `cls` only inherits gets its own implementation; the
// original then calls the superclass's current one. False, with `*original`
// untouched, when `cls` is nullptr, does not answer the selector, the
// replacement is empty, or the signatures differ.
template <class R, class... Args>
bool hookMessage(Class* cls, std::string_view selector,
                 std::type_identity_t<Imp<R, Args...>> replacement,
                 Original<R, Args...>* original) {
  if (!replacement) return false;
  detail::Replaced replaced;
  if (!detail::replaceMethod(cls, selector,
                             std::make_shared<detail::BodyFor<R, Args...>>(std::move(replacement)),
                             &replaced)) {
    return false;
  }
  if (original == nullptr) return true;
  if (replaced.own != nullptr) {
    detail::OriginalAccess::setReplaced(*original, std::move(replaced.own));
  } else {
    detail::OriginalAccess::setInherited(*original, *replaced.inheritedFrom, selector);
  }
  return true;
}

// For a replacement that never calls the original.
template <class R, class... Args>
bool hookMessage(Class* cls, std::string_view selector,
                 std::type_identity_t<Imp<R, Args...>> replacement) {
  return hookMessage<R, Args...>(cls, selector, std::move(replacement),
                                 static_cast<Original<R, Args...>*>(nullptr));
}

// Adds a method to `cls`; false when `cls` is nullptr, the implementation is
// empty, or the class itself already has the selector (an inherited one is
// overridden). Name the signature: addMethod<void, std::string>(cls, ...).
template <class R, class... Args>
bool addMethod(Class* cls, std::string_view selector,
               std::type_identity_t<Imp<R, Args...>> implementation) {
  if (!implementation) return false;
  return detail::addMethod(
      cls, selector, std::make_shared<detail::BodyFor<R, Args...>>(std::move(implementation)));
}

}  // namespace runtime
