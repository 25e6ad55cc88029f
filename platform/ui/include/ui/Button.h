#pragma once
// A button with a title. Made with Button::buttonWithType: the system type
// has a blue title and dims it while highlighted; the custom type has a
// white title and changes only what is set for the highlighted state.
// Titles and title colours are kept per state (Normal, Highlighted,
// Disabled, Selected); a state without its own value uses Normal's, as the
// platform does. The title is shown by titleLabel(), a centred label that
// fills the bounds (its font, number of lines and line break mode are set
// on it directly). The button is highlighted while a finger is down on it
// and inside; releasing inside sends TouchUpInside.

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "ui/Control.h"
#include "ui/Label.h"

namespace ui {

enum class ButtonType { Custom, System };

class Button : public Control {
 public:
  static std::shared_ptr<Button> buttonWithType(ButtonType type);

  explicit Button(ButtonType type = ButtonType::Custom, Rect frame = {});
  std::string className() const override { return "Button"; }
  ButtonType buttonType() const { return type_; }

  void setTitle(std::optional<std::string> title, ControlState state);
  std::optional<std::string> titleForState(ControlState state) const;
  std::string currentTitle() const;  // for the current state; empty when none
  void setTitleColor(std::optional<Color> color, ControlState state);
  // What is set for the state (or Normal's), else the type's default.
  Color titleColorForState(ControlState state) const;
  Color currentTitleColor() const;

  // Never null; lives as long as the button.
  Label* titleLabel() const { return titleLabel_.get(); }

  void layoutSubviews() override;
  void traitCollectionDidChange() override;
  void addDebugFields(DebugFields& fields) const override;  // "title"

 protected:
  void stateDidChange() override;

 private:
  void updateTitle();
  ButtonType type_;
  std::map<ControlState, std::string> titles_;
  std::map<ControlState, Color> titleColors_;
  std::shared_ptr<Label> titleLabel_;
};

}  // namespace ui
