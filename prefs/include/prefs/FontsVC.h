#pragma once
// The font chooser: every installed font as a row drawn in its own font,
// the chosen one marked with a dot. A tap stores the tapped font's name in
// the settings file at once (the home screen reads it at its next line)
// and moves the dot; there is no confirm or cancel. The list is made once,
// when the view loads.

#include <memory>
#include <vector>

#include "prefs/FontModel.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class FontsVC : public ui::ViewController, public ui::TableViewDataSource, public ui::TableViewDelegate {
 public:
  static std::shared_ptr<FontsVC> init();
  std::string className() const override { return "FontsVC"; }

  // Base behaviour, then initData, then initSubviews.
  void viewDidLoad() override;
  void initData();
  void initSubviews();

  const std::shared_ptr<ui::TableView>& table() const { return table_; }
  const std::vector<std::shared_ptr<FontModel>>& dataArray() const { return dataArray_; }

  long numberOfSectionsInTableView(ui::TableView&) override { return 1; }
  long numberOfRowsInSection(ui::TableView& table, long section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table, const ui::IndexPath& indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& indexPath) override;

  // Every font name of every family, in the order the font system reports
  // them, checked where it equals the stored name exactly.
  static std::vector<std::shared_ptr<FontModel>> getAllSystemFonts();

 private:
  std::shared_ptr<ui::TableView> table_;
  std::vector<std::shared_ptr<FontModel>> dataArray_;
};
