#pragma once
// A row of the font chooser: a blue dot that shows only on the chosen font,
// and the font's name drawn in that font. The dot and the label are made on
// first access and kept for the cell's life; the cell is reused for other
// fonts through kFontCellIdentifier.

#include <memory>
#include <string>

#include "prefs/FontModel.h"
#include "ui/Label.h"
#include "ui/TableView.h"

inline constexpr const char* kFontCellIdentifier = "FontCell_identifier";

class FontCell : public ui::TableViewCell {
 public:
  // The base initialiser, then initSubviews.
  static std::shared_ptr<FontCell> initWithStyle(ui::TableViewCellStyle style, std::string reuseIdentifier);
  std::string className() const override { return "FontCell"; }

  const std::shared_ptr<ui::View>& pointV();
  const std::shared_ptr<ui::Label>& nameLabel();
  const std::shared_ptr<FontModel>& model() const { return model_; }
  // Shows the entry: the dot when it is checked, its name in its own font
  // at 14 points; lays the cell out again.
  void setModel(std::shared_ptr<FontModel> model);

  void layoutSubviews() override;

  FontCell(ui::TableViewCellStyle style, std::string reuseIdentifier);

 private:
  void initSubviews();
  std::shared_ptr<ui::View> pointV_;
  std::shared_ptr<ui::Label> nameLabel_;
  std::shared_ptr<FontModel> model_;
};
