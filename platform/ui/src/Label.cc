#include "ui/Label.h"

namespace ui {

Label::Label(Rect frame) : View(frame) {
  setUserInteractionEnabled(false);
  setContentMode(ContentMode::Redraw);
}

void Label::setText(std::string text) {
  AttributedString plain(std::move(text));
  if (plain == attributedText_) return;
  attributedText_ = std::move(plain);
  setNeedsDisplay();
}

void Label::setAttributedText(AttributedString text) {
  if (text == attributedText_) return;
  attributedText_ = std::move(text);
  setNeedsDisplay();
}

template <class T>
static bool assign(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

void Label::setFont(Font font) { if (assign(font_, font)) setNeedsDisplay(); }
void Label::setTextColor(Color color) {
  bool changed = assign(textColor_, color);
  // A new text colour applies to the whole attributed text, as on the
  // platform: runs give up their own colour and take the label's.
  bool coloured = false;
  for (const auto& run : attributedText_.runs()) coloured = coloured || run.attributes.foregroundColor.has_value();
  if (coloured) {
    AttributedString recoloured;
    for (const auto& run : attributedText_.runs()) {
      TextAttributes attributes = run.attributes;
      attributes.foregroundColor.reset();
      recoloured.append(run.text, attributes);
    }
    attributedText_ = std::move(recoloured);
    changed = true;
  }
  if (changed) setNeedsDisplay();
}
void Label::setTextAlignment(TextAlignment a) { if (assign(alignment_, a)) setNeedsDisplay(); }
void Label::setNumberOfLines(int n) { if (assign(numberOfLines_, n < 0 ? 0 : n)) setNeedsDisplay(); }
void Label::setLineBreakMode(LineBreakMode m) { if (assign(lineBreakMode_, m)) setNeedsDisplay(); }
void Label::setAdjustsFontSizeToFitWidth(bool a) { if (assign(adjustsFontSize_, a)) setNeedsDisplay(); }
void Label::setMinimumScaleFactor(double f) { if (assign(minimumScaleFactor_, f)) setNeedsDisplay(); }
void Label::setShadowColor(std::optional<Color> c) { if (assign(shadowColor_, c)) setNeedsDisplay(); }
void Label::setShadowOffset(Size s) { if (assign(shadowOffset_, s)) setNeedsDisplay(); }

quartz::TextBox Label::textBox() const {
  quartz::TextBox box;
  box.text = attributedText_;
  box.defaultFont = font_;
  box.defaultColor = textColor_.cgColor();
  if (shadowColor_) box.defaultShadow = quartz::Shadow{shadowOffset_, 0, shadowColor_->cgColor()};
  box.rect = bounds();
  box.alignment = alignment_;
  box.numberOfLines = numberOfLines_;
  box.lineBreakMode = lineBreakMode_;
  box.adjustsFontSizeToFitWidth = adjustsFontSize_;
  box.minimumScaleFactor = minimumScaleFactor_;
  return box;
}

void Label::drawRect(quartz::GraphicsContext& context, Rect) {
  if (attributedText_.empty()) return;
  context.drawText(textBox());
}

void Label::traitCollectionDidChange() {
  View::traitCollectionDidChange();
  if (textColor_.isDynamic() || (shadowColor_ && shadowColor_->isDynamic())) setNeedsDisplay();
}

}  // namespace ui
