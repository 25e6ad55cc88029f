#pragma once
// A view that shows text by recording one drawText (a quartz::TextBox of its
// bounds) into its layer. `text` and `attributedText` are two views of one
// value: setting text makes a single unattributed run; setting attributed
// text sets text to its string. Runs without a font or colour use the label's
// font and textColor; setting textColor recolours the whole attributed text
// (shadows and fonts of the runs stay). Labels take no touches by default and
// redraw when their size or any text property changes.

#include <optional>
#include <string>

#include "quartz/AttributedString.h"
#include "ui/Font.h"
#include "ui/View.h"

namespace ui {

using quartz::AttributedString;
using quartz::LineBreakMode;
using quartz::Shadow;
using quartz::TextAlignment;
using quartz::TextAttributes;

class Label : public View {
 public:
  explicit Label(Rect frame = {});
  std::string className() const override { return "Label"; }

  std::string text() const { return attributedText_.string(); }
  void setText(std::string text);
  const AttributedString& attributedText() const { return attributedText_; }
  void setAttributedText(AttributedString text);
  const Font& font() const { return font_; }
  void setFont(Font font);
  const Color& textColor() const { return textColor_; }
  void setTextColor(Color color);
  TextAlignment textAlignment() const { return alignment_; }
  void setTextAlignment(TextAlignment a);
  int numberOfLines() const { return numberOfLines_; }
  void setNumberOfLines(int n);
  LineBreakMode lineBreakMode() const { return lineBreakMode_; }
  void setLineBreakMode(LineBreakMode m);
  bool adjustsFontSizeToFitWidth() const { return adjustsFontSize_; }
  void setAdjustsFontSizeToFitWidth(bool a);
  double minimumScaleFactor() const { return minimumScaleFactor_; }
  void setMinimumScaleFactor(double f);
  // The label's own shadow for runs without one (none by default).
  const std::optional<Color>& shadowColor() const { return shadowColor_; }
  void setShadowColor(std::optional<Color> c);
  Size shadowOffset() const { return shadowOffset_; }
  void setShadowOffset(Size s);

  // What drawRect records, with colours resolved for the current style.
  quartz::TextBox textBox() const;

  void drawRect(quartz::GraphicsContext& context, Rect rect) override;
  std::optional<std::string> debugText() const override { return text(); }
  void traitCollectionDidChange() override;

 private:
  AttributedString attributedText_;
  Font font_ = Font::systemFont(17);
  Color textColor_ = Color::labelColor();
  TextAlignment alignment_ = TextAlignment::Natural;
  int numberOfLines_ = 1;
  LineBreakMode lineBreakMode_ = LineBreakMode::TruncateTail;
  bool adjustsFontSize_ = false;
  double minimumScaleFactor_ = 0;
  std::optional<Color> shadowColor_;
  Size shadowOffset_{0, -1};
};

}  // namespace ui
