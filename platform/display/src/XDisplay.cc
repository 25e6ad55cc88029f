#include "display/XDisplay.h"

#include <cairo.h>
#include <sys/mman.h>
#include <unistd.h>
#include <xcb/shape.h>
#include <xcb/shm.h>
#include <xcb/xcb_renderutil.h>
#include <xxhash.h>

#include <algorithm>
#include <limits>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>
#include <optional>
#include <unordered_map>
#include <vector>

#include "DesktopWindowing.h"
#include "ServerComposition.h"
#include "XConnection.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "quartz/Transaction.h"
#include "render/Canvas.h"
#include "render/LayerSplit.h"
#include "render/Renderer.h"
#include "ui/Application.h"
#include "ui/Window.h"

namespace display {
namespace {

constexpr double kAnimationInterval = 1.0 / 60.0;
constexpr double kNoTouchAlpha = 0.01;  // the hit test's own threshold
// What changed since the last put is found by hashing tiles of this many
// pixels of one row: a new line or a clock's minute touches a few tiles of
// a full-screen window, and only their bounding rectangle goes out.
constexpr int kTilePixels = 64;
// Windows of this many bytes and more (full-screen ones) draw straight into
// their segment and find what changed by hashing, as quick as comparing at
// that size; smaller ones keep their last frame in the segment and compare
// with it, which costs a second buffer but about half the time.
constexpr double kDrawIntoSegmentBytes = 4 << 20;

void logLine(int line, const std::string& message) {
  foundation::logError("XDisplay", "XDisplay.cc", line, "error", foundation::Value(message));
}

bool sameOwner(const std::weak_ptr<const ui::View>& a, const std::weak_ptr<const ui::View>& b) {
  return !a.owner_before(b) && !b.owner_before(a);
}

std::int32_t levelProperty(double level) {
  const double v = std::round(level * 1000);
  if (!(v == v)) return 0;  // NaN
  return static_cast<std::int32_t>(std::clamp(v, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
}

// A shared-memory segment the server reads window images from; the canvas
// a window shows draws straight into it. While a put from it may still be
// unread (`pending`), it is not written.
struct ShmSegment {
  xcb_connection_t* connection = nullptr;
  std::uint32_t id = 0;
  void* data = nullptr;
  std::size_t size = 0;
  bool pending = false;

  ShmSegment() = default;
  ShmSegment(const ShmSegment&) = delete;
  ShmSegment& operator=(const ShmSegment&) = delete;
  ~ShmSegment() { release(); }

  void release() {
    if (id != 0 && connection) xcb_shm_detach(connection, id);
    if (data) ::munmap(data, size);
    id = 0;
    data = nullptr;
    size = 0;
    pending = false;
  }

  bool ensure(xcb_connection_t* c, std::size_t bytes) {
    if (data && size >= bytes) return true;
    release();
    const int fd = ::memfd_create("hoververse-window", MFD_CLOEXEC);
    if (fd < 0) return false;
    if (::ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
      ::close(fd);
      return false;
    }
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
      ::close(fd);
      return false;
    }
    connection = c;
    data = p;
    size = bytes;
    id = xcb_generate_id(c);
    xcb_shm_attach_fd(c, id, fd, 1);  // xcb sends and closes the descriptor
    return true;
  }
};

}  // namespace

struct XDisplay::Impl {
  // One ui::Window on the server.
  struct Surface {
    std::weak_ptr<const ui::View> owner;  // tells a new window at a reused address apart
    xcb_window_t window = XCB_NONE;
    bool mapped = false;
    int x = 0, y = 0, width = 0, height = 0;  // as placed, pixels
    std::optional<std::int32_t> level;         // as written to the property
    std::uint64_t orderStamp = 0;
    std::optional<bool> inputEmpty;
    // The last put: when, and the committed tree's serials then.
    double lastPut = -std::numeric_limits<double>::infinity();
    std::uint64_t putTreeSerial = 0;
    std::uint64_t putContentSerial = 0;
    ShmSegment shm;  // declared before the canvases that may draw into it
    std::unique_ptr<render::Canvas> canvas;  // the window's bounds, as rendered
    std::unique_ptr<render::Canvas> placed;  // its frame, when a transform or opacity applies
    const render::Canvas* onSegment = nullptr;  // the one of them drawing into shm, if any
    bool usesPlaced = false;
    quartz::Rect frame;
    quartz::Transform3D transform;
    double opacity = 1;
    // What is known of the image the X window holds: its size (0 when
    // unknown) and, for a window drawing into its segment, the hashes of
    // its tiles (row by row, kTilePixels wide); otherwise the segment holds
    // the image itself.
    std::vector<XXH64_hash_t> tiles;
    int heldWidth = 0, heldHeight = 0;
    std::uint8_t depth = 32;  // 24 only on a desktop without a compositor
    xcb_window_t managerFrame = XCB_NONE;  // desktop: the window manager's parent
    // A window in which one layer only moves (a scrolling line) is composed
    // by the server from two images it holds, instead of being drawn and
    // put every frame.
    render::LayerSplit split;
    std::unique_ptr<x::ServerComposition> composed;
    // The layer that alone changed at the last put, and its state then:
    // when it next has only moved, the split begins.
    const quartz::Layer* lastMover = nullptr;
    quartz::LayerState lastMoverState;
  };

  x::Connection connection;
  xcb_connection_t* c = nullptr;
  xcb_screen_t* screen = nullptr;
  double scale = 1;
  xcb_visualid_t visual = 0;
  xcb_colormap_t colormap = 0;
  xcb_gcontext_t gc = 0;
  xcb_atom_t levelAtom = XCB_NONE;
  bool shmAvailable = false;
  std::uint8_t shmCompletionEvent = 0;
  bool shapeAvailable = false;
  std::optional<x::ServerComposition::Formats> renderFormats;  // RENDER, for the ARGB windows
  std::size_t maxRequestBytes = 0;
  bool connected = false;  // set up and not broken since

  // On a desktop only (DesktopWindowing.h).
  XDisplay::Options options;
  std::unique_ptr<x::DesktopWindowing> desktop;
  bool translucent = true;       // windows are ARGB (always, on the device)
  xcb_gcontext_t opaqueGc = 0;   // for the root's depth, when not translucent
  std::uint8_t shapeNotifyEvent = 0;  // 0: none
  std::function<void()> monitorsChanged;

  render::Renderer renderer;
  std::unordered_map<const ui::Window*, Surface> surfaces;
  std::deque<x::Owned<xcb_generic_event_t>> queued;
  foundation::SourceHandle source;
  foundation::SourceHandle observer;
  std::shared_ptr<foundation::Timer> animationTimer;
  // A turn at the next display refresh, for windows whose moves were held
  // back (see present).
  std::shared_ptr<foundation::Timer> refreshTimer;  // parked at distantFuture between holds
  std::vector<ui::Window*> visibleScratch;
  std::vector<ui::Window*> allScratch;
  std::uint64_t framesPresented = 0;
  std::uint64_t framesComposed = 0;

  ~Impl() {
    if (animationTimer) animationTimer->invalidate();
    if (refreshTimer) refreshTimer->invalidate();
    if (connected) {
      for (auto& [w, s] : surfaces) destroySurface(s);
      if (gc) xcb_free_gc(c, gc);
      if (opaqueGc) xcb_free_gc(c, opaqueGc);
      if (colormap) xcb_free_colormap(c, colormap);
      xcb_flush(c);
    } else {
      for (auto& [w, s] : surfaces) forget(s);
    }
    // xcb-renderutil keeps the picture formats per connection until told
    // the connection is going.
    if (c) xcb_render_util_disconnect(c);
  }
  // The connection is gone: nothing of the surface on the server can be freed.
  static void forget(Surface& s) {
    s.shm.connection = nullptr;
    if (s.composed) s.composed->forget();
  }

  bool setUp(std::string* error);
  bool setUpDesktop(std::string* error);
  void restackDesktop(Surface& s, const ui::Window& w);
  // The window manager drops a window's state when it is unmapped: it is
  // told again before every map.
  void describeDesktopWindow(const ui::Window& w, const Surface& s);
  void desktopChanged(x::DesktopWindowing::Change change);
  // `paced`: the end of a turn, which holds back a window that only moved,
  // faded or animated since a put less than a display refresh ago (a flush
  // puts everything at once).
  bool present(bool paced = false);
  void placeAndShow(ui::Window& w, Surface& s, double t, bool& animating, bool& put);
  // Shows the window composed on the server when one layer of it only
  // moves (see Surface::split); false when it is to be drawn and put.
  bool compose(ui::Window& w, Surface& s, double t, bool& put);
  void composed(Surface& s, double t, bool& put);  // a composed frame went out
  void endComposition(Surface& s);
  void createWindow(const ui::Window& w, Surface& s);
  void destroySurface(Surface& s);
  // A window fully transparent and not animating shows nothing and takes no
  // touches: it is unmapped and its pixel buffers (a full-screen window
  // holds two or three of 10 MiB each) are given back until it shows again.
  // On a desktop, animations inside a transparent window do not keep it
  // mapped: a window the manager keeps above everything must not stay there
  // unseen (nor, without a compositor, show as a block of background).
  static bool drawsNothing(const ui::Window& w, double t, bool desktop = false);
  void park(Surface& s);
  // Makes `slot` a canvas of `size`; the shown one draws into the window's
  // shared-memory segment when the server takes segments.
  void ensureCanvas(Surface& s, std::unique_ptr<render::Canvas>& slot, quartz::Size size, bool shown);
  // Before drawing into the segment: the server has read the last put.
  void awaitPut(Surface& s);
  void dropCanvases(Surface& s);
  void restack(Surface& s);
  // `changed`: the window shows the previous put, send what differs;
  // `whole`: its contents are lost or new (mapped, resized, exposed).
  enum class PutReason { changed, whole };
  // Puts the window's image; false when nothing differed from the last put.
  bool putImage(Surface& s, PutReason reason);
  void setInputEmpty(Surface& s, bool empty);
  void setFrameInput(const Surface& s);
  void updateAnimationTimer(bool animating);
  void holdUntil(double due, double t);
  // Whether `canvas` has the pixel size a canvas of `size` at our scale gets.
  bool fits(const render::Canvas* canvas, quartz::Size size) const {
    const auto pixels = [this](double points) { return std::max(0, static_cast<int>(std::ceil(points * scale - 1e-9))); };
    return canvas && canvas->pixelWidth() == pixels(size.width) && canvas->pixelHeight() == pixels(size.height);
  }
  void handle(const xcb_generic_event_t& e);
  void readEvents();
  void lost();
  Surface* surfaceOf(xcb_window_t window);
};

bool XDisplay::Impl::setUp(std::string* error) {
  // A 32-bit TrueColor visual: the windows carry alpha for the compositor.
  for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(screen); d.rem > 0 && !visual; xcb_depth_next(&d)) {
    if (d.data->depth != 32) continue;
    for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem > 0; xcb_visualtype_next(&v)) {
      if (v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xff0000 &&
          v.data->green_mask == 0xff00 && v.data->blue_mask == 0xff) {
        visual = v.data->visual_id;
        break;
      }
    }
  }
  if (!visual) {
    if (error) *error = "the X screen has no 32-bit ARGB visual";
    return false;
  }
  const xcb_setup_t* setup = xcb_get_setup(c);
  if (setup->image_byte_order != (std::endian::native == std::endian::little ? XCB_IMAGE_ORDER_LSB_FIRST
                                                                              : XCB_IMAGE_ORDER_MSB_FIRST)) {
    if (error) *error = "the X server's image byte order differs from this machine's";
    return false;
  }
  colormap = xcb_generate_id(c);
  xcb_create_colormap(c, XCB_COLORMAP_ALLOC_NONE, colormap, screen->root, visual);
  // A graphics context for depth-32 drawables, made on a scratch pixmap.
  const xcb_pixmap_t scratch = xcb_generate_id(c);
  xcb_create_pixmap(c, 32, scratch, screen->root, 1, 1);
  gc = xcb_generate_id(c);
  const std::uint32_t noExposures = 0;
  xcb_create_gc(c, gc, scratch, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
  xcb_free_pixmap(c, scratch);

  const xcb_intern_atom_cookie_t atomCookie =
      xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(kWindowLevelProperty)), kWindowLevelProperty);
  xcb_prefetch_extension_data(c, &xcb_shm_id);
  xcb_prefetch_extension_data(c, &xcb_shape_id);
  x::Owned<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(c, atomCookie, nullptr));
  if (!atom) {
    if (error) *error = "the X server did not answer (interning " + std::string(kWindowLevelProperty) + ")";
    return false;
  }
  levelAtom = atom->atom;

  if (const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id); shm && shm->present) {
    x::Owned<xcb_shm_query_version_reply_t> version(xcb_shm_query_version_reply(c, xcb_shm_query_version(c), nullptr));
    // Segments passed as descriptors need 1.2; local servers have it.
    shmAvailable = version && (version->major_version > 1 || (version->major_version == 1 && version->minor_version >= 2));
    shmCompletionEvent = static_cast<std::uint8_t>(shm->first_event + XCB_SHM_COMPLETION);
  }
  if (const xcb_query_extension_reply_t* shape = xcb_get_extension_data(c, &xcb_shape_id); shape && shape->present) {
    shapeAvailable = true;
  } else {
    logLine(__LINE__, "the X server has no SHAPE extension: windows that take no touches still catch the pointer");
  }
  maxRequestBytes = static_cast<std::size_t>(xcb_get_maximum_request_length(c)) * 4;
  if (!x::roundTrip(c)) {
    if (error) *error = "the X server closed the connection while setting up";
    return false;
  }
  renderFormats = x::ServerComposition::query(c, visual);
  return true;
}

XDisplay::Impl::Surface* XDisplay::Impl::surfaceOf(xcb_window_t window) {
  for (auto& [w, s] : surfaces)
    if (s.window == window) return &s;
  return nullptr;
}

void XDisplay::Impl::createWindow(const ui::Window& w, Surface& s) {
  // Nothing of an earlier X window of this surface is known to hold.
  s.mapped = false;
  s.level.reset();
  s.inputEmpty.reset();
  s.managerFrame = XCB_NONE;
  s.tiles.clear();
  s.heldWidth = s.heldHeight = 0;
  endComposition(s);
  s.window = xcb_generate_id(c);
  const std::uint32_t events = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                               XCB_EVENT_MASK_BUTTON_1_MOTION | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  // In the order of their mask bits. No background: the server must not
  // clear what the last put left on an expose.
  // A desktop's windows are managed (no override-redirect).
  const std::uint32_t overrideRedirect = desktop ? 0 : 1;
  s.depth = translucent ? 32 : screen->root_depth;
  const std::uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 0, overrideRedirect, events,
                                  translucent ? colormap : screen->default_colormap};
  xcb_create_window(c, s.depth, s.window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    translucent ? visual : screen->root_visual,
                    XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK |
                        XCB_CW_COLORMAP,
                    values);
  s.width = s.height = 1;
  s.x = s.y = 0;
  if (desktop) return;  // described before each map
  const std::string name = w.className();
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, s.window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      static_cast<std::uint32_t>(name.size()), name.data());
}

bool XDisplay::Impl::drawsNothing(const ui::Window& w, double t, bool desktop) {
  const quartz::CommittedLayer& committed = w.layer()->committed();
  if ((!desktop && committed.treeAnimationsSettle > t) || committed.animationsSettle > t) return false;
  return quartz::presentationAt(committed, t).opacity < kNoTouchAlpha;
}

void XDisplay::Impl::dropCanvases(Surface& s) {
  endComposition(s);
  s.onSegment = nullptr;
  s.canvas.reset();
  s.placed.reset();
  s.tiles.clear();
  s.tiles.shrink_to_fit();
  s.heldWidth = s.heldHeight = 0;
}

void XDisplay::Impl::park(Surface& s) {
  if (s.mapped) xcb_unmap_window(c, s.window);
  s.mapped = false;
  dropCanvases(s);
  s.shm.release();
}

void XDisplay::Impl::ensureCanvas(Surface& s, std::unique_ptr<render::Canvas>& slot, quartz::Size size, bool shown) {
  const bool wantSegment = shown && shmAvailable && size.width * size.height * scale * scale * 4 >= kDrawIntoSegmentBytes;
  if (fits(slot.get(), size) && (slot.get() == s.onSegment) == wantSegment) return;
  if (slot && slot.get() == s.onSegment) s.onSegment = nullptr;
  slot.reset();
  if (wantSegment) {
    const auto pixels = [this](double points) { return std::max(0, static_cast<int>(std::ceil(points * scale - 1e-9))); };
    const int width = pixels(size.width);
    const int height = pixels(size.height);
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    // Drawing waits for a pending put (awaitPut), so the canvas may be made
    // over a segment the server is still reading.
    if (bytes > 0 && !s.onSegment && s.shm.ensure(c, bytes)) {
      slot = std::make_unique<render::Canvas>(width, height, scale, static_cast<std::uint32_t*>(s.shm.data));
      s.onSegment = slot.get();
      return;
    }
  }
  slot = std::make_unique<render::Canvas>(size, scale);
}

void XDisplay::Impl::awaitPut(Surface& s) {
  // The server reads the segment while handling the put: one round trip
  // guarantees the put is done before the segment is written.
  if (s.shm.pending) x::roundTrip(c);
  s.shm.pending = false;
}

void XDisplay::Impl::destroySurface(Surface& s) {
  dropCanvases(s);
  s.shm.release();
  if (s.window != XCB_NONE) xcb_destroy_window(c, s.window);
  s.window = XCB_NONE;
  s.mapped = false;
}

void XDisplay::Impl::restack(Surface& s) {
  // Under a grab no other client can restack between the query and the move.
  xcb_grab_server(c);
  x::Owned<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, screen->root), nullptr));
  xcb_window_t sibling = XCB_NONE;
  if (tree) {
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_property_cookie_t> cookies(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
      cookies[static_cast<std::size_t>(i)] = xcb_get_property(c, 0, children[i], levelAtom, XCB_ATOM_INTEGER, 0, 1);
    const std::int64_t own = *s.level;
    // Children come bottom to top: the last that qualifies is the topmost.
    for (int i = 0; i < count; ++i) {
      xcb_generic_error_t* rawError = nullptr;
      x::Owned<xcb_get_property_reply_t> reply(
          xcb_get_property_reply(c, cookies[static_cast<std::size_t>(i)], &rawError));
      x::Owned<xcb_generic_error_t> failure(rawError);
      if (children[i] == s.window) continue;
      std::int64_t level = INT64_MIN;
      if (reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) >= 4) {
        std::int32_t v;
        std::memcpy(&v, xcb_get_property_value(reply.get()), 4);
        level = v;
      }
      if (level <= own) sibling = children[i];
    }
  }
  if (sibling != XCB_NONE) {
    const std::uint32_t values[] = {sibling, XCB_STACK_MODE_ABOVE};
    xcb_configure_window(c, s.window, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
  } else {
    const std::uint32_t values[] = {XCB_STACK_MODE_BELOW};
    xcb_configure_window(c, s.window, XCB_CONFIG_WINDOW_STACK_MODE, values);
  }
  xcb_ungrab_server(c);
}

void XDisplay::Impl::setInputEmpty(Surface& s, bool empty) {
  if (s.inputEmpty == empty) return;
  s.inputEmpty = empty;
  if (!shapeAvailable) return;
  if (empty) {
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, s.window, 0, 0, 0,
                         nullptr);
  } else {
    xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, s.window, 0, 0, XCB_NONE);  // back to the whole window
  }
  if (s.managerFrame != XCB_NONE) setFrameInput(s);
}

void XDisplay::Impl::setFrameInput(const Surface& s) {
  // A window manager that does not carry the input shape over to the frame
  // it puts around the window (an undecorated frame is the window's size)
  // would catch the clicks meant to fall through: the frame gets it too.
  if (!shapeAvailable || !s.inputEmpty) return;
  if (*s.inputEmpty) {
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, s.managerFrame, 0, 0, 0,
                         nullptr);
  } else {
    xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, s.managerFrame, 0, 0, XCB_NONE);
  }
}

bool XDisplay::Impl::putImage(Surface& s, PutReason reason) {
  const render::Canvas& image = s.usesPlaced ? *s.placed : *s.canvas;
  const int width = image.pixelWidth();
  const int height = image.pixelHeight();
  if (width <= 0 || height <= 0) return false;
  cairo_surface_flush(image.surface());
  const unsigned char* data = cairo_image_surface_get_data(image.surface());
  const int stride = cairo_image_surface_get_stride(image.surface());
  const auto rowOf = [&](int y) { return data + static_cast<std::ptrdiff_t>(y) * stride; };
  const std::size_t row = static_cast<std::size_t>(width) * 4;
  // The rectangle to send, in pixels: [x0, x1) × [y0, y1).
  int x0 = 0, x1 = width, y0 = 0, y1 = height;
  bool viaSegment = s.onSegment == &image;

  if (s.onSegment == &image) {
    // Hash every tile, noting the rectangle of those that differ from what
    // the window holds; without a record of it, everything goes.
    const int columns = (width + kTilePixels - 1) / kTilePixels;
    const std::size_t count = static_cast<std::size_t>(columns) * static_cast<std::size_t>(height);
    const bool known = reason == PutReason::changed && s.heldWidth == width && s.heldHeight == height &&
                       s.tiles.size() == count;
    if (!known) s.tiles.assign(count, 0);
    s.heldWidth = width;
    s.heldHeight = height;
    int firstRow = height, lastRow = -1, firstColumn = columns, lastColumn = -1;
    XXH64_hash_t* tile = s.tiles.data();
    for (int y = 0; y < height; ++y) {
      const unsigned char* pixels = rowOf(y);
      for (int column = 0; column < columns; ++column, ++tile) {
        const int x = column * kTilePixels;
        const XXH64_hash_t h = XXH3_64bits(pixels + static_cast<std::size_t>(x) * 4,
                                           static_cast<std::size_t>(std::min(kTilePixels, width - x)) * 4);
        if (known && h == *tile) continue;
        *tile = h;
        firstRow = std::min(firstRow, y);
        lastRow = y;
        firstColumn = std::min(firstColumn, column);
        lastColumn = std::max(lastColumn, column);
      }
    }
    if (known) {
      if (lastRow < 0) return false;
      x0 = firstColumn * kTilePixels;
      x1 = std::min(width, (lastColumn + 1) * kTilePixels);
      y0 = firstRow;
      y1 = lastRow + 1;
    }
  } else if (shmAvailable && !s.onSegment && s.shm.ensure(c, row * static_cast<std::size_t>(height))) {
    viaSegment = true;
    // A small window keeps its last frame in the segment and compares rows
    // with it (several times quicker than hashing them), then copies in the
    // band of rows that differ.
    awaitPut(s);
    auto* out = static_cast<unsigned char*>(s.shm.data);
    const auto outRow = [&](int y) { return out + row * static_cast<std::size_t>(y); };
    if (reason == PutReason::changed && s.heldWidth == width && s.heldHeight == height) {
      while (y0 < y1 && std::memcmp(outRow(y0), rowOf(y0), row) == 0) ++y0;
      while (y1 > y0 && std::memcmp(outRow(y1 - 1), rowOf(y1 - 1), row) == 0) --y1;
      if (y0 == y1) return false;
    }
    for (int y = y0; y < y1; ++y) std::memcpy(outRow(y), rowOf(y), row);
    s.heldWidth = width;  // the size of the frame the segment holds
    s.heldHeight = height;
  }

  if (viaSegment) {
    xcb_shm_put_image(c, s.window, s.depth == 32 ? gc : opaqueGc, static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height), static_cast<std::uint16_t>(x0), static_cast<std::uint16_t>(y0),
                      static_cast<std::uint16_t>(x1 - x0), static_cast<std::uint16_t>(y1 - y0),
                      static_cast<std::int16_t>(x0), static_cast<std::int16_t>(y0), s.depth, XCB_IMAGE_FORMAT_Z_PIXMAP,
                      1, s.shm.id, 0);
    s.shm.pending = true;
    return true;
  }
  x::putRows(c, s.window, s.depth == 32 ? gc : opaqueGc, s.depth, maxRequestBytes, image, x0, y0, x1, y1);
  return true;
}

void XDisplay::Impl::placeAndShow(ui::Window& w, Surface& s, double t, bool& animating, bool& put) {
  const quartz::CommittedLayer& committed = w.layer()->committed();
  if (committed.treeAnimationsSettle > t || committed.animationsSettle > t) animating = true;
  const quartz::LayerState p = quartz::presentationAt(committed, t);

  const quartz::Size size = committed.state.bounds.size;
  const quartz::Rect frame = p.frame();
  // Without alpha in the window, the pixels are drawn over the background.
  const bool usesPlaced = !p.transform.isIdentity() || p.opacity < 1 || s.depth != 32;
  // The segment backs whichever canvas is shown: a change of which one
  // starts both afresh.
  if (usesPlaced != s.usesPlaced) dropCanvases(s);
  ensureCanvas(s, s.canvas, size, !usesPlaced);
  if (s.onSegment == s.canvas.get() && !renderer.isCurrent(*w.layer(), t, *s.canvas)) awaitPut(s);
  bool changed = renderer.render(*w.layer(), t, *s.canvas);

  const bool placementChanged = !(frame.origin == s.frame.origin && frame.size == s.frame.size) ||
                                !(p.transform == s.transform) || p.opacity != s.opacity;
  if (usesPlaced && (changed || placementChanged || !s.placed || !s.usesPlaced)) {
    ensureCanvas(s, s.placed, frame.size, true);
    if (s.onSegment == s.placed.get()) awaitPut(s);
    s.placed->clear();
    cairo_t* cr = cairo_create(s.placed->surface());
    if (s.depth != 32) {
      const std::uint32_t rgb = options.background;
      cairo_set_source_rgb(cr, ((rgb >> 16) & 0xff) / 255.0, ((rgb >> 8) & 0xff) / 255.0, (rgb & 0xff) / 255.0);
      cairo_paint(cr);
    }
    cairo_scale(cr, scale, scale);
    cairo_translate(cr, -frame.x(), -frame.y());
    const quartz::AffineTransform m = p.transformToSuperlayer();
    cairo_matrix_t cm;
    cairo_matrix_init(&cm, m.a, m.b, m.c, m.d, m.tx, m.ty);
    cairo_transform(cr, &cm);
    cairo_translate(cr, p.bounds.x(), p.bounds.y());
    cairo_scale(cr, 1 / scale, 1 / scale);
    cairo_set_source_surface(cr, s.canvas->surface(), 0, 0);
    cairo_paint_with_alpha(cr, std::clamp(p.opacity, 0.0, 1.0));
    cairo_destroy(cr);
    changed = true;
  }
  bool whole = false;  // what the X window holds is not the last put
  if (usesPlaced != s.usesPlaced) changed = whole = true;
  s.usesPlaced = usesPlaced;
  s.frame = frame;
  s.transform = p.transform;
  s.opacity = p.opacity;

  const render::Canvas& shown = usesPlaced ? *s.placed : *s.canvas;
  const int x = options.originX + static_cast<int>(std::lround(frame.x() * scale));
  const int y = options.originY + static_cast<int>(std::lround(frame.y() * scale));
  const int width = shown.pixelWidth();
  const int height = shown.pixelHeight();
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767) {
    // X has no empty windows; a window without area shows nothing.
    if (s.mapped) xcb_unmap_window(c, s.window);
    s.mapped = false;
    return;
  }
  if (x != s.x || y != s.y || width != s.width || height != s.height) {
    const std::uint32_t values[] = {static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y),
                                    static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
    xcb_configure_window(c, s.window,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         values);
    if (desktop) desktop->setNormalHints(s.window, x, y, width, height);
    if (width != s.width || height != s.height) changed = whole = true;
    s.x = x;
    s.y = y;
    s.width = width;
    s.height = height;
  }
  setInputEmpty(s, w.alpha() < kNoTouchAlpha || !w.isUserInteractionEnabled());

  const std::int32_t level = levelProperty(w.windowLevel());
  const bool levelChanged = s.level != level;
  if (levelChanged) {
    s.level = level;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, s.window, levelAtom, XCB_ATOM_INTEGER, 32, 1, &level);
  }
  const bool restacks = !s.mapped || levelChanged || s.orderStamp != w.orderStamp();
  if (restacks && !desktop) restack(s);
  s.orderStamp = w.orderStamp();
  if (!s.mapped) {
    if (desktop) describeDesktopWindow(w, s);
    xcb_map_window(c, s.window);
    s.mapped = true;
    changed = whole = true;
  }
  if (restacks && desktop) restackDesktop(s, w);
  if (changed && putImage(s, whole ? PutReason::whole : PutReason::changed)) {
    ++framesPresented;
    put = true;
    s.lastPut = t;
    s.putTreeSerial = committed.treeSerial;
    s.putContentSerial = committed.treeContentSerial;
  }
}

bool XDisplay::Impl::present(bool paced) {
  if (!connected) return false;
  if (xcb_connection_has_error(c)) {
    lost();
    return false;
  }
  quartz::Transaction::flush();
  const double t = foundation::RunLoop::main().now();
  ui::Application& app = ui::Application::shared();
  // Taken from the kept lists for the pass, so that a present a marquee
  // asks for 100 times a second allocates nothing (and a present from
  // inside this one only finds them empty).
  std::vector<ui::Window*> visible = std::move(visibleScratch);
  std::vector<ui::Window*> all = std::move(allScratch);
  app.screenWindows(visible);
  app.windows(all);
  bool animating = false;
  bool put = false;
  double heldUntil = std::numeric_limits<double>::infinity();
  for (ui::Window* w : visible) {
    const std::weak_ptr<const ui::View> self = w->weak_from_this();
    auto found = surfaces.find(w);
    if (found != surfaces.end() && !sameOwner(found->second.owner, self)) {
      destroySurface(found->second);  // a new window at a freed one's address
      surfaces.erase(found);
      found = surfaces.end();
    }
    if (found == surfaces.end()) {
      found = surfaces.try_emplace(w).first;
      found->second.owner = self;
    }
    if (drawsNothing(*w, t, desktop != nullptr)) {
      park(found->second);
      continue;
    }
    if (found->second.window == XCB_NONE) createWindow(*w, found->second);  // new, or destroyed by another client
    // The screen shows at most a frame per refresh: a window that only moved,
    // faded or animated since a put less than a refresh ago (a marquee's
    // 100 steps a second) is put at the next refresh instead. What it draws
    // changing (a new line) is put at once.
    Surface& s = found->second;
    const quartz::CommittedLayer& committed = w->layer()->committed();
    const bool moving = committed.treeAnimationsSettle > t || committed.animationsSettle > t;
    if (paced && s.mapped && committed.treeContentSerial == s.putContentSerial &&
        (moving || committed.treeSerial != s.putTreeSerial) && t - s.lastPut < kAnimationInterval) {
      heldUntil = std::min(heldUntil, s.lastPut + kAnimationInterval);
      animating = animating || moving;
      continue;
    }
    if (compose(*w, s, t, put)) continue;
    placeAndShow(*w, s, t, animating, put);
  }
  for (auto it = surfaces.begin(); it != surfaces.end();) {
    Surface& s = it->second;
    const bool alive = !s.owner.expired() && std::find(all.begin(), all.end(), it->first) != all.end();
    if (!alive) {
      destroySurface(s);
      it = surfaces.erase(it);
      continue;
    }
    if (std::find(visible.begin(), visible.end(), it->first) == visible.end() && s.mapped) {
      xcb_unmap_window(c, s.window);
      s.mapped = false;
    }
    ++it;
  }
  visibleScratch = std::move(visible);
  allScratch = std::move(all);
  updateAnimationTimer(animating);
  if (heldUntil != std::numeric_limits<double>::infinity()) holdUntil(heldUntil, t);
  xcb_flush(c);
  return put;
}

bool XDisplay::Impl::compose(ui::Window& w, Surface& s, double t, bool& put) {
  const quartz::Layer& root = *w.layer();
  const quartz::CommittedLayer& committed = root.committed();
  // Only the window's contents may differ from the last put: it is where
  // it was, stacked and taking touches as it was.
  const bool placed = renderFormats && s.mapped && !s.usesPlaced && s.depth == 32 && s.canvas &&
                      s.level == levelProperty(w.windowLevel()) && s.orderStamp == w.orderStamp() &&
                      s.inputEmpty == (w.alpha() < kNoTouchAlpha || !w.isUserInteractionEnabled());
  if (s.composed) {
    const std::optional<render::LayerSplit::Placement> p = placed ? s.split.placement(root, t) : std::nullopt;
    if (!p) {
      endComposition(s);  // drawn and put whole from now on
      return false;
    }
    if (s.composed->show(*p)) composed(s, t, put);
    s.putTreeSerial = committed.treeSerial;
    return true;
  }
  if (placed && committed.treeSerial == s.putTreeSerial) return false;  // nothing changed: nothing to learn
  const quartz::Layer* mover = placed ? render::LayerSplit::soleChange(root, s.putTreeSerial) : nullptr;
  const quartz::Layer* before = std::exchange(s.lastMover, mover);
  if (!mover) return false;
  const quartz::LayerState& now = mover->committed().state;
  quartz::LayerState asBefore = now;
  asBefore.position = s.lastMoverState.position;
  const bool movedAgain = mover == before && now.position != s.lastMoverState.position && asBefore == s.lastMoverState;
  s.lastMoverState = now;
  if (!movedAgain || !s.split.begin(renderer, root, *mover, t, scale)) return false;
  const std::optional<render::LayerSplit::Placement> p = s.split.placement(root, t);
  if (!p || s.split.base()->pixelWidth() != s.width || s.split.base()->pixelHeight() != s.height) {
    s.split.end();
    return false;
  }
  s.composed = std::make_unique<x::ServerComposition>(c, *renderFormats, s.window, gc, maxRequestBytes, s.split);
  s.split.dropImages();
  s.composed->show(*p);
  // The window no longer holds what the segment or the tile hashes record.
  s.heldWidth = s.heldHeight = 0;
  s.tiles.clear();
  composed(s, t, put);
  s.putTreeSerial = committed.treeSerial;
  return true;
}

void XDisplay::Impl::composed(Surface& s, double t, bool& put) {
  ++framesPresented;
  ++framesComposed;
  put = true;
  s.lastPut = t;
}

void XDisplay::Impl::endComposition(Surface& s) {
  s.composed.reset();
  s.split.end();
  s.lastMover = nullptr;
}

void XDisplay::Impl::holdUntil(double due, double t) {
  // Firing only makes a turn; the turn's observer presents. It may wait
  // half a refresh for a turn that comes anyway (a marquee's next step),
  // so a held put costs no wake-up of its own. The timer is kept and parks
  // itself after firing: a marquee holds a put on most of its steps.
  if (!refreshTimer || !refreshTimer->isValid()) {
    refreshTimer = foundation::RunLoop::main().scheduledTimer(
        kAnimationInterval, true, [](foundation::Timer& timer) { timer.setFireDate(foundation::Date::distantFuture); });
    refreshTimer->setTolerance(kAnimationInterval / 2);
  } else if (refreshTimer->fireDate() != foundation::Date::distantFuture) {
    return;  // already due
  }
  refreshTimer->setFireDate(std::max(t, due));
}

void XDisplay::Impl::updateAnimationTimer(bool animating) {
  if (animating && !(animationTimer && animationTimer->isValid())) {
    // Firing only makes a turn; the turn's observer presents.
    animationTimer = foundation::RunLoop::main().scheduledTimer(kAnimationInterval, true, [](foundation::Timer&) {});
  } else if (!animating && animationTimer) {
    animationTimer->invalidate();
    animationTimer.reset();
  }
}

void XDisplay::Impl::handle(const xcb_generic_event_t& e) {
  const std::uint8_t type = e.response_type & 0x7f;
  if (type == 0) {
    logLine(__LINE__, "X error: " + x::describeError(reinterpret_cast<const xcb_generic_error_t&>(e)));
    return;
  }
  if (shmAvailable && type == shmCompletionEvent) {
    const auto& done = reinterpret_cast<const xcb_shm_completion_event_t&>(e);
    for (auto& [w, s] : surfaces)
      if (s.shm.id == done.shmseg) s.shm.pending = false;
    return;
  }
  const auto touchAt = [this](std::int16_t rootX, std::int16_t rootY) {
    return ui::Point{(rootX - options.originX) / scale, (rootY - options.originY) / scale};
  };
  switch (type) {
    case XCB_EXPOSE: {
      const auto& expose = reinterpret_cast<const xcb_expose_event_t&>(e);
      if (expose.count != 0) break;  // the last of a series re-puts once
      if (Surface* s = surfaceOf(expose.window); s && s->mapped && s->composed) {
        s->composed->showAgain();
      } else if (s && s->mapped && s->canvas) {
        putImage(*s, PutReason::whole);
      }
      break;
    }
    case XCB_DESTROY_NOTIFY: {
      // Another client destroyed one of our windows: this turn's present
      // makes it again. (Windows we destroy ourselves are forgotten already.)
      const auto& destroyed = reinterpret_cast<const xcb_destroy_notify_event_t&>(e);
      if (Surface* s = surfaceOf(destroyed.window)) {
        if (s->composed) s->composed->windowGone();
        s->window = XCB_NONE;
        s->mapped = false;
      }
      break;
    }
    case XCB_REPARENT_NOTIFY: {
      const auto& reparented = reinterpret_cast<const xcb_reparent_notify_event_t&>(e);
      if (Surface* s = desktop ? surfaceOf(reparented.window) : nullptr) {
        s->managerFrame = reparented.parent == screen->root ? XCB_NONE : reparented.parent;
        if (s->managerFrame != XCB_NONE) {
          // The manager may set the frame's shape again later (when it
          // moves it): its shape changes are followed.
          if (shapeAvailable) xcb_shape_select_input(c, s->managerFrame, 1);
          setFrameInput(*s);
        }
      }
      break;
    }
    case XCB_BUTTON_PRESS: {
      const auto& press = reinterpret_cast<const xcb_button_press_event_t&>(e);
      if (press.detail == 1 && surfaceOf(press.event))
        ui::Application::shared().sendTouch(ui::TouchPhase::Began, touchAt(press.root_x, press.root_y));
      break;
    }
    case XCB_MOTION_NOTIFY: {
      const auto& motion = reinterpret_cast<const xcb_motion_notify_event_t&>(e);
      if ((motion.state & XCB_BUTTON_MASK_1) && surfaceOf(motion.event))
        ui::Application::shared().sendTouch(ui::TouchPhase::Moved, touchAt(motion.root_x, motion.root_y));
      break;
    }
    case XCB_BUTTON_RELEASE: {
      const auto& release = reinterpret_cast<const xcb_button_release_event_t&>(e);
      if (release.detail == 1 && surfaceOf(release.event))
        ui::Application::shared().sendTouch(ui::TouchPhase::Ended, touchAt(release.root_x, release.root_y));
      break;
    }
    default:
      if (desktop && shapeNotifyEvent != 0 && type == shapeNotifyEvent) {
        const auto& shaped = reinterpret_cast<const xcb_shape_notify_event_t&>(e);
        if (shaped.shape_kind != XCB_SHAPE_SK_INPUT || shaped.extents_width == 0 || shaped.extents_height == 0) break;
        for (auto& [w, s] : surfaces) {
          // Only an input region we emptied is put back; a whole one is
          // what the manager sets anyway.
          if (s.managerFrame == shaped.affected_window && s.inputEmpty == true) setFrameInput(s);
        }
        break;
      }
      if (desktop) desktopChanged(desktop->classify(e));
      break;
  }
}

void XDisplay::Impl::readEvents() {
  while (!queued.empty()) {
    x::Owned<xcb_generic_event_t> e = std::move(queued.front());
    queued.pop_front();
    handle(*e);
  }
  while (connected) {
    x::Owned<xcb_generic_event_t> e(xcb_poll_for_event(c));
    if (!e) break;
    handle(*e);
  }
  if (connected && xcb_connection_has_error(c)) lost();
}

void XDisplay::Impl::lost() {
  if (!connected) return;
  connected = false;
  logLine(__LINE__, "the connection to the X server broke; windows are no longer shown");
  for (auto& [w, s] : surfaces) forget(s);
  if (animationTimer) animationTimer->invalidate();
  animationTimer.reset();
  if (refreshTimer) refreshTimer->invalidate();
  refreshTimer.reset();
  queued.clear();
  source.reset();
  observer.reset();
}

std::unique_ptr<XDisplay> XDisplay::open(const std::string& displayName, double scale, std::string* error) {
  Options options;
  options.scale = scale;
  return open(displayName, options, error);
}

std::unique_ptr<XDisplay> XDisplay::open(const std::string& displayName, const Options& options, std::string* error) {
  const double scale = options.scale;
  foundation::RunLoop& loop = foundation::RunLoop::main();
  if (loop.clock().isVirtual()) {
    if (error) *error = "the main run loop runs on a virtual clock, which never reads the X connection";
    return nullptr;
  }
  if (!(scale > 0) || !std::isfinite(scale)) {
    if (error) *error = "the scale must be a positive number, not " + std::to_string(scale);
    return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  impl->connection = x::connect(displayName, &impl->screen, error);
  if (!impl->connection) return nullptr;
  impl->c = impl->connection.get();
  impl->scale = scale;
  impl->options = options;
  impl->connected = true;
  if (!impl->setUp(error) || (options.desktop && !impl->setUpDesktop(error))) {
    impl->connected = false;
    return nullptr;
  }
  Impl* self = impl.get();
  foundation::FileDescriptorSource connectionSource;
  connectionSource.fd = xcb_get_file_descriptor(self->c);
  connectionSource.prepare = [self] {
    // Requests queued by anyone go out before the loop sleeps, and events
    // xcb already read while waiting for a reply are handled without the
    // descriptor becoming readable again.
    foundation::PollRequest request;
    if (!self->connected) return request;
    xcb_flush(self->c);
    while (xcb_generic_event_t* e = xcb_poll_for_queued_event(self->c)) self->queued.emplace_back(e);
    if (!self->queued.empty()) request.timeout = 0;
    return request;
  };
  connectionSource.dispatch = [self](short revents) {
    if (!self->connected) return;
    self->readEvents();
    if (self->connected && (revents & (POLLNVAL | POLLERR))) self->lost();
  };
  self->source = loop.addFileDescriptorSource(std::move(connectionSource));
  self->observer = loop.addTurnObserver([self] { self->present(/*paced=*/true); });
  return std::unique_ptr<XDisplay>(new XDisplay(std::move(impl)));
}

XDisplay::XDisplay(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
XDisplay::~XDisplay() = default;

double XDisplay::scale() const { return impl_->scale; }
bool XDisplay::isDesktop() const { return impl_->desktop != nullptr; }
bool XDisplay::isTranslucent() const { return impl_->translucent; }
void XDisplay::setOrigin(int x, int y) {
  impl_->options.originX = x;
  impl_->options.originY = y;
}
void XDisplay::setMonitorsChangedHandler(std::function<void()> handler) { impl_->monitorsChanged = std::move(handler); }
bool XDisplay::isConnected() const { return impl_->connected; }
std::uint64_t XDisplay::framesPresented() const { return impl_->framesPresented; }
std::uint64_t XDisplay::framesComposed() const { return impl_->framesComposed; }

std::uint32_t XDisplay::xWindowFor(const ui::Window& window) const {
  const auto it = impl_->surfaces.find(&window);
  if (it == impl_->surfaces.end() || !it->second.mapped) return 0;
  return sameOwner(it->second.owner, window.weak_from_this()) ? it->second.window : 0;
}

bool XDisplay::flush() { return impl_->present(); }

bool XDisplay::sync() {
  if (!impl_->connected) return false;
  if (!x::roundTrip(impl_->c)) {
    impl_->lost();
    return false;
  }
  return true;
}

}  // namespace display

// The desktop's side of the display (see DesktopWindowing.h).
namespace display {

bool XDisplay::Impl::setUpDesktop(std::string* error) {
  desktop = std::make_unique<x::DesktopWindowing>();
  if (!desktop->setUp(c, screen, error)) return false;
  translucent = desktop->compositorRunning();
  if (const xcb_query_extension_reply_t* shape = xcb_get_extension_data(c, &xcb_shape_id); shape && shape->present)
    shapeNotifyEvent = static_cast<std::uint8_t>(shape->first_event + XCB_SHAPE_NOTIFY);
  opaqueGc = xcb_generate_id(c);
  const std::uint32_t noExposures = 0;
  xcb_create_gc(c, opaqueGc, screen->root, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
  if (!x::roundTrip(c)) {
    if (error) *error = "the X server closed the connection while setting up";
    return false;
  }
  return true;
}

void XDisplay::Impl::describeDesktopWindow(const ui::Window& w, const Surface& s) {
  x::DesktopWindowing::Role role;
  if (options.windowName) role.name = options.windowName(w);
  if (role.name.empty()) role.name = w.className();
  role.fullScreen = options.isFullScreen && options.isFullScreen(w);
  desktop->describe(s.window, role, s.x, s.y, s.width, s.height);
}

void XDisplay::Impl::restackDesktop(Surface& s, const ui::Window& w) {
  // The window manager keeps these above other clients; among themselves
  // they follow their levels: this one goes on top, then every window of a
  // higher level is raised again, lowest first.
  const std::uint32_t above[] = {XCB_STACK_MODE_ABOVE};
  xcb_configure_window(c, s.window, XCB_CONFIG_WINDOW_STACK_MODE, above);
  std::vector<std::pair<double, const Surface*>> higher;
  for (const auto& [window, other] : surfaces) {
    if (&other == &s || !other.mapped || other.window == XCB_NONE) continue;
    if (window->windowLevel() > w.windowLevel()) higher.emplace_back(window->windowLevel(), &other);
  }
  std::sort(higher.begin(), higher.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [level, other] : higher) xcb_configure_window(c, other->window, XCB_CONFIG_WINDOW_STACK_MODE, above);
}

void XDisplay::Impl::desktopChanged(x::DesktopWindowing::Change change) {
  using Change = x::DesktopWindowing::Change;
  if (change == Change::compositor) {
    const bool now = desktop->compositorRunning();
    if (now == translucent) return;
    // Another visual: every window is made again at this turn's present.
    translucent = now;
    for (auto& [w, s] : surfaces) {
      destroySurface(s);
      s.placed.reset();
    }
  } else if (change == Change::monitors) {
    if (monitorsChanged) monitorsChanged();
  }
}

std::vector<Monitor> XDisplay::monitors() const {
  if (impl_->desktop && impl_->connected) return impl_->desktop->monitors();
  return {{"screen", 0, 0, impl_->screen->width_in_pixels, impl_->screen->height_in_pixels, true}};
}

}  // namespace display
