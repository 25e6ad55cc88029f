#pragma once
// The implementation a replacement replaced, as `runtime::hookMessage` hands
// it back: a replacement calls it with the receiver and its own arguments,
// first, last, twice or never, as its hook table says.
//
// An Original is constant-initialised (its default constructor is
// constexpr). That matters for the variables an injected library keeps its
// originals in: the library's initialiser, a constructor function, runs
// before the dynamic initialisers of its own file, which would otherwise
// reset what the initialiser stored (a std::function global would be
// emptied again). Calling an empty Original does nothing and gives R{}.

#include <string>
#include <type_traits>

#include "runtime/Class.h"
#include "runtime/Imp.h"
#include "runtime/Object.h"

namespace runtime {

namespace detail {
struct OriginalAccess;
}

template <class R, class... Args>
class Original {
  static_assert((... && (!std::is_const_v<Args> && !std::is_reference_v<Args>)),
                "name the argument types plainly: Original<void, Value>");

 public:
  constexpr Original() = default;

  explicit operator bool() const { return method_ != nullptr || from_ != nullptr; }

  R operator()(Object& self, const Args&... args) const {
    detail::Method method = from_ != nullptr ? detail::findMethod(*from_, selector_) : method_;
    if (method == nullptr) {
      if constexpr (std::is_void_v<R>) {
        return;
      } else {
        return R{};
      }
    }
    return static_cast<const detail::TypedMethodBody<R, Args...>&>(*method).imp(self, args...);
  }

 private:
  friend struct detail::OriginalAccess;

  // The class's own implementation, replaced.
  void setReplaced(detail::Method method) {
    method_ = std::move(method);
    from_ = nullptr;
    selector_.clear();
  }
  // A method the class inherited: the superclass's implementation at the
  // time of each call, so that later replacements there are honoured.
  void setInherited(const Class& from, std::string selector) {
    method_ = nullptr;
    from_ = &from;
    selector_ = std::move(selector);
  }

  detail::Method method_;
  const Class* from_ = nullptr;
  std::string selector_;
};

}  // namespace runtime
