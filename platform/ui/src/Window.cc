#include "ui/Window.h"

#include "ui/Application.h"
#include "ui/ViewController.h"

namespace ui {

namespace {
std::uint64_t nextOrder() {
  static std::uint64_t order = 0;
  return ++order;
}
}  // namespace

Window::Window(Rect frame) : View(frame) {
  layer()->setHidden(true);  // windows start hidden
  creationStamp_ = nextOrder();
  orderStamp_ = creationStamp_;
  Application::shared().registerWindow(this);
}

Window::~Window() { Application::shared().unregisterWindow(this); }

void Window::setWindowLevel(double level) { level_ = level; }

void Window::setHidden(bool hidden) {
  const bool wasHidden = isHidden();
  View::setHidden(hidden);
  if (wasHidden && !hidden) orderStamp_ = nextOrder();
}

void Window::makeKeyWindow() { Application::shared().keyWindow_ = this; }

void Window::makeKeyAndVisible() {
  makeKeyWindow();
  setHidden(false);
}

void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
  if (root_ && root_->isViewLoaded() && root_->view()->superview() == this) root_->view()->removeFromSuperview();
  root_ = std::move(controller);
  if (!root_) return;
  const std::shared_ptr<View>& view = root_->view();
  view->setFrame(bounds());
  insertSubview(view, 0);
}

void Window::layoutSubviews() {
  if (root_ && root_->isViewLoaded()) root_->view()->setFrame(bounds());
  std::erase_if(fullWindow_, [this](const std::weak_ptr<View>& weak) {
    std::shared_ptr<View> view = weak.lock();
    if (!view || view->superview() != this) return true;
    view->setFrame(bounds());
    return false;
  });
}

bool Window::isKeyWindow() const { return Application::shared().keyWindow() == this; }

}  // namespace ui
