#pragma once
// The bridge's model: given the desktop's MPRIS players (as the now-playing
// watcher sees them), the lines pushed to it and the per-player source
// overrides, it knows the now-playing player's current line and hands on a
// now-playing dictionary whenever the line, the song or the playing state
// changes: {title, artist, albumTitle, playbackDuration, playbackRate (0 when
// paused), lyricLine ("" when none)}, under the player's desktop bundle
// identifier.
//
// Timed lyrics follow the player's Position: read when a player becomes the
// now-playing one, changes track, state or Rate, and on every Seeked; in
// between extrapolated on the loop's clock times Rate. One one-shot timer
// waits for the next line; nothing polls.
//
// Main run loop only. The callbacks run on the loop, from within the calls
// below or from the timer; they must not destroy the bridge.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bridge/SourceMode.h"
#include "foundation/RunLoop.h"
#include "foundation/Status.h"
#include "foundation/UserDefaults.h"
#include "foundation/Value.h"
#include "media/NowPlayingWatcher.h"
#include "musicapp/Lrc.h"

namespace bridge {

class LineBridge {
 public:
  // Hands on a dictionary for the player with this bundle identifier.
  using Publisher = std::function<void(const std::string& bundleIdentifier, const foundation::Dictionary& info)>;
  // Asks for a player's Position; the answer comes back through
  // `positionKnown`.
  using PositionReader = std::function<void(const std::string& busName)>;

  // The overrides live in `defaults` under "Sources" (short name -> mode).
  LineBridge(foundation::RunLoop& loop, foundation::UserDefaults& defaults, Publisher publish,
             PositionReader readPosition);
  ~LineBridge();
  void setPositionReader(PositionReader readPosition) { readPosition_ = std::move(readPosition); }
  LineBridge(const LineBridge&) = delete;
  LineBridge& operator=(const LineBridge&) = delete;

  // The players now, and which one plays (by bus name; none when there is
  // no player).
  void update(const std::optional<std::string>& nowPlaying, const std::vector<media::NowPlayingApplication>& players);
  // A read Position or a Seeked signal: the player is at `seconds` now.
  void positionKnown(const std::string& busName, double seconds);

  // `player` is a bus name, short name or bundle identifier; a player not
  // (yet) on the bus keeps its pushed line for when it comes. Errors name
  // what was expected (bad player, not UTF-8, unknown mode).
  foundation::Status setLine(std::string_view player, std::string_view line);
  foundation::Status clear(std::string_view player);
  foundation::Status setSource(std::string_view player, std::string_view mode);
  // A TrayLyric update: `sender` matched case-insensitively to a player's
  // short name or Identity, else the now-playing player.
  foundation::Status updateTrayLyric(std::string_view json);

  // What the now-playing player shows now, and where it comes from.
  std::optional<std::string> currentLine() const;
  std::optional<SourceMode> currentSource() const;
  // The now-playing player's extrapolated position (seconds).
  std::optional<double> currentPosition() const;
  std::size_t publishedCount() const { return published_; }

 private:
  struct Player;
  struct Pushed {
    std::string line;
    std::optional<std::string> trackKey;  // the player's song when first seen with the line
  };

  Player* nowPlaying();
  const Player* nowPlaying() const;
  SourceMode chosenSource(const Player& player) const;
  SourceMode overrideFor(const std::string& bundleIdentifier) const;
  std::string lineOf(const Player& player, SourceMode source) const;
  double positionOf(const Player& player) const;
  void refresh();
  void scheduleNextLine(const Player& player);

  foundation::RunLoop& loop_;
  foundation::UserDefaults& defaults_;
  Publisher publish_;
  PositionReader readPosition_;
  std::map<std::string, std::unique_ptr<Player>> players_;  // by bus name
  std::optional<std::string> nowPlaying_;
  std::map<std::string, Pushed> pushed_;  // by bundle identifier
  std::optional<std::pair<std::string, foundation::Dictionary>> lastPublished_;
  std::shared_ptr<foundation::Timer> lineTimer_;
  std::size_t published_ = 0;
};

}  // namespace bridge
