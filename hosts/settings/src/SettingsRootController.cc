#include "SettingsRootController.h"

#include "ui/Label.h"
#include "ui/NavigationController.h"

namespace settingsapp {

void SettingsRootController::viewDidLoad() {
  setTitle("Settings");
  const ui::Rect b = view()->bounds();
  table_ = std::make_shared<ui::TableView>(ui::Rect(0, 0, b.width(), b.height()), ui::TableViewStyle::Plain);
  table_->setTableDelegate(this);
  table_->setDataSource(this);
  view()->addSubview(table_);
}

std::optional<ui::IndexPath> SettingsRootController::rowOf(std::string_view label) const {
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].label == label) return ui::IndexPath{0, static_cast<long>(i)};
  return std::nullopt;
}

std::shared_ptr<ui::TableViewCell> SettingsRootController::cellForRowAtIndexPath(ui::TableView& table,
                                                                                 const ui::IndexPath& path) {
  std::shared_ptr<ui::TableViewCell> cell = table.dequeueReusableCellWithIdentifier("entry");
  if (!cell) {
    cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, "entry");
    auto label = std::make_shared<ui::Label>(ui::Rect(16, 12, 300, 20));
    label->setFont(ui::Font::systemFont(17));
    cell->contentView().addSubview(label);
  }
  static_cast<ui::Label&>(*cell->contentView().subviews().front())
      .setText(entries_[static_cast<std::size_t>(path.row)].label);
  return cell;
}

void SettingsRootController::didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) {
  table.deselectRowAtIndexPath(path, true);
  std::shared_ptr<preferences::ListController> page = loadEntry(entries_[static_cast<std::size_t>(path.row)]);
  if (page && navigationController() != nullptr) navigationController()->pushViewController(page, true);
}

}  // namespace settingsapp
