#include "musicapp/Player.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace musicapp {

Player::Player(foundation::RunLoop& loop, std::vector<Song> songs) : loop_(loop), songs_(std::move(songs)) {
  assert(!songs_.empty() && "a player needs at least one song");
  anchorTime_ = loop_.now();
  line_ = currentSong().lyrics.lineIndexAt(0);
}

Player::~Player() {
  if (timer_) timer_->invalidate();
}

double Player::position() const {
  const double elapsed = playing_ ? loop_.now() - anchorTime_ : 0;
  return std::clamp(anchorPosition_ + elapsed, 0.0, currentSong().duration);
}

std::string_view Player::currentLine() const {
  if (!line_) return {};
  return currentSong().lyrics.lines[*line_].text;
}

void Player::play() {
  if (playing_) return;
  reanchor(position());
  playing_ = true;
  schedule();
  notify(PlayerEvent::play);
}

void Player::pause() {
  if (!playing_) return;
  reanchor(position());
  playing_ = false;
  schedule();
  notify(PlayerEvent::pause);
}

void Player::togglePlayPause() {
  if (playing_) {
    pause();
  } else {
    play();
  }
}

void Player::next() {
  changeTrack((index_ + 1) % songs_.size());
}

void Player::previous() {
  changeTrack((index_ + songs_.size() - 1) % songs_.size());
}

void Player::seek(double seconds) {
  reanchor(std::clamp(seconds, 0.0, currentSong().duration));
  schedule();
  notify(PlayerEvent::seek);
}

// Fixes the position at `position` now, and the line with it (every event
// that reanchors shows the current line, so no separate line event).
void Player::reanchor(double position) {
  anchorPosition_ = position;
  anchorTime_ = loop_.now();
  line_ = currentSong().lyrics.lineIndexAt(position);
}

void Player::changeTrack(std::size_t index) {
  index_ = index;
  reanchor(0);
  schedule();
  notify(PlayerEvent::trackChange);
}

void Player::schedule() {
  if (timer_) {
    timer_->invalidate();
    timer_.reset();
  }
  if (!playing_) return;
  const double now = position();
  const double end = currentSong().duration;
  const double target = std::min(end, currentSong().lyrics.nextLineTimeAfter(now).value_or(end));
  timer_ = loop_.scheduledTimer(std::max(0.0, target - now), false,
                                [this, target](foundation::Timer&) { timerFired(target); });
}

void Player::timerFired(double target) {
  timer_.reset();
  // The clock reached the target; rounding in the clock's sums must not
  // leave the position a hair before it and the line unchanged.
  const double now = std::max(position(), target);
  if (now >= currentSong().duration) {
    changeTrack((index_ + 1) % songs_.size());
    return;
  }
  const std::optional<std::size_t> before = line_;
  reanchor(now);
  schedule();
  if (line_ != before) notify(PlayerEvent::line);
}

void Player::notify(PlayerEvent event) {
  if (listener_) listener_(event);
}

}  // namespace musicapp
