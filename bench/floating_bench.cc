// The floating window's costs on a 300 x 40 window at scale 1: a new line
// (measure, build the lyric view, commit, render) with glyphs drawn before
// and with glyphs never drawn before, one marquee step with re-rendering in
// each presentation (the outline once its drawing has ended), and a frame
// where nothing changed. Fonts are the pinned test fonts; every run uses a
// fresh temporary device root, as the settings file is read on every layout.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../tests/support/TestFonts.h"
#include "CjkLine.h"
#include "floating/MMLyricSuperWindow.h"
#include "foundation/DeviceRoot.h"
#include "foundation/RunLoop.h"
#include "foundation/Text.h"
#include "foundation/UserDefaults.h"
#include "quartz/Transaction.h"
#include "render/Canvas.h"
#include "render/Renderer.h"
#include "settings/SettingDefaults.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"

namespace {

enum Look { kPlain, kShadow, kGradient, kOutline };
const char* const kLookNames[] = {"plain", "shadow", "gradient", "outline"};

// A device root of its own for the whole benchmark program.
class BenchRoot {
 public:
  BenchRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "hv-floating-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) root_ = pattern;
    foundation::DeviceRoot::setRoot(root_);
  }
  ~BenchRoot() {
    // The shared defaults store may already be destroyed: leave it alone.
    foundation::DeviceRoot::setRoot({});
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

 private:
  std::filesystem::path root_;
};
BenchRoot benchRoot;

foundation::VirtualClock* freshWorld(Look look) {
  foundation::UserDefaults::resetStandardUserDefaults();
  foundation::VirtualClock* clock = &foundation::RunLoop::useVirtualClock(1);
  auto& defaults = foundation::UserDefaults::standardUserDefaults();
  defaults.setObject(foundation::Value(look == kGradient ? "1" : "0"), SettingKey::randomColor_animation);
  defaults.setObject(foundation::Value(look == kOutline ? "1" : "0"), SettingKey::fontPath_animation);
  defaults.setObject(foundation::Value(look == kShadow ? "1" : "0"), SettingKey::fontShadow_animation);
  defaults.setObject(foundation::Value("0.800000"), SettingKey::fontLayerShadow);
  applyLyricColorDefaults(defaults);
  lyricFontName();  // stores the default font name once
  return clock;
}

// 20 CJK ideographs never used before in this process.
std::string freshCjkLine() {
  static char32_t next = 0x4E00;
  std::string s;
  for (int k = 0; k < 20; ++k) foundation::appendUtf8(s, next++);
  return s;
}

void drawFrame(const MMLyricSuperWindow& window, render::Canvas& canvas, double t) {
  quartz::Transaction::flush();
  render::Renderer::shared().render(*window.layer(), t, canvas);
}

// A new 20-character line, glyphs drawn before.
void BM_NewLineWarm(benchmark::State& state) {
  const Look look = static_cast<Look>(state.range(0));
  foundation::VirtualClock* clock = freshWorld(look);
  auto window = MMLyricSuperWindow::initWithFrame(ui::Rect(0, 0, 300, 40));
  render::Canvas canvas({300, 40});
  for (unsigned i = 0; i < 40; ++i) {  // every line once: glyphs, layouts and rasters warm
    window->setLyric(cjkLine(i % 20));
    drawFrame(*window, canvas, clock->now());
  }
  unsigned i = 0;
  for (auto _ : state) {
    // One turn of the loop between lines, so finished animations are
    // retired as they would be.
    foundation::RunLoop::main().advance(0.01);
    window->setLyric(cjkLine(i++ % 20));
    drawFrame(*window, canvas, clock->now());
  }
  state.SetLabel(kLookNames[look]);
}
BENCHMARK(BM_NewLineWarm)->DenseRange(kPlain, kOutline)->Unit(benchmark::kMicrosecond);

// A new 20-character line whose glyphs were never drawn (nor measured).
void BM_NewLineColdGlyphs(benchmark::State& state) {
  const Look look = static_cast<Look>(state.range(0));
  foundation::VirtualClock* clock = freshWorld(look);
  auto window = MMLyricSuperWindow::initWithFrame(ui::Rect(0, 0, 300, 40));
  render::Canvas canvas({300, 40});
  window->setLyric(cjkLine(0));
  drawFrame(*window, canvas, clock->now());
  for (auto _ : state) {
    state.PauseTiming();
    const std::string line = freshCjkLine();
    state.ResumeTiming();
    foundation::RunLoop::main().advance(0.01);
    window->setLyric(line);
    drawFrame(*window, canvas, clock->now());
  }
  state.SetLabel(kLookNames[look]);
}
// 4 x 200 x 20 = 16000 ideographs of the 20992 in the block.
BENCHMARK(BM_NewLineColdGlyphs)->DenseRange(kPlain, kOutline)->Unit(benchmark::kMicrosecond)->Iterations(200);

// Only the measuring part of a new line (font name from the settings file
// included, as fitWidth reads it each time).
void BM_FitWidth(benchmark::State& state) {
  freshWorld(kPlain);
  auto window = MMLyricSuperWindow::initWithFrame(ui::Rect(0, 0, 300, 40));
  window->setLyric(cjkLine(0));
  unsigned i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(window->fitWidth(cjkLine(i++ % 20)));
}
BENCHMARK(BM_FitWidth)->Unit(benchmark::kMicrosecond);

void BM_LyricFontName(benchmark::State& state) {
  freshWorld(kPlain);
  for (auto _ : state) benchmark::DoNotOptimize(lyricFontName());
}
BENCHMARK(BM_LyricFontName)->Unit(benchmark::kMicrosecond);

// One marquee step (the view moves by one step) and the re-render of the
// window at the next 0.01 s. The outline's drawing has ended before timing.
void BM_MarqueeStep(benchmark::State& state) {
  const Look look = static_cast<Look>(state.range(0));
  foundation::VirtualClock* clock = freshWorld(look);
  auto window = MMLyricSuperWindow::initWithFrame(ui::Rect(0, 0, 300, 40));
  render::Canvas canvas({300, 40});
  const std::string line = cjkLine(3) + cjkLine(5);  // 40 units: 2 points a step
  window->setLyric(line);
  // Past the 1 s rest and, for the outline, past its 1 s drawing.
  foundation::RunLoop::main().advance(1.5);
  drawFrame(*window, canvas, clock->now());
  // Steps are taken by hand (the loop is not turned again); at each edge
  // the marquee reverses, so the line goes back and forth for ever.
  for (auto _ : state) {
    clock->set(clock->now() + 0.01);
    window->refresh();
    drawFrame(*window, canvas, clock->now());
  }
  state.SetLabel(kLookNames[look]);
}
BENCHMARK(BM_MarqueeStep)->DenseRange(kPlain, kOutline)->Unit(benchmark::kMicrosecond);

// A frame where nothing changed since the last one drawn into the canvas.
void BM_UnchangedFrame(benchmark::State& state) {
  const Look look = static_cast<Look>(state.range(0));
  foundation::VirtualClock* clock = freshWorld(look);
  auto window = MMLyricSuperWindow::initWithFrame(ui::Rect(0, 0, 300, 40));
  render::Canvas canvas({300, 40});
  window->setLyric(cjkLine(1));
  foundation::RunLoop::main().advance(2);
  drawFrame(*window, canvas, clock->now());
  const auto skippedBefore = render::Renderer::shared().stats().framesSkipped;
  for (auto _ : state) {
    clock->set(clock->now() + 0.01);
    drawFrame(*window, canvas, clock->now());
  }
  state.counters["skipped"] = static_cast<double>(render::Renderer::shared().stats().framesSkipped - skippedBefore) /
                              static_cast<double>(state.iterations());
  state.SetLabel(kLookNames[look]);
}
BENCHMARK(BM_UnchangedFrame)->Arg(kPlain)->Arg(kOutline)->Unit(benchmark::kMicrosecond);

}  // namespace
