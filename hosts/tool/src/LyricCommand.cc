// lyric: what LyricManager makes of one relayed now-playing update.

#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "Commands.h"
#include "SampleNowPlaying.h"
#include "lyric/LyricManager.h"
#include "media/AudioSession.h"

namespace tool {

int lyricCommand(Arguments args, CommandIO& io) {
  std::optional<std::string_view> bundle;
  std::string_view route;
  bool song = false;
  bool sample = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--bundle" && i + 1 < args.size()) {
      bundle = args[++i];
    } else if (arg == "--route" && i + 1 < args.size()) {
      route = args[++i];
      if (route.empty()) return usageError(io, "lyric: empty --route");
    } else if (arg == "--song") {
      song = true;
    } else if (arg == "--sample") {
      sample = true;
    } else {
      return usageError(io, "lyric: bad argument '" + std::string(arg) + "'");
    }
  }
  if (!bundle) return usageError(io, "lyric: --bundle ID is required");

  media::AudioSession::sharedInstance().setCurrentOutput(route);
  const std::string text = sample ? std::string(kSampleNowPlaying) : readAll(io.in);
  LyricManager& manager = LyricManager::shareManager();
  const std::optional<std::string> line =
      manager.dicToLyric(foundation::Dictionary{{"lyric", text}, {"bundleId", *bundle}});
  const std::optional<std::string> name = song ? manager.getSongName() : std::nullopt;
  if (!line || (song && !name)) return kExitFailure;
  io.out << *line << "\n";
  if (song) io.out << *name << "\n";
  return kExitOk;
}

}  // namespace tool
