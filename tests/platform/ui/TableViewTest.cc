// The table as a user meets it: rows tiled from the data source with cells
// reused as they scroll out and in, header and footer around the rows,
// sections, selection by a tap (not by a drag) and its animated fading.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "foundation/RunLoop.h"
#include "quartz/Transaction.h"
#include "ui/Application.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/TreeDump.h"
#include "ui/Window.h"

using namespace ui;

namespace {

// Rows "s.r"; heights per section (44 when not given); records what it was
// asked and how many cells it had to make.
struct Source : View, TableViewDataSource, TableViewDelegate {
  std::vector<long> rows{100};
  std::map<long, double> heights;
  int made = 0;
  std::vector<IndexPath> selected;
  long numberOfSectionsInTableView(TableView&) override { return static_cast<long>(rows.size()); }
  long numberOfRowsInSection(TableView&, long s) override { return rows[static_cast<std::size_t>(s)]; }
  std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, const IndexPath& path) override {
    auto cell = table.dequeueReusableCellWithIdentifier("row");
    if (!cell) {
      ++made;
      cell = std::make_shared<TableViewCell>(TableViewCellStyle::Default, "row");
      cell->contentView().addSubview(std::make_shared<Label>(Rect(10, 0, 200, 20)));
    }
    static_cast<Label&>(*cell->contentView().subviews().front())
        .setText(std::to_string(path.section) + "." + std::to_string(path.row));
    return cell;
  }
  double heightForRowAtIndexPath(TableView& table, const IndexPath& path) override {
    auto it = heights.find(path.section);
    return it == heights.end() ? table.rowHeight() : it->second;
  }
  void didSelectRowAtIndexPath(TableView&, const IndexPath& path) override { selected.push_back(path); }
};

std::string rowText(const TableViewCell& cell) {
  return static_cast<const Label&>(*cell.contentView().subviews().front()).text();
}

class TableViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    foundation::RunLoop::useVirtualClock(0);
    Application::shared().reset();
    window = std::make_shared<Window>(Rect(0, 0, 375, 812));
    window->makeKeyAndVisible();
    table = std::make_shared<TableView>(Rect(0, 100, 375, 400), TableViewStyle::Plain);
    window->addSubview(table);
    source = std::make_shared<Source>();
  }
  void TearDown() override { Application::shared().reset(); }

  void connect() {
    table->setTableDelegate(source.get());
    table->setDataSource(source.get());
    turn();
  }
  static void advance(double s) {
    foundation::RunLoop::main().advance(s);
    quartz::Transaction::flush();
  }
  static void turn() { advance(0); }
  static void touch(TouchPhase phase, Point p) {
    Application::shared().sendTouch(phase, p);
    advance(1.0 / 60);
  }
  // Texts of the rows that have cells, in row order.
  std::vector<std::string> shownRows() const {
    std::vector<std::string> texts;
    for (TableViewCell* cell : table->visibleCells()) texts.push_back(rowText(*cell));
    return texts;
  }

  std::shared_ptr<Window> window;
  std::shared_ptr<TableView> table;
  std::shared_ptr<Source> source;
};

TEST_F(TableViewTest, TilesTheRowsInViewAndReusesCellsThatScrollOut) {
  connect();
  // 400 points of 44-point rows: rows 0 to 9 show.
  EXPECT_EQ(shownRows(), (std::vector<std::string>{"0.0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8",
                                                   "0.9"}));
  EXPECT_EQ(source->made, 10);
  const TableViewCell* firstCell = table->cellForRowAtIndexPath({0, 0});

  // Scrolled past a whole screen, the rows coming in take the cells of the
  // rows that left: nothing new is made.
  table->setContentOffset({0, 1000});
  turn();
  EXPECT_EQ(shownRows().front(), "0.22");
  EXPECT_EQ(shownRows().back(), "0.31");
  EXPECT_EQ(source->made, 10);
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 0}), nullptr);
  // Each cell sits at its row, in content coordinates.
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 22})->frame(), Rect(0, 22 * 44, 375, 44));

  // One row further: the row that leaves at the top gives its cell to the
  // row that comes in at the bottom.
  const TableViewCell* leaving = table->cellForRowAtIndexPath({0, 22});
  table->setContentOffset({0, 1000 + 44});
  turn();
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 32}), leaving);
  EXPECT_NE(firstCell, nullptr);
  EXPECT_EQ(source->made, 10);
}

TEST_F(TableViewTest, HeaderRowsOfEverySectionAndFooterStackInOrder) {
  source->rows = {3, 2};
  source->heights = {{0, 30}, {1, 50}};
  table->setTableHeaderView(std::make_shared<View>(Rect(0, 0, 10, 60)));
  table->setTableFooterView(std::make_shared<View>(Rect(0, 0, 10, 40)));
  connect();
  struct Case {
    IndexPath path;
    Rect rect;
  };
  const Case cases[] = {
      {{0, 0}, Rect(0, 60, 375, 30)},  {{0, 2}, Rect(0, 120, 375, 30)}, {{1, 0}, Rect(0, 150, 375, 50)},
      {{1, 1}, Rect(0, 200, 375, 50)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(table->rectForRowAtIndexPath(c.path), c.rect) << c.path.section << "." << c.path.row;
    EXPECT_EQ(table->indexPathForRowAtPoint({5, c.rect.midY()}), c.path);
  }
  EXPECT_EQ(table->indexPathForRowAtPoint({5, 30}), std::nullopt);  // the header
  EXPECT_EQ(table->tableHeaderView()->frame(), Rect(0, 0, 375, 60));
  EXPECT_EQ(table->tableFooterView()->frame(), Rect(0, 250, 375, 40));
  EXPECT_EQ(table->contentSize(), Size(375, 290));
  EXPECT_EQ(shownRows(), (std::vector<std::string>{"0.0", "0.1", "0.2", "1.0", "1.1"}));
}

TEST_F(TableViewTest, ATapSelectsItsRowADragDoesNotAndDeselectionFades) {
  connect();
  // Row 3 is at 132..176 in the table, which is 100 points down the window.
  touch(TouchPhase::Began, {100, 100 + 150});
  touch(TouchPhase::Ended, {100, 100 + 150});
  ASSERT_EQ(source->selected, (std::vector<IndexPath>{{0, 3}}));
  EXPECT_EQ(table->indexPathForSelectedRow(), IndexPath({0, 3}));
  TableViewCell* cell = table->cellForRowAtIndexPath({0, 3});
  EXPECT_NE(treeJson(*cell).find("\"selected\": true"), std::string::npos);

  table->deselectRowAtIndexPath({0, 3}, true);
  EXPECT_FALSE(cell->isSelected());
  EXPECT_EQ(table->indexPathForSelectedRow(), std::nullopt);
  // The highlight fades out (an opacity animation) and is hidden at the end.
  const View& highlight = *cell->subviews().front();
  EXPECT_FALSE(highlight.isHidden());
  EXPECT_NE(highlight.layer()->animationForKey("opacity"), nullptr);
  advance(0.3);
  EXPECT_TRUE(highlight.isHidden());

  // A vertical drag scrolls and selects nothing.
  touch(TouchPhase::Began, {100, 400});
  for (double y = 390; y >= 300; y -= 10) touch(TouchPhase::Moved, {100, y});
  advance(0.2);
  touch(TouchPhase::Ended, {100, 300});
  EXPECT_EQ(source->selected.size(), 1u);
  EXPECT_GT(table->contentOffset().y, 50);
}

TEST_F(TableViewTest, AFlingKeepsCellsForEveryRowItPassesUntilItSettles) {
  connect();
  touch(TouchPhase::Began, {100, 480});
  for (double y = 460; y >= 200; y -= 20) touch(TouchPhase::Moved, {100, y});
  touch(TouchPhase::Ended, {100, 200});
  ASSERT_TRUE(table->isDecelerating());
  const double rest = table->contentOffset().y;
  const double shown = table->presentationContentOffset().y;
  ASSERT_GT(rest, shown + 400);
  // Every row between what shows now and where it comes to rest has a cell.
  for (double y = shown; y < rest + 400; y += 44)
    EXPECT_NE(table->cellForRowAtIndexPath(*table->indexPathForRowAtPoint({5, y})), nullptr) << y;
  advance(10);
  EXPECT_FALSE(table->isDecelerating());
  EXPECT_LE(table->visibleCells().size(), 11u);
}

TEST_F(TableViewTest, ReloadDataAsksAgainAndKeepsTheOffsetWithinTheContent) {
  connect();
  table->setContentOffset({0, 2000});
  turn();
  source->rows = {12};
  table->reloadData();
  turn();
  EXPECT_EQ(table->contentOffset().y, 12 * 44 - 400);
  EXPECT_EQ(shownRows().back(), "0.11");
  EXPECT_EQ(table->numberOfRowsInSection(0), 12);
}

}  // namespace
