#pragma once
// An alert: a title, a message and buttons for its actions in the order
// they were added, on a box centred over a dimmed window. Two actions sit
// side by side, any other number one under the other. A tap on an action
// (TouchUpInside of its button) dismisses the alert first, then runs the
// action's handler once; further taps on the dismissed alert do nothing.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Button.h"
#include "ui/ViewController.h"

namespace ui {

enum class AlertActionStyle { Default, Cancel, Destructive };
enum class AlertControllerStyle { ActionSheet, Alert };

class AlertAction {
 public:
  using Handler = std::function<void(AlertAction&)>;
  static std::shared_ptr<AlertAction> actionWithTitle(std::string title, AlertActionStyle style, Handler handler);
  const std::string& title() const { return title_; }
  AlertActionStyle style() const { return style_; }
  const Handler& handler() const { return handler_; }

 private:
  std::string title_;
  AlertActionStyle style_ = AlertActionStyle::Default;
  Handler handler_;
};

class AlertController : public ViewController {
 public:
  static constexpr double kWidth = 270;

  static std::shared_ptr<AlertController> alertControllerWithTitle(std::string title, std::string message,
                                                                   AlertControllerStyle style);
  std::string className() const override { return "AlertController"; }

  const std::string& message() const { return message_; }
  AlertControllerStyle preferredStyle() const { return style_; }
  void addAction(std::shared_ptr<AlertAction> action);
  const std::vector<std::shared_ptr<AlertAction>>& actions() const { return actions_; }
  // The button of each action, in the order of actions() (after the view loaded).
  const std::vector<std::shared_ptr<Button>>& actionButtons() const { return buttons_; }

  void loadView() override;

 private:
  void tapped(std::size_t index);
  std::string message_;
  AlertControllerStyle style_ = AlertControllerStyle::Alert;
  std::vector<std::shared_ptr<AlertAction>> actions_;
  std::vector<std::shared_ptr<Button>> buttons_;
  bool done_ = false;
};

}  // namespace ui
