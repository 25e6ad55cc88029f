// Rendering costs of the lyric presentations: a new line on a 300x40 window,
// one marquee step per presentation, an unchanged frame, and a frame of the
// always-on window during a shatter (100 animated tiles at 375x812).
// Fonts are the pinned test fonts so figures compare across machines.

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "../tests/support/TestFonts.h"
#include "CjkLine.h"
#include "foundation/RunLoop.h"
#include "quartz/GradientLayer.h"
#include "quartz/ShapeLayer.h"
#include "quartz/Transaction.h"
#include "render/Renderer.h"
#include "render/Snapshot.h"
#include "text/TextLayout.h"
#include "ui/ImageView.h"
#include "ui/Label.h"

namespace {

using quartz::Color;
using quartz::Font;
using quartz::Rect;

const Font kLyricFont = Font::fontWithName("PingFangSC-Regular", 40 / 1.5);

double now() { return foundation::RunLoop::main().now(); }

void warmGlyphs(render::Renderer& renderer) {
  auto host = std::make_shared<ui::View>(Rect{0, 0, 600, 40});
  auto label = std::make_shared<ui::Label>(Rect{0, 0, 600, 40});
  label->setFont(kLyricFont);
  std::string all;
  for (unsigned i = 0; i < 20; ++i) all += cjkLine(i);
  label->setText(all);
  host->addSubview(label);
  quartz::Transaction::flush();
  render::Canvas canvas({600, 40});
  renderer.render(*host->layer(), now(), canvas);
}

// Measure, build a label, commit, render: a new line with glyphs drawn before.
void BM_NewLine300x40(benchmark::State& state) {
  foundation::RunLoop::useVirtualClock(1);
  render::Renderer renderer;
  warmGlyphs(renderer);
  auto window = std::make_shared<ui::View>(Rect{0, 0, 300, 40});
  window->setBackgroundColor(Color::rgba(0, 0, 0, 0.3));
  render::Canvas canvas({300, 40});
  std::shared_ptr<ui::Label> label;
  unsigned i = 1000;
  for (auto _ : state) {
    std::string line = cjkLine(i) + std::to_string(i);  // never the same text twice
    ++i;
    quartz::Size size = text::sizeWithFont(line, kLyricFont);
    if (label) label->removeFromSuperview();
    label = std::make_shared<ui::Label>(Rect{0, 0, std::min(300.0, size.width), 40});
    label->setFont(kLyricFont);
    label->setTextColor(Color::white());
    label->setTextAlignment(quartz::TextAlignment::Center);
    label->setText(line);
    window->addSubview(label);
    quartz::Transaction::flush();
    benchmark::DoNotOptimize(renderer.render(*window->layer(), now(), canvas));
  }
}
BENCHMARK(BM_NewLine300x40)->Unit(benchmark::kMicrosecond);

// Glyphs never drawn before: a fresh renderer and unseen characters each time.
void BM_NewLineColdGlyphs(benchmark::State& state) {
  foundation::RunLoop::useVirtualClock(1);
  auto window = std::make_shared<ui::View>(Rect{0, 0, 300, 40});
  render::Canvas canvas({300, 40});
  unsigned codepoint = 0x4E00;
  for (auto _ : state) {
    std::string line;
    for (int k = 0; k < 10; ++k, ++codepoint) {  // ten unseen ideographs
      char buf[4] = {static_cast<char>(0xE0 | (codepoint >> 12)), static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F)),
                     static_cast<char>(0x80 | (codepoint & 0x3F)), 0};
      line += buf;
    }
    render::Renderer renderer;
    quartz::Size size = text::sizeWithFont(line, kLyricFont);
    auto label = std::make_shared<ui::Label>(Rect{0, 0, std::min(300.0, size.width), 40});
    label->setFont(kLyricFont);
    label->setTextColor(Color::white());
    label->setText(line);
    window->addSubview(label);
    quartz::Transaction::flush();
    benchmark::DoNotOptimize(renderer.render(*window->layer(), now(), canvas));
    label->removeFromSuperview();
  }
}
BENCHMARK(BM_NewLineColdGlyphs)->Unit(benchmark::kMicrosecond)->Iterations(200);

enum class Presentation { Plain, Shadow, Gradient, Outline };

// The floating window's tree for one presentation, as the lyric views build it.
struct MarqueeScene {
  std::shared_ptr<ui::View> window = std::make_shared<ui::View>(Rect{0, 0, 300, 40});
  std::shared_ptr<ui::View> mover;

  explicit MarqueeScene(Presentation p) {
    window->setBackgroundColor(Color::rgba(0, 0, 0, 0.3));
    window->layer()->setCornerRadius(8);
    window->setClipsToBounds(true);
    std::string line = cjkLine(3) + " lyric";
    double width = text::sizeWithFont(line, kLyricFont).width;
    if (p == Presentation::Outline) {
      mover = std::make_shared<ui::View>(Rect{0, 0, width, 40});
      auto shape = quartz::ShapeLayer::layer();
      shape->setGeometryFlipped(true);
      shape->setPath(text::typesetLine(line, kLyricFont)
                         ->glyphPath()
                         .transformed(quartz::AffineTransform::makeTranslation(0, -40 / 1.35)));
      shape->setFillColor(Color::clear());
      shape->setStrokeColor(Color::rgba(1, 0.3, 0.3, 1));
      shape->setLineJoin(quartz::LineJoin::Round);
      mover->layer()->addSublayer(shape);
    } else {
      mover = std::make_shared<ui::View>(Rect{0, 0, width, 40});
      auto label = std::make_shared<ui::Label>(Rect{0, 0, width, 40});
      label->setFont(kLyricFont);
      label->setTextAlignment(quartz::TextAlignment::Center);
      if (p == Presentation::Shadow) {
        quartz::TextAttributes a;
        a.foregroundColor = Color::white();
        a.shadow = quartz::Shadow{{0, 0}, 6, Color::rgba(0.2, 0.2, 0.2, 0.8)};
        label->setAttributedText(quartz::AttributedString(line, a));
      } else {
        label->setTextColor(Color::white());
        label->setText(line);
      }
      mover->addSubview(label);
      if (p == Presentation::Gradient) {
        auto gradient = quartz::GradientLayer::layer();
        gradient->setColors({Color::hsba(0.3, 0.3, 0.38, 1), Color::hsba(0.95, 0.99, 0.88, 1)});
        gradient->setStartPoint({0, 0});
        gradient->setEndPoint({1, 0});
        gradient->setFrame({0, 0, width, 40});
        quartz::KeyframeAnimation cycle("colors");
        std::vector<quartz::AnimationValue> values;
        std::vector<Color> named = {{1, 0, 0, 1}, {1, 0.5, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 1},
                                    {0, 1, 1, 1}, {0, 0, 1, 1},   {0.5, 0, 0.5, 1}};
        for (std::size_t k = 0; k < named.size(); ++k)
          values.emplace_back(std::vector<Color>{named[k], named[(k + 1) % named.size()]});
        cycle.setValues(values);
        cycle.setKeyTimes({0.1, 0.14, 0.28, 0.42, 0.6, 0.78, 1});
        cycle.setDuration(10);
        cycle.setAutoreverses(true);
        cycle.setRepeatCount(quartz::kFloatMax);
        cycle.setRemovedOnCompletion(false);
        gradient->addAnimation(cycle, "chromateAnimate");
        mover->layer()->addSublayer(gradient);
        gradient->setMask(label->layer());
      }
    }
    window->addSubview(mover);
    quartz::Transaction::flush();
  }
};

void BM_MarqueeStep(benchmark::State& state) {
  foundation::RunLoop::useVirtualClock(1);
  auto p = static_cast<Presentation>(state.range(0));
  MarqueeScene scene(p);
  render::Renderer renderer;
  render::Canvas canvas({300, 40});
  double t = now();
  double x = 0;
  auto step = [&] {
    x -= 0.5;
    if (x < -200) x = 0;
    scene.mover->setFrame({x, 0, scene.mover->frame().width(), 40});
    quartz::Transaction::flush();
    t += 0.01;
    return renderer.render(*scene.window->layer(), t, canvas);
  };
  step();
  step();  // content cached from here on
  for (auto _ : state) benchmark::DoNotOptimize(step());
  state.counters["rasterised"] = static_cast<double>(renderer.stats().contentRasterized);
}
BENCHMARK(BM_MarqueeStep)
    ->Arg(static_cast<int>(Presentation::Plain))
    ->Arg(static_cast<int>(Presentation::Shadow))
    ->Arg(static_cast<int>(Presentation::Gradient))
    ->Arg(static_cast<int>(Presentation::Outline))
    ->ArgName("presentation")
    ->Unit(benchmark::kMicrosecond);

// The outline while its stroke is being drawn (not a target: a line draws once).
void BM_OutlineDrawingFrame(benchmark::State& state) {
  foundation::RunLoop::useVirtualClock(1);
  MarqueeScene scene(Presentation::Outline);
  auto* shape = scene.mover->layer()->sublayers().front().get();
  quartz::BasicAnimation a("strokeEnd");
  a.setFromValue(0.0);
  a.setToValue(1.0);
  a.setDuration(1000);
  shape->addAnimation(a, "strokeEnd");
  quartz::Transaction::flush();
  render::Renderer renderer;
  render::Canvas canvas({300, 40});
  double t = now();
  for (auto _ : state) benchmark::DoNotOptimize(renderer.render(*scene.window->layer(), t += 0.01, canvas));
}
BENCHMARK(BM_OutlineDrawingFrame)->Unit(benchmark::kMicrosecond);

void BM_UnchangedFrame(benchmark::State& state) {
  foundation::RunLoop::useVirtualClock(1);
  MarqueeScene scene(Presentation::Outline);
  render::Renderer renderer;
  render::Canvas canvas({300, 40});
  double t = now();
  renderer.render(*scene.window->layer(), t, canvas);
  for (auto _ : state) benchmark::DoNotOptimize(renderer.render(*scene.window->layer(), t += 0.01, canvas));
}
BENCHMARK(BM_UnchangedFrame);

// The always-on window mid-shatter: 100 tiles of one snapshot, each turning,
// drifting, fading and shrinking.
void BM_ShatterFrame375x812(benchmark::State& state) {
  foundation::RunLoop::useVirtualClock(1);
  auto window = std::make_shared<ui::View>(Rect{0, 0, 375, 812});
  window->setBackgroundColor(Color::black());
  auto smash = std::make_shared<ui::View>(Rect{30, 200, 315, 412});
  window->addSubview(smash);
  auto label = std::make_shared<ui::Label>(smash->bounds());
  label->setFont(Font::fontWithName("PingFangSC-Regular", 28));
  label->setTextColor(Color::white());
  label->setNumberOfLines(0);
  label->setLineBreakMode(quartz::LineBreakMode::WordWrap);
  label->setTextAlignment(quartz::TextAlignment::Center);
  label->setText(cjkLine(1) + cjkLine(2));
  smash->addSubview(label);
  quartz::Transaction::flush();
  auto snapshot = render::snapshotView(*label);
  label->setText(cjkLine(5));
  double w = smash->frame().width(), h = smash->frame().height();
  unsigned seed = 1;
  auto rnd = [&seed](unsigned range) {
    seed = seed * 1103515245u + 12345u;
    return 1 + (seed >> 8) % (range + 1);
  };
  for (int i = 0; i < 100; ++i) {
    int c = i % 10, r = i / 10;
    auto tile = std::make_shared<ui::ImageView>(Rect{0.1 * w * c, 0.1 * h * r, 0.1 * w, 0.1 * h});
    tile->setImage(snapshot);
    tile->layer()->setContentsRect({0.1 * c, 0.1 * r, 0.1, 0.1});
    smash->addSubview(tile);
    quartz::Transform3D to = quartz::concat(quartz::Transform3D::makeRotation(rnd(360) * M_PI / 180, 1, 1, 1),
                                            quartz::Transform3D::makeTranslation(rnd(100), rnd(100), 0));
    quartz::BasicAnimation move("transform");
    move.setFromValue(quartz::Transform3D::identity());
    move.setToValue(to);
    move.setDuration(1000);
    move.setTimingFunction(quartz::TimingFunction::easeInEaseOut());
    tile->layer()->addAnimation(move, "transform");
    for (const char* key : {"opacity", "transform.scale"}) {
      quartz::BasicAnimation fade(key);
      fade.setFromValue(1.0);
      fade.setToValue(0.0);
      fade.setDuration(1000);
      fade.setFillMode(quartz::FillMode::Forwards);
      fade.setRemovedOnCompletion(false);
      tile->layer()->addAnimation(fade, key);
    }
  }
  quartz::Transaction::flush();
  render::Renderer renderer;
  render::Canvas canvas({375, 812});
  double t = now() + 300;  // about a third of the way through
  for (auto _ : state) benchmark::DoNotOptimize(renderer.render(*window->layer(), t += 1.0, canvas));
}
BENCHMARK(BM_ShatterFrame375x812)->Unit(benchmark::kMicrosecond);

}  // namespace
