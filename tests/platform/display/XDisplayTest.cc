// The X display against real X servers (Xvfb, and xcompmgr where blending
// matters), with a second process (display_test_client) for what happens
// between processes. Waits are conditions with deadlines, checked while the
// run loop turns.

#include "display/XDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "PrivateBus.h"
#include "PrivateXServer.h"
#include "TestFonts.h"
#include "display/XTools.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "quartz/Transaction.h"
#include "render/Renderer.h"
#include "ui/Application.h"
#include "ui/GestureRecognizer.h"
#include "ui/Label.h"
#include "ui/Window.h"

extern char** environ;

namespace {

using testsupport::Compositing;
using testsupport::PrivateXServer;

struct Rgb {
  int r, g, b;
};
Rgb rgbOf(std::uint32_t p) { return {static_cast<int>((p >> 16) & 0xff), static_cast<int>((p >> 8) & 0xff), static_cast<int>(p & 0xff)}; }
bool near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

std::shared_ptr<ui::Window> showWindow(ui::Rect frame, double r, double g, double b, double level) {
  auto w = std::make_shared<ui::Window>(frame);
  w->setBackgroundColor(ui::Color::colorWithRed(r, g, b, 1));
  w->setWindowLevel(level);
  w->setHidden(false);
  return w;
}

// Whether the root shows `image` (opaque) with its top-left pixel at (x, y).
bool rootShows(const std::string& displayName, const quartz::Image& image, int x, int y) {
  auto root = display::captureRoot(displayName, nullptr);
  if (!root || x + image.width() > root->width() || y + image.height() > root->height()) return false;
  for (int j = 0; j < image.height(); ++j)
    for (int i = 0; i < image.width(); ++i)
      if ((root->pixelAt(x + i, y + j) & 0xffffff) != (image.pixelAt(i, j) & 0xffffff)) return false;
  return true;
}

// The largest difference of a channel between the root and `image` with
// its top-left pixel at (x, y); 256 when the root cannot be read there.
int rootDifference(const std::string& displayName, const quartz::Image& image, int x, int y) {
  auto root = display::captureRoot(displayName, nullptr);
  if (!root || x + image.width() > root->width() || y + image.height() > root->height()) return 256;
  int worst = 0;
  for (int j = 0; j < image.height(); ++j)
    for (int i = 0; i < image.width(); ++i)
      for (int shift = 0; shift < 24; shift += 8)
        worst = std::max(worst, std::abs(static_cast<int>((root->pixelAt(x + i, y + j) >> shift) & 0xff) -
                                         static_cast<int>((image.pixelAt(i, j) >> shift) & 0xff)));
  return worst;
}

std::optional<Rgb> rootPixel(const std::string& displayName, int x, int y) {
  auto root = display::captureRoot(displayName, nullptr);
  if (!root) return std::nullopt;
  return rgbOf(root->pixelAt(x, y));
}

// Turns the loop a few times with nothing due, so end-of-turn observers run.
void idleTurns(foundation::RunLoop& loop, int turns) {
  for (int i = 0; i < turns; ++i) {
    loop.dispatchAsync([] {});
    loop.runOnce();
  }
}

// A window of another process, shown by display_test_client.
class Client {
 public:
  Client(const std::string& displayName, double level, ui::Rect f, const char* rgb, double alpha = 1,
         bool interactive = true) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    const std::vector<std::string> args = {HV_DISPLAY_TEST_CLIENT, displayName, std::to_string(level),
                                           std::to_string(f.x()), std::to_string(f.y()), std::to_string(f.width()),
                                           std::to_string(f.height()), rgb, std::to_string(alpha),
                                           interactive ? "1" : "0"};
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    input_ = in[1];
    output_ = out[0];
  }
  ~Client() {
    if (input_ >= 0) ::close(input_);
    if (output_ >= 0) ::close(output_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  // The next line the client prints, or nullopt after `seconds`.
  std::optional<std::string> readLine(double seconds = 20) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (buffer_.find('\n') == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd p{output_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
      char chunk[256];
      const ssize_t n = ::read(output_, chunk, sizeof chunk);
      if (n <= 0) return std::nullopt;
      buffer_.append(chunk, static_cast<std::size_t>(n));
    }
    const auto end = buffer_.find('\n');
    std::string line = buffer_.substr(0, end);
    buffer_.erase(0, end + 1);
    return line;
  }
  bool waitShown() {
    auto line = readLine();
    return line && line->rfind("shown ", 0) == 0 && *line != "shown 0";
  }
  // Closes its input; what it reports last ("taps N").
  std::optional<std::string> finish() {
    ::close(input_);
    input_ = -1;
    std::optional<std::string> last;
    while (auto line = readLine()) last = line;
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return last;
  }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string buffer_;
};

class XDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    foundation::RunLoop::useMonotonicClock();
    ui::Application::shared().reset();
  }
  foundation::RunLoop& loop() { return foundation::RunLoop::main(); }
};

TEST_F(XDisplayTest, WindowAppearsAtFrameTimesScaleAndOnlyChangesArePresented) {
  PrivateXServer server(320, 240, Compositing::off);
  ASSERT_TRUE(server.ok());
  std::string error;
  auto xdisplay = display::XDisplay::open(server.name(), 2.0, &error);
  ASSERT_TRUE(xdisplay) << error;

  auto window = showWindow({10, 20, 80, 40}, 1, 1, 1, ui::WindowLevel::normal);
  auto label = std::make_shared<ui::Label>(ui::Rect{4, 4, 72, 32});
  label->setText("Hi");
  label->setTextColor(ui::Color::blackColor());
  window->addSubview(label);
  const auto expected = [&] {
    quartz::Transaction::flush();
    return render::Renderer().renderImage(*window->layer(), loop().now(), 2.0);
  };
  const auto first = expected();
  ASSERT_EQ(first->width(), 160);
  ASSERT_TRUE(testsupport::runUntil(loop(), [&] { return rootShows(server.name(), *first, 20, 40); }));
  EXPECT_NE(xdisplay->xWindowFor(*window), 0u);
  EXPECT_EQ(rootPixel(server.name(), 19, 39)->r, 0);  // outside: the black root

  const std::uint64_t before = xdisplay->framesPresented();
  label->setText("Hey!");
  const auto second = expected();
  ASSERT_FALSE(rootShows(server.name(), *second, 20, 40));
  loop().runOnce();  // the turn's end presents
  ASSERT_TRUE(xdisplay->sync());
  EXPECT_TRUE(rootShows(server.name(), *second, 20, 40));
  EXPECT_EQ(xdisplay->framesPresented(), before + 1);
  idleTurns(loop(), 5);
  EXPECT_EQ(xdisplay->framesPresented(), before + 1);  // static: nothing more

  // An animation is presented frame after frame until it ends, then nothing.
  bool finished = false;
  ui::View::animate(0.3, [&] { label->setAlpha(0); }, [&](bool) { finished = true; });
  ASSERT_TRUE(testsupport::runUntil(loop(), [&] { return finished; }));
  // A frame held back for the next refresh is put then; after it, no frame
  // timer is left.
  EXPECT_TRUE(testsupport::runUntil(loop(), [&] { return loop().nextDueTime() == foundation::Date::distantFuture; }));
  const std::uint64_t animated = xdisplay->framesPresented() - (before + 1);
  EXPECT_GE(animated, 3u);
  idleTurns(loop(), 5);
  EXPECT_EQ(xdisplay->framesPresented(), before + 1 + animated);

  window->setHidden(true);  // unmapped: the root shows again
  loop().runOnce();
  EXPECT_EQ(xdisplay->xWindowFor(*window), 0u);
  ASSERT_TRUE(xdisplay->sync());
  EXPECT_EQ(rootPixel(server.name(), 100, 80)->r, 0);

  window->setHidden(false);  // mapped again: the whole image, though unchanged since the last put
  const auto third = expected();
  loop().runOnce();
  ASSERT_TRUE(xdisplay->sync());
  EXPECT_TRUE(rootShows(server.name(), *third, 20, 40));
}

// Only what differs from the last put goes out: a small window compares
// rows with its last frame, a window of 4 MiB and more hashes tiles of a
// row. Changes on either side of tile edges (widths no multiple of a
// tile) and several at once must all arrive, and nothing else may move.
// A view moved on every turn (a marquee steps 100 times a second) is put
// at most once per display refresh, and where it came to rest is put in the
// end; a new text is put at once, whenever the last put was.
TEST_F(XDisplayTest, MovesArePutAtMostOncePerRefreshAndNewTextAtOnce) {
  PrivateXServer server(320, 240, Compositing::off);
  ASSERT_TRUE(server.ok());
  std::string error;
  auto xdisplay = display::XDisplay::open(server.name(), 1.0, &error);
  ASSERT_TRUE(xdisplay) << error;
  auto window = showWindow({0, 20, 200, 40}, 1, 1, 1, ui::WindowLevel::normal);
  auto block = std::make_shared<ui::View>(ui::Rect{0, 0, 10, 40});
  block->setBackgroundColor(ui::Color::blackColor());
  window->addSubview(block);
  auto label = std::make_shared<ui::Label>(ui::Rect{120, 4, 72, 32});
  label->setText("Hi");
  label->setTextColor(ui::Color::blackColor());
  window->addSubview(label);
  ASSERT_TRUE(testsupport::runUntil(loop(), [&] { return xdisplay->xWindowFor(*window) != 0; }));
  ASSERT_TRUE(testsupport::runUntil(loop(), [&] { return loop().nextDueTime() == foundation::Date::distantFuture; }));
  // The black block's left edge at x, on the white window.
  const auto blockAt = [&](int x) {
    const auto left = rootPixel(server.name(), x - 1, 30);
    const auto edge = rootPixel(server.name(), x, 30);
    return left && edge && left->r == 255 && edge->r == 0;
  };

  const std::uint64_t before = xdisplay->framesPresented();
  const double start = loop().now();
  for (int step = 1; step <= 40; ++step) {
    block->setFrame({static_cast<double>(step), 0, 10, 40});
    idleTurns(loop(), 1);
  }
  const double elapsed = loop().now() - start;
  const std::uint64_t duringMoves = xdisplay->framesPresented() - before;
  EXPECT_LE(static_cast<double>(duringMoves), elapsed * 60 + 2) << duringMoves << " puts over " << elapsed << " s";
  // The held-back position is put at the next refresh.
  EXPECT_TRUE(testsupport::runUntil(loop(), [&] { return blockAt(40); }));
  EXPECT_TRUE(testsupport::runUntil(loop(), [&] { return loop().nextDueTime() == foundation::Date::distantFuture; }));

  // Right after a put, a new text does not wait for the refresh.
  block->setFrame({41, 0, 10, 40});
  idleTurns(loop(), 1);
  const std::uint64_t moved = xdisplay->framesPresented();
  label->setText("Hey!");
  idleTurns(loop(), 1);
  EXPECT_EQ(xdisplay->framesPresented(), moved + 1);
  ASSERT_TRUE(xdisplay->sync());
  EXPECT_TRUE(blockAt(41));
}

// A line scrolling in a clipped strip of a translucent window with rounded
// corners: once the line has moved twice running, the server composes each
// frame from the window less the line and the line alone, and shows what
// drawing the window would (up to one step of rounding). A new text is
// drawn and put whole; moving again composes again.
TEST_F(XDisplayTest, AScrollingLineIsComposedByTheServerAsItWouldBeDrawn) {
  PrivateXServer server(320, 240, Compositing::off);
  ASSERT_TRUE(server.ok());
  std::string error;
  auto xdisplay = display::XDisplay::open(server.name(), 2.0, &error);
  ASSERT_TRUE(xdisplay) << error;
  auto window = showWindow({10, 20, 120, 24}, 0, 0, 0, ui::WindowLevel::normal);
  window->setBackgroundColor(ui::Color::colorWithRed(0, 0, 0, 0.4));
  window->layer()->setCornerRadius(5);  // as the floating window's, so its clip goes as a mask
  window->setClipsToBounds(true);
  auto strip = std::make_shared<ui::View>(ui::Rect{6, 2, 108, 20});
  strip->setClipsToBounds(true);
  strip->setBackgroundColor(ui::Color::colorWithRed(0.2, 0.3, 0.9, 0.5));
  window->addSubview(strip);
  auto line = std::make_shared<ui::Label>(ui::Rect{0, 0, 300, 20});
  line->setText("a line much wider than its window, scrolling on");
  line->setTextColor(ui::Color::whiteColor());
  strip->addSubview(line);
  const auto expected = [&] {
    quartz::Transaction::flush();
    return render::Renderer().renderImage(*window->layer(), loop().now(), 2.0);
  };
  ASSERT_TRUE(testsupport::runUntil(loop(), [&] { return rootDifference(server.name(), *expected(), 20, 40) == 0; }));

  const auto scrollTo = [&](double x) {
    line->setFrame({x, 0, 300, 20});
    xdisplay->flush();
    ASSERT_TRUE(xdisplay->sync());
    EXPECT_LE(rootDifference(server.name(), *expected(), 20, 40), 1) << "at " << x;
  };
  const std::uint64_t before = xdisplay->framesComposed();
  for (int step = 1; step <= 12; ++step) scrollTo(-1.75 * step);  // halves of pixels at scale 2
  EXPECT_EQ(xdisplay->framesComposed(), before + 11);

  line->setText("a new line, shorter");
  xdisplay->flush();
  ASSERT_TRUE(xdisplay->sync());
  EXPECT_EQ(rootDifference(server.name(), *expected(), 20, 40), 0);
  EXPECT_EQ(xdisplay->framesComposed(), before + 11);
  for (const double x : {-3.0, -6.5, -10.0}) scrollTo(x);
  EXPECT_EQ(xdisplay->framesComposed(), before + 13);
}

TEST_F(XDisplayTest, EachChangeArrivesWhereverItLandsInTheWindow) {
  PrivateXServer server(1200, 1000, Compositing::off);
  ASSERT_TRUE(server.ok());
  std::string error;
  auto xdisplay = display::XDisplay::open(server.name(), 1.0, &error);
  ASSERT_TRUE(xdisplay) << error;

  for (const ui::Rect frame : {ui::Rect{7, 9, 203, 70}, ui::Rect{13, 11, 1101, 961}}) {
    SCOPED_TRACE(frame.width());
    auto window = showWindow(frame, 1, 1, 1, ui::WindowLevel::normal);
    const double w = frame.width();
    const double h = frame.height();
    std::vector<std::shared_ptr<ui::Label>> labels;
    for (const ui::Rect place : {ui::Rect{2, 3, 60, 20}, ui::Rect{w / 4, h / 2, w / 2, 20}, ui::Rect{w - 53, h - 22, 52, 20}}) {
      auto label = std::make_shared<ui::Label>(place);
      label->setTextColor(ui::Color::blackColor());
      label->setText("a");
      window->addSubview(label);
      labels.push_back(label);
    }
    const auto expected = [&] {
      quartz::Transaction::flush();
      return render::Renderer().renderImage(*window->layer(), loop().now(), 1.0);
    };
    const int x = static_cast<int>(frame.x());
    const int y = static_cast<int>(frame.y());
    ASSERT_TRUE(testsupport::runUntil(loop(), [&] { return rootShows(server.name(), *expected(), x, y); }));

    struct Change {
      std::vector<int> labels;
      const char* text;
    };
    const Change changes[] = {{{0}, "left"}, {{1}, "across tiles"}, {{2}, "edge"}, {{0, 2}, "both"}, {{1}, ""}};
    for (const Change& change : changes) {
      SCOPED_TRACE(change.text);
      const std::uint64_t before = xdisplay->framesPresented();
      for (int i : change.labels) labels[static_cast<std::size_t>(i)]->setText(change.text);
      const auto image = expected();
      loop().runOnce();
      ASSERT_TRUE(xdisplay->sync());
      EXPECT_TRUE(rootShows(server.name(), *image, x, y));
      EXPECT_EQ(xdisplay->framesPresented(), before + 1);
    }
    window->setHidden(true);
    loop().runOnce();
  }
}

TEST_F(XDisplayTest, ProcessesStackByLevelWhateverTheOrderTheyMapIn) {
  struct Case {
    double ownLevel, otherLevel;
    bool ownFirst;
    bool ownOnTop;
  };
  const Case cases[] = {
      {ui::WindowLevel::normal, ui::WindowLevel::alert, true, false},
      {ui::WindowLevel::normal, ui::WindowLevel::alert, false, false},
      {ui::WindowLevel::alert, ui::WindowLevel::normal, true, true},
      {ui::WindowLevel::alert, ui::WindowLevel::normal, false, true},
      {ui::WindowLevel::normal, ui::WindowLevel::normal, true, false},  // equal: the later one is above
      {ui::WindowLevel::normal, ui::WindowLevel::normal, false, true},
      {2000.5, 2000.25, true, true},  // fractional levels keep their order
  };
  PrivateXServer server(200, 200, Compositing::off);
  ASSERT_TRUE(server.ok());
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.ownLevel << " vs " << c.otherLevel << (c.ownFirst ? ", own first" : ", other first"));
    std::string error;
    auto xdisplay = display::XDisplay::open(server.name(), 1.0, &error);
    ASSERT_TRUE(xdisplay) << error;
    std::shared_ptr<ui::Window> own;
    std::optional<Client> other;
    if (c.ownFirst) {
      own = showWindow({0, 0, 100, 100}, 1, 0, 0, c.ownLevel);
      xdisplay->flush();
      ASSERT_TRUE(xdisplay->sync());
    }
    other.emplace(server.name(), c.otherLevel, ui::Rect{50, 50, 100, 100}, "0000ff");
    ASSERT_TRUE(other->waitShown());
    if (!c.ownFirst) own = showWindow({0, 0, 100, 100}, 1, 0, 0, c.ownLevel);
    const Rgb top = c.ownOnTop ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
    EXPECT_TRUE(testsupport::runUntil(loop(), [&] {
      const auto p = rootPixel(server.name(), 75, 75);
      return p && near(*p, top, 0);
    }));
    other->finish();
    own.reset();
    xdisplay.reset();
  }
}

TEST_F(XDisplayTest, TranslucentWindowBlendsOverAnotherProcessUnderTheCompositor) {
  PrivateXServer server(200, 200, Compositing::on);
  ASSERT_TRUE(server.ok());
  std::string error;
  auto xdisplay = display::XDisplay::open(server.name(), 1.0, &error);
  ASSERT_TRUE(xdisplay) << error;
  Client other(server.name(), ui::WindowLevel::normal, {0, 0, 100, 100}, "ff0000");
  ASSERT_TRUE(other.waitShown());
  auto own = showWindow({50, 50, 100, 100}, 0, 0, 1, ui::WindowLevel::alert);
  own->setAlpha(0.5);
  const Rgb overOther{128, 0, 127};
  std::optional<Rgb> a, b, c, background;
  EXPECT_TRUE(testsupport::runUntil(loop(), [&] {
    a = rootPixel(server.name(), 75, 75);
    b = rootPixel(server.name(), 125, 125);
    c = rootPixel(server.name(), 25, 25);
    background = rootPixel(server.name(), 190, 190);  // whatever the compositor paints there
    if (!a || !b || !c || !background) return false;
    const Rgb overBackground{background->r / 2, background->g / 2, background->b / 2 + 128};
    return near(*a, overOther, 2) && near(*b, overBackground, 2) && near(*c, {255, 0, 0}, 0);
  })) << "over the other window " << a->r << "," << a->g << "," << a->b << "; over the background " << b->r << ","
      << b->g << "," << b->b << "; the other window alone " << c->r << "," << c->g << "," << c->b;
}

TEST_F(XDisplayTest, PointerBecomesATouchOrFallsThroughToTheProcessBelow) {
  struct Case {
    const char* name;
    double alpha;
    bool interactive;
    bool otherTaps;  // else the window below, ours, gets the tap
  };
  const Case cases[] = {
      {"opaque and interactive", 1, true, true},
      {"transparent", 0, true, false},
      {"user interaction disabled", 1, false, false},
  };
  PrivateXServer server(200, 200, Compositing::off);
  ASSERT_TRUE(server.ok());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    auto xdisplay = display::XDisplay::open(server.name(), 2.0, &error);
    ASSERT_TRUE(xdisplay) << error;
    auto own = showWindow({0, 0, 50, 50}, 1, 0, 0, ui::WindowLevel::normal);
    std::vector<ui::Point> taps;
    auto tap = std::make_shared<ui::TapGestureRecognizer>([&](ui::GestureRecognizer& r) {
      if (r.state() == ui::GestureRecognizerState::Ended) taps.push_back(r.locationInView(nullptr));
    });
    own->addGestureRecognizer(tap);
    xdisplay->flush();
    ASSERT_TRUE(xdisplay->sync());
    Client other(server.name(), ui::WindowLevel::alert, {25, 25, 50, 50}, "0000ff", c.alpha, c.interactive);
    const auto shown = other.readLine();
    ASSERT_TRUE(shown && shown->rfind("shown ", 0) == 0);
    // A fully transparent window is not on the server at all (no X window
    // mapped, no pixels kept); the others are.
    EXPECT_EQ(*shown == "shown 0", c.alpha < 0.01);
    // Pixel (60, 70) is inside both windows: (30, 35) in our points at scale 2.
    ASSERT_TRUE(display::injectPointer(server.name(),
                                       {{display::PointerAction::press, 60, 70}, {display::PointerAction::release, 60, 70}},
                                       &error))
        << error;
    if (c.otherTaps) {
      EXPECT_EQ(other.readLine(), "tap");
      ASSERT_TRUE(xdisplay->sync());
      idleTurns(loop(), 3);
      EXPECT_TRUE(taps.empty());
    } else {
      ASSERT_TRUE(testsupport::runUntil(loop(), [&] { return !taps.empty(); }));
      EXPECT_EQ(taps.front(), (ui::Point{30, 35}));
      EXPECT_EQ(other.finish(), "taps 0");
    }
  }
}

TEST_F(XDisplayTest, SurvivesItsWindowDestroyedAndTheServerGone) {
  auto server = std::make_unique<PrivateXServer>(200, 200, Compositing::off);
  ASSERT_TRUE(server->ok());
  const std::string name = server->name();
  std::string error;
  auto xdisplay = display::XDisplay::open(name, 1.0, &error);
  ASSERT_TRUE(xdisplay) << error;
  auto window = showWindow({10, 10, 50, 50}, 0, 1, 0, ui::WindowLevel::normal);
  xdisplay->flush();
  ASSERT_TRUE(xdisplay->sync());
  const std::uint32_t first = xdisplay->xWindowFor(*window);
  ASSERT_NE(first, 0u);

  // Another client destroys the window: it comes back as a new X window.
  foundation::clearLoggedLines();
  xcb_connection_t* other = xcb_connect(name.c_str(), nullptr);
  xcb_destroy_window(other, first);
  std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));  // handled before we go on
  xcb_disconnect(other);
  ASSERT_TRUE(testsupport::runUntil(loop(), [&] {
    const std::uint32_t now = xdisplay->xWindowFor(*window);
    return now != 0 && now != first;
  }));
  ASSERT_TRUE(xdisplay->sync());
  EXPECT_TRUE(testsupport::runUntil(loop(), [&] {
    const auto p = rootPixel(name, 30, 30);
    return p && near(*p, {0, 255, 0}, 0);
  }));

  server.reset();  // the X server goes away
  ASSERT_TRUE(testsupport::runUntil(loop(), [&] { return !xdisplay->isConnected(); }));
  const auto& lines = foundation::loggedLines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("connection to the X server broke") != std::string::npos; }));
  window->setBackgroundColor(ui::Color::colorWithRed(1, 0, 0, 1));
  loop().runOnce();
  EXPECT_FALSE(xdisplay->flush());
  EXPECT_FALSE(xdisplay->sync());
}

TEST_F(XDisplayTest, UnreachableServerIsAnErrorNotACrash) {
  std::string error;
  EXPECT_FALSE(display::XDisplay::open(":65000", 1.0, &error));
  EXPECT_NE(error.find(":65000"), std::string::npos) << error;
  EXPECT_FALSE(display::captureRoot(":65000", &error));
  EXPECT_FALSE(display::injectPointer(":65000", {{display::PointerAction::press, 1, 1}}, &error));
}

}  // namespace
