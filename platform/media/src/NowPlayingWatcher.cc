#include "media/NowPlayingWatcher.h"

#include <sdbus-c++/sdbus-c++.h>

#include <string_view>
#include <utility>

#include "NowPlayingMetadata.h"
#include "foundation/Log.h"

namespace media {

namespace {

void logWatcher(int line, const std::string& text) {
  foundation::logError("hoververse", "NowPlayingWatcher.cc", line, "ERROR", foundation::Value(text));
}

bool isPlayerName(std::string_view name) {
  return name.size() > std::string_view(mpris::kPrefix).size() && name.starts_with(mpris::kPrefix);
}

}  // namespace

struct NowPlayingWatcher::Player {
  std::string busName;
  std::string owner;  // unique name: signals come from it
  std::string bundleIdentifier;
  std::string status;
  foundation::Dictionary info;
  std::string identity;
  double rate = 1.0;
  std::string trackId;
  std::uint64_t sequence = 0;  // when it appeared or last started playing
  int pendingFetches = 0;      // replies still awaited before it counts
  bool ready = false;          // its first properties have been read
};

// Everything that lives on the bus. The connection goes last: matches and
// proxies must not outlive it.
struct NowPlayingWatcher::Bus {
  std::shared_ptr<ipc::BusConnection> connection;
  sdbus::Slot nameOwnerMatch;
  sdbus::Slot propertiesMatch;
  sdbus::Slot seekedMatch;
  std::unique_ptr<sdbus::IProxy> daemon;
  std::map<std::string, std::unique_ptr<sdbus::IProxy>> proxies;  // by bus name

  static void apply(NowPlayingWatcher& watcher, Player& player, const std::string& interfaceName,
                    const mpris::Metadata& properties) {
    for (const auto& [name, value] : properties) {
      try {
        if (interfaceName == mpris::kRootInterface && name == "DesktopEntry") {
          player.bundleIdentifier = value.get<std::string>();
        } else if (interfaceName == mpris::kRootInterface && name == "Identity") {
          player.identity = value.get<std::string>();
        } else if (interfaceName == mpris::kPlayerInterface && name == "Rate") {
          player.rate = value.get<double>();
        } else if (interfaceName == mpris::kPlayerInterface && name == "PlaybackStatus") {
          std::string status = value.get<std::string>();
          if (status == "Playing" && player.status != "Playing") player.sequence = ++watcher.sequence_;
          player.status = std::move(status);
        } else if (interfaceName == mpris::kPlayerInterface && name == "Metadata") {
          const auto metadata = value.get<mpris::Metadata>();
          player.info = mpris::fromMetadata(metadata);
          player.trackId.clear();
          if (auto id = metadata.find("mpris:trackid"); id != metadata.end()) {
            if (id->second.containsValueOfType<sdbus::ObjectPath>()) {
              player.trackId = id->second.get<sdbus::ObjectPath>();
            } else if (id->second.containsValueOfType<std::string>()) {
              player.trackId = id->second.get<std::string>();
            }
          }
        }
      } catch (const sdbus::Error&) {
        // A property of an unexpected type is ignored.
      }
    }
  }
};

NowPlayingWatcher::NowPlayingWatcher(std::shared_ptr<ipc::BusConnection> connection) {
  if (!connection || !connection->isOpen()) return;
  auto bus = std::make_unique<Bus>();
  bus->connection = connection;
  try {
    sdbus::IConnection& c = connection->connection();
    bus->nameOwnerMatch = c.addMatch(
        "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
        "member='NameOwnerChanged',arg0namespace='org.mpris.MediaPlayer2'",
        [this](sdbus::Message& message) {
          try {
            std::string name;
            std::string oldOwner;
            std::string newOwner;
            message >> name >> oldOwner >> newOwner;
            if (!isPlayerName(name)) return;
            if (!oldOwner.empty()) playerLeft(name);
            if (!newOwner.empty()) playerAppeared(name, newOwner);
          } catch (const sdbus::Error&) {
          }
        });
    bus->propertiesMatch = c.addMatch(
        std::string("type='signal',interface='") + mpris::kPropertiesInterface +
            "',member='PropertiesChanged',path='" + mpris::kObjectPath + "'",
        [this](sdbus::Message& message) {
          try {
            const std::string sender = message.getSender();
            std::string interfaceName;
            mpris::Metadata changed;
            std::vector<std::string> invalidated;
            message >> interfaceName >> changed >> invalidated;
            bool any = false;
            for (auto& [name, player] : players_) {
              if (player->owner != sender) continue;
              Bus::apply(*this, *player, interfaceName, changed);
              if (!invalidated.empty()) fetch(name, interfaceName);
              any = true;
            }
            if (any) recompute();
          } catch (const sdbus::Error&) {
          }
        });
    bus->seekedMatch = c.addMatch(
        std::string("type='signal',interface='") + mpris::kPlayerInterface + "',member='Seeked',path='" +
            mpris::kObjectPath + "'",
        [this](sdbus::Message& message) {
          try {
            const std::string sender = message.getSender();
            std::int64_t microseconds = 0;
            message >> microseconds;
            std::vector<std::string> seeked;
            for (const auto& [name, player] : players_) {
              if (player->owner == sender) seeked.push_back(name);
            }
            for (const std::string& name : seeked) {
              if (seekedHandler_) {
                SeekedHandler handler = seekedHandler_;
                handler(name, static_cast<double>(microseconds) / 1e6);
              }
            }
          } catch (const sdbus::Error&) {
          }
        });
    bus->daemon = sdbus::createProxy(c, "org.freedesktop.DBus", "/org/freedesktop/DBus");
    bus->daemon->callMethodAsync("ListNames")
        .onInterface("org.freedesktop.DBus")
        .uponReplyInvoke([this](const sdbus::Error* error, std::vector<std::string> names) {
          if (error != nullptr) return;
          for (const std::string& name : names) {
            if (!isPlayerName(name)) continue;
            bus_->daemon->callMethodAsync("GetNameOwner")
                .onInterface("org.freedesktop.DBus")
                .withArguments(name)
                .uponReplyInvoke([this, name](const sdbus::Error* e, std::string owner) {
                  // A player that left meanwhile has no owner; one that came
                  // meanwhile is already known from its NameOwnerChanged.
                  if (e == nullptr && !players_.contains(name)) playerAppeared(name, owner);
                });
          }
        });
  } catch (const sdbus::Error& error) {
    logWatcher(__LINE__, "cannot follow the players on the bus: " + error.getMessage());
    return;
  }
  bus_ = std::move(bus);
}

NowPlayingWatcher::~NowPlayingWatcher() { bus_.reset(); }

void NowPlayingWatcher::playerAppeared(const std::string& busName, const std::string& owner) {
  if (!bus_) return;
  auto it = players_.find(busName);
  if (it != players_.end() && it->second->owner == owner) return;
  if (it != players_.end()) playerLeft(busName);
  try {
    bus_->proxies[busName] = sdbus::createProxy(bus_->connection->connection(), owner, mpris::kObjectPath);
  } catch (const sdbus::Error& error) {
    logWatcher(__LINE__, "cannot follow the player " + busName + ": " + error.getMessage());
    return;
  }
  auto player = std::make_unique<Player>();
  player->busName = busName;
  player->owner = owner;
  player->sequence = ++sequence_;
  players_[busName] = std::move(player);
  fetch(busName, mpris::kRootInterface);
  fetch(busName, mpris::kPlayerInterface);
}

void NowPlayingWatcher::playerLeft(const std::string& busName) {
  if (players_.erase(busName) == 0) return;
  if (bus_) bus_->proxies.erase(busName);  // cancels its pending calls
  recompute();
}

void NowPlayingWatcher::fetch(const std::string& busName, const std::string& interfaceName) {
  auto proxy = bus_->proxies.find(busName);
  auto player = players_.find(busName);
  if (proxy == bus_->proxies.end() || player == players_.end()) return;
  ++player->second->pendingFetches;
  const std::string owner = player->second->owner;
  try {
    proxy->second->callMethodAsync("GetAll")
        .onInterface(mpris::kPropertiesInterface)
        .withArguments(interfaceName)
        .uponReplyInvoke([this, busName, owner, interfaceName](const sdbus::Error* error,
                                                               mpris::Metadata properties) {
          auto it = players_.find(busName);
          if (it == players_.end() || it->second->owner != owner) return;
          Player& p = *it->second;
          --p.pendingFetches;
          if (p.pendingFetches == 0) p.ready = true;
          if (error == nullptr) Bus::apply(*this, p, interfaceName, properties);
          recompute();
        });
  } catch (const sdbus::Error& error) {
    --player->second->pendingFetches;
    logWatcher(__LINE__, "cannot read the player " + busName + ": " + error.getMessage());
  }
}

void NowPlayingWatcher::recompute() {
  const Player* chosen = nullptr;
  for (const auto& [name, player] : players_) {
    if (player->pendingFetches > 0 || player->status != "Playing") continue;
    if (chosen == nullptr || player->sequence > chosen->sequence) chosen = player.get();
  }
  if (chosen == nullptr && current_) {
    auto it = players_.find(*current_);
    if (it != players_.end() && it->second->pendingFetches == 0) chosen = it->second.get();
  }
  if (chosen == nullptr) {
    for (const auto& [name, player] : players_) {
      if (player->pendingFetches > 0) continue;
      if (chosen == nullptr || player->sequence > chosen->sequence) chosen = player.get();
    }
  }
  std::optional<NowPlayingApplication> now;
  if (chosen != nullptr) {
    now = NowPlayingApplication{chosen->busName, chosen->bundleIdentifier, chosen->status == "Playing",
                                chosen->info,    chosen->identity,         chosen->rate,
                                chosen->trackId};
    current_ = chosen->busName;
  } else {
    current_.reset();
  }
  const NowPlayingApplication none;
  const NowPlayingApplication& before = reported_ ? *reported_ : none;
  const NowPlayingApplication& after = now ? *now : none;
  Changes changes;
  changes.application = reported_.has_value() != now.has_value() || before.busName != after.busName ||
                        before.bundleIdentifier != after.bundleIdentifier || before.identity != after.identity;
  changes.playing = before.isPlaying != after.isPlaying;
  changes.info = before.info != after.info || before.trackId != after.trackId;
  changes.rate = before.rate != after.rate;
  reported_ = std::move(now);
  if (changes != Changes{} && handler_) {
    ChangeHandler handler = handler_;
    handler(changes);
  }
  if (playersHandler_) {
    std::function<void()> handler = playersHandler_;
    handler();
  }
}

bool NowPlayingWatcher::readPosition(const std::string& busName, std::function<void(std::optional<double>)> done) {
  if (!bus_) return false;
  auto proxy = bus_->proxies.find(busName);
  auto player = players_.find(busName);
  if (proxy == bus_->proxies.end() || player == players_.end()) return false;
  try {
    // The reply is cancelled with the proxy when the player leaves; `done`
    // then hears nothing, which the caller's own bookkeeping of players
    // covers.
    proxy->second->callMethodAsync("Get")
        .onInterface(mpris::kPropertiesInterface)
        .withArguments(std::string(mpris::kPlayerInterface), std::string("Position"))
        .uponReplyInvoke([done = std::move(done)](const sdbus::Error* error, sdbus::Variant value) {
          std::optional<double> seconds;
          try {
            if (error == nullptr && value.containsValueOfType<std::int64_t>()) {
              seconds = static_cast<double>(value.get<std::int64_t>()) / 1e6;
            } else if (error == nullptr && value.containsValueOfType<std::uint64_t>()) {
              seconds = static_cast<double>(value.get<std::uint64_t>()) / 1e6;
            }
          } catch (const sdbus::Error&) {
          }
          done(seconds);
        });
    return true;
  } catch (const sdbus::Error& error) {
    logWatcher(__LINE__, "cannot read the position of " + busName + ": " + error.getMessage());
    return false;
  }
}

std::optional<NowPlayingApplication> NowPlayingWatcher::nowPlayingApplication() const {
  return reported_;
}

std::vector<NowPlayingApplication> NowPlayingWatcher::players() const {
  std::vector<NowPlayingApplication> all;
  for (const auto& [name, player] : players_) {
    if (!player->ready) continue;
    all.push_back({name, player->bundleIdentifier, player->status == "Playing", player->info, player->identity,
                   player->rate, player->trackId});
  }
  return all;
}

bool NowPlayingWatcher::changeTrack(int delta) {
  if (delta == 0 || !current_ || !bus_) return false;
  auto it = bus_->proxies.find(*current_);
  if (it == bus_->proxies.end()) return false;
  try {
    auto call = it->second->createMethodCall(mpris::kPlayerInterface, delta > 0 ? "Next" : "Previous");
    call.dontExpectReply();
    it->second->callMethod(call);
    return true;
  } catch (const sdbus::Error& error) {
    logWatcher(__LINE__, "cannot change the track of " + *current_ + ": " + error.getMessage());
    return false;
  }
}

}  // namespace media
