#pragma once
// A screen without hardware: renders the application's visible windows,
// back to front (by level, then show order), each into its own image, and
// composes them at their frames onto a screen image (black where no window
// draws). Touches given at screen points go to the view system's touch
// entry point. Frames are drawn at a time t (the run loop's clock by
// default), so a virtual clock steps animations exactly. A window whose
// tree and animations did not change is not drawn again; a frame where no
// window changed composes nothing.

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "quartz/Image.h"
#include "render/Canvas.h"
#include "render/Renderer.h"
#include "ui/Geometry.h"
#include "ui/Touch.h"
#include "ui/Window.h"

namespace display {

class OffscreenDisplay {
 public:
  // The main screen's bounds and scale when not given.
  OffscreenDisplay();
  OffscreenDisplay(ui::Size screenSize, double scale);
  ~OffscreenDisplay();
  OffscreenDisplay(const OffscreenDisplay&) = delete;
  OffscreenDisplay& operator=(const OffscreenDisplay&) = delete;

  ui::Size screenSize() const { return screen_.size(); }
  double scale() const { return screen_.scale(); }

  // Commits pending changes, then draws the visible windows at t. Returns
  // false when nothing on the screen changed since the last frame.
  bool renderFrame(double t);
  bool renderFrame();  // at the run loop's current time

  // The last frame. A window not visible in it has no image.
  std::shared_ptr<const quartz::Image> screenImage() const;
  std::shared_ptr<const quartz::Image> windowImage(const ui::Window& window) const;
  bool writeScreenPNG(const std::string& path) const;
  bool writeWindowPNG(const ui::Window& window, const std::string& path) const;
  // The windows drawn in the last frame, back to front.
  const std::vector<const ui::Window*>& windowsDrawn() const { return drawn_; }

  // One finger at a screen point; returns whether a view or recogniser took it.
  bool touchBegan(ui::Point p);
  bool touchMoved(ui::Point p);
  bool touchEnded(ui::Point p);
  bool touchCancelled(ui::Point p);
  // Began and ended at the same point.
  bool tap(ui::Point p);

  render::Renderer& renderer() { return renderer_; }

 private:
  struct WindowSurface {
    std::weak_ptr<const ui::View> owner;
    std::unique_ptr<render::Canvas> canvas;
  };
  render::Renderer renderer_;
  render::Canvas screen_;
  std::unordered_map<const ui::Window*, WindowSurface> windows_;
  std::vector<const ui::Window*> drawn_;
  std::vector<std::uint64_t> drawnSerials_;
  double lastTime_ = 0;
  bool composed_ = false;
};

}  // namespace display
