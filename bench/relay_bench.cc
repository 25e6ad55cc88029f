// The now-playing road across processes: this process plays NetEase (the
// injected library relays each setNowPlayingInfo: to the message centre) and
// a real SpringBoard, with the library injected by its filter, sets the
// floating window's line. SpringBoard announces each line it shows with the
// monotonic time of the turn that set it (the LineShown signal), so the
// latency is measured between two readings of the same system-wide clock.
// Also SpringBoard's resident memory as lines keep coming.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "PrivateBus.h"
#include "ProcessStats.h"
#include "PrivateXServer.h"
#include "TempDeviceRoot.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "ipc/BusConnection.h"
#include "media/NowPlayingInfoCenter.h"
#include "musicapp/MusicApp.h"
#include "musicapp/NowPlayingBuilder.h"
#include "musicapp/SongCatalogue.h"
#include "runtime/Class.h"
#include "runtime/Loader.h"
#include "runtime/Message.h"
#include "settings/MMLocalSettingManager.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using foundation::Value;

constexpr const char* kNetEase = "com.netease.cloudmusic";

std::uint64_t monotonicNanos() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1'000'000'000u + static_cast<std::uint64_t>(ts.tv_nsec);
}

long residentKiB(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// The build's program, or another build's named in the environment, so two
// builds are compared by one measuring program in one sitting.
std::string programPath(const char* variable, const char* built) {
  const char* other = std::getenv(variable);
  return other != nullptr && *other != '\0' ? other : built;
}

class InfoCenterObject : public runtime::Object {
 public:
  InfoCenterObject() : runtime::Object(runtime::registerClass("MPNowPlayingInfoCenter")) {}
};


enum class Screen { none, x11 };

// One device per kind for the whole program: a private bus, a device root
// with the injected library, SpringBoard (with its screen on a private Xvfb
// and compositor when asked, lyrics switched on), and this process as the
// music app.
class Road {
 public:
  explicit Road(Screen screen) {
    if (screen == Screen::x11) {
      x_ = std::make_unique<testsupport::PrivateXServer>(1125, 2436, testsupport::Compositing::on);
      if (!x_->ok()) {
        error_ = "Xvfb did not start";
        return;
      }
      ::setenv("DISPLAY", x_->name().c_str(), 1);
    } else {
      ::unsetenv("DISPLAY");
    }
    if (!bus_.ok()) {
      error_ = "dbus-daemon did not start";
      return;
    }
    const fs::path folder = root_.path() / "Library/DynamicLibraries";
    fs::create_directories(folder);
    fs::copy_file(programPath("HV_TWEAK_LIBRARY", HV_TWEAK_LIBRARY), folder / "hoververseXI.so");
    foundation::Array bundles{Value("com.apple.springboard"), Value(kNetEase)};
    if (!foundation::writeDictionaryFile(folder / "hoververseXI.plist",
                                         {{"Filter", Value(foundation::Dictionary{{"Bundles", Value(bundles)}})}})
             .ok()) {
      error_ = "cannot write the library's filter";
      return;
    }
    ::setenv("HOVERVERSE_ROOT", root_.path().c_str(), 1);
    MMLocalSettingManager::shared().saveValue(Value(1), Value("USER_KEY_HVXI_BUNDLESETTING_ROWA_SWI"));
    springBoard_ = spawnSpringBoard();
    if (springBoard_ <= 0) {
      error_ = "cannot start SpringBoard";
      return;
    }

    foundation::ProcessInfo::setBundleIdentifier(kNetEase);
    runtime::addMethod<void, Value>(&runtime::registerClass("MPNowPlayingInfoCenter"), "setNowPlayingInfo:",
                                    [](runtime::Object&, const Value& info) {
                                      media::NowPlayingInfoCenter::defaultCenter().setNowPlayingInfo(info);
                                    });
    runtime::loadInjectedLibraries(kNetEase);
    bus_connection_ = ipc::BusConnection::shared();
    if (!bus_connection_) {
      error_ = "cannot connect to the bus";
      return;
    }
    proxy_ = sdbus::createProxy(bus_connection_->connection(), "org.hoververse.SpringBoard",
                                "/org/hoververse/SpringBoard");
    proxy_->uponSignal("LineShown").onInterface("org.hoververse.SpringBoard").call(
        [this](const std::string& text, std::uint64_t at) {
          shown_ = text;
          shownAt_ = at;
          foundation::RunLoop::main().stop();
        });
    proxy_->finishRegistration();
    // SpringBoard is up once its floating window shows a line we sent; a
    // message sent before it serves the centre is lost, as any fire-and-forget
    // message to an absent receiver is, so the first line is sent until shown.
    bool open = false;
    for (int attempt = 0; attempt < 40 && !open; ++attempt)
      open = show("the road is open " + std::to_string(attempt), 0.5).has_value();
    if (!open) error_ = "SpringBoard never showed a line";
  }
  ~Road() {
    if (springBoard_ > 0) {
      ::kill(springBoard_, SIGKILL);
      ::waitpid(springBoard_, nullptr, 0);
    }
    ::unsetenv("HOVERVERSE_ROOT");
  }

  const std::string& error() const { return error_; }
  pid_t springBoard() const { return springBoard_; }

  // Publishes `line` as NetEase does; the nanoseconds until SpringBoard's
  // floating window had it, or nothing after `seconds`.
  std::optional<std::uint64_t> show(const std::string& line, double seconds = 5) {
    musicapp::NowPlayingState state;
    state.line = line;
    state.playing = true;
    const Value info = builder_.build(song_, state);
    const std::uint64_t sent = monotonicNanos();
    runtime::send<void>(&center_, "setNowPlayingInfo:", info);
    foundation::RunLoop& loop = foundation::RunLoop::main();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (shown_.find(line) == std::string::npos) {
      if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
      loop.runFor(0.05);
    }
    return shownAt_ - sent;
  }

 private:
  pid_t spawnSpringBoard() {
    char name[] = "SpringBoard";
    char* argv[] = {name, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (root_.path() / "springboard.log").c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    pid_t pid = -1;
    const std::string program = programPath("HV_SPRINGBOARD_PROGRAM", HV_SPRINGBOARD_PROGRAM);
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  std::unique_ptr<testsupport::PrivateXServer> x_;
  testsupport::PrivateBus bus_;
  hvtest::TempDeviceRoot root_;
  std::string error_;
  pid_t springBoard_ = -1;
  std::shared_ptr<ipc::BusConnection> bus_connection_;
  std::unique_ptr<sdbus::IProxy> proxy_;
  InfoCenterObject center_;
  musicapp::NowPlayingBuilder builder_{musicapp::MusicApp::netEase};
  musicapp::Song song_ = musicapp::embeddedSongs().front();
  std::string shown_;
  std::uint64_t shownAt_ = 0;
};

Road& road(Screen screen = Screen::none) {
  if (screen == Screen::x11) {
    static Road withScreen(Screen::x11);
    return withScreen;
  }
  static Road headless(Screen::none);
  return headless;
}

// The time from setNowPlayingInfo: here to the line being set in
// SpringBoard's floating window, one line after another.
void BM_NowPlayingToFloatingWindow(benchmark::State& state) {
  Road& r = road(static_cast<Screen>(state.range(0)));
  if (!r.error().empty()) {
    state.SkipWithError(r.error().c_str());
    return;
  }
  std::vector<double> micros;
  std::size_t n = 0;
  const double cpuBefore = benchsupport::cpuMicros(r.springBoard());
  for (auto _ : state) {
    ++n;
    const std::optional<std::uint64_t> nanos = r.show("第 " + std::to_string(n) + " 行 line " + std::to_string(n));
    if (!nanos) {
      state.SkipWithError("a line never reached the floating window");
      return;
    }
    micros.push_back(static_cast<double>(*nanos) / 1000.0);
  }
  // SpringBoard's own work per line, whatever else the machine runs.
  state.counters["springboard_cpu_us_per_line"] = (benchsupport::cpuMicros(r.springBoard()) - cpuBefore) / static_cast<double>(n);
  std::sort(micros.begin(), micros.end());
  state.counters["p50_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}
// 0: headless, the text set in the window; 1: on an X server, the new
// pixels held by the server.
BENCHMARK(BM_NowPlayingToFloatingWindow)->Arg(0)->Arg(1)->Iterations(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// SpringBoard's resident memory after the first hundred lines and after
// 10,000, each line new.
void BM_SpringBoardMemoryOverLines(benchmark::State& state) {
  Road& r = road();
  if (!r.error().empty()) {
    state.SkipWithError(r.error().c_str());
    return;
  }
  long after100 = 0;
  long after10000 = 0;
  for (auto _ : state) {
    for (int i = 1; i <= 10000; ++i) {
      if (!r.show("memory line " + std::to_string(i) + " " + std::string(static_cast<std::size_t>(i % 40), 'x'))) {
        state.SkipWithError("a line never reached the floating window");
        return;
      }
      if (i == 100) after100 = residentKiB(r.springBoard());
    }
    after10000 = residentKiB(r.springBoard());
  }
  state.counters["rss_after_100_KiB"] = static_cast<double>(after100);
  state.counters["rss_after_10000_KiB"] = static_cast<double>(after10000);
}
BENCHMARK(BM_SpringBoardMemoryOverLines)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// SpringBoard on its screen between lines: the share of a core it uses
// with a static line (the refresh tick included) and with a line long
// enough to scroll, over `seconds` each; its proportional memory.
void BM_SpringBoardAtRest(benchmark::State& state) {
  Road& r = road(Screen::x11);
  if (!r.error().empty()) {
    state.SkipWithError(r.error().c_str());
    return;
  }
  constexpr double seconds = 10;
  auto shareOfACore = [&](const std::string& line) {
    if (!r.show(line)) return -1.0;
    foundation::RunLoop::main().runFor(1);  // the line settles (a marquee starts after its rest)
    // A marker on stderr lets a profiler attach to SpringBoard for one phase.
    std::fprintf(stderr, "relay_bench: measuring \"%s\", SpringBoard %d\n", line.c_str(), r.springBoard());
    const double before = benchsupport::cpuMicros(r.springBoard());
    foundation::RunLoop::main().runFor(seconds);
    return (benchsupport::cpuMicros(r.springBoard()) - before) / (seconds * 1e6) * 100;
  };
  for (auto _ : state) {
    state.counters["static_line_cpu_percent"] = shareOfACore("一句不动的歌词");
    state.counters["marquee_cpu_percent"] =
        shareOfACore("a line far too long for the floating window, so that it scrolls sideways for as long as it shows");
    state.counters["pss_KiB"] = static_cast<double>(benchsupport::pssKiB(r.springBoard()));
  }
}
BENCHMARK(BM_SpringBoardAtRest)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
