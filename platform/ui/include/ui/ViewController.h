#pragma once
// A view controller: owns one main view, created on first access (loadView,
// then viewDidLoad), and the navigation item a navigation controller shows
// for it. Controllers are held by std::shared_ptr: a navigation controller
// holds its stack, a window its root controller, a presenter the controller
// it presents; the back pointers (navigationController, presentingViewController)
// are plain pointers cleared when the holder lets go.
//
// Presenting: presentViewController puts the presented controller's view
// over the whole window of the presenter's view, topmost, until
// dismissViewController; a controller presents one controller at a time.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/View.h"

namespace ui {

class NavigationController;

// What a navigation bar shows for a controller: the title and a view on the
// right (a custom view, such as a button).
class NavigationItem {
 public:
  const std::optional<std::string>& title() const { return title_; }
  void setTitle(std::optional<std::string> title);
  const std::shared_ptr<View>& rightBarButtonItem() const { return right_; }
  void setRightBarButtonItem(std::shared_ptr<View> customView);
  // Called when something shown changed (the bar listens).
  void setChangeHandler(std::function<void()> handler) { changed_ = std::move(handler); }

 private:
  std::optional<std::string> title_;
  std::shared_ptr<View> right_;
  std::function<void()> changed_;
};

class ViewController : public std::enable_shared_from_this<ViewController> {
 public:
  ViewController();
  virtual ~ViewController();
  ViewController(const ViewController&) = delete;
  ViewController& operator=(const ViewController&) = delete;

  virtual std::string className() const { return "ViewController"; }

  // The main view; loads it on first access.
  const std::shared_ptr<View>& view();
  bool isViewLoaded() const { return view_ != nullptr; }
  // Makes the main view: a plain view with the system background colour.
  virtual void loadView();
  virtual void viewDidLoad() {}
  // Sent by a navigation controller around showing and hiding the view.
  virtual void viewWillAppear(bool /*animated*/) {}
  virtual void viewDidDisappear(bool /*animated*/) {}

  const std::optional<std::string>& title() const { return title_; }
  void setTitle(std::optional<std::string> title);
  NavigationItem& navigationItem() { return navigationItem_; }
  NavigationController* navigationController() const { return navigationController_; }

  void presentViewController(std::shared_ptr<ViewController> controller, bool animated,
                             std::function<void()> completion = {});
  // Dismisses what this controller presents (or, sent to a presented
  // controller, itself).
  void dismissViewController(bool animated, std::function<void()> completion = {});
  ViewController* presentedViewController() const { return presented_.get(); }
  ViewController* presentingViewController() const { return presenting_; }

 protected:
  void setView(std::shared_ptr<View> view) { view_ = std::move(view); }
  // The frame loadView gives the main view: the screen's bounds, or the
  // place a navigation controller is about to put it, so that what
  // viewDidLoad builds from the view's size fits where it shows.
  Rect loadingFrame() const;

 private:
  friend class NavigationController;
  std::shared_ptr<View> view_;
  std::optional<Rect> loadingFrame_;
  std::optional<std::string> title_;
  NavigationItem navigationItem_;
  NavigationController* navigationController_ = nullptr;
  std::shared_ptr<ViewController> presented_;
  ViewController* presenting_ = nullptr;
};

}  // namespace ui
