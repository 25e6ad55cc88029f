#include "ui/ViewController.h"

#include "ui/Screen.h"
#include "ui/Window.h"

namespace ui {

void NavigationItem::setTitle(std::optional<std::string> title) {
  title_ = std::move(title);
  if (changed_) changed_();
}

void NavigationItem::setRightBarButtonItem(std::shared_ptr<View> customView) {
  right_ = std::move(customView);
  if (changed_) changed_();
}

ViewController::ViewController() = default;

ViewController::~ViewController() {
  if (presented_) presented_->presenting_ = nullptr;
}

const std::shared_ptr<View>& ViewController::view() {
  if (!view_) {
    loadView();
    if (!view_) view_ = std::make_shared<View>();
    viewDidLoad();
  }
  return view_;
}

Rect ViewController::loadingFrame() const { return loadingFrame_.value_or(Screen::main().bounds()); }

void ViewController::loadView() {
  view_ = std::make_shared<View>(loadingFrame());
  view_->setBackgroundColor(Color::systemBackgroundColor());
}

void ViewController::setTitle(std::optional<std::string> title) {
  title_ = std::move(title);
  if (navigationItem_.title() == std::nullopt) navigationItem_.setTitle(std::nullopt);  // tells the bar
}

void ViewController::presentViewController(std::shared_ptr<ViewController> controller, bool animated,
                                           std::function<void()> completion) {
  if (!controller || presented_) return;
  Window* window = view()->window();
  if (window == nullptr) return;
  presented_ = std::move(controller);
  presented_->presenting_ = this;
  const std::shared_ptr<View>& shown = presented_->view();
  shown->setFrame(window->bounds());
  window->addSubview(shown);
  window->fullWindow_.push_back(shown);
  if (animated) {
    shown->setAlpha(0);
    View::animate(0.2, [&shown] { shown->setAlpha(1); },
                  [completion](bool) {
                    if (completion) completion();
                  });
  } else if (completion) {
    completion();
  }
}

void ViewController::dismissViewController(bool animated, std::function<void()> completion) {
  if (!presented_ && presenting_ != nullptr) {
    presenting_->dismissViewController(animated, std::move(completion));
    return;
  }
  if (!presented_) return;
  std::shared_ptr<ViewController> leaving = std::move(presented_);
  presented_.reset();
  leaving->presenting_ = nullptr;
  std::shared_ptr<View> shown = leaving->view();
  if (!animated) {
    shown->removeFromSuperview();
    if (completion) completion();
    return;
  }
  View::animate(0.2, [&shown] { shown->setAlpha(0); },
                [shown, leaving, completion](bool) {
                  shown->removeFromSuperview();
                  if (completion) completion();
                });
}

}  // namespace ui
