// Costs of the preference page and its font chooser, hosted as the Settings
// app hosts them (a window, a navigation controller, the page):
//  - building the page: emptying it, building every view, reading the two
//    switches from the settings file, and the commit (layout and drawing
//    recorded), then rendering it;
//  - the chooser's first screen with about 100 installed fonts: the list
//    from the font system, the table and the cells on screen, each name in
//    its own face, committed and rendered once;
//  - scrolling the chooser by one screen: the frames of the scroll
//    animation, rendered at 60 per second.
// About 100 fonts: the DejaVu and WenQuanYi files are copied four times into
// a temporary folder, each copy scanned under its own family and PostScript
// names (a generated fontconfig file), so every row is a face of its own.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/DeviceRoot.h"
#include "foundation/RunLoop.h"
#include "prefs/FontsVC.h"
#include "prefs/MMRootListController.h"
#include "quartz/Transaction.h"
#include "render/Renderer.h"
#include "text/FontDatabase.h"
#include "ui/Application.h"
#include "ui/NavigationController.h"
#include "ui/Screen.h"
#include "ui/Window.h"

namespace {

namespace fs = std::filesystem;

constexpr int kCopies = 4;

std::string xmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

// A fontconfig file that sees the test fonts and kCopies renamed copies.
void pinManyFonts(const fs::path& dir) {
  std::vector<fs::path> originals;
  for (const char* folder : {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/wqy"}) {
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(folder, ec))
      if (item.path().extension() == ".ttf" || item.path().extension() == ".ttc") originals.push_back(item.path());
  }
  std::ofstream conf(dir / "fonts.conf");
  conf << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n<fontconfig>\n"
       << "  <dir>/usr/share/fonts/truetype/dejavu</dir>\n  <dir>/usr/share/fonts/truetype/wqy</dir>\n"
       << "  <cachedir>" << (dir / "cache").string() << "</cachedir>\n";
  for (int copy = 1; copy <= kCopies; ++copy) {
    const fs::path folder = dir / ("copy" + std::to_string(copy));
    fs::create_directories(folder);
    conf << "  <dir>" << folder.string() << "</dir>\n";
    for (const fs::path& file : originals) {
      std::error_code ec;
      fs::copy_file(file, folder / file.filename(), ec);
      // Every face of the copy gets a family and PostScript name of its own.
      conf << "  <match target=\"scan\"><test name=\"file\"><string>"
           << xmlEscaped((folder / file.filename()).string()) << "</string></test>\n"
           << "    <edit name=\"family\" mode=\"prepend\"><string>Copy" << copy << " "
           << xmlEscaped(file.stem().string()) << "</string></edit>\n"
           << "    <edit name=\"postscriptname\" mode=\"assign\"><string>Copy" << copy << "-"
           << xmlEscaped(file.stem().string()) << "</string></edit>\n  </match>\n";
    }
  }
  conf << "</fontconfig>\n";
  conf.close();
  ::setenv("FONTCONFIG_FILE", (dir / "fonts.conf").c_str(), 1);
}

// The fonts and the device root, made once per process (fontconfig reads
// its configuration once) and removed at exit.
class Folder {
 public:
  static const fs::path& path() {
    static Folder folder;
    return folder.dir_;
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

 private:
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "hv-prefs-bench-XXXXXX").string();
    if (const char* made = ::mkdtemp(pattern.data())) dir_ = made;
    pinManyFonts(dir_);
  }
  fs::path dir_;
};

class Setup {
 public:
  Setup() {
    foundation::DeviceRoot::setRoot(Folder::path() / "device");
    foundation::RunLoop::useVirtualClock(1);
    ui::Screen::main().reset();
    MMRootListController::setRestartCommand(":");
    page = MMRootListController::init();
    page->setBundle(preferences::Bundle(HV_PREFS_RESOURCES));
    nav = ui::NavigationController::initWithRootViewController(page);
    window = std::make_shared<ui::Window>(ui::Screen::main().bounds());
    window->setRootViewController(nav);
    window->makeKeyAndVisible();
    advance(0.05);
  }
  ~Setup() {
    window.reset();
    nav.reset();
    page.reset();
    ui::Application::shared().reset();
    foundation::DeviceRoot::setRoot({});
  }
  static void advance(double s) {
    foundation::RunLoop::main().advance(s);
    quartz::Transaction::flush();
  }
  void render() const {
    benchmark::DoNotOptimize(
        render::Renderer::shared().renderImage(*window->layer(), foundation::RunLoop::main().now(), 1.0));
  }

  std::shared_ptr<MMRootListController> page;
  std::shared_ptr<ui::NavigationController> nav;
  std::shared_ptr<ui::Window> window;
};

// The first time the chooser opens in the process: no face of its rows has
// been loaded or drawn before.
void BM_ChooserFirstScreenCold(benchmark::State& state) {
  Setup setup;
  state.counters["fonts"] = static_cast<double>(FontsVC::getAllSystemFonts().size());
  for (auto _ : state) {
    setup.nav->pushViewController(FontsVC::init(), false);
    Setup::advance(0);
    setup.render();
  }
}
BENCHMARK(BM_ChooserFirstScreenCold)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_BuildPage(benchmark::State& state) {
  Setup setup;
  for (auto _ : state) {
    setup.page->didChangeRotate();
    Setup::advance(0.02);
    benchmark::DoNotOptimize(setup.page->switchRowA().get());
  }
}
BENCHMARK(BM_BuildPage)->Unit(benchmark::kMillisecond);

void BM_BuildAndRenderPage(benchmark::State& state) {
  Setup setup;
  for (auto _ : state) {
    setup.page->didChangeRotate();
    Setup::advance(0.02);
    setup.render();
  }
}
BENCHMARK(BM_BuildAndRenderPage)->Unit(benchmark::kMillisecond);

// Opening it again: the faces are loaded, the glyphs cached.
void BM_ChooserFirstScreen(benchmark::State& state) {
  Setup setup;
  state.counters["fonts"] = static_cast<double>(FontsVC::getAllSystemFonts().size());
  for (auto _ : state) {
    auto chooser = FontsVC::init();
    setup.nav->pushViewController(chooser, false);
    Setup::advance(0);
    setup.render();
    state.PauseTiming();
    setup.nav->popViewControllerAnimated(false);
    Setup::advance(0);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ChooserFirstScreen)->Unit(benchmark::kMillisecond);

// One screen down (animated, 0.3 s), every 60th of a second rendered for
// 20 frames; items are frames.
void BM_ChooserScrollFrame(benchmark::State& state) {
  Setup setup;
  auto chooser = FontsVC::init();
  setup.nav->pushViewController(chooser, false);
  Setup::advance(0);
  setup.render();
  ui::TableView& table = *chooser->table();
  const double screen = table.bounds().height();
  std::int64_t frames = 0;
  for (auto _ : state) {
    state.PauseTiming();
    double y = table.contentOffset().y + screen;
    if (y > table.maximumContentOffset().y) y = 0;
    state.ResumeTiming();
    table.setContentOffset({0, y}, true);
    for (int f = 0; f < 20; ++f) {
      Setup::advance(1.0 / 60);
      setup.render();
      ++frames;
    }
  }
  // items_per_second is frames per second of CPU time.
  state.SetItemsProcessed(frames);
}
BENCHMARK(BM_ChooserScrollFrame)->Unit(benchmark::kMillisecond);

}  // namespace
