#pragma once
// The home screen's view of what plays on the device: follows the MPRIS
// players on the device's bus (appearing and leaving with NameOwnerChanged,
// changing with PropertiesChanged) and knows the now-playing application.
// That is the playing player that most recently started playing; when none
// plays, the previous one while it stays on the bus, else the one that most
// recently started playing or appeared. Everything happens on the
// connection's run loop; no call waits for a reply.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Value.h"
#include "ipc/BusConnection.h"

namespace media {

struct NowPlayingApplication {
  std::string busName;           // "org.mpris.MediaPlayer2.…"
  std::string bundleIdentifier;  // its DesktopEntry
  bool isPlaying = false;        // PlaybackStatus is "Playing"
  // Its metadata as a now-playing dictionary (title, artist, albumTitle,
  // playbackDuration, …: the keys NowPlayingInfoCenter publishes).
  foundation::Dictionary info;
  // Raw fields for whoever follows the song's time: the player's name for
  // people (Identity), its Rate and the metadata's mpris:trackid.
  std::string identity;
  double rate = 1.0;
  std::string trackId;
  bool operator==(const NowPlayingApplication&) const = default;
};

class NowPlayingWatcher {
 public:
  // What changed since the handler last ran; at least one is true.
  struct Changes {
    bool application = false;  // another app, or none, is now playing
    bool playing = false;      // its playing state
    bool info = false;         // its information
    bool rate = false;         // its Rate
    bool operator==(const Changes&) const = default;
  };
  using ChangeHandler = std::function<void(const Changes&)>;

  // Starts following the players on `connection`; a null or closed
  // connection gives a watcher that never sees a player.
  explicit NowPlayingWatcher(std::shared_ptr<ipc::BusConnection> connection);
  ~NowPlayingWatcher();
  NowPlayingWatcher(const NowPlayingWatcher&) = delete;
  NowPlayingWatcher& operator=(const NowPlayingWatcher&) = delete;

  // Runs on the loop after each change; it must not destroy the watcher.
  void setChangeHandler(ChangeHandler handler) { handler_ = std::move(handler); }
  // Runs on the loop after anything about any player changed (one appeared,
  // left, or changed a property), after the change handler; for clients that
  // follow every player rather than the now-playing one. Same rule.
  void setPlayersChangedHandler(std::function<void()> handler) { playersHandler_ = std::move(handler); }
  // Runs when a player announces a jump in its song (MPRIS Seeked), with the
  // new position in seconds.
  using SeekedHandler = std::function<void(const std::string& busName, double position)>;
  void setSeekedHandler(SeekedHandler handler) { seekedHandler_ = std::move(handler); }

  // Reads a player's Position (seconds) without waiting; `done` runs on the
  // loop with the value, or with none when the read failed or the player
  // left. False (and `done` never runs) when the player is unknown.
  bool readPosition(const std::string& busName, std::function<void(std::optional<double>)> done);

  std::optional<NowPlayingApplication> nowPlayingApplication() const;
  // Every player known so far (its properties read once), ordered by bus
  // name.
  std::vector<NowPlayingApplication> players() const;

  // Asks the now-playing app for the next (delta > 0) or previous
  // (delta < 0) track, without waiting. False when there is no now-playing
  // app or delta is 0.
  bool changeTrack(int delta);

 private:
  struct Player;
  struct Bus;
  void playerAppeared(const std::string& busName, const std::string& owner);
  void playerLeft(const std::string& busName);
  void fetch(const std::string& busName, const std::string& interfaceName);
  void recompute();

  std::map<std::string, std::unique_ptr<Player>> players_;
  std::optional<std::string> current_;
  std::optional<NowPlayingApplication> reported_;
  std::uint64_t sequence_ = 0;
  ChangeHandler handler_;
  std::function<void()> playersHandler_;
  SeekedHandler seekedHandler_;
  // The bus side (matches, proxies) goes first when the watcher is destroyed.
  std::unique_ptr<Bus> bus_;
};

}  // namespace media
