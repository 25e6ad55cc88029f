// The guarded property-list reader, XML and binary: any bytes must parse to a
// value or to nothing, within the fuzzer's time and memory limits (a shared
// binary object graph must not expand past the guard), and a parsed value
// must serialize again in both forms.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "foundation/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto value = foundation::parsePropertyList(bytes);
  if (!value) return 0;
  for (auto format : {foundation::PropertyListFormat::Xml, foundation::PropertyListFormat::Binary}) {
    const std::string again = foundation::serializePropertyList(*value, format);
    // Only nil serializes to nothing, and parsing never yields nil.
    if (again.empty() && !value->isNil()) std::abort();
  }
  return 0;
}
