// `preview floating`: the floating lyric window as start-up creates it.

#include <cmath>
#include <cstdlib>
#include <string>

#include "Commands.h"
#include "Preview.h"
#include "floating/MMLyricSuperWindow.h"
#include "settings/SettingDefaults.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"
#include "ui/Screen.h"
#include "ui/Window.h"

namespace tool {

namespace {

constexpr double kQuarterTurn = 1.5707963267948966;

}  // namespace

std::shared_ptr<MMLyricSuperWindow> makeFloatingWindow(const std::optional<ui::Rect>& frame, bool landscape) {
  // The defaults start-up stores, then the colour defaults the settings
  // panel stores when it is created (before the window).
  applyStartupDefaults();
  applyLyricColorDefaults();

  ui::Rect placed;
  if (frame) {
    placed = *frame;
  } else {
    const ui::Rect screen = ui::Screen::main().bounds();
    // Read in double precision, so the default 0.8 of a 375-point screen is
    // exactly 300 points wide.
    auto number = [](std::string_view key) { return std::strtod(settingText(key).c_str(), nullptr); };
    placed = ui::Rect(number(SettingKey::X), number(SettingKey::Y), number(SettingKey::width) * screen.width(),
                      number(SettingKey::height));
  }
  auto window = MMLyricSuperWindow::initWithFrame(ui::Rect(placed.x(), placed.y(), placed.width(), placed.height()));
  window->setWindowLevel(ui::WindowLevel::alert);
  window->layer()->setCornerRadius(settingNumber(SettingKey::corner));
  window->makeKeyAndVisible();
  if (landscape) {
    // Turned a quarter turn about its centre; its screen frame is then the
    // given size on its side, at the given origin.
    window->setTransform(quartz::rotate(window->transform(), kQuarterTurn));
    window->setFrame(ui::Rect(placed.x(), placed.y(), placed.height(), placed.width()));
    window->setIsHP(true);
  }
  return window;
}

int previewFloatingCommand(Arguments args, CommandIO& io) {
  PreviewOptions options;
  std::optional<std::string> lyric;
  std::optional<ui::Rect> frame;
  bool landscape = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string error;
    if (parsePreviewOption(args, i, options, error)) {
      if (!error.empty()) return usageError(io, "preview floating: " + error);
      continue;
    }
    const std::string_view arg = args[i];
    if (arg == "--landscape") {
      landscape = true;
    } else if ((arg == "--lyric" || arg == "--frame") && i + 1 < args.size()) {
      const std::string_view value = args[++i];
      if (arg == "--lyric") {
        lyric = std::string(value);
      } else {
        auto numbers = parseNumberList(value, 4);
        if (!numbers || (*numbers)[2] < 0 || (*numbers)[3] < 0)
          return usageError(io, "preview floating: --frame expects X,Y,W,H, got '" + std::string(value) + "'");
        frame = ui::Rect((*numbers)[0], (*numbers)[1], (*numbers)[2], (*numbers)[3]);
      }
    } else {
      return usageError(io, "preview floating: unexpected argument '" + std::string(arg) + "'");
    }
  }
  if (!lyric) return usageError(io, "preview floating: --lyric TEXT is required");
  if (options.png.empty() && !options.dump) options.dump = true;

  PreviewSession session;
  storeSettings(options);
  auto window = makeFloatingWindow(frame, landscape);
  window->setLyric(*lyric);
  runFor(options.at);
  return finishPreview(*window, options, io);
}

}  // namespace tool
