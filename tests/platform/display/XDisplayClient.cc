// A second process for the X display tests: shows one window on the given
// display with its own XDisplay, says "shown" once the server holds it,
// says "tap" for each tap on it, and when its standard input closes prints "taps N" and
// exits.
//
// usage: display_test_client DISPLAY LEVEL X Y W H RRGGBB ALPHA INTERACTIVE

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "display/XDisplay.h"
#include "foundation/RunLoop.h"
#include "ui/GestureRecognizer.h"
#include "ui/Window.h"

int main(int argc, char** argv) {
  if (argc != 10) {
    std::fprintf(stderr, "usage: %s DISPLAY LEVEL X Y W H RRGGBB ALPHA INTERACTIVE\n", argv[0]);
    return 2;
  }
  std::string error;
  auto xdisplay = display::XDisplay::open(argv[1], 1.0, &error);
  if (!xdisplay) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const unsigned long rgb = std::strtoul(argv[7], nullptr, 16);
  auto window = std::make_shared<ui::Window>(
      ui::Rect{std::atof(argv[3]), std::atof(argv[4]), std::atof(argv[5]), std::atof(argv[6])});
  window->setWindowLevel(std::atof(argv[2]));
  window->setBackgroundColor(ui::Color::colorWithRed(((rgb >> 16) & 0xff) / 255.0, ((rgb >> 8) & 0xff) / 255.0,
                                                     (rgb & 0xff) / 255.0, 1));
  window->setAlpha(std::atof(argv[8]));
  window->setUserInteractionEnabled(std::atoi(argv[9]) != 0);
  int taps = 0;
  window->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([&taps](ui::GestureRecognizer& r) {
    if (r.state() != ui::GestureRecognizerState::Ended) return;
    ++taps;
    std::printf("tap\n");
    std::fflush(stdout);
  }));
  window->setHidden(false);
  xdisplay->flush();
  if (!xdisplay->sync()) return 1;
  std::printf("shown %u\n", xdisplay->xWindowFor(*window));
  std::fflush(stdout);

  foundation::RunLoop& loop = foundation::RunLoop::main();
  foundation::SourceHandle input = loop.addFileDescriptor(STDIN_FILENO, [&] {
    char buffer[64];
    if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) loop.stop();
  });
  loop.run();
  std::printf("taps %d\n", taps);
  std::fflush(stdout);
  return 0;
}
