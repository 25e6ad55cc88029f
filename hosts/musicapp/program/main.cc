// hoververse-musicapp --bundle ID [--song N] [--play]: a music-app process.
// It plays the embedded songs in real time and, on every lyric line, play,
// pause, seek and track change, sets its now-playing dictionary through the
// now-playing info centre exactly as that app does. The centre's
// setNowPlayingInfo: is a hookable method, called through the runtime, so an
// injected library sees every update. Play, pause, next and previous arrive
// over MPRIS; `Play(i song)` on org.hoververse.MusicApp.<bundle> starts a song.

#include <sys/prctl.h>

#include <sdbus-c++/sdbus-c++.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Log.h"
#include "hostcommon/DeviceBus.h"
#include "hostcommon/MusicApp.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "ipc/BusConnection.h"
#include "media/AudioSession.h"
#include "media/MediaItemArtwork.h"
#include "media/NowPlayingInfoCenter.h"
#include "musicapp/MusicApp.h"
#include "musicapp/NowPlayingBuilder.h"
#include "musicapp/Player.h"
#include "musicapp/SongCatalogue.h"
#include "runtime/Class.h"
#include "runtime/Loader.h"
#include "runtime/Message.h"

namespace {

constexpr const char* kUsage = "usage: hoververse-musicapp --bundle BUNDLE_ID [--song N] [--play]\n";

struct Options {
  std::string bundle;
  int song = -1;
  bool play = false;
};

std::optional<Options> parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--bundle" && i + 1 < argc) {
      o.bundle = argv[++i];
    } else if (a == "--song" && i + 1 < argc) {
      char* end = nullptr;
      const long n = std::strtol(argv[++i], &end, 10);
      if (end == argv[i] || *end != '\0' || n < 0 || n > 1000) return std::nullopt;
      o.song = static_cast<int>(n);
    } else if (a == "--play") {
      o.play = true;
    } else {
      return std::nullopt;
    }
  }
  if (o.bundle.empty()) return std::nullopt;
  return o;
}

// The host's now-playing info centre as the runtime sees it: its
// setNowPlayingInfo: publishes on MPRIS.
class InfoCenterObject : public runtime::Object {
 public:
  InfoCenterObject() : runtime::Object(runtime::registerClass("MPNowPlayingInfoCenter")) {}
};

// An artwork as the runtime sees it: initWithImage: keeps the encoded image
// and returns the artwork.
class ArtworkObject : public runtime::Object {
 public:
  ArtworkObject() : runtime::Object(runtime::registerClass("MPMediaItemArtwork")) {}
  std::shared_ptr<media::MediaItemArtwork> artwork;
  std::string description() const override {
    return artwork ? artwork->description() : runtime::Object::description();
  }
};

class ImageObject : public runtime::Object {
 public:
  explicit ImageObject(foundation::Data bytes) : runtime::Object(runtime::registerClass("UIImage")), png(std::move(bytes)) {}
  foundation::Data png;
};

void registerHostClasses() {
  runtime::addMethod<void, foundation::Value>(
      &runtime::registerClass("MPNowPlayingInfoCenter"), "setNowPlayingInfo:",
      [](runtime::Object&, const foundation::Value& info) {
        media::NowPlayingInfoCenter::defaultCenter().setNowPlayingInfo(info);
      });
  runtime::addMethod<runtime::Object*, runtime::Object*>(
      &runtime::registerClass("MPMediaItemArtwork"), "initWithImage:",
      [](runtime::Object& self, runtime::Object* const& image) -> runtime::Object* {
        auto* artwork = dynamic_cast<ArtworkObject*>(&self);
        auto* png = dynamic_cast<ImageObject*>(image);
        if (artwork == nullptr || png == nullptr) return nullptr;
        artwork->artwork = media::MediaItemArtwork::initWithImage(png->png);
        return artwork;
      });
}

// A process name as `ps`, `pidof` and `killall` show it.
std::string processNameFor(musicapp::MusicApp app) {
  switch (app) {
    case musicapp::MusicApp::kuwo: return "KuwoPlayer";
    case musicapp::MusicApp::netEase: return "NeteaseMusic";
    case musicapp::MusicApp::qqMusic: return "QQMusic";
    case musicapp::MusicApp::kugou: return "kugou";
    case musicapp::MusicApp::migu: return "MiguMusic";
  }
  return "MusicApp";
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = parse(argc, argv);
  if (!options) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::optional<musicapp::MusicApp> app = musicapp::musicAppForBundle(options->bundle);
  if (!app) {
    std::fprintf(stderr, "hoververse-musicapp: %s is not a supported music app\n", options->bundle.c_str());
    return 2;
  }
  ::prctl(PR_SET_NAME, processNameFor(*app).c_str(), 0, 0, 0);
  foundation::ProcessInfo::setBundleIdentifier(options->bundle);
  foundation::RunLoop& loop = foundation::RunLoop::main();

  registerHostClasses();
  runtime::loadInjectedLibraries(options->bundle);

  InfoCenterObject center;
  musicapp::Player player(loop, musicapp::embeddedSongs());
  // One artwork object per song, made the way the app makes them.
  std::vector<std::unique_ptr<ArtworkObject>> artworks;
  for (const musicapp::Song& song : player.songs()) {
    auto artwork = std::make_unique<ArtworkObject>();
    ImageObject image(song.artwork);
    runtime::send<runtime::Object*>(artwork.get(), "initWithImage:", static_cast<runtime::Object*>(&image));
    artworks.push_back(std::move(artwork));
  }
  const musicapp::NowPlayingBuilder builder(*app);
  auto publish = [&] {
    const auto& outputs = media::AudioSession::sharedInstance().currentRoute().outputs;
    musicapp::NowPlayingState state;
    state.line = player.currentLine();
    state.elapsed = player.position();
    state.playing = player.isPlaying();
    state.portType = outputs.empty() ? std::string_view() : std::string_view(outputs.front().portType);
    const auto& artwork = artworks[player.songIndex()]->artwork;
    state.artwork = artwork ? artwork->value() : foundation::Value();
    runtime::send<void>(&center, "setNowPlayingInfo:", builder.build(player.currentSong(), state));
  };
  player.setListener([&](musicapp::PlayerEvent) { publish(); });

  media::NowPlayingInfoCenter& mpris = media::NowPlayingInfoCenter::defaultCenter();
  mpris.setCommandHandler(media::RemoteCommand::play, [&] { player.play(); });
  mpris.setCommandHandler(media::RemoteCommand::pause, [&] { player.pause(); });
  mpris.setCommandHandler(media::RemoteCommand::togglePlayPause, [&] { player.togglePlayPause(); });
  mpris.setCommandHandler(media::RemoteCommand::nextTrack, [&] { player.next(); });
  mpris.setCommandHandler(media::RemoteCommand::previousTrack, [&] { player.previous(); });

  auto playSong = [&](int song) {
    if (song >= 0) {
      const auto count = static_cast<int>(player.songs().size());
      while (static_cast<int>(player.songIndex()) != song % count) player.next();
    }
    player.play();
  };

  publish();  // the first information: the player appears on the bus, paused
  if (options->play || options->song >= 0) playSong(options->song);

  // The app's own control object, for the device's control command. Its
  // name is taken last: whoever waits for it finds the player already there.
  std::unique_ptr<sdbus::IObject> control;
  std::shared_ptr<ipc::BusConnection> bus = ipc::BusConnection::shared();
  if (bus) {
    try {
      control = sdbus::createObject(bus->connection(), hostcommon::kMusicAppObjectPath);
      control->registerMethod("Play").onInterface(hostcommon::kMusicAppInterface).implementedAs([&](std::int32_t song) {
        playSong(song);
      });
      control->finishRegistration();
      bus->connection().requestName(hostcommon::musicAppBusName(options->bundle));
    } catch (const sdbus::Error& error) {
      foundation::logError("musicapp", __FILE__, __LINE__, "ERROR", foundation::Value(error.getMessage()));
    }
  }

  loop.run();
  return 0;
}
