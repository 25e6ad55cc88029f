#include "prefs/FontCell.h"

FontCell::FontCell(ui::TableViewCellStyle style, std::string reuseIdentifier)
    : ui::TableViewCell(style, std::move(reuseIdentifier)) {}

std::shared_ptr<FontCell> FontCell::initWithStyle(ui::TableViewCellStyle style, std::string reuseIdentifier) {
  auto cell = std::make_shared<FontCell>(style, std::move(reuseIdentifier));
  cell->initSubviews();
  return cell;
}

void FontCell::initSubviews() {
  contentView().addSubview(pointV());
  contentView().addSubview(nameLabel());
}

const std::shared_ptr<ui::View>& FontCell::pointV() {
  if (!pointV_) {
    pointV_ = std::make_shared<ui::View>();
    pointV_->setBackgroundColor(ui::Color::systemBlueColor());
  }
  return pointV_;
}

const std::shared_ptr<ui::Label>& FontCell::nameLabel() {
  if (!nameLabel_) {
    nameLabel_ = std::make_shared<ui::Label>();
    nameLabel_->setTextColor(ui::Color::systemPinkColor());
  }
  return nameLabel_;
}

void FontCell::setModel(std::shared_ptr<FontModel> model) {
  model_ = std::move(model);
  pointV()->setHidden(!(model_ && model_->isCheck()));
  const std::string name = model_ ? model_->foneName() : std::string();
  nameLabel()->setFont(ui::Font::fontWithName(name, 14));
  nameLabel()->setText(name);
  setNeedsLayout();
}

void FontCell::layoutSubviews() {
  ui::TableViewCell::layoutSubviews();
  const double w = contentView().bounds().width();
  const double h = contentView().bounds().height();
  pointV()->setFrame(ui::Rect(10, (h - 10) / 2, 10, 10));
  pointV()->layer()->setCornerRadius(5);
  pointV()->setClipsToBounds(true);
  const double right = pointV()->frame().maxX();
  nameLabel()->setFrame(ui::Rect(right + 10, (h - 20) / 2, w - right - 20, 20));
}
