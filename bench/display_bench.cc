// The X display: from a label's text change to the server holding the new
// pixels (commit, render, put, and a round trip that proves the server has
// handled the put), on a private Xvfb. Reports the median and the 99th
// percentile of 1,000 changes as counters (microseconds).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "PrivateXServer.h"
#include "display/XDisplay.h"
#include "foundation/RunLoop.h"
#include "ui/Application.h"
#include "ui/Label.h"
#include "ui/Window.h"

namespace {

// range(0) x range(1) points at range(2) pixels per point.
void BM_LabelChangeToServer(benchmark::State& state) {
  const double width = static_cast<double>(state.range(0));
  const double height = static_cast<double>(state.range(1));
  const double scale = static_cast<double>(state.range(2));
  testsupport::PrivateXServer server(static_cast<int>(width * scale) + 16, static_cast<int>(height * scale) + 16,
                                     testsupport::Compositing::off);
  std::string error;
  auto xdisplay = server.ok() ? display::XDisplay::open(server.name(), scale, &error) : nullptr;
  if (!xdisplay) {
    state.SkipWithError(("no X server: " + error).c_str());
    return;
  }
  foundation::RunLoop& loop = foundation::RunLoop::main();
  auto window = std::make_shared<ui::Window>(ui::Rect{0, 0, width, height});
  window->setBackgroundColor(ui::Color::colorWithWhite(0, 0.4));
  auto label = std::make_shared<ui::Label>(ui::Rect{8, 4, width - 16, std::min(height - 8, 40.0)});
  label->setTextColor(ui::Color::colorWithWhite(1, 1));
  window->addSubview(label);
  window->setHidden(false);
  label->setText("warming up");
  xdisplay->flush();
  xdisplay->sync();

  std::vector<double> samples;
  std::vector<double> presents;  // commit, render and put, without the wait for the server
  int n = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    label->setText("line " + std::to_string(n++) + " 还有一行歌词");
    xdisplay->flush();
    const std::chrono::duration<double> presented = std::chrono::steady_clock::now() - start;
    xdisplay->sync();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
    samples.push_back(took.count() * 1e6);
    presents.push_back(presented.count() * 1e6);
    loop.runOnce();  // reads the server's events (completions), outside the timing
  }
  const auto at = [](std::vector<double>& v, double q) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
  };
  state.counters["p50_us"] = at(samples, 0.50);
  state.counters["p99_us"] = at(samples, 0.99);
  state.counters["present_p50_us"] = at(presents, 0.50);
  state.counters["frames"] = static_cast<double>(xdisplay->framesPresented());
  window->setHidden(true);
  xdisplay->flush();
  ui::Application::shared().reset();
}

BENCHMARK(BM_LabelChangeToServer)
    ->Args({300, 40, 3})    // the floating lyric window on a 3x phone
    ->Args({375, 812, 3})   // a full-screen window
    ->Args({375, 812, 1})
    ->Iterations(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
