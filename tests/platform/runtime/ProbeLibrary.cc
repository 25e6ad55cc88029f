// Injected by the loader tests: tells the host's InjectionProbe class the
// file name of the copy of this library that was loaded.
#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "runtime/Message.h"

namespace {

int marker;

__attribute__((constructor)) void announce() {
  Dl_info info{};
  if (::dladdr(&marker, &info) == 0 || info.dli_fname == nullptr) return;
  runtime::send<void>(runtime::getClass("InjectionProbe"),
                      "libraryLoaded:", std::filesystem::path(info.dli_fname).filename().string());
}

}  // namespace
