#pragma once
// The live display: puts this process's windows on an X server, one X
// window per visible ui::Window, serviced by the main run loop (the X
// connection is one of its descriptor sources; no thread).
//
// Each X window is override-redirect, depth 32 with an ARGB visual
// (premultiplied pixels, as the renderer draws them), at the window's frame
// times the display's scale. Windows hidden by the model, and windows fully
// transparent (alpha below 0.01) with nothing animating, are unmapped, the
// latter also giving back their pixel buffers until they show again; a
// window gone from the application loses its X window.
//
// Stacking across processes: every X window carries its level in the
// property named kWindowLevelProperty (type INTEGER, format 32, one value:
// the level in thousandths, rounded and clamped to 32 bits). A window being
// mapped, raised (shown again) or changing level inserts itself just above
// the topmost root child whose level is not above its own; children
// without the property count as lowest; with none, it goes to the bottom.
// The query and the move happen under a server grab, so processes mapping
// at once cannot interleave and none fights another for the top.
//
// Presentation: an end-of-turn observer of the main run loop commits and
// then, for each window whose committed tree changed (or whose animations
// run), draws it with the renderer and puts the image to the server (MIT-SHM
// when the server offers file-descriptor segments, else plain PutImage in
// requests under the server's maximum length). With MIT-SHM a large window
// (full screen) draws straight into its segment, so it keeps one buffer
// (two with a transform or opacity of its own) and finds what changed from
// hashes of tiles; a smaller one compares with its last frame, kept in the
// segment. Only the part that differs from the last put goes out. A window
// in which one layer only moves, frame after frame, is split in two images
// the server keeps (the window less that layer, and the layer alone; see
// render/LayerSplit.h), and each frame is then composed by the server with
// RENDER: three small requests instead of drawing and putting pixels. While
// something animates a 60 Hz run-loop timer keeps turns coming; it exists
// only then, so a static screen costs nothing. Expose events re-put the last image.
//
// Input: pointer button 1 pressed, moved and released on one of these
// windows becomes ui::Application::sendTouch at the point in screen points
// (X pixels divided by the scale). A window that takes no touches (alpha
// below 0.01, or user interaction disabled) gets an empty input shape, so
// the pointer falls through to whatever lies below, in any process.
//
// X errors are logged and survived; a window another client destroys is
// made again; a lost connection is logged once, after which nothing is
// presented. Open one per process: each one shows every window.
//
// On a user's desktop (Options::desktop) each window is instead a managed
// top-level window: above others, out of the task bar and pager,
// undecorated, never focused, named after the system's window, placed where
// the system put it relative to the screen's origin on the root (a monitor's
// corner). It is 32-bit ARGB while a compositing manager runs, else 24-bit
// with the pixels drawn over Options::background; when a compositor comes
// or goes the windows are made again. Stacking among this process's windows
// follows their levels; the window manager keeps them above other clients.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "display/Monitor.h"

namespace ui {
class Window;
}

namespace display {

inline constexpr const char* kWindowLevelProperty = "_HOVERVERSE_WINDOW_LEVEL";

class XDisplay {
 public:
  struct Options {
    double scale = 1;  // pixels per point
    bool desktop = false;
    // Desktop: the root pixel at which the system's screen begins.
    int originX = 0, originY = 0;
    // Desktop without a compositing manager: what the pixels are drawn over.
    std::uint32_t background = 0x1c1c1e;  // 0xRRGGBB
    // Desktop: the name a window carries (empty: its class name), and
    // whether it is a full-screen stage; asked when its X window is made.
    std::function<std::string(const ui::Window&)> windowName;
    std::function<bool(const ui::Window&)> isFullScreen;
  };
  static std::unique_ptr<XDisplay> open(const std::string& displayName, const Options& options, std::string* error);
  // Connects to the named X server (empty: $DISPLAY) and from now on shows
  // ui::Application's windows at `scale` pixels per point. Null, with the
  // reason in *error, when the server cannot be reached, lacks a 32-bit
  // visual or the main run loop runs on a virtual clock (which never polls).
  static std::unique_ptr<XDisplay> open(const std::string& displayName, double scale, std::string* error);
  ~XDisplay();
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;

  double scale() const;
  bool isDesktop() const;
  // Desktop: whether windows are translucent (a compositing manager runs).
  bool isTranslucent() const;
  // Desktop: the screen's origin moves (another monitor); windows follow at
  // the next present.
  void setOrigin(int x, int y);
  // The screen's monitors (RandR 1.5; else the whole screen as one).
  std::vector<Monitor> monitors() const;
  // Desktop: called on the run loop after the monitors changed.
  void setMonitorsChangedHandler(std::function<void()> handler);
  // False once the connection broke.
  bool isConnected() const;

  // Window images put to the server since opening (Expose re-puts excluded).
  std::uint64_t framesPresented() const;
  // Of those, the frames the server composed from images it already held
  // (a window in which one layer only moves, such as a scrolling line).
  std::uint64_t framesComposed() const;
  // The X window showing `window`; 0 when it is not shown.
  std::uint32_t xWindowFor(const ui::Window& window) const;

  // Commits, then draws and puts what changed now, without waiting for the
  // end of the turn. Returns whether any window image was put.
  bool flush();
  // Waits until the server has handled every request sent so far.
  bool sync();

 private:
  struct Impl;
  explicit XDisplay(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace display
