// Costs of the settings panel: creating it (every control built, read from
// the store and laid out), and dragging a slider at 60 touch moves a
// second, where every move stores the value, synchronises the defaults
// store and posts the change notification; the run-loop turn after each
// move includes the commit and the write of the defaults file. Settings
// live in a temporary device root.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "foundation/DeviceRoot.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "panel/LyricSettingWindow.h"
#include "quartz/Transaction.h"
#include "ui/Application.h"

namespace {

class PanelSetup {
 public:
  PanelSetup() {
    std::string pattern = (std::filesystem::temp_directory_path() / "hv-panel-bench-XXXXXX").string();
    if (const char* made = ::mkdtemp(pattern.data())) root_ = made;
    foundation::DeviceRoot::setRoot(root_);
    foundation::UserDefaults::resetStandardUserDefaults();
    foundation::RunLoop::useVirtualClock(1);
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    // A store as start-up leaves it.
    for (const auto& [key, value] : {std::pair{"USERKEY_13_X", "20"}, {"USERKEY_13_Y", "80"},
                                     {"USERKEY_13_width", "0.8"}, {"USERKEY_13_height", "40"},
                                     {"CCBundle_UserDefaults_Narv_Switch", "1"}})
      defaults.setObject(foundation::Value(value), key);
    defaults.synchronize();
  }
  ~PanelSetup() {
    ui::Application::shared().reset();
    foundation::UserDefaults::resetStandardUserDefaults();
    foundation::DeviceRoot::setRoot({});
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

 private:
  std::filesystem::path root_;
};

std::shared_ptr<LyricSettingWindow> openPanel() {
  auto panel = LyricSettingWindow::initWithFrame({0, 0, 375, 812});
  panel->setWindowLevel(ui::WindowLevel::alert);
  panel->makeKeyAndVisible();
  panel->layoutIfNeeded();
  return panel;
}

// initWithFrame up to a laid-out column: initData (colour defaults, colour
// target), every control built from its key, layoutSubviews.
void BM_PanelCreation(benchmark::State& state) {
  PanelSetup setup;
  for (auto _ : state) {
    auto panel = LyricSettingWindow::initWithFrame({0, 0, 375, 812});
    panel->layoutIfNeeded();
    benchmark::DoNotOptimize(panel.get());
    state.PauseTiming();
    panel.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PanelCreation)->Unit(benchmark::kMillisecond);

// One touch move of the always-on font-size slider's thumb (stores "%lf",
// synchronises, posts "NOTI_alwaysOnFontSize") and the rest of its 1/60 s
// turn: commit and defaults write. "core%" is the share of one core at 60
// moves a second.
void BM_SliderDragAt60Hz(benchmark::State& state) {
  PanelSetup setup;
  auto panel = openPanel();
  foundation::RunLoop::main().advance(0.1);
  ui::Slider& slider = *panel->alwaysOnFontSizeSlider();
  const ui::Rect thumb = slider.thumbRect();
  const ui::Point grab = slider.convertPoint({thumb.midX(), thumb.midY()}, nullptr);
  ui::Application& app = ui::Application::shared();
  app.sendTouch(ui::TouchPhase::Began, grab);
  double dx = 0;
  double step = 3;
  for (auto _ : state) {
    // Back and forth along the track, so every move changes the value.
    dx += step;
    if (dx > 150 || dx < 0) {
      step = -step;
      dx += 2 * step;
    }
    app.sendTouch(ui::TouchPhase::Moved, {grab.x + dx, grab.y});
    foundation::RunLoop::main().advance(1.0 / 60);
  }
  app.sendTouch(ui::TouchPhase::Ended, {grab.x + dx, grab.y});
  // CPU seconds per move x 60 moves x 100: the percentage of a core.
  state.counters["core%"] = benchmark::Counter(static_cast<double>(state.iterations()) / 6000,
                                               benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SliderDragAt60Hz)->Unit(benchmark::kMicrosecond);

}  // namespace
