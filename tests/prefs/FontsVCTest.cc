// The font chooser as the user sees it: every installed font in the font
// system's order, each drawn in its own face, the stored one dotted (by
// exact name only), a tap storing the name and moving the dot, and cells
// reused while scrolling.

#include "prefs/FontsVC.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PrefsTestEnv.h"
#include "prefs/FontCell.h"
#include "settings/SettingKeys.h"
#include "text/FontDatabase.h"
#include "ui/Button.h"

namespace {

using Strings = std::vector<std::string>;

class FontsVCTest : public PrefsTest {
 protected:
  void openChooser() {
    open();
    tap(*page->viewRowC());
    advance(1);
    chooser = std::dynamic_pointer_cast<FontsVC>(nav->viewControllers().back());
    ASSERT_TRUE(chooser);
  }
  FontCell* cell(long row) const {
    return dynamic_cast<FontCell*>(chooser->table()->cellForRowAtIndexPath({0, row}));
  }
  long rowOf(const std::string& name) const {
    for (std::size_t i = 0; i < chooser->dataArray().size(); ++i)
      if (chooser->dataArray()[i]->foneName() == name) return static_cast<long>(i);
    return -1;
  }
  // Scrolls the row into the middle of the table and taps it.
  void tapRow(long row) {
    ui::TableView& table = *chooser->table();
    table.scrollToRowAtIndexPath({0, row}, false);
    advance(0.05);
    tap(*cell(row));
  }
  // Rows whose cells show the dot, by font name.
  Strings dotted() const {
    Strings names;
    for (ui::TableViewCell* c : chooser->table()->visibleCells()) {
      auto& font = static_cast<FontCell&>(*c);
      if (!font.pointV()->isHidden()) names.push_back(font.model()->foneName());
    }
    return names;
  }
  Strings checked() const {
    Strings names;
    for (const auto& m : chooser->dataArray())
      if (m->isCheck()) names.push_back(m->foneName());
    return names;
  }

  std::shared_ptr<FontsVC> chooser;
};

TEST_F(FontsVCTest, ListsEveryFontOfEveryFamilyInTheFontSystemsOrder) {
  openChooser();
  Strings expected;
  const text::FontDatabase& db = text::FontDatabase::shared();
  for (const std::string& family : db.familyNames())
    for (const std::string& name : db.fontNamesForFamilyName(family)) expected.push_back(name);
  Strings listed;
  for (const auto& m : chooser->dataArray()) listed.push_back(m->foneName());
  EXPECT_EQ(listed, expected);
  // Whatever the machine has: several families, some of several fonts,
  // each font listed (a fresh machine with only the project's fonts has 8).
  EXPECT_GE(db.familyNames().size(), 2u);
  EXPECT_GT(listed.size(), db.familyNames().size());
  EXPECT_TRUE(checked().empty());  // nothing stored: no dot
  EXPECT_TRUE(dotted().empty());

  // Header, footer, cells: each row in its own font, dot and name placed.
  ui::TableView& table = *chooser->table();
  EXPECT_EQ(table.frame(), ui::Rect(0, 0, 375, chooser->view()->bounds().height()));
  auto* header = dynamic_cast<ui::Button*>(table.tableHeaderView().get());
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->currentTitle(), "选择字体\n(部分字体中文效果差别不大)");
  EXPECT_EQ(header->frame().height(), 60);
  EXPECT_EQ(table.tableFooterView()->frame().height(), 40);
  FontCell* first = cell(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->reuseIdentifier(), "FontCell_identifier");
  EXPECT_EQ(first->nameLabel()->font(), ui::Font::fontWithName(listed[0], 14));
  EXPECT_EQ(first->nameLabel()->text(), listed[0]);
  EXPECT_EQ(first->pointV()->frame(), ui::Rect(10, 17, 10, 10));
  EXPECT_EQ(first->nameLabel()->frame(), ui::Rect(30, 12, 375 - 40, 20));
  EXPECT_EQ(first->frame().minY(), 60);
}

TEST_F(FontsVCTest, ATapStoresTheNameAndMovesTheDot) {
  store(SettingKey::ROWC_FONTS, "DejaVuSans");
  openChooser();
  EXPECT_EQ(checked(), Strings{"DejaVuSans"});
  const long serif = rowOf("DejaVuSerif-Bold");
  ASSERT_GE(serif, 0);
  tapRow(serif);
  EXPECT_EQ(stored(SettingKey::ROWC_FONTS), "DejaVuSerif-Bold");
  EXPECT_EQ(checked(), Strings{"DejaVuSerif-Bold"});
  EXPECT_EQ(dotted(), Strings{"DejaVuSerif-Bold"});
  EXPECT_EQ(chooser->table()->indexPathForSelectedRow(), std::nullopt);  // deselected again
  // The row that has the dot, tapped again, stores the same name and keeps it.
  tapRow(serif);
  EXPECT_EQ(stored(SettingKey::ROWC_FONTS), "DejaVuSerif-Bold");
  EXPECT_EQ(dotted(), Strings{"DejaVuSerif-Bold"});
}

TEST_F(FontsVCTest, OnlyAnExactNameMarksARow) {
  for (const char* name : {"dejavusans", "DejaVu Sans", "PingFangSC-Regular"}) {
    store(SettingKey::ROWC_FONTS, name);
    openChooser();
    EXPECT_TRUE(checked().empty()) << name;
  }
}

TEST_F(FontsVCTest, ScrollingReusesTheCells) {
  openChooser();
  ui::TableView& table = *chooser->table();
  std::vector<const ui::TableViewCell*> before;
  for (ui::TableViewCell* c : table.visibleCells()) before.push_back(c);
  table.setContentOffset({0, table.maximumContentOffset().y});
  advance(0.05);
  std::size_t reused = 0;
  for (ui::TableViewCell* c : table.visibleCells())
    reused += std::find(before.begin(), before.end(), c) != before.end() ? 1 : 0;
  EXPECT_GT(reused, 0u);
  const auto& last = static_cast<FontCell&>(*table.visibleCells().back());
  EXPECT_EQ(last.model(), chooser->dataArray().back());
}

}  // namespace
