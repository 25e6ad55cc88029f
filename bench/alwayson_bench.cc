// Costs of the always-on window's shatter: starting one (snapshot of the
// label as last displayed, 100 tiles sharing it, their transforms, fades and
// shrinks) and drawing a frame of the whole 375x812 window while 100 tiles
// are in flight. Fonts are the pinned test fonts; settings live in a
// temporary device root.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../tests/support/TestFonts.h"
#include "alwayson/FullScreenWindow.h"
#include "foundation/DeviceRoot.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "quartz/Transaction.h"
#include "render/Canvas.h"
#include "render/Renderer.h"

namespace {

const std::vector<std::string> kLines = {
    "我们的歌在风里轻声唱着那些年少时光", "Every word a little light across the dark",
    "温柔的梦慢慢醒来", "And the night keeps singing what we left behind"};

// A device root of its own, the shatter switched on, a one-second shatter.
class ShatterSetup {
 public:
  ShatterSetup() {
    std::string pattern = (std::filesystem::temp_directory_path() / "hv-alwayson-bench-XXXXXX").string();
    if (const char* made = ::mkdtemp(pattern.data())) root_ = made;
    foundation::DeviceRoot::setRoot(root_);
    foundation::UserDefaults::resetStandardUserDefaults();
    foundation::RunLoop::useVirtualClock(1);
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(foundation::Value("1"), "USERKEY_13_aod_smashAnimation");
    defaults.setObject(foundation::Value("1.000000"), "USERKEY_13_smashDuration");
    defaults.setObject(foundation::Value("24"), "USERKEY_13_alwaysOnFontSize");
    for (const char* c : {"_R", "_G", "_B", "_A"})
      defaults.setObject(foundation::Value("1"), std::string("USERKEY_13_aodLyricColor") + c);
    window = FullScreenWindow::initWithFrame({0, 0, 375, 812});
    window->setHidden(false);
    window->fullScreenAddLyric(kLines[0]);
    foundation::RunLoop::main().advance(1.5);  // the first line is displayed
  }
  ~ShatterSetup() {
    window.reset();
    foundation::UserDefaults::resetStandardUserDefaults();
    foundation::DeviceRoot::setRoot({});
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  std::shared_ptr<FullScreenWindow> window;

 private:
  std::filesystem::path root_;
};

// The window's call for a new line in shatter mode, up to the commit that
// puts the tiles on screen. Between iterations the previous shatter ends and
// its line is displayed, so every snapshot has text in it.
void BM_ShatterStart(benchmark::State& state) {
  ShatterSetup setup;
  std::size_t i = 1;
  for (auto _ : state) {
    setup.window->fullScreenAddLyric(kLines[i++ % kLines.size()]);
    quartz::Transaction::flush();
    state.PauseTiming();
    foundation::RunLoop::main().advance(1.1);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ShatterStart)->Unit(benchmark::kMillisecond);

// One 60 Hz frame of the whole window while 100 tiles spin, drift, fade and
// shrink; a new shatter starts (untimed) whenever the last one is over.
void BM_AlwaysOnFrameDuringShatter(benchmark::State& state) {
  ShatterSetup setup;
  render::Renderer renderer;
  render::Canvas canvas({375, 812});
  std::size_t line = 1;
  double t = 0;
  auto startShatter = [&] {
    setup.window->fullScreenAddLyric(kLines[line++ % kLines.size()]);
    quartz::Transaction::flush();
    t = foundation::RunLoop::main().now();
  };
  startShatter();
  for (auto _ : state) {
    t += 1.0 / 60;
    if (t > foundation::RunLoop::main().now() + 0.95) {
      state.PauseTiming();
      foundation::RunLoop::main().advance(1.1);
      startShatter();
      state.ResumeTiming();
    }
    renderer.render(*setup.window->layer(), t, canvas);
    benchmark::DoNotOptimize(canvas.pixelAt(187, 406));
  }
}
BENCHMARK(BM_AlwaysOnFrameDuringShatter)->Unit(benchmark::kMillisecond);

}  // namespace
