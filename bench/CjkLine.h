#pragma once
// Lyric-like text for the benchmarks: the floating and render figures are
// measured on the same lines.

#include <string>
#include <vector>

// A 20-character CJK line; each index gives a different line from the same
// 20 glyphs, so once all are drawn no line needs a new glyph.
inline std::string cjkLine(unsigned i) {
  static const std::vector<std::string> chars = {"我", "们", "的", "歌", "在", "风", "里", "轻", "声", "唱",
                                                 "着", "那", "些", "年", "少", "时", "光", "温", "柔", "梦"};
  std::string s;
  for (unsigned k = 0; k < 20; ++k) s += chars[(i * 7 + k * (1 + i % 19)) % chars.size()];
  return s;
}
