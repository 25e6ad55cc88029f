#include "media/NowPlayingInfoCenter.h"

#include <sdbus-c++/sdbus-c++.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "NowPlayingMetadata.h"
#include "foundation/DeviceRoot.h"
#include "foundation/Log.h"
#include "foundation/UserDefaults.h"
#include "media/MediaItemArtwork.h"

namespace media {

namespace {

constexpr const char* kArtworkFolder = "/var/run/hoververse/artwork";

void logMedia(int line, const std::string& text) {
  foundation::logError("hoververse", "NowPlayingInfoCenter.cc", line, "ERROR", foundation::Value(text));
}

// A bus name element readable in player lists: letters and digits kept,
// the rest '_'. Uniqueness comes from the instance suffix, not from here.
std::string bundleLabel(const std::string& bundleIdentifier) {
  if (bundleIdentifier.empty()) return "hoververse";
  std::string label;
  for (char c : bundleIdentifier) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    label += keep ? c : '_';
  }
  if (label[0] >= '0' && label[0] <= '9') label.insert(label.begin(), '_');
  return label;
}

std::string fileUrl(const std::filesystem::path& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path.string()) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '.' || c == '_' || c == '-' || c == '~';
    if (plain) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 0xf];
    }
  }
  return url;
}

}  // namespace

// The published player. The object goes before the connection it lives on.
struct NowPlayingInfoCenter::Player {
  std::shared_ptr<ipc::BusConnection> connection;
  std::unique_ptr<sdbus::IObject> object;
  // What subscribers were last told, to announce only real changes.
  std::string status;
  foundation::Value info;
  std::string artUrl;
  bool canGoNext = false;
  bool canGoPrevious = false;
  // Track identity: the persistent ID when the app gives one, else a serial
  // that moves when title, artist or album change.
  std::string trackKey;
  unsigned long long trackSerial = 0;
  std::string trackId = "/org/hoververse/track/n0";
  // The artwork file for mpris:artUrl.
  std::shared_ptr<MediaItemArtwork> artwork;
  std::filesystem::path artFile;
  std::string artFileUrl;
  unsigned long long artSerial = 0;

  ~Player() {
    object.reset();
    std::error_code ec;
    if (!artFile.empty()) std::filesystem::remove(artFile, ec);
  }
};

NowPlayingInfoCenter& NowPlayingInfoCenter::defaultCenter() {
  static NowPlayingInfoCenter* const center = [] {
    auto* c = new NowPlayingInfoCenter(nullptr, foundation::ProcessInfo::bundleIdentifier());
    c->useShared_ = true;
    return c;
  }();
  return *center;
}

NowPlayingInfoCenter::NowPlayingInfoCenter(std::shared_ptr<ipc::BusConnection> connection,
                                           std::string bundleIdentifier)
    : fixedConnection_(std::move(connection)), bundleIdentifier_(std::move(bundleIdentifier)) {}

NowPlayingInfoCenter::~NowPlayingInfoCenter() = default;

void NowPlayingInfoCenter::setNowPlayingInfo(foundation::Value info) {
  info_ = info.isDictionary() ? std::move(info) : foundation::Value();
  artwork_ = MediaItemArtwork::forValue(info_[mpris::kArtworkKey]);
  if (player_) infoTime_ = player_->connection->loop().now();
  changed();
}

void NowPlayingInfoCenter::setPlaybackState(PlaybackState state) {
  state_ = state;
  changed();
}

void NowPlayingInfoCenter::setCommandHandler(RemoteCommand command, std::function<void()> handler) {
  if (handler) {
    handlers_[command] = std::move(handler);
  } else {
    handlers_.erase(command);
  }
  if (player_) changed();
}

std::string NowPlayingInfoCenter::playbackStatus() const {
  switch (state_) {
    case PlaybackState::playing:
      return "Playing";
    case PlaybackState::paused:
    case PlaybackState::interrupted:
      return "Paused";
    case PlaybackState::stopped:
      return "Stopped";
    case PlaybackState::unknown:
      break;
  }
  if (!info_.isDictionary()) return "Stopped";
  const foundation::Value& rate = info_[mpris::kPlaybackRateKey];
  if (!rate.isNil() && rate.doubleValue() == 0) return "Paused";
  return "Playing";
}

bool NowPlayingInfoCenter::perform(RemoteCommand command) {
  auto run = [&](RemoteCommand c) {
    auto it = handlers_.find(c);
    if (it == handlers_.end()) return false;
    std::function<void()> handler = it->second;  // it may replace itself
    try {
      handler();
    } catch (...) {
      logMedia(__LINE__, "a remote command handler of " + bundleIdentifier_ + " threw");
    }
    return true;
  };
  const bool playing = playbackStatus() == "Playing";
  switch (command) {
    case RemoteCommand::play:
      return run(command) || (!playing && run(RemoteCommand::togglePlayPause));
    case RemoteCommand::pause:
      return run(command) || (playing && run(RemoteCommand::togglePlayPause));
    case RemoteCommand::togglePlayPause:
      return run(command) || run(playing ? RemoteCommand::pause : RemoteCommand::play);
    case RemoteCommand::nextTrack:
    case RemoteCommand::previousTrack:
      return run(command);
  }
  return false;
}

void NowPlayingInfoCenter::publish() {
  if (player_) return;
  std::shared_ptr<ipc::BusConnection> connection =
      useShared_ ? ipc::BusConnection::shared() : fixedConnection_;
  if (!connection || !connection->isOpen()) return;
  static int instances = 0;
  const int instance = ++instances;
  std::string name = std::string(mpris::kPrefix) + bundleLabel(bundleIdentifier_) + ".instance" +
                     std::to_string(::getpid());
  if (instance > 1) name += "_" + std::to_string(instance);
  if (name.size() > 255) {
    name = std::string(mpris::kPrefix) + "hoververse.instance" + std::to_string(::getpid()) + "_" +
           std::to_string(instance);
  }
  try {
    auto object = sdbus::createObject(connection->connection(), mpris::kObjectPath);
    using Strings = std::vector<std::string>;
    const char* root = mpris::kRootInterface;
    object->registerMethod("Raise").onInterface(root).implementedAs([] {});
    object->registerMethod("Quit").onInterface(root).implementedAs([] {});
    object->registerProperty("CanQuit").onInterface(root).withGetter([] { return false; });
    object->registerProperty("CanRaise").onInterface(root).withGetter([] { return false; });
    object->registerProperty("HasTrackList").onInterface(root).withGetter([] { return false; });
    object->registerProperty("Identity").onInterface(root).withGetter([this] { return bundleIdentifier_; });
    object->registerProperty("DesktopEntry").onInterface(root).withGetter([this] { return bundleIdentifier_; });
    object->registerProperty("SupportedUriSchemes").onInterface(root).withGetter([] { return Strings{}; });
    object->registerProperty("SupportedMimeTypes").onInterface(root).withGetter([] { return Strings{}; });

    const char* player = mpris::kPlayerInterface;
    const std::pair<const char*, RemoteCommand> commands[] = {
        {"Play", RemoteCommand::play},          {"Pause", RemoteCommand::pause},
        {"PlayPause", RemoteCommand::togglePlayPause}, {"Stop", RemoteCommand::pause},
        {"Next", RemoteCommand::nextTrack},     {"Previous", RemoteCommand::previousTrack}};
    for (const auto& [method, command] : commands) {
      object->registerMethod(method).onInterface(player).implementedAs(
          [this, command = command] { perform(command); });
    }
    object->registerMethod("Seek").onInterface(player).withInputParamNames("Offset").implementedAs(
        [](int64_t) {});
    object->registerMethod("SetPosition").onInterface(player).withInputParamNames("TrackId", "Position")
        .implementedAs([](sdbus::ObjectPath, int64_t) {});
    object->registerMethod("OpenUri").onInterface(player).withInputParamNames("Uri").implementedAs(
        [](std::string) {});
    object->registerSignal("Seeked").onInterface(player).withParameters<int64_t>("Position");
    object->registerProperty("PlaybackStatus").onInterface(player).withGetter([this] { return playbackStatus(); });
    object->registerProperty("Rate").onInterface(player).withGetter([] { return 1.0; });
    object->registerProperty("MinimumRate").onInterface(player).withGetter([] { return 1.0; });
    object->registerProperty("MaximumRate").onInterface(player).withGetter([] { return 1.0; });
    object->registerProperty("Volume").onInterface(player).withGetter([] { return 1.0; });
    object->registerProperty("Metadata").onInterface(player).withGetter([this] {
      const foundation::Dictionary* info = info_.dictionary();
      return mpris::toMetadata(info ? *info : foundation::Dictionary{}, player_->trackId, player_->artFileUrl);
    });
    object->registerProperty("Position").onInterface(player)
        .withGetter([this] { return position(); })
        .withUpdateBehavior(sdbus::Flags::EMITS_NO_SIGNAL);
    object->registerProperty("CanGoNext").onInterface(player).withGetter(
        [this] { return handlers_.contains(RemoteCommand::nextTrack); });
    object->registerProperty("CanGoPrevious").onInterface(player).withGetter(
        [this] { return handlers_.contains(RemoteCommand::previousTrack); });
    object->registerProperty("CanPlay").onInterface(player).withGetter([] { return true; });
    object->registerProperty("CanPause").onInterface(player).withGetter([] { return true; });
    object->registerProperty("CanSeek").onInterface(player).withGetter([] { return false; });
    object->registerProperty("CanControl").onInterface(player).withGetter([] { return true; });
    object->finishRegistration();

    auto published = std::make_unique<Player>();
    published->connection = connection;
    published->object = std::move(object);
    player_ = std::move(published);
    infoTime_ = connection->loop().now();
    connection->connection().requestName(name);
    busName_ = name;
  } catch (const sdbus::Error& error) {
    player_.reset();
    logMedia(__LINE__, "cannot publish the player of " + bundleIdentifier_ + " as " + name + ": " +
                           error.getMessage());
  }
}

int64_t NowPlayingInfoCenter::position() const {
  const foundation::Value& elapsed = info_[mpris::kElapsedTimeKey];
  double seconds = elapsed.isNil() ? 0.0 : elapsed.doubleValue();
  if (playbackStatus() == "Playing" && player_) {
    const foundation::Value& rate = info_[mpris::kPlaybackRateKey];
    seconds += (player_->connection->loop().now() - infoTime_) * (rate.isNil() ? 1.0 : rate.doubleValue());
  }
  if (!std::isfinite(seconds) || seconds < 0) return 0;
  return static_cast<int64_t>(std::min(seconds, 1e12) * 1e6);
}

void NowPlayingInfoCenter::updateTrack() {
  Player& p = *player_;
  const foundation::Value& persistent = info_[mpris::kPersistentIdKey];
  if (persistent.isNumber() && persistent.integerValue() >= 0) {
    p.trackId = "/org/hoververse/track/" + std::to_string(persistent.integerValue());
    return;
  }
  const std::string key = foundation::describe(info_["title"]) + "\n" +
                          foundation::describe(info_["artist"]) + "\n" +
                          foundation::describe(info_["albumTitle"]);
  if (key != p.trackKey) {
    p.trackKey = key;
    ++p.trackSerial;
  }
  p.trackId = "/org/hoververse/track/n" + std::to_string(p.trackSerial);
}

void NowPlayingInfoCenter::updateArtwork() {
  Player& p = *player_;
  if (artwork_ == p.artwork) return;
  std::error_code ec;
  if (!p.artFile.empty()) std::filesystem::remove(p.artFile, ec);
  p.artFile.clear();
  p.artFileUrl.clear();
  p.artwork = artwork_;
  if (!artwork_) return;
  // A new file name for each artwork, so that clients do not show a cached one.
  const std::filesystem::path file = foundation::DeviceRoot::resolve(
      std::string(kArtworkFolder) + "/" + bundleLabel(bundleIdentifier_) + "-" +
      std::to_string(::getpid()) + "-" + std::to_string(++p.artSerial) + "." + artwork_->fileExtension());
  std::filesystem::create_directories(file.parent_path(), ec);
  const std::filesystem::path temporary = file.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(artwork_->imageData().data()),
              static_cast<std::streamsize>(artwork_->imageData().size()));
    if (!out) {
      logMedia(__LINE__, "cannot write the artwork file " + temporary.string());
      std::filesystem::remove(temporary, ec);
      return;
    }
  }
  std::filesystem::rename(temporary, file, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    return;
  }
  p.artFile = file;
  p.artFileUrl = fileUrl(file);
}

void NowPlayingInfoCenter::changed() {
  publish();
  if (!player_) return;
  Player& p = *player_;
  updateTrack();
  updateArtwork();
  std::vector<std::string> names;
  const std::string status = playbackStatus();
  if (status != p.status) {
    p.status = status;
    names.push_back("PlaybackStatus");
  }
  if (info_ != p.info || p.artFileUrl != p.artUrl) {
    p.info = info_;
    p.artUrl = p.artFileUrl;
    names.push_back("Metadata");
  }
  const bool canGoNext = handlers_.contains(RemoteCommand::nextTrack);
  const bool canGoPrevious = handlers_.contains(RemoteCommand::previousTrack);
  if (canGoNext != p.canGoNext) names.push_back("CanGoNext");
  if (canGoPrevious != p.canGoPrevious) names.push_back("CanGoPrevious");
  p.canGoNext = canGoNext;
  p.canGoPrevious = canGoPrevious;
  if (names.empty()) return;
  try {
    p.object->emitPropertiesChangedSignal(mpris::kPlayerInterface, names);
  } catch (const sdbus::Error& error) {
    logMedia(__LINE__, "cannot announce the player's changes: " + error.getMessage());
  }
}

}  // namespace media
