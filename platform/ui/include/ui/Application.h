#pragma once
// The application object: the window list, the key window, the interface
// style and the entry point of touches.
//
// Touches: sendTouch(phase, point) takes one finger in screen coordinates.
// A touch that begins goes to the frontmost visible window (by level, then
// show order) whose hit test finds a view; windows that find none pass it
// on to the windows behind. The rest of that touch (moves, end, cancel) goes
// to the same view and to the gesture recognisers of that view and its
// ancestors, which see it first; when one of them recognises, the others
// still possible fail and the view's touches are cancelled.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Color.h"
#include "ui/Geometry.h"
#include "ui/Touch.h"

namespace ui {

class View;
class Window;
class GestureRecognizer;

// The platform's name for the status-bar frame change.
inline constexpr const char* kDidChangeStatusBarFrameNotification = "UIApplicationDidChangeStatusBarFrameNotification";

class Application {
 public:
  static Application& shared();

  // Every live window, back to front (level, then show order).
  std::vector<Window*> windows() const;
  std::vector<Window*> visibleWindows() const;  // not hidden
  // Visible windows that stand on the screen by themselves: a window held
  // inside another view is drawn as part of that view's window.
  std::vector<Window*> screenWindows() const;
  // The same lists written over `into`, reusing its storage: for a caller
  // that asks on every frame.
  void windows(std::vector<Window*>& into) const;
  void screenWindows(std::vector<Window*>& into) const;
  Window* keyWindow() const;

  // Returns true when a view or recogniser received the event.
  bool sendTouch(TouchPhase phase, Point screenLocation);

  // The status bar's frame, as the host's profile gives it (44 points high on
  // phones with a notch). A change (the device turned) is posted on the
  // default notification centre as kDidChangeStatusBarFrameNotification,
  // after the new frame is in place.
  Rect statusBarFrame() const { return statusBarFrame_; }
  void setStatusBarFrame(const Rect& frame);

  UserInterfaceStyle userInterfaceStyle() const { return style_; }
  // Re-resolves dynamic colours in every window (traitCollectionDidChange).
  void setUserInterfaceStyle(UserInterfaceStyle style);

  // URL opening is provided by the host (the operating system's role).
  bool canOpenURL(const std::string& url) const;
  void openURL(const std::string& url, std::function<void(bool success)> completion = {});
  void setURLHandler(std::function<bool(const std::string& url)> canOpen,
                     std::function<bool(const std::string& url)> open);

  // Drops touch state and resets style and URL handling (tests).
  void reset();

 private:
  friend class Window;
  friend class View;
  friend class GestureRecognizer;
  Application();
  ~Application();
  void registerWindow(Window* w);
  void unregisterWindow(Window* w);
  void forgetView(const View* v);
  void recognizerChanged(GestureRecognizer* r);
  bool isTracking(const GestureRecognizer* r) const;
  void endSequence();
  std::vector<Window*> windows_;
  Window* keyWindow_ = nullptr;
  UserInterfaceStyle style_ = UserInterfaceStyle::Light;
  Rect statusBarFrame_{0, 0, 375, 44};
  std::function<bool(const std::string&)> canOpen_;
  std::function<bool(const std::string&)> open_;
  struct TouchState;
  std::unique_ptr<TouchState> touch_;  // the finger currently down, if any
  double lastTapEnd_ = -1e300;
  Point lastTapLocation_;
  int lastTapCount_ = 0;
};

}  // namespace ui
