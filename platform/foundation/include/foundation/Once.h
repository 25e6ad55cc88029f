#pragma once
// Once-only creation of the process's single instances (the shared managers
// reached through `shareManager`, `sharedManager`, `shared`). The instance is
// created on first use, thread-safely (a function-local static), and never
// destroyed: shared managers live until the process ends, and skipping their
// destructors keeps exit free of static-destruction-order surprises.

#include <utility>

namespace foundation {

// The one default-constructed T of this process.
template <class T>
T& onceInstance() {
  static T* const instance = new T();
  return *instance;
}

// The one T made by `make` (called at most once). The instance belongs to the
// pair (T, Factory): call it from one place, typically the class's shared
// accessor, e.g. `return onceInstance<Manager>([] { return new Manager(); });`
// for a class whose constructor is private.
template <class T, class Factory>
T& onceInstance(Factory&& make) {
  static T* const instance = std::forward<Factory>(make)();
  return *instance;
}

}  // namespace foundation
