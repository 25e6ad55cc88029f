#pragma once
// A stack of view controllers under a navigation bar. The bar spans the top
// of the controller's view, from the status bar's height down 44 points,
// and shows the top controller's title (its navigation item's, else its
// own), its right item at the trailing edge and, below the root, a back
// button that pops. The top controller's view fills the rest.
//
// Pushing with animation slides the new view in from the trailing edge
// over 0.35 s while the old one moves a third of the width out; popping is
// the reverse. The model frames are final at once (the slide is a layer
// animation); the hidden controller's view leaves the hierarchy when the
// slide ends (at once without animation).

#include <memory>
#include <vector>

#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/ViewController.h"

namespace ui {

class NavigationBar : public View {
 public:
  static constexpr double kHeight = 44;
  explicit NavigationBar(Rect frame = {});
  std::string className() const override { return "NavigationBar"; }
  Label& titleLabel() const { return *title_; }
  Button& backButton() const { return *back_; }
  const std::shared_ptr<View>& rightView() const { return right_; }
  void setRightView(std::shared_ptr<View> view);
  // The band the items sit in: the bottom 44 points.
  Rect itemBand() const;
  void layoutSubviews() override;

 private:
  std::shared_ptr<Label> title_;
  std::shared_ptr<Button> back_;
  std::shared_ptr<View> right_;
};

class NavigationController : public ViewController {
 public:
  static constexpr double kSlideDuration = 0.35;

  static std::shared_ptr<NavigationController> initWithRootViewController(std::shared_ptr<ViewController> root);
  ~NavigationController() override;
  std::string className() const override { return "NavigationController"; }

  void loadView() override;

  void pushViewController(std::shared_ptr<ViewController> controller, bool animated);
  // Pops the top controller unless it is the root; returns it.
  std::shared_ptr<ViewController> popViewControllerAnimated(bool animated);
  const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return stack_; }
  ViewController* topViewController() const { return stack_.empty() ? nullptr : stack_.back().get(); }
  NavigationBar& navigationBar();

  // The frame a child's view takes: below the bar.
  Rect contentFrame();
  // Lays the bar and the top view out for the current size.
  void layout();

 private:
  NavigationController() = default;
  void updateBar();
  void slide(View& incoming, View& outgoing, bool forward, std::shared_ptr<ViewController> leaving);
  std::vector<std::shared_ptr<ViewController>> stack_;
  std::shared_ptr<NavigationBar> bar_;
};

}  // namespace ui
