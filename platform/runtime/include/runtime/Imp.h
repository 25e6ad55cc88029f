#pragma once
// A method implementation and the type-erased form the method tables hold.
//
// Every selector has one fixed signature: a return type and the types of its
// arguments. An implementation takes the receiver first and the arguments as
// const references, so the replacement of a method and the original it keeps
// have the same type and a hook calls the original exactly as the host does:
//
//   runtime::Imp<void, foundation::Value> original;   // setNowPlayingInfo:
//   original(self, info);
//
// Tables key the signature by the argument types without const and
// references, so Imp<void, const Value&> and Imp<void, Value> are one
// signature.

#include <functional>
#include <memory>
#include <type_traits>
#include <typeinfo>

namespace runtime {

class Object;

template <class R, class... Args>
using Imp = std::function<R(Object& self, const Args&...)>;

namespace detail {

// One entry of a method table. Entries are immutable and shared: a send keeps
// the entry it found alive while it runs, so a method replaced during its own
// call finishes with the implementation it started with.
class MethodBody {
 public:
  MethodBody() = default;
  MethodBody(const MethodBody&) = delete;
  MethodBody& operator=(const MethodBody&) = delete;
  virtual ~MethodBody() = default;
  // typeid of R(*)(Args...) with Args free of const and references.
  virtual const std::type_info& signature() const = 0;
};

using Method = std::shared_ptr<const MethodBody>;

template <class R, class... Args>
class TypedMethodBody final : public MethodBody {
  static_assert((!std::is_const_v<Args> && ...) && (!std::is_reference_v<Args> && ...),
                "method signatures are keyed by plain argument types");
  static_assert(!std::is_reference_v<R>, "methods return values, not references");

 public:
  using Signature = R (*)(Args...);
  explicit TypedMethodBody(Imp<R, Args...> implementation) : imp(std::move(implementation)) {}
  const std::type_info& signature() const override { return typeid(Signature); }
  const Imp<R, Args...> imp;
};

// The body type for a signature written with any const or references.
template <class R, class... Args>
using BodyFor = TypedMethodBody<R, std::remove_cvref_t<Args>...>;

}  // namespace detail
}  // namespace runtime
