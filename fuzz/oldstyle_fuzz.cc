// Old-style quoted-string parsing and the lyric text decoding built on it:
// any bytes must give a valid UTF-8 text or no value.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "foundation/PropertyList.h"
#include "foundation/Text.h"
#include "lyric/LyricManager.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto parsed = foundation::parseOldStyleQuotedString(text)) {
    if (!foundation::isValidUtf8(*parsed)) std::abort();
  }
  static const LyricManager manager;
  if (const auto decoded = manager.replaceUnicode(text)) {
    if (!foundation::isValidUtf8(*decoded)) std::abort();
  }
  return 0;
}
