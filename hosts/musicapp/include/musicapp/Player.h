#pragma once
// Plays a list of songs in real time on a run loop, as far as the now-playing
// information needs: which song, where in it, and which lyric line is being
// sung. There is no sound. One one-shot timer is scheduled at the next line's
// time (or the song's end) while playing, so nothing runs between lines; the
// position is computed from the loop's clock (the monotonic clock in a
// running process, a virtual clock in tests).
//
// The listener is called after every change the now-playing information must
// show: a new line, play, pause, seek and track change (including the move to
// the next song at a song's end, wrapping after the last). Calls that change
// nothing (pause while paused) do not call it. The listener may call back
// into the player. The player owns its songs; it must not outlive its loop.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "foundation/RunLoop.h"
#include "musicapp/Song.h"

namespace musicapp {

enum class PlayerEvent { line, play, pause, seek, trackChange };

class Player {
 public:
  using Listener = std::function<void(PlayerEvent)>;

  // Starts paused at the beginning of the first song. `songs` must not be
  // empty.
  Player(foundation::RunLoop& loop, std::vector<Song> songs);
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  void setListener(Listener listener) { listener_ = std::move(listener); }

  void play();
  void pause();
  void togglePlayPause();
  // The next song (after the last, the first), from its start; keeps
  // playing or paused as it was.
  void next();
  // The previous song (before the first, the last), from its start.
  void previous();
  // Moves within the current song; clamped to [0, duration]. Seeking to the
  // end while playing moves on to the next song.
  void seek(double seconds);

  bool isPlaying() const { return playing_; }
  double position() const;  // seconds into the current song
  std::size_t songIndex() const { return index_; }
  const Song& currentSong() const { return songs_[index_]; }
  const std::vector<Song>& songs() const { return songs_; }
  // The line being sung; none before the first line of the song.
  std::optional<std::size_t> lineIndex() const { return line_; }
  // Its text; empty before the first line and during pauses.
  std::string_view currentLine() const;

 private:
  void reanchor(double position);
  void changeTrack(std::size_t index);
  void schedule();
  void timerFired(double target);
  void notify(PlayerEvent event);

  foundation::RunLoop& loop_;
  std::vector<Song> songs_;
  std::size_t index_ = 0;
  bool playing_ = false;
  // The position is anchorPosition_ at loop time anchorTime_, moving with the
  // clock while playing.
  double anchorPosition_ = 0;
  double anchorTime_ = 0;
  std::optional<std::size_t> line_;
  std::shared_ptr<foundation::Timer> timer_;
  Listener listener_;
};

}  // namespace musicapp
