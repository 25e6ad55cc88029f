#include "bridge/SourceMode.h"

namespace bridge {

std::optional<SourceMode> parseSourceMode(std::string_view text) {
  for (const SourceMode mode : {SourceMode::automatic, SourceMode::title, SourceMode::lrc, SourceMode::pushed}) {
    if (text == sourceModeName(mode)) return mode;
  }
  return std::nullopt;
}

std::string_view sourceModeName(SourceMode mode) {
  switch (mode) {
    case SourceMode::automatic: return "auto";
    case SourceMode::title: return "title";
    case SourceMode::lrc: return "lrc";
    case SourceMode::pushed: return "pushed";
  }
  return "auto";
}

}  // namespace bridge
