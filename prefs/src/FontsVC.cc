#include "prefs/FontsVC.h"

#include "foundation/Log.h"
#include "prefs/FontCell.h"
#include "settings/MMLocalSettingManager.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"
#include "text/FontDatabase.h"
#include "ui/Button.h"

std::shared_ptr<FontsVC> FontsVC::init() { return std::make_shared<FontsVC>(); }

void FontsVC::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  initData();
  initSubviews();
}

void FontsVC::initData() { dataArray_ = getAllSystemFonts(); }

void FontsVC::initSubviews() {
  const ui::Rect bounds = view()->bounds();
  table_ = std::make_shared<ui::TableView>(ui::Rect(0, 0, bounds.width(), bounds.height()), ui::TableViewStyle::Plain);
  table_->setTableDelegate(this);
  table_->setDataSource(this);

  auto header = ui::Button::buttonWithType(ui::ButtonType::Custom);
  header->setFrame(ui::Rect(0, 0, table_->bounds().width(), 60));
  header->setTitle("选择字体\n(部分字体中文效果差别不大)", ui::ControlState::Normal);
  header->titleLabel()->setTextAlignment(ui::TextAlignment::Center);
  header->titleLabel()->setNumberOfLines(0);
  header->setTitleColor(ui::Color::systemBlueColor(), ui::ControlState::Normal);
  header->titleLabel()->setFont(ui::Font::systemFont(18));
  table_->setTableHeaderView(header);
  table_->setTableFooterView(std::make_shared<ui::View>(ui::Rect(0, 0, table_->bounds().width(), 40)));
  view()->addSubview(table_);
}

long FontsVC::numberOfRowsInSection(ui::TableView&, long) { return static_cast<long>(dataArray_.size()); }

std::shared_ptr<ui::TableViewCell> FontsVC::cellForRowAtIndexPath(ui::TableView& table, const ui::IndexPath& indexPath) {
  std::shared_ptr<FontCell> cell = std::dynamic_pointer_cast<FontCell>(table.dequeueReusableCellWithIdentifier(kFontCellIdentifier));
  if (!cell) cell = FontCell::initWithStyle(ui::TableViewCellStyle::Default, kFontCellIdentifier);
  if (indexPath.row >= 0 && static_cast<std::size_t>(indexPath.row) < dataArray_.size())
    cell->setModel(dataArray_[static_cast<std::size_t>(indexPath.row)]);
  return cell;
}

void FontsVC::didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& indexPath) {
  table.deselectRowAtIndexPath(indexPath, true);
  if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= dataArray_.size()) return;
  for (const auto& model : dataArray_) model->setIsCheck(false);
  const std::shared_ptr<FontModel>& chosen = dataArray_[static_cast<std::size_t>(indexPath.row)];
  chosen->setIsCheck(true);
  const foundation::Value name(chosen->foneName());
  MMLocalSettingManager::shared().saveValue(foundation::Value(foundation::describe(name)),
                                            foundation::Value(SettingKey::ROWC_FONTS));
  foundation::logError("hoverversebundle", "FontsVC.cc", __LINE__, "NOTICE", name);
  table.reloadData();
}

std::vector<std::shared_ptr<FontModel>> FontsVC::getAllSystemFonts() {
  const std::string stored = fileSettingText(SettingKey::ROWC_FONTS);
  const text::FontDatabase& fonts = text::FontDatabase::shared();
  std::vector<std::shared_ptr<FontModel>> list;
  for (const std::string& family : fonts.familyNames())
    for (const std::string& name : fonts.fontNamesForFamilyName(family)) {
      auto model = std::make_shared<FontModel>();
      model->setFoneName(name);
      model->setIsCheck(stored == name);
      list.push_back(std::move(model));
    }
  return list;
}
