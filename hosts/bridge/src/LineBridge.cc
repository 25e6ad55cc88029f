#include "bridge/LineBridge.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "bridge/LineInput.h"
#include "bridge/TrayLyric.h"
#include "foundation/Text.h"
#include "hostcommon/DesktopSource.h"

namespace bridge {

namespace {

constexpr const char* kSourcesKey = "Sources";
// A timer fires at the very time of the next line; positions computed then
// may fall a rounding error short of it.
constexpr double kTimeTolerance = 1e-6;
// While lines keep coming, Position is read again this often to follow a
// player whose clock drifts from ours.
constexpr double kResyncInterval = 30.0;

std::string textOf(const foundation::Dictionary& info, std::string_view key) {
  auto it = info.find(key);
  if (it == info.end()) return {};
  return it->second.isText() ? *it->second.text() : foundation::describe(it->second);
}

// What identifies a song: the track id when the player gives a real one,
// else its metadata without the title (a player that publishes its line as
// the title changes the title every line, not the song).
std::string trackKeyOf(const media::NowPlayingApplication& app) {
  if (!app.trackId.empty() && !app.trackId.ends_with("/NoTrack")) return "id:" + app.trackId;
  std::string key = "meta:";
  for (const char* field : {"MPNowPlayingInfoPropertyAssetURL", "artist", "albumTitle", "playbackDuration"}) {
    key += textOf(app.info, field);
    key += '\n';
  }
  return key;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

struct LineBridge::Player {
  media::NowPlayingApplication app;
  std::string bundleIdentifier;  // the desktop one, from the bus name
  std::string trackKey;
  std::string lyricsText;
  musicapp::Lrc lrc;
  // Position at `anchorTime`, moving at `anchorRate` (0 while paused).
  double anchorPosition = 0;
  double anchorTime = 0;
  double anchorRate = 0;
  double lastRead = -kResyncInterval;

  // What the song's time moves at: 0 while paused, and for a Rate that is
  // not a positive number, which would otherwise schedule nonsense.
  double effectiveRate() const { return app.isPlaying && std::isfinite(app.rate) && app.rate > 0 ? app.rate : 0.0; }
};

LineBridge::LineBridge(foundation::RunLoop& loop, foundation::UserDefaults& defaults, Publisher publish,
                       PositionReader readPosition)
    : loop_(loop), defaults_(defaults), publish_(std::move(publish)), readPosition_(std::move(readPosition)) {}

LineBridge::~LineBridge() {
  if (lineTimer_) lineTimer_->invalidate();
}

void LineBridge::update(const std::optional<std::string>& nowPlaying,
                        const std::vector<media::NowPlayingApplication>& players) {
  const double now = loop_.now();
  std::vector<std::string> toRead;
  std::map<std::string, std::unique_ptr<Player>> next;
  for (const media::NowPlayingApplication& app : players) {
    auto found = players_.find(app.busName);
    std::unique_ptr<Player> player;
    bool moved = false;
    if (found == players_.end()) {
      player = std::make_unique<Player>();
      player->bundleIdentifier = hostcommon::desktopBundleIdentifier(app.busName);
      player->app = app;
      player->trackKey = trackKeyOf(app);
      player->anchorTime = now;
      player->anchorRate = player->effectiveRate();
      moved = true;
    } else {
      player = std::move(found->second);
      const double position = positionOf(*player);
      const std::string key = trackKeyOf(app);
      const bool newTrack = key != player->trackKey;
      player->app = app;
      player->trackKey = key;
      if (newTrack || player->effectiveRate() != player->anchorRate) {
        // Until Position is read, a new song starts at 0 and a paused or
        // faster one continues from where it was.
        player->anchorPosition = newTrack ? 0.0 : position;
        player->anchorTime = now;
        player->anchorRate = player->effectiveRate();
        moved = true;
      }
    }
    const std::string lyrics = textOf(app.info, "lyrics");
    if (lyrics != player->lyricsText) {
      player->lyricsText = lyrics;
      player->lrc = musicapp::Lrc::parse(lyrics);
    }
    if (moved) toRead.push_back(app.busName);
    next[app.busName] = std::move(player);
  }
  players_ = std::move(next);
  const bool newNowPlaying = nowPlaying != nowPlaying_;
  nowPlaying_ = nowPlaying && players_.contains(*nowPlaying) ? nowPlaying : std::optional<std::string>();

  // A pushed line lasts while its player stays on the same song.
  for (auto it = pushed_.begin(); it != pushed_.end();) {
    const Player* owner = nullptr;
    if (const Player* current = this->nowPlaying(); current != nullptr && current->bundleIdentifier == it->first) {
      owner = current;
    }
    for (const auto& [name, player] : players_) {
      if (owner == nullptr && player->bundleIdentifier == it->first) owner = player.get();
    }
    Pushed& pushed = it->second;
    // Without its player, a line seen with it means the player left; one
    // never seen with it waits for it.
    const bool gone =
        owner == nullptr ? pushed.trackKey.has_value() : pushed.trackKey && *pushed.trackKey != owner->trackKey;
    if (gone) {
      it = pushed_.erase(it);
      continue;
    }
    if (owner != nullptr) pushed.trackKey = owner->trackKey;
    ++it;
  }

  if (nowPlaying_ && readPosition_) {
    const bool read = newNowPlaying || std::find(toRead.begin(), toRead.end(), *nowPlaying_) != toRead.end();
    if (read) {
      players_[*nowPlaying_]->lastRead = now;
      readPosition_(*nowPlaying_);
    }
  }
  refresh();
}

void LineBridge::positionKnown(const std::string& busName, double seconds) {
  auto it = players_.find(busName);
  if (it == players_.end()) return;
  Player& player = *it->second;
  player.anchorPosition = std::max(0.0, seconds);
  player.anchorTime = loop_.now();
  player.anchorRate = player.effectiveRate();
  player.lastRead = loop_.now();
  refresh();
}

foundation::Status LineBridge::setLine(std::string_view player, std::string_view line) {
  std::string error;
  const std::optional<std::string> id = playerIdentifier(player, error);
  if (!id) return foundation::Status::failure(error);
  std::optional<std::string> accepted = acceptLine(line, error);
  if (!accepted) return foundation::Status::failure(error);
  Pushed& pushed = pushed_[*id];
  pushed.line = std::move(*accepted);
  if (!pushed.trackKey) {
    for (const auto& [name, known] : players_) {
      if (known->bundleIdentifier == *id) pushed.trackKey = known->trackKey;
    }
    if (const Player* current = nowPlaying(); current != nullptr && current->bundleIdentifier == *id) {
      pushed.trackKey = current->trackKey;
    }
  }
  refresh();
  return foundation::Status::success();
}

foundation::Status LineBridge::clear(std::string_view player) {
  std::string error;
  const std::optional<std::string> id = playerIdentifier(player, error);
  if (!id) return foundation::Status::failure(error);
  pushed_.erase(*id);
  refresh();
  return foundation::Status::success();
}

foundation::Status LineBridge::setSource(std::string_view player, std::string_view mode) {
  std::string error;
  const std::optional<std::string> id = playerIdentifier(player, error);
  if (!id) return foundation::Status::failure(error);
  const std::optional<SourceMode> parsed = parseSourceMode(mode);
  if (!parsed) {
    return foundation::Status::failure("the source must be auto, title, lrc or pushed, not '" +
                                       (foundation::isValidUtf8(mode) ? std::string(mode.substr(0, 64)) : "?") + "'");
  }
  const foundation::Value stored = defaults_.objectForKey(kSourcesKey);
  foundation::Dictionary sources = stored.dictionary() != nullptr ? *stored.dictionary() : foundation::Dictionary();
  if (*parsed == SourceMode::automatic) {
    sources.erase(shortName(*id));
  } else {
    sources[shortName(*id)] = foundation::Value(std::string(sourceModeName(*parsed)));
  }
  defaults_.setObject(foundation::Value(std::move(sources)), kSourcesKey);
  refresh();
  return foundation::Status::success();
}

foundation::Status LineBridge::updateTrayLyric(std::string_view json) {
  std::string error;
  const std::optional<TrayLyricUpdate> update = parseTrayLyric(json, error);
  if (!update) return foundation::Status::failure(error);
  std::optional<std::string> id;
  if (!update->sender.empty()) {
    for (const auto& [name, player] : players_) {
      if (equalIgnoringCase(update->sender, shortName(player->bundleIdentifier)) ||
          equalIgnoringCase(update->sender, player->app.identity)) {
        id = player->bundleIdentifier;
        break;
      }
    }
  }
  if (!id) {
    if (const Player* current = nowPlaying()) id = current->bundleIdentifier;
  }
  if (!id && !update->sender.empty()) {
    // No player yet: keep the line for the one the sender names.
    id = playerIdentifier(update->sender, error);
  }
  if (!id) return foundation::Status::failure("no player to show the line for: give \"sender\" or start a player");
  return setLine(*id, update->content);
}

LineBridge::Player* LineBridge::nowPlaying() {
  if (!nowPlaying_) return nullptr;
  auto it = players_.find(*nowPlaying_);
  return it == players_.end() ? nullptr : it->second.get();
}

const LineBridge::Player* LineBridge::nowPlaying() const {
  return const_cast<LineBridge*>(this)->nowPlaying();
}

SourceMode LineBridge::overrideFor(const std::string& bundleIdentifier) const {
  const foundation::Value sources = defaults_.objectForKey(kSourcesKey);
  const foundation::Value& mode = sources[shortName(bundleIdentifier)];
  if (!mode.isText()) return SourceMode::automatic;
  return parseSourceMode(*mode.text()).value_or(SourceMode::automatic);
}

SourceMode LineBridge::chosenSource(const Player& player) const {
  const SourceMode chosen = overrideFor(player.bundleIdentifier);
  if (chosen != SourceMode::automatic) return chosen;
  if (pushed_.contains(player.bundleIdentifier)) return SourceMode::pushed;
  if (!player.lrc.lines.empty()) return SourceMode::lrc;
  return SourceMode::title;
}

double LineBridge::positionOf(const Player& player) const {
  return std::max(0.0, player.anchorPosition + (loop_.now() - player.anchorTime) * player.anchorRate);
}

std::string LineBridge::lineOf(const Player& player, SourceMode source) const {
  switch (source) {
    case SourceMode::title: return textOf(player.app.info, "title");
    case SourceMode::lrc: {
      const std::optional<std::size_t> index = player.lrc.lineIndexAt(positionOf(player) + kTimeTolerance);
      return index ? player.lrc.lines[*index].text : std::string();
    }
    case SourceMode::pushed: {
      auto it = pushed_.find(player.bundleIdentifier);
      return it == pushed_.end() ? std::string() : it->second.line;
    }
    case SourceMode::automatic: break;
  }
  return {};
}

std::optional<std::string> LineBridge::currentLine() const {
  const Player* player = nowPlaying();
  if (player == nullptr) return std::nullopt;
  return lineOf(*player, chosenSource(*player));
}

std::optional<SourceMode> LineBridge::currentSource() const {
  const Player* player = nowPlaying();
  if (player == nullptr) return std::nullopt;
  return chosenSource(*player);
}

std::optional<double> LineBridge::currentPosition() const {
  const Player* player = nowPlaying();
  if (player == nullptr) return std::nullopt;
  return positionOf(*player);
}

void LineBridge::refresh() {
  if (lineTimer_) {
    lineTimer_->invalidate();
    lineTimer_.reset();
  }
  const Player* player = nowPlaying();
  if (player == nullptr) return;
  const SourceMode source = chosenSource(*player);
  const foundation::Dictionary& info = player->app.info;
  auto duration = info.find("playbackDuration");
  foundation::Dictionary dictionary{
      {"title", foundation::Value(textOf(info, "title"))},
      {"artist", foundation::Value(textOf(info, "artist"))},
      {"albumTitle", foundation::Value(textOf(info, "albumTitle"))},
      {"playbackDuration", duration != info.end() && duration->second.isNumber() ? duration->second
                                                                                  : foundation::Value(0)},
      {"playbackRate", foundation::Value(player->effectiveRate())},
      {"lyricLine", foundation::Value(lineOf(*player, source))},
  };
  if (!lastPublished_ || lastPublished_->first != player->bundleIdentifier || lastPublished_->second != dictionary) {
    lastPublished_.emplace(player->bundleIdentifier, dictionary);
    ++published_;
    if (publish_) {
      Publisher publish = publish_;
      publish(player->bundleIdentifier, dictionary);
    }
  }
  if (source == SourceMode::lrc) scheduleNextLine(*player);
}

void LineBridge::scheduleNextLine(const Player& player) {
  if (player.anchorRate <= 0) return;
  const double position = positionOf(player);
  const std::optional<double> next = player.lrc.nextLineTimeAfter(position + kTimeTolerance);
  if (!next) return;
  const std::string busName = player.app.busName;
  lineTimer_ = loop_.scheduledTimer((*next - position) / player.anchorRate, false, [this, busName](foundation::Timer&) {
    lineTimer_.reset();
    auto it = players_.find(busName);
    if (it != players_.end() && readPosition_ && loop_.now() - it->second->lastRead >= kResyncInterval) {
      it->second->lastRead = loop_.now();
      readPosition_(busName);
    }
    refresh();
  });
}

}  // namespace bridge
