#pragma once
// The process's classes by name, and the only code that reads or changes a
// class's own method table. Classes are allocated once and never freed, so
// every Class& handed out stays valid for the life of the process.

#include <map>
#include <string>
#include <string_view>

#include "foundation/Once.h"
#include "runtime/Class.h"

namespace runtime {

struct ClassTable {
  ClassTable();
  Class& make(std::string_view name, Class& superclass);
  static ClassTable& shared();

  static void setMethod(Class& cls, std::string_view selector, detail::Method method);
  static detail::Method findOwn(const Class& cls, std::string_view selector);

  Class* root = nullptr;
  Class* rootMeta = nullptr;
  std::map<std::string, Class*, std::less<>> byName;
};

}  // namespace runtime
