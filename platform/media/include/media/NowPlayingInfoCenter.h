#pragma once
// The process's now-playing information, after the platform's now-playing
// info centre. On the device it is an MPRIS player on the device's bus, the
// Linux standard that real clients (playerctl, desktop media widgets) and the
// home screen's watcher (NowPlayingWatcher) follow:
//
//   bus name   org.mpris.MediaPlayer2.<bundle label>.instance<pid>[_<n>]
//              (<bundle label>: the bundle identifier with every character
//              but ASCII letters and digits as '_'; <n> counts further
//              centres of one process, from 2)
//   object     /org/mpris/MediaPlayer2, interfaces org.mpris.MediaPlayer2
//              (Identity, DesktopEntry = bundle identifier) and
//              org.mpris.MediaPlayer2.Player (PlaybackStatus, Metadata,
//              Position, Can*; Play, Pause, PlayPause, Stop, Next, Previous)
//
// The player appears with the first information or playback state the app
// sets, and changes are announced with PropertiesChanged. Dictionary keys
// map to metadata as title -> xesam:title, artist -> xesam:artist,
// albumTitle -> xesam:album, playbackDuration -> mpris:length (µs), and so
// on (see NowPlayingMetadata.cc); an artwork value (MediaItemArtwork) is
// written under the device root and given as mpris:artUrl. Without a bus the
// centre keeps its information and publishes nothing.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "foundation/Value.h"
#include "ipc/BusConnection.h"

namespace media {

class MediaItemArtwork;

// The platform's now-playing playback states.
enum class PlaybackState { unknown, playing, paused, stopped, interrupted };

// The remote commands a player takes, after the platform's command centre.
enum class RemoteCommand { play, pause, togglePlayPause, nextTrack, previousTrack };

class NowPlayingInfoCenter {
 public:
  // The process's centre, on the process's bus connection, named after
  // foundation::ProcessInfo's bundle identifier.
  static NowPlayingInfoCenter& defaultCenter();
  // A centre on a connection of the caller's choice (tests, hosts with their
  // own loop); a null connection publishes nothing.
  NowPlayingInfoCenter(std::shared_ptr<ipc::BusConnection> connection,
                       std::string bundleIdentifier);
  ~NowPlayingInfoCenter();
  NowPlayingInfoCenter(const NowPlayingInfoCenter&) = delete;
  NowPlayingInfoCenter& operator=(const NowPlayingInfoCenter&) = delete;

  // Nil until set; setting nil (or anything but a dictionary) clears it.
  const foundation::Value& nowPlayingInfo() const { return info_; }
  void setNowPlayingInfo(foundation::Value info);

  // With `unknown` (the default) the published state follows the
  // information: none is Stopped, a playback rate of 0 is Paused, anything
  // else Playing.
  PlaybackState playbackState() const { return state_; }
  void setPlaybackState(PlaybackState state);

  // The app's handler for a command sent to its player; a command without a
  // handler falls back on togglePlayPause where that makes sense, else does
  // nothing. Handlers run on the connection's run loop.
  void setCommandHandler(RemoteCommand command, std::function<void()> handler);

  // The name the player is published under; empty while not published.
  const std::string& busName() const { return busName_; }
  const std::string& bundleIdentifier() const { return bundleIdentifier_; }
  // "Playing", "Paused" or "Stopped", as published.
  std::string playbackStatus() const;

 private:
  struct Player;
  void publish();
  void changed();
  void updateTrack();
  void updateArtwork();
  bool perform(RemoteCommand command);
  std::int64_t position() const;  // µs into the track, now

  std::shared_ptr<ipc::BusConnection> fixedConnection_;
  bool useShared_ = false;
  std::string bundleIdentifier_;
  foundation::Value info_;
  std::shared_ptr<MediaItemArtwork> artwork_;  // the one info_ names, kept alive
  PlaybackState state_ = PlaybackState::unknown;
  double infoTime_ = 0;  // loop time at which info_ was set, for Position
  std::map<RemoteCommand, std::function<void()>> handlers_;
  std::string busName_;
  std::unique_ptr<Player> player_;
};

}  // namespace media
