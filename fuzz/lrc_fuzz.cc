// The music app's LRC reader: any bytes parse, and the lines come out sorted,
// never before the song's start, with the line lookups agreeing.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "musicapp/Lrc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const musicapp::Lrc lrc = musicapp::Lrc::parse(text);
  for (std::size_t i = 0; i < lrc.lines.size(); ++i) {
    if (!(lrc.lines[i].time >= 0)) std::abort();
    if (i > 0 && lrc.lines[i - 1].time > lrc.lines[i].time) std::abort();
    const auto at = lrc.lineIndexAt(lrc.lines[i].time);
    if (!at || lrc.lines[*at].time != lrc.lines[i].time) std::abort();
  }
  return 0;
}
