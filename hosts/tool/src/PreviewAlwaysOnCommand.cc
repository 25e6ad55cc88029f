// `preview alwayson`: the always-on window with one line, optionally after a
// previous line, on a phone or a tablet.

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "AlwaysOnPreview.h"
#include "Preview.h"
#include "alwayson/FullScreenWindow.h"
#include "foundation/RunLoop.h"
#include "foundation/Text.h"
#include "lyric/LyricManager.h"
#include "render/ImageCodec.h"
#include "settings/SettingDefaults.h"
#include "ui/Device.h"
#include "ui/Screen.h"

namespace tool {

std::shared_ptr<FullScreenWindow> makeAlwaysOnWindow(bool pad) {
  ui::Device::current().setUserInterfaceIdiom(pad ? ui::UserInterfaceIdiom::Pad : ui::UserInterfaceIdiom::Phone);
  ui::Screen::main().setBounds(pad ? ui::Rect(0, 0, kPadWidth, kPadHeight) : ui::Rect(0, 0, 375, 812));
  // Artwork arrives as encoded bytes; the host installs the codec.
  render::installImageDecoder();
  // Start-up stores its defaults and, creating the settings panel, the
  // lyric colour defaults (opaque white) before the windows exist.
  applyStartupDefaults();
  applyLyricColorDefaults();
  auto window = FullScreenWindow::initWithFrame(ui::Screen::main().bounds());
  window->setWindowLevel(ui::WindowLevel::alert);
  window->setHidden(false);
  return window;
}

void feedSongName(const std::string& song) {
  // NetEase Cloud Music carries the line in "albumTitle" and the song in
  // "title" (wired output); a full update cuts cleanly.
  const foundation::Dictionary nowPlaying{{"albumTitle", ""}, {"artist", "hoververse"}, {"title", song},
                                          {"playbackDuration", 269}};
  LyricManager::shareManager().dicToLyric(foundation::Value(foundation::Dictionary{
      {"lyric", foundation::describe(foundation::Value(nowPlaying))}, {"bundleId", "com.netease.cloudmusic"}}));
}

int previewAlwaysOnCommand(Arguments args, CommandIO& io) {
  PreviewOptions options;
  std::optional<std::string> lyric;
  std::optional<std::string> previous;
  std::optional<std::string> song;
  std::optional<std::string> artwork;
  bool pad = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string error;
    if (parsePreviewOption(args, i, options, error)) {
      if (!error.empty()) return usageError(io, "preview alwayson: " + error);
      continue;
    }
    const std::string_view arg = args[i];
    if (i + 1 >= args.size()) return usageError(io, "preview alwayson: unexpected argument '" + std::string(arg) + "'");
    const std::string value(args[i + 1]);
    if (arg == "--lyric") {
      lyric = value;
    } else if (arg == "--previous") {
      previous = value;
    } else if (arg == "--song") {
      song = value;
    } else if (arg == "--artwork") {
      artwork = value;
    } else if (arg == "--idiom") {
      if (value != "phone" && value != "pad")
        return usageError(io, "preview alwayson: --idiom expects phone or pad, got '" + value + "'");
      pad = value == "pad";
    } else {
      return usageError(io, "preview alwayson: unexpected argument '" + std::string(arg) + "'");
    }
    ++i;
  }
  if (!lyric) return usageError(io, "preview alwayson: --lyric TEXT is required");
  if (options.png.empty() && !options.dump) options.dump = true;

  PreviewSession session;
  storeSettings(options);
  if (song) feedSongName(*song);
  auto window = makeAlwaysOnWindow(pad);
  if (artwork) {
    std::ifstream file(*artwork, std::ios::binary);
    if (!file) {
      io.err << "hoververse-tool: cannot read " << *artwork << "\n";
      return kExitFailure;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    window->addImageBase64(foundation::base64Encode(bytes.data(), bytes.size()));
  }
  if (previous) {
    window->fullScreenAddLyric(*previous);
    // One turn puts it on screen; a shatter of it is allowed to end, so that
    // the line's shatter breaks up the previous line as displayed.
    foundation::RunLoop::main().runOnce();
    if (!window->smashView()->isHidden())
      runFor(window->smashView()->animationDuration() + NarvSmashView::kTextDelay + 0.05);
  }
  window->fullScreenAddLyric(*lyric);
  runFor(options.at);
  return finishPreview(*window, options, io);
}

}  // namespace tool
