#include "ui/Application.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "ui/GestureRecognizer.h"
#include "ui/Window.h"

namespace ui {

struct Application::TouchState {
  Touch touch;
  View* view = nullptr;  // nulled if the view goes away (forgetView)
  std::vector<std::shared_ptr<GestureRecognizer>> recognizers;
  bool viewCancelled = false;
};

Application::Application() = default;
Application::~Application() = default;

Application& Application::shared() {
  static Application* app = new Application();  // never destroyed: windows may outlive statics
  return *app;
}

void Application::registerWindow(Window* w) { windows_.push_back(w); }

void Application::unregisterWindow(Window* w) {
  std::erase(windows_, w);
  if (keyWindow_ == w) keyWindow_ = nullptr;
  if (touch_ && touch_->touch.window == w) touch_->touch.window = nullptr;
}

void Application::forgetView(const View* v) {
  if (touch_ && touch_->view == v) touch_->view = nullptr;
  if (touch_ && touch_->touch.view == v) touch_->touch.view = nullptr;
}

std::vector<Window*> Application::windows() const {
  std::vector<Window*> list;
  windows(list);
  return list;
}

void Application::windows(std::vector<Window*>& into) const {
  into.assign(windows_.begin(), windows_.end());
  // Show-order stamps are unique, so a plain sort gives one order (and,
  // unlike a stable sort, needs no buffer).
  std::sort(into.begin(), into.end(), [](const Window* a, const Window* b) {
    if (a->windowLevel() != b->windowLevel()) return a->windowLevel() < b->windowLevel();
    return a->orderStamp() < b->orderStamp();
  });
}

std::vector<Window*> Application::visibleWindows() const {
  std::vector<Window*> list = windows();
  std::erase_if(list, [](const Window* w) { return w->isHidden(); });
  return list;
}

std::vector<Window*> Application::screenWindows() const {
  std::vector<Window*> list;
  screenWindows(list);
  return list;
}

void Application::screenWindows(std::vector<Window*>& into) const {
  windows(into);
  std::erase_if(into, [](const Window* w) { return w->isHidden() || w->superview() != nullptr; });
}

Window* Application::keyWindow() const { return keyWindow_; }

void Application::setUserInterfaceStyle(UserInterfaceStyle style) {
  if (style_ == style) return;
  style_ = style;
  for (Window* w : windows_) {
    std::vector<View*> stack{w};
    while (!stack.empty()) {
      View* v = stack.back();
      stack.pop_back();
      v->traitCollectionDidChange();
      for (const auto& s : v->subviews()) stack.push_back(s.get());
    }
  }
}

bool Application::canOpenURL(const std::string& url) const { return canOpen_ ? canOpen_(url) : false; }

void Application::openURL(const std::string& url, std::function<void(bool)> completion) {
  const bool ok = open_ ? open_(url) : false;
  if (completion) foundation::RunLoop::main().dispatchAsync([completion, ok] { completion(ok); });
}

void Application::setURLHandler(std::function<bool(const std::string&)> canOpen,
                                std::function<bool(const std::string&)> open) {
  canOpen_ = std::move(canOpen);
  open_ = std::move(open);
}

void Application::setStatusBarFrame(const Rect& frame) {
  if (frame == statusBarFrame_) return;
  statusBarFrame_ = frame;
  foundation::NotificationCenter::defaultCenter().post(kDidChangeStatusBarFrameNotification);
}

void Application::reset() {
  touch_.reset();
  style_ = UserInterfaceStyle::Light;
  canOpen_ = nullptr;
  open_ = nullptr;
  statusBarFrame_ = Rect{0, 0, 375, 44};
  lastTapEnd_ = -1e300;
  lastTapCount_ = 0;
}

bool Application::isTracking(const GestureRecognizer* r) const {
  if (!touch_) return false;
  return std::any_of(touch_->recognizers.begin(), touch_->recognizers.end(),
                     [r](const auto& p) { return p.get() == r; });
}

// A recogniser that begins or recognises excludes the others still possible
// and, when it cancels touches in view, takes the touch from the view.
void Application::recognizerChanged(GestureRecognizer* r) {
  const auto s = r->state();
  if (s != GestureRecognizerState::Began && s != GestureRecognizerState::Ended) return;
  if (!isTracking(r)) return;
  {
    for (auto& other : touch_->recognizers) {
      if (other.get() != r && other->state() == GestureRecognizerState::Possible) {
        other->setState(GestureRecognizerState::Failed);
      }
    }
    if (r->cancelsTouchesInView() && !touch_->viewCancelled) {
      touch_->viewCancelled = true;
      if (touch_->view) {
        Touch t = touch_->touch;
        t.phase = TouchPhase::Cancelled;
        touch_->view->touchesCancelled(t);
      }
    }
  }
}

namespace {
bool isTerminal(GestureRecognizerState s) {
  return s == GestureRecognizerState::Ended || s == GestureRecognizerState::Cancelled ||
         s == GestureRecognizerState::Failed;
}
bool isActive(GestureRecognizerState s) {
  return s == GestureRecognizerState::Possible || s == GestureRecognizerState::Began ||
         s == GestureRecognizerState::Changed;
}
}  // namespace

void Application::endSequence() {
  if (!touch_) return;
  std::vector<std::shared_ptr<GestureRecognizer>> recognizers = std::move(touch_->recognizers);
  touch_.reset();
  for (auto& r : recognizers)
    if (isTerminal(r->state())) r->reset();
}

bool Application::sendTouch(TouchPhase phase, Point screenLocation) {
  const double now = foundation::RunLoop::main().now();
  if (phase == TouchPhase::Began) {
    if (touch_) sendTouch(TouchPhase::Cancelled, touch_->touch.screenLocation);
    const std::vector<Window*> list = visibleWindows();
    Window* hitWindow = nullptr;
    View* hit = nullptr;
    for (auto it = list.rbegin(); it != list.rend() && hit == nullptr; ++it) {
      Window* w = *it;
      hit = w->hitTest(w->convertPointFromView(screenLocation, nullptr));
      if (hit) hitWindow = w;
    }
    if (hit == nullptr) return false;
    auto state = std::make_unique<TouchState>();
    Touch& t = state->touch;
    t.phase = TouchPhase::Began;
    t.screenLocation = t.previousScreenLocation = t.beganScreenLocation = screenLocation;
    t.timestamp = now;
    const bool quick = now - lastTapEnd_ <= 0.35 &&
                       std::hypot(screenLocation.x - lastTapLocation_.x, screenLocation.y - lastTapLocation_.y) <= 10;
    t.tapCount = quick ? lastTapCount_ + 1 : 1;
    t.window = hitWindow;
    t.view = hit;
    state->view = hit;
    for (View* v = hit; v != nullptr; v = v->superview())
      for (const auto& r : v->gestureRecognizers())
        if (r->isEnabled()) state->recognizers.push_back(r);
    touch_ = std::move(state);
    std::vector<std::shared_ptr<GestureRecognizer>> recognizers = touch_->recognizers;
    for (auto& r : recognizers) {
      if (!touch_) break;
      if (!isActive(r->state())) continue;
      r->touch_ = t;
      r->touchesBegan(t);
    }
    if (touch_ && !touch_->viewCancelled && touch_->view) touch_->view->touchesBegan(t);
    return true;
  }

  if (!touch_) return false;
  Touch& t = touch_->touch;
  t.phase = phase;
  t.previousScreenLocation = t.screenLocation;
  t.screenLocation = screenLocation;
  t.timestamp = now;
  const Touch event = t;
  std::vector<std::shared_ptr<GestureRecognizer>> recognizers = touch_->recognizers;
  for (auto& r : recognizers) {
    if (!touch_) break;
    if (!isActive(r->state())) continue;
    r->touch_ = event;
    switch (phase) {
      case TouchPhase::Moved: r->touchesMoved(event); break;
      case TouchPhase::Ended: r->touchesEnded(event); break;
      case TouchPhase::Cancelled: r->touchesCancelled(event); break;
      case TouchPhase::Began: break;
    }
  }
  if (touch_ && !touch_->viewCancelled && touch_->view) {
    switch (phase) {
      case TouchPhase::Moved: touch_->view->touchesMoved(event); break;
      case TouchPhase::Ended: touch_->view->touchesEnded(event); break;
      case TouchPhase::Cancelled: touch_->view->touchesCancelled(event); break;
      case TouchPhase::Began: break;
    }
  }
  if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) {
    if (phase == TouchPhase::Ended) {
      lastTapEnd_ = now;
      lastTapLocation_ = screenLocation;
      lastTapCount_ = event.tapCount;
    }
    endSequence();
  }
  return true;
}

}  // namespace ui
