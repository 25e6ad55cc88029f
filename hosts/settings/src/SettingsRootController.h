#pragma once
// The Settings app's root page: one row per installed preference entry,
// by label. A tap loads the entry's bundle and pushes its controller; an
// entry whose bundle fails stays listed and pushes nothing.

#include <memory>
#include <vector>

#include "BundleShelf.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

namespace settingsapp {

class SettingsRootController : public ui::ViewController,
                               public ui::TableViewDataSource,
                               public ui::TableViewDelegate {
 public:
  explicit SettingsRootController(std::vector<Entry> entries) : entries_(std::move(entries)) {}
  std::string className() const override { return "SettingsRootController"; }

  void viewDidLoad() override;
  const std::vector<Entry>& entries() const { return entries_; }
  const std::shared_ptr<ui::TableView>& table() const { return table_; }
  // The row of the entry with that label, if listed.
  std::optional<ui::IndexPath> rowOf(std::string_view label) const;

  long numberOfRowsInSection(ui::TableView&, long) override { return static_cast<long>(entries_.size()); }
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
  void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;

 private:
  std::vector<Entry> entries_;
  std::shared_ptr<ui::TableView> table_;
};

}  // namespace settingsapp
