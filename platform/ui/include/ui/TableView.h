#pragma once
// A plain-style table: rows of cells in sections, one under the other,
// between an optional header view and footer view, scrolling on ScrollView.
//
// Cells come from the data source and are kept only while their row shows
// (tiling): after every change of offset or size, rows that left the shown
// range give their cells up to a reuse queue per identifier, and rows that
// came in ask the data source, which takes a queued cell with
// dequeueReusableCellWithIdentifier. While the content moves under a scroll
// animation, the shown range is everything the animation passes over, so
// the compositor has every row it shows without code running per frame;
// when it settles the range shrinks to the bounds again.
//
// Selection: a tap on a row (a touch that does not become a scroll) selects
// it and tells the delegate; deselectRowAtIndexPath with animation fades
// the selection highlight out over 0.25 s.
//
// The data source and the delegate are held weakly (like ScrollView's
// delegate): set them after the owner is held by a shared_ptr.

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/GestureRecognizer.h"
#include "ui/ScrollView.h"

namespace ui {

struct IndexPath {
  long section = 0;
  long row = 0;
  static IndexPath indexPathForRow(long row, long section) { return {section, row}; }
  bool operator==(const IndexPath&) const = default;
  auto operator<=>(const IndexPath&) const = default;
};

enum class TableViewStyle { Plain, Grouped };
enum class TableViewCellStyle { Default, Value1, Value2, Subtitle };

// A row's view. Subviews go into contentView, which fills the cell; the
// selection highlight lies under it.
class TableViewCell : public View {
 public:
  static constexpr double kDefaultHeight = 44;
  TableViewCell(TableViewCellStyle style, std::string reuseIdentifier);
  ~TableViewCell() override;
  std::string className() const override { return "TableViewCell"; }

  const std::string& reuseIdentifier() const { return reuseIdentifier_; }
  View& contentView() const { return *content_; }
  const std::shared_ptr<View>& contentViewPtr() const { return content_; }
  bool isSelected() const { return selected_; }
  void setSelected(bool selected, bool animated = false);
  // Called before the table hands the cell out again.
  virtual void prepareForReuse() {}

  void layoutSubviews() override;
  void addDebugFields(DebugFields& fields) const override;  // "selected" when on

 private:
  std::string reuseIdentifier_;
  std::shared_ptr<View> content_;
  std::shared_ptr<View> highlight_;
  bool selected_ = false;
};

class TableView;

class TableViewDataSource {
 public:
  virtual ~TableViewDataSource() = default;
  virtual long numberOfSectionsInTableView(TableView&) { return 1; }
  virtual long numberOfRowsInSection(TableView& table, long section) = 0;
  virtual std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, const IndexPath& indexPath) = 0;
};

class TableViewDelegate : public ScrollViewDelegate {
 public:
  virtual double heightForRowAtIndexPath(TableView& table, const IndexPath& indexPath);
  virtual void didSelectRowAtIndexPath(TableView&, const IndexPath&) {}
};

class TableView : public ScrollView {
 public:
  TableView(Rect frame, TableViewStyle style);
  ~TableView() override;
  std::string className() const override { return "TableView"; }

  TableViewStyle style() const { return style_; }
  double rowHeight() const { return rowHeight_; }
  void setRowHeight(double h);

  template <class T>
  void setDataSource(T* source) {
    dataSourceLife_ = source ? std::weak_ptr<const void>(source->weak_from_this()) : std::weak_ptr<const void>();
    dataSource_ = source;
    reloadData();
  }
  template <class T>
  void setTableDelegate(T* delegate) {
    delegateLife_ = delegate ? std::weak_ptr<const void>(delegate->weak_from_this()) : std::weak_ptr<const void>();
    delegate_ = delegate;
    setDelegate(delegate);
    reloadData();
  }
  TableViewDataSource* dataSource() const;
  TableViewDelegate* tableDelegate() const;

  const std::shared_ptr<View>& tableHeaderView() const { return header_; }
  void setTableHeaderView(std::shared_ptr<View> view);
  const std::shared_ptr<View>& tableFooterView() const { return footer_; }
  void setTableFooterView(std::shared_ptr<View> view);

  // Asks the data source again for everything; every shown cell goes back
  // to its queue first. Keeps the offset (clamped to the new content).
  void reloadData();
  std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);

  long numberOfSections() const { return static_cast<long>(rowsPerSection_.size()); }
  long numberOfRowsInSection(long section) const;
  Rect rectForRowAtIndexPath(const IndexPath& indexPath) const;
  std::optional<IndexPath> indexPathForRowAtPoint(Point p) const;  // content coordinates
  // The cell of a row that is shown, else null.
  TableViewCell* cellForRowAtIndexPath(const IndexPath& indexPath) const;
  std::vector<TableViewCell*> visibleCells() const;  // in row order
  std::vector<IndexPath> indexPathsForVisibleRows() const;
  // Cells waiting in the reuse queues.
  std::size_t queuedCellCount() const;

  std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }
  void selectRowAtIndexPath(const std::optional<IndexPath>& indexPath, bool animated);
  void deselectRowAtIndexPath(const IndexPath& indexPath, bool animated);
  // Scrolls so the row shows (at the top, clamped to the content).
  void scrollToRowAtIndexPath(const IndexPath& indexPath, bool animated);

  void setBounds(const Rect& bounds) override;
  void layoutSubviews() override;

 private:
  std::size_t flatIndex(const IndexPath& indexPath) const;
  IndexPath pathOfFlat(std::size_t flat) const;
  void measure();
  void tile();
  void tapped(GestureRecognizer& recognizer);
  void enqueue(const std::shared_ptr<TableViewCell>& cell);

  TableViewStyle style_;
  double rowHeight_ = TableViewCell::kDefaultHeight;
  std::weak_ptr<const void> dataSourceLife_;
  TableViewDataSource* dataSource_ = nullptr;
  std::weak_ptr<const void> delegateLife_;
  TableViewDelegate* delegate_ = nullptr;
  std::shared_ptr<View> header_;
  std::shared_ptr<View> footer_;
  std::vector<long> rowsPerSection_;
  std::vector<double> rowTops_;  // content y of each row (flat), plus the end
  std::map<std::size_t, std::shared_ptr<TableViewCell>> shown_;  // by flat row
  std::map<std::string, std::vector<std::shared_ptr<TableViewCell>>> queues_;
  std::optional<IndexPath> selected_;
  std::shared_ptr<TapGestureRecognizer> tap_;
  // The span a scroll animation passes over (content y), and when it ends.
  double sweepLow_ = 0;
  double sweepHigh_ = 0;
  double sweepEnd_ = -1;
  bool retilePending_ = false;
};

}  // namespace ui
