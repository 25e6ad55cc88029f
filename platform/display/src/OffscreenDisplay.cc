#include "display/OffscreenDisplay.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "foundation/RunLoop.h"
#include "quartz/Transaction.h"
#include "ui/Application.h"
#include "ui/Screen.h"

namespace display {

OffscreenDisplay::OffscreenDisplay() : OffscreenDisplay(ui::Screen::main().bounds().size, ui::Screen::main().scale()) {}

OffscreenDisplay::OffscreenDisplay(ui::Size screenSize, double scale) : screen_(screenSize, scale) {}

OffscreenDisplay::~OffscreenDisplay() = default;

bool OffscreenDisplay::renderFrame() { return renderFrame(foundation::RunLoop::main().now()); }

bool OffscreenDisplay::renderFrame(double t) {
  quartz::Transaction::flush();
  std::vector<ui::Window*> visible = ui::Application::shared().screenWindows();
  bool changed = !composed_;
  std::vector<const ui::Window*> list;
  std::vector<std::uint64_t> serials;
  for (ui::Window* w : visible) {
    const quartz::Layer& layer = *w->layer();
    const quartz::CommittedLayer& c = layer.committed();
    WindowSurface& ws = windows_[w];
    std::weak_ptr<const ui::View> self = w->weak_from_this();
    bool sameOwner = !ws.owner.owner_before(self) && !self.owner_before(ws.owner);
    if (!sameOwner) {
      ws = WindowSurface{};
      ws.owner = self;
    }
    ui::Size size = c.state.bounds.size;
    // Compared in pixels, as the canvas rounds them: making a scratch canvas
    // to compare would allocate a window's worth of pixels every frame.
    const auto pixels = [this](double points) {
      return std::max(0, static_cast<int>(std::ceil(points * scale() - 1e-9)));
    };
    if (!ws.canvas || ws.canvas->pixelWidth() != pixels(size.width) || ws.canvas->pixelHeight() != pixels(size.height))
      ws.canvas = std::make_unique<render::Canvas>(size, scale());
    if (renderer_.render(layer, t, *ws.canvas)) changed = true;
    // The window's own placement may animate.
    if (c.animationsSettle > t || c.animationsSettle > lastTime_) changed = true;
    list.push_back(w);
    serials.push_back(c.serial);
  }
  if (list != drawn_ || serials != drawnSerials_) changed = true;
  std::erase_if(windows_, [&](const auto& kv) { return std::find(list.begin(), list.end(), kv.first) == list.end(); });
  drawn_ = std::move(list);
  drawnSerials_ = std::move(serials);
  lastTime_ = t;
  if (!changed) return false;

  cairo_t* cr = cairo_create(screen_.surface());
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  for (const ui::Window* w : drawn_) {
    const render::Canvas& canvas = *windows_.at(w).canvas;
    quartz::LayerState s = quartz::presentationAt(w->layer()->committed(), t);
    if (s.hidden || s.opacity <= 0) continue;
    quartz::AffineTransform m = s.transformToSuperlayer();
    cairo_save(cr);
    cairo_scale(cr, scale(), scale());
    cairo_matrix_t cm;
    cairo_matrix_init(&cm, m.a, m.b, m.c, m.d, m.tx, m.ty);
    cairo_transform(cr, &cm);
    cairo_translate(cr, s.bounds.x(), s.bounds.y());
    cairo_scale(cr, 1 / canvas.scale(), 1 / canvas.scale());
    cairo_set_source_surface(cr, canvas.surface(), 0, 0);
    cairo_paint_with_alpha(cr, std::min(1.0, s.opacity));
    cairo_restore(cr);
  }
  cairo_destroy(cr);
  cairo_surface_flush(screen_.surface());
  composed_ = true;
  return true;
}

std::shared_ptr<const quartz::Image> OffscreenDisplay::screenImage() const { return screen_.image(); }

std::shared_ptr<const quartz::Image> OffscreenDisplay::windowImage(const ui::Window& window) const {
  if (std::find(drawn_.begin(), drawn_.end(), &window) == drawn_.end()) return nullptr;
  return windows_.at(&window).canvas->image();
}

bool OffscreenDisplay::writeScreenPNG(const std::string& path) const { return screen_.writePNG(path); }

bool OffscreenDisplay::writeWindowPNG(const ui::Window& window, const std::string& path) const {
  if (std::find(drawn_.begin(), drawn_.end(), &window) == drawn_.end()) return false;
  return windows_.at(&window).canvas->writePNG(path);
}

bool OffscreenDisplay::touchBegan(ui::Point p) { return ui::Application::shared().sendTouch(ui::TouchPhase::Began, p); }
bool OffscreenDisplay::touchMoved(ui::Point p) { return ui::Application::shared().sendTouch(ui::TouchPhase::Moved, p); }
bool OffscreenDisplay::touchEnded(ui::Point p) { return ui::Application::shared().sendTouch(ui::TouchPhase::Ended, p); }
bool OffscreenDisplay::touchCancelled(ui::Point p) {
  return ui::Application::shared().sendTouch(ui::TouchPhase::Cancelled, p);
}

bool OffscreenDisplay::tap(ui::Point p) {
  bool began = touchBegan(p);
  bool ended = touchEnded(p);
  return began || ended;
}

}  // namespace display
