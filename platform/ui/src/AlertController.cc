#include "ui/AlertController.h"

#include <algorithm>
#include <cmath>

#include "foundation/Text.h"
#include "ui/Label.h"

namespace ui {

namespace {

constexpr double kPadding = 16;
constexpr double kButtonHeight = 44;
constexpr double kTitleHeight = 22;
constexpr double kMessageLineHeight = 16;
constexpr double kMessageFontSize = 13;

// Lines a message takes in the box: the model measures nothing, so it
// counts characters at the font's size (wide characters as one em, others
// as half), breaking at explicit line breaks.
int messageLines(const std::string& message, double width) {
  if (message.empty()) return 0;
  const double perLine = std::max(1.0, width / kMessageFontSize);
  int lines = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = message.find('\n', start);
    const std::string line = message.substr(start, end == std::string::npos ? std::string::npos : end - start);
    double ems = 0;
    for (std::size_t i = 0; i < line.size();) {
      const unsigned char c = static_cast<unsigned char>(line[i]);
      const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      ems += len >= 3 ? 1.0 : 0.5;
      i += len;
    }
    lines += std::max(1, static_cast<int>(std::ceil(ems / perLine)));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// Dims the window and keeps the box (its only subview) centred at any size.
class AlertView : public View {
 public:
  using View::View;
  std::string className() const override { return "AlertView"; }
  void layoutSubviews() override {
    for (const auto& box : subviews()) box->setCenter({bounds().midX(), bounds().midY()});
  }
};

}  // namespace

std::shared_ptr<AlertAction> AlertAction::actionWithTitle(std::string title, AlertActionStyle style, Handler handler) {
  auto action = std::make_shared<AlertAction>();
  action->title_ = std::move(title);
  action->style_ = style;
  action->handler_ = std::move(handler);
  return action;
}

std::shared_ptr<AlertController> AlertController::alertControllerWithTitle(std::string title, std::string message,
                                                                           AlertControllerStyle style) {
  auto alert = std::make_shared<AlertController>();
  alert->setTitle(std::move(title));
  alert->message_ = std::move(message);
  alert->style_ = style;
  return alert;
}

void AlertController::addAction(std::shared_ptr<AlertAction> action) {
  if (action) actions_.push_back(std::move(action));
}

void AlertController::loadView() {
  // The dimming view fills the window; the box sits in its middle.
  auto dim = std::make_shared<AlertView>(loadingFrame());
  dim->setBackgroundColor(Color::colorWithWhite(0, 0.2));
  setView(dim);

  const double inner = kWidth - 2 * kPadding;
  const int lines = messageLines(message_, inner);
  double y = kPadding + 4;
  auto box = std::make_shared<View>();
  box->setBackgroundColor(Color::dynamic(quartz::Color::rgba(242 / 255.0, 242 / 255.0, 242 / 255.0, 0.97),
                                         quartz::Color::rgba(44 / 255.0, 44 / 255.0, 46 / 255.0, 0.97)));
  box->layer()->setCornerRadius(14);
  box->setClipsToBounds(true);
  if (title()) {
    auto titleLabel = std::make_shared<Label>(Rect(kPadding, y, inner, kTitleHeight));
    titleLabel->setFont(Font::boldSystemFont(17));
    titleLabel->setTextAlignment(TextAlignment::Center);
    titleLabel->setText(*title());
    box->addSubview(titleLabel);
    y += kTitleHeight + 2;
  }
  if (lines > 0) {
    auto messageLabel = std::make_shared<Label>(Rect(kPadding, y, inner, lines * kMessageLineHeight));
    messageLabel->setFont(Font::systemFont(kMessageFontSize));
    messageLabel->setTextAlignment(TextAlignment::Center);
    messageLabel->setNumberOfLines(0);
    messageLabel->setText(message_);
    box->addSubview(messageLabel);
    y += lines * kMessageLineHeight;
  }
  y += kPadding + 4;

  const bool sideBySide = actions_.size() == 2;
  const double buttonWidth = sideBySide ? kWidth / 2 : kWidth;
  buttons_.clear();
  for (std::size_t i = 0; i < actions_.size(); ++i) {
    const AlertAction& action = *actions_[i];
    const double bx = sideBySide ? static_cast<double>(i) * buttonWidth : 0;
    const double by = sideBySide ? y : y + static_cast<double>(i) * kButtonHeight;
    auto separator = std::make_shared<View>(Rect(bx, by, buttonWidth, 0.5));
    separator->setBackgroundColor(Color::separatorColor());
    box->addSubview(separator);
    if (sideBySide && i == 1) {
      auto divider = std::make_shared<View>(Rect(bx, by, 0.5, kButtonHeight));
      divider->setBackgroundColor(Color::separatorColor());
      box->addSubview(divider);
    }
    auto button = Button::buttonWithType(ButtonType::System);
    button->setFrame(Rect(bx, by, buttonWidth, kButtonHeight));
    button->setTitle(action.title(), ControlState::Normal);
    button->setTitleColor(action.style() == AlertActionStyle::Destructive ? Color::redColor() : Color::systemBlueColor(),
                          ControlState::Normal);
    button->titleLabel()->setFont(action.style() == AlertActionStyle::Cancel ? Font::boldSystemFont(17)
                                                                             : Font::systemFont(17));
    std::weak_ptr<ViewController> weak = weak_from_this();
    button->addTarget(
        weak, [this, i](Control&) { tapped(i); }, ControlEvent::TouchUpInside);
    box->addSubview(button);
    buttons_.push_back(button);
  }
  const double height = y + (sideBySide ? kButtonHeight : kButtonHeight * static_cast<double>(actions_.size()));
  box->setFrame(Rect(0, 0, kWidth, height));
  dim->addSubview(box);
  dim->setNeedsLayout();
}

void AlertController::tapped(std::size_t index) {
  if (done_ || index >= actions_.size()) return;
  done_ = true;
  // The presenter lets go of the alert on dismissal; keep it for the handler.
  std::shared_ptr<ViewController> self = shared_from_this();
  std::shared_ptr<AlertAction> action = actions_[index];
  dismissViewController(true);
  if (action->handler()) action->handler()(*action);
}

}  // namespace ui
