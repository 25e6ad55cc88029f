// Injected by the loader tests. Its initialiser replaces the methods of the
// tests' HostPlayer class, each calling the original as a hook table says
// (first, last, twice, never, or returning its result); hooks a class the
// host lacks, which logs one line per replacement; and leaves work on the
// host's run loop and notification centre.
#include <string>

#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "runtime/Message.h"

namespace {

using runtime::Object;
using runtime::Original;

// constinit: the initialiser below runs before this file's dynamic
// initialisers, which must not reset what it stored.
constinit Original<void, int> originalFirst;
constinit Original<void, int> originalLast;
constinit Original<void, int> originalTwice;
constinit Original<std::string, int> originalValue;
constinit foundation::Observation pingObservation;

void record(Object& self, const std::string& entry) { runtime::send<void>(self, "record:", entry); }

void heard(const std::string& what) {
  runtime::send<void>(runtime::getClass("InjectionProbe"), "heard:", what);
}

void logNilClass(const std::string& className) {
  foundation::logError("runtime_hooks", "HookLibrary.cc", 876, "ERROR",
                       foundation::Value("logos: nil class " + className));
}

__attribute__((constructor)) void installHooks() {
  if (runtime::Class* cls = runtime::getClass("HostPlayer")) {
    runtime::hookMessage(
        cls, "first:",
        [](Object& self, int n) {
          originalFirst(self, n);
          record(self, "hook first: " + std::to_string(n));
        },
        &originalFirst);
    runtime::hookMessage(
        cls, "last:",
        [](Object& self, int n) {
          record(self, "hook last: " + std::to_string(n));
          originalLast(self, n);
        },
        &originalLast);
    runtime::hookMessage(
        cls, "twice:",
        [](Object& self, int n) {
          originalTwice(self, n);
          record(self, "hook twice: " + std::to_string(n));
          originalTwice(self, n);
        },
        &originalTwice);
    runtime::hookMessage<void, int>(cls, "never:", [](Object& self, int n) {
      record(self, "hook never: " + std::to_string(n));
    });
    runtime::hookMessage(
        cls, "value:", [](Object& self, int n) { return originalValue(self, n); }, &originalValue);
  } else {
    for (int i = 0; i < 5; ++i) logNilClass("HostPlayer");
  }

  if (runtime::Class* cls = runtime::getClass("AbsentHostClass")) {
    runtime::hookMessage<void, int>(cls, "first:", [](Object&, int) {});
    runtime::hookMessage<void, int>(cls, "last:", [](Object&, int) {});
  } else {
    logNilClass("AbsentHostClass");
    logNilClass("AbsentHostClass");
  }

  foundation::RunLoop::main().dispatchAfter(0.5, [] { heard("run loop after 0.5 s"); });
  pingObservation = foundation::NotificationCenter::defaultCenter().addObserver(
      "HostPing", [](const foundation::Notification& notification) {
        heard("notification " + notification.name + " " +
              foundation::describe(notification.object));
      });
}

}  // namespace
