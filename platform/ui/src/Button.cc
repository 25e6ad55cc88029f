#include "ui/Button.h"

#include "ControlStyle.h"
#include "ui/TreeDump.h"

namespace ui {

namespace {
// The system type fades its title to this while highlighted.
constexpr double kHighlightedTitleAlpha = 0.2;
constexpr double kDisabledTitleAlpha = 0.35;

// The single state whose value stands in for a combined state, most
// specific first, as the platform looks titles up.
ControlState fallbackState(ControlState s) {
  if (hasState(s, ControlState::Disabled)) return ControlState::Disabled;
  if (hasState(s, ControlState::Highlighted)) return ControlState::Highlighted;
  if (hasState(s, ControlState::Selected)) return ControlState::Selected;
  return ControlState::Normal;
}

template <class Map>
auto lookup(const Map& map, ControlState s) -> std::optional<typename Map::mapped_type> {
  for (ControlState candidate : {s, fallbackState(s), ControlState::Normal}) {
    auto it = map.find(candidate);
    if (it != map.end()) return it->second;
  }
  return std::nullopt;
}
}  // namespace

std::shared_ptr<Button> Button::buttonWithType(ButtonType type) { return std::make_shared<Button>(type); }

Button::Button(ButtonType type, Rect frame) : Control(frame), type_(type) {
  titleLabel_ = std::make_shared<Label>(bounds());
  titleLabel_->setTextAlignment(TextAlignment::Center);
  titleLabel_->setLineBreakMode(LineBreakMode::TruncateMiddle);
  titleLabel_->setFont(Font::systemFont(15));
  addSubview(titleLabel_);
  updateTitle();
}

void Button::setTitle(std::optional<std::string> title, ControlState state) {
  if (title) {
    titles_[state] = std::move(*title);
  } else {
    titles_.erase(state);
  }
  updateTitle();
}

std::optional<std::string> Button::titleForState(ControlState state) const { return lookup(titles_, state); }

std::string Button::currentTitle() const { return titleForState(this->state()).value_or(""); }

void Button::setTitleColor(std::optional<Color> color, ControlState state) {
  if (color) {
    titleColors_[state] = *color;
  } else {
    titleColors_.erase(state);
  }
  updateTitle();
}

Color Button::titleColorForState(ControlState state) const {
  if (auto c = lookup(titleColors_, state)) return *c;
  return type_ == ButtonType::System ? style::systemBlue() : Color::whiteColor();
}

Color Button::currentTitleColor() const { return titleColorForState(state()); }

void Button::updateTitle() {
  if (!titleLabel_) return;
  titleLabel_->setText(currentTitle());
  titleLabel_->setTextColor(currentTitleColor());
  double alpha = 1;
  if (type_ == ButtonType::System) {
    // Dimmed unless the highlighted or disabled state has a colour of its own.
    if (isHighlighted() && !titleColors_.contains(ControlState::Highlighted)) alpha = kHighlightedTitleAlpha;
    if (!isEnabled() && !titleColors_.contains(ControlState::Disabled)) alpha = kDisabledTitleAlpha;
  }
  titleLabel_->setAlpha(alpha);
}

void Button::stateDidChange() { updateTitle(); }

void Button::layoutSubviews() { titleLabel_->setFrame(bounds()); }

void Button::traitCollectionDidChange() {
  Control::traitCollectionDidChange();
  updateTitle();
}

void Button::addDebugFields(DebugFields& fields) const {
  Control::addDebugFields(fields);
  fields.add("title", currentTitle());
}

}  // namespace ui
