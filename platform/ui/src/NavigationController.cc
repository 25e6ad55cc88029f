#include "ui/NavigationController.h"

#include <algorithm>

#include "quartz/Animation.h"
#include "ui/Application.h"

namespace ui {

namespace {

constexpr double kSideMargin = 16;
constexpr double kRightItemMaxWidth = 120;

// The controller's view: lays the bar and the top view out whenever its
// size changes (a window turned, a host resized it).
class NavigationView : public View {
 public:
  explicit NavigationView(NavigationController* owner) : owner_(owner) {}
  std::string className() const override { return "NavigationView"; }
  void layoutSubviews() override { owner_->layout(); }

 private:
  NavigationController* owner_;  // owns this view
};

}  // namespace

NavigationBar::NavigationBar(Rect frame) : View(frame) {
  setBackgroundColor(Color::dynamic(quartz::Color::rgba(249 / 255.0, 249 / 255.0, 249 / 255.0, 0.94),
                                    quartz::Color::rgba(29 / 255.0, 29 / 255.0, 29 / 255.0, 0.94)));
  title_ = std::make_shared<Label>();
  title_->setFont(Font::boldSystemFont(17));
  title_->setTextAlignment(TextAlignment::Center);
  addSubview(title_);
  back_ = Button::buttonWithType(ButtonType::System);
  back_->setTitle("‹ Back", ControlState::Normal);
  back_->titleLabel()->setFont(Font::systemFont(17));
  back_->setHidden(true);
  addSubview(back_);
}

Rect NavigationBar::itemBand() const {
  const Rect b = bounds();
  return Rect(0, b.height() - kHeight, b.width(), kHeight);
}

void NavigationBar::setRightView(std::shared_ptr<View> view) {
  if (right_ == view) return;
  if (right_ && right_->superview() == this) right_->removeFromSuperview();
  right_ = std::move(view);
  if (right_) addSubview(right_);
  setNeedsLayout();
}

void NavigationBar::layoutSubviews() {
  const Rect band = itemBand();
  double rightWidth = 0;
  if (right_) {
    const Rect f = right_->frame();
    const double w = std::min(f.width(), kRightItemMaxWidth);
    const double h = std::min(f.height(), band.height());
    right_->setFrame(Rect(band.maxX() - kSideMargin - w, band.minY() + (band.height() - h) / 2, w, h));
    rightWidth = w + kSideMargin;
  }
  const double backWidth = 90;
  back_->setFrame(Rect(8, band.minY(), backWidth, band.height()));
  const double side = std::max({rightWidth, back_->isHidden() ? 0.0 : backWidth + 8, kSideMargin});
  title_->setFrame(Rect(side, band.minY(), std::max(0.0, band.width() - 2 * side), band.height()));
}

std::shared_ptr<NavigationController> NavigationController::initWithRootViewController(
    std::shared_ptr<ViewController> root) {
  std::shared_ptr<NavigationController> nav(new NavigationController());
  if (root) {
    root->navigationController_ = nav.get();
    nav->stack_.push_back(std::move(root));
  }
  return nav;
}

NavigationController::~NavigationController() {
  for (const auto& c : stack_) c->navigationController_ = nullptr;
}

void NavigationController::loadView() {
  auto view = std::make_shared<NavigationView>(this);
  view->setFrame(loadingFrame());
  view->setBackgroundColor(Color::systemBackgroundColor());
  setView(view);
  bar_ = std::make_shared<NavigationBar>();
  std::weak_ptr<ViewController> weak = weak_from_this();
  bar_->backButton().addTarget(
      weak, [this](Control&) { popViewControllerAnimated(true); }, ControlEvent::TouchUpInside);
  view->addSubview(bar_);
  updateBar();
  layout();
  if (ViewController* top = topViewController()) {
    top->loadingFrame_ = contentFrame();
    view->insertSubviewBelow(top->view(), bar_.get());
    top->view()->setFrame(contentFrame());
    top->viewWillAppear(false);
  }
}

NavigationBar& NavigationController::navigationBar() {
  view();
  return *bar_;
}

Rect NavigationController::contentFrame() {
  const Rect b = view()->bounds();
  const double barBottom = bar_->frame().maxY();
  return Rect(0, barBottom, b.width(), std::max(0.0, b.height() - barBottom));
}

void NavigationController::layout() {
  if (!bar_) return;
  const Rect b = view()->bounds();
  const double statusBar = Application::shared().statusBarFrame().height();
  const double barHeight = statusBar + NavigationBar::kHeight;
  bar_->setFrame(Rect(0, 0, b.width(), barHeight));
  if (ViewController* top = topViewController()) top->view()->setFrame(contentFrame());
}

void NavigationController::updateBar() {
  if (!bar_) return;
  ViewController* top = topViewController();
  if (top == nullptr) return;
  NavigationItem& item = top->navigationItem();
  const std::optional<std::string>& title = item.title() ? item.title() : top->title();
  bar_->titleLabel().setText(title.value_or(""));
  bar_->setRightView(item.rightBarButtonItem());
  bar_->backButton().setHidden(stack_.size() < 2);
  bar_->setNeedsLayout();
  std::weak_ptr<ViewController> weak = weak_from_this();
  item.setChangeHandler([weak] {
    if (auto self = std::static_pointer_cast<NavigationController>(weak.lock())) self->updateBar();
  });
}

void NavigationController::slide(View& incoming, View& outgoing, bool forward, std::shared_ptr<ViewController> leaving) {
  const double width = view()->bounds().width();
  const Point in = incoming.center();
  const Point out = outgoing.center();
  const double inFrom = forward ? width : -width / 3;
  const double outTo = forward ? -width / 3 : width;
  std::shared_ptr<View> outgoingView = outgoing.shared_from_this();
  // The model moves at once: the incoming view to its place, the outgoing
  // one off screen; the layers animate from where they showed.
  incoming.setCenter({in.x + inFrom, in.y});
  View::animate(kSlideDuration, 0, AnimationOptions{quartz::TimingFunction::easeInEaseOut()},
                [&] {
                  incoming.setCenter(in);
                  outgoing.setCenter({out.x + outTo, out.y});
                },
                [outgoingView, leaving, out](bool) {
                  outgoingView->removeFromSuperview();
                  outgoingView->setCenter(out);
                  if (leaving) leaving->viewDidDisappear(true);
                });
}

void NavigationController::pushViewController(std::shared_ptr<ViewController> controller, bool animated) {
  if (!controller) return;
  ViewController* previous = topViewController();
  controller->navigationController_ = this;
  stack_.push_back(controller);
  if (!isViewLoaded()) return;
  controller->loadingFrame_ = contentFrame();
  const std::shared_ptr<View>& incoming = controller->view();
  incoming->setFrame(contentFrame());
  view()->insertSubviewBelow(incoming, bar_.get());
  controller->viewWillAppear(animated);
  updateBar();
  if (previous == nullptr) return;
  if (animated) {
    slide(*incoming, *previous->view(), true, previous->shared_from_this());
  } else {
    previous->view()->removeFromSuperview();
    previous->viewDidDisappear(false);
  }
}

std::shared_ptr<ViewController> NavigationController::popViewControllerAnimated(bool animated) {
  if (stack_.size() < 2) return nullptr;
  std::shared_ptr<ViewController> leaving = stack_.back();
  stack_.pop_back();
  leaving->navigationController_ = nullptr;
  if (!isViewLoaded()) return leaving;
  ViewController* top = topViewController();
  const std::shared_ptr<View>& incoming = top->view();
  incoming->setFrame(contentFrame());
  view()->insertSubviewBelow(incoming, leaving->view().get());
  top->viewWillAppear(animated);
  updateBar();
  if (animated) {
    slide(*incoming, *leaving->view(), false, leaving);
  } else {
    leaving->view()->removeFromSuperview();
    leaving->viewDidDisappear(false);
  }
  return leaving;
}

}  // namespace ui
