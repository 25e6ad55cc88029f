#pragma once
// Shared plumbing of the `preview` and `showcase` commands: the options every
// preview takes (--set, --at, --png, --dump), a device root of its own (a
// fresh temporary one unless HOVERVERSE_ROOT is set), a virtual clock and
// the default screen, settings stored where the system reads them, and a
// window's committed tree rendered into a PNG or described as JSON.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Commands.h"
#include "quartz/Image.h"
#include "ui/Geometry.h"
#include "ui/TreeDump.h"

class MMLyricSuperWindow;
namespace ui {
class View;
}  // namespace ui

namespace tool {

// A tablet's screen in points, for --idiom pad (a phone's is the default
// 375 x 812).
inline constexpr double kPadWidth = 1024;
inline constexpr double kPadHeight = 1366;

struct PreviewOptions {
  std::vector<std::pair<std::string, std::string>> settings;  // --set KEY=VALUE, in order
  double at = 0;        // --at SECONDS on the virtual clock
  std::string png;      // --png FILE
  bool dump = false;    // --dump: the window's tree as JSON on stdout
};

// Parses one shared option at args[i] (advancing i past its value). Returns
// true when it was one; false when args[i] is not a shared option. A shared
// option with a bad or missing value sets `error`.
bool parsePreviewOption(Arguments args, std::size_t& i, PreviewOptions& options, std::string& error);

// The surroundings of one preview: device root (temporary unless
// HOVERVERSE_ROOT is set; removed afterwards), the home screen's defaults
// store (see HomeScreen.h) opened in it, a virtual clock on the main run loop, the default screen
// (375 x 812 points at scale 1). One at a time per process.
class PreviewSession {
 public:
  PreviewSession();
  ~PreviewSession();
  PreviewSession(const PreviewSession&) = delete;
  PreviewSession& operator=(const PreviewSession&) = delete;

  const std::filesystem::path& root() const { return root_; }
  bool isTemporary() const { return temporary_; }

 private:
  std::filesystem::path root_;
  bool temporary_ = false;
};

// Stores one setting as text where the system reads it: keys of the
// settings file ("USER_KEY_HVXI_BUNDLESETTING_…") into the settings file,
// every other key into the standard defaults store.
void storeSetting(std::string_view key, std::string_view value);
// Stores every --set in order and synchronizes the defaults store.
void storeSettings(const PreviewOptions& options);

// Runs the virtual clock for `seconds` and commits.
void runFor(double seconds);

// The window's committed tree drawn at the run loop's current time (its
// bounds, unturned, at `scale`).
std::shared_ptr<const quartz::Image> renderWindow(const ui::View& window, double scale = 1.0);
bool writeImage(const quartz::Image& image, const std::string& path);

// What --png and --dump ask for, for one window; reports failures on io.err.
// `names` labels particular views of the dump ("name").
int finishPreview(const ui::View& window, const PreviewOptions& options, CommandIO& io,
                  const ui::ViewNames* names = nullptr);

// The floating window as start-up makes it: the start-up and colour defaults
// stored, the frame from the settings (or `frame`), alert level, corner
// radius, shown. `landscape` turns it a quarter turn (its screen frame is
// then the size on its side) and sets isHP.
std::shared_ptr<MMLyricSuperWindow> makeFloatingWindow(const std::optional<ui::Rect>& frame, bool landscape);
int previewFloatingCommand(Arguments args, CommandIO& io);

// "X,Y,W,H" -> four numbers.
std::optional<std::vector<double>> parseNumberList(std::string_view text, std::size_t count);

}  // namespace tool
