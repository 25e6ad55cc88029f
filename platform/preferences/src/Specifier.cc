#include "preferences/Specifier.h"

namespace preferences {

namespace {

std::string textOf(const foundation::Dictionary& properties, std::string_view key) {
  auto it = properties.find(key);
  if (it == properties.end() || it->second.text() == nullptr) return {};
  return *it->second.text();
}

}  // namespace

std::string Specifier::name() const { return textOf(properties, "label"); }
std::string Specifier::cellType() const { return textOf(properties, "cell"); }

std::string Specifier::identifier() const {
  std::string id = textOf(properties, "id");
  return id.empty() ? name() : id;
}

}  // namespace preferences
