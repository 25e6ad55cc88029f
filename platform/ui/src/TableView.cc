#include "ui/TableView.h"

#include <algorithm>

#include "foundation/RunLoop.h"
#include "ui/TreeDump.h"

namespace ui {

namespace {

double now() { return foundation::RunLoop::main().now(); }

constexpr double kDeselectDuration = 0.25;
constexpr double kTimeEpsilon = 1e-6;

}  // namespace

// ---- TableViewCell ----

TableViewCell::TableViewCell(TableViewCellStyle /*style*/, std::string reuseIdentifier)
    : View(Rect(0, 0, 320, kDefaultHeight)), reuseIdentifier_(std::move(reuseIdentifier)) {
  setBackgroundColor(Color::systemBackgroundColor());
  highlight_ = std::make_shared<View>(bounds());
  highlight_->setBackgroundColor(Color::dynamic(quartz::Color::rgba(209 / 255.0, 209 / 255.0, 214 / 255.0, 1),
                                                quartz::Color::rgba(58 / 255.0, 58 / 255.0, 60 / 255.0, 1)));
  highlight_->setHidden(true);
  highlight_->setUserInteractionEnabled(false);
  content_ = std::make_shared<View>(bounds());
  // Adding subviews here is safe: the cell is not yet shared, and addSubview
  // keeps only a raw pointer back.
  View::addSubview(highlight_);
  View::addSubview(content_);
}

TableViewCell::~TableViewCell() = default;

void TableViewCell::setSelected(bool selected, bool animated) {
  if (selected == selected_) return;
  selected_ = selected;
  highlight_->layer()->removeAllAnimations();
  if (selected) {
    highlight_->setAlpha(1);
    highlight_->setHidden(false);
    return;
  }
  if (!animated) {
    highlight_->setHidden(true);
    return;
  }
  std::shared_ptr<View> highlight = highlight_;
  View::animate(kDeselectDuration, [&highlight] { highlight->setAlpha(0); },
                [highlight, weak = weak_from_this()](bool finished) {
                  auto self = std::static_pointer_cast<TableViewCell>(weak.lock());
                  if (finished && self && !self->selected_) highlight->setHidden(true);
                });
}

void TableViewCell::layoutSubviews() {
  highlight_->setFrame(Rect(0, 0, bounds().width(), bounds().height()));
  content_->setFrame(Rect(0, 0, bounds().width(), bounds().height()));
}

void TableViewCell::addDebugFields(DebugFields& fields) const {
  View::addDebugFields(fields);
  if (selected_) fields.add("selected", true);
}

// ---- TableViewDelegate ----

double TableViewDelegate::heightForRowAtIndexPath(TableView& table, const IndexPath&) { return table.rowHeight(); }

// ---- TableView ----

TableView::TableView(Rect frame, TableViewStyle style) : ScrollView(frame), style_(style) {
  setAlwaysBounceVertical(true);
  setBackgroundColor(Color::systemBackgroundColor());
  tap_ = std::make_shared<TapGestureRecognizer>([this](GestureRecognizer& r) { tapped(r); });
  tap_->setCancelsTouchesInView(false);
  addGestureRecognizer(tap_);
}

TableView::~TableView() = default;

TableViewDataSource* TableView::dataSource() const { return dataSourceLife_.expired() ? nullptr : dataSource_; }
TableViewDelegate* TableView::tableDelegate() const { return delegateLife_.expired() ? nullptr : delegate_; }

void TableView::setRowHeight(double h) {
  rowHeight_ = h;
  reloadData();
}

void TableView::setTableHeaderView(std::shared_ptr<View> view) {
  if (header_) header_->removeFromSuperview();
  header_ = std::move(view);
  if (header_) addSubview(header_);
  measure();
  setNeedsLayout();
}

void TableView::setTableFooterView(std::shared_ptr<View> view) {
  if (footer_) footer_->removeFromSuperview();
  footer_ = std::move(view);
  if (footer_) addSubview(footer_);
  measure();
  setNeedsLayout();
}

long TableView::numberOfRowsInSection(long section) const {
  if (section < 0 || section >= numberOfSections()) return 0;
  return rowsPerSection_[static_cast<std::size_t>(section)];
}

std::size_t TableView::flatIndex(const IndexPath& indexPath) const {
  std::size_t flat = 0;
  for (long s = 0; s < indexPath.section; ++s) flat += static_cast<std::size_t>(rowsPerSection_[static_cast<std::size_t>(s)]);
  return flat + static_cast<std::size_t>(indexPath.row);
}

IndexPath TableView::pathOfFlat(std::size_t flat) const {
  long section = 0;
  for (long rows : rowsPerSection_) {
    if (flat < static_cast<std::size_t>(rows)) return {section, static_cast<long>(flat)};
    flat -= static_cast<std::size_t>(rows);
    ++section;
  }
  return {section, 0};
}

void TableView::enqueue(const std::shared_ptr<TableViewCell>& cell) {
  cell->removeFromSuperview();
  cell->setSelected(false);
  queues_[cell->reuseIdentifier()].push_back(cell);
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& identifier) {
  auto it = queues_.find(identifier);
  if (it == queues_.end() || it->second.empty()) return nullptr;
  std::shared_ptr<TableViewCell> cell = std::move(it->second.back());
  it->second.pop_back();
  cell->prepareForReuse();
  return cell;
}

std::size_t TableView::queuedCellCount() const {
  std::size_t n = 0;
  for (const auto& [id, cells] : queues_) n += cells.size();
  return n;
}

void TableView::measure() {
  double y = header_ ? header_->frame().height() : 0;
  rowTops_.clear();
  TableViewDelegate* delegate = tableDelegate();
  const long sections = numberOfSections();
  for (long s = 0; s < sections; ++s)
    for (long r = 0; r < rowsPerSection_[static_cast<std::size_t>(s)]; ++r) {
      rowTops_.push_back(y);
      y += delegate ? delegate->heightForRowAtIndexPath(*this, {s, r}) : rowHeight_;
    }
  rowTops_.push_back(y);
  if (footer_) y += footer_->frame().height();
  setContentSize({bounds().width(), y});
}

void TableView::reloadData() {
  for (auto& [flat, cell] : shown_) enqueue(cell);
  shown_.clear();
  rowsPerSection_.clear();
  if (TableViewDataSource* source = dataSource()) {
    const long sections = std::max(0L, source->numberOfSectionsInTableView(*this));
    for (long s = 0; s < sections; ++s) rowsPerSection_.push_back(std::max(0L, source->numberOfRowsInSection(*this, s)));
  }
  if (selected_ && (selected_->section >= numberOfSections() || selected_->row >= numberOfRowsInSection(selected_->section)))
    selected_.reset();
  measure();
  const Point limit = maximumContentOffset();
  if (contentOffset().y > limit.y) setContentOffset({contentOffset().x, std::max(0.0, limit.y)});
  setNeedsLayout();
}

Rect TableView::rectForRowAtIndexPath(const IndexPath& indexPath) const {
  if (indexPath.section < 0 || indexPath.row < 0 || indexPath.row >= numberOfRowsInSection(indexPath.section))
    return {};
  const std::size_t flat = flatIndex(indexPath);
  return Rect(0, rowTops_[flat], bounds().width(), rowTops_[flat + 1] - rowTops_[flat]);
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point p) const {
  if (rowTops_.size() < 2 || p.y < rowTops_.front() || p.y >= rowTops_.back()) return std::nullopt;
  const auto it = std::upper_bound(rowTops_.begin(), rowTops_.end(), p.y);
  return pathOfFlat(static_cast<std::size_t>(it - rowTops_.begin()) - 1);
}

TableViewCell* TableView::cellForRowAtIndexPath(const IndexPath& indexPath) const {
  if (indexPath.row < 0 || indexPath.row >= numberOfRowsInSection(indexPath.section)) return nullptr;
  auto it = shown_.find(flatIndex(indexPath));
  return it == shown_.end() ? nullptr : it->second.get();
}

std::vector<TableViewCell*> TableView::visibleCells() const {
  std::vector<TableViewCell*> cells;
  for (const auto& [flat, cell] : shown_) cells.push_back(cell.get());
  return cells;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() const {
  std::vector<IndexPath> paths;
  for (const auto& [flat, cell] : shown_) paths.push_back(pathOfFlat(flat));
  return paths;
}

void TableView::selectRowAtIndexPath(const std::optional<IndexPath>& indexPath, bool animated) {
  if (selected_) deselectRowAtIndexPath(*selected_, animated);
  if (!indexPath || indexPath->row < 0 || indexPath->row >= numberOfRowsInSection(indexPath->section)) return;
  selected_ = indexPath;
  if (TableViewCell* cell = cellForRowAtIndexPath(*indexPath)) cell->setSelected(true, animated);
}

void TableView::deselectRowAtIndexPath(const IndexPath& indexPath, bool animated) {
  if (selected_ == indexPath) selected_.reset();
  if (TableViewCell* cell = cellForRowAtIndexPath(indexPath)) cell->setSelected(false, animated);
}

void TableView::scrollToRowAtIndexPath(const IndexPath& indexPath, bool animated) {
  const Rect row = rectForRowAtIndexPath(indexPath);
  if (row.isEmpty()) return;
  const double y = std::clamp(row.minY(), 0.0, std::max(0.0, maximumContentOffset().y));
  setContentOffset({contentOffset().x, y}, animated);
}

void TableView::setBounds(const Rect& b) {
  const Point shownBefore = presentationContentOffset();
  const bool moved = b.origin != bounds().origin;
  ScrollView::setBounds(b);
  if (moved) {
    sweepLow_ = std::min(shownBefore.y, b.origin.y);
    sweepHigh_ = std::max(shownBefore.y, b.origin.y);
    setNeedsLayout();
  }
}

void TableView::layoutSubviews() {
  ScrollView::layoutSubviews();
  const double width = bounds().width();
  if (contentSize().width != width) setContentSize({width, contentSize().height});
  if (header_) header_->setFrame(Rect(0, 0, width, header_->frame().height()));
  if (footer_) footer_->setFrame(Rect(0, rowTops_.empty() ? 0 : rowTops_.back(), width, footer_->frame().height()));
  tile();
}

void TableView::tile() {
  const double y = contentOffset().y;
  const double height = bounds().height();
  double low = y;
  double high = y + height;
  const double end = scrollAnimationEnd();
  // The retile scheduled for the end may run a rounding error before it;
  // it must count as the end, or it would schedule itself again at once.
  if (now() < end - kTimeEpsilon) {
    // A scroll animation shows everything between where it started and
    // where it rests; come back to the bounds alone when it has ended.
    low = std::min(low, sweepLow_);
    high = std::max(high, sweepHigh_ + height);
    if (!retilePending_) {
      retilePending_ = true;
      std::weak_ptr<View> weak = weak_from_this();
      foundation::RunLoop::main().dispatchAfter(end - now(), [weak] {
        if (auto self = std::static_pointer_cast<TableView>(weak.lock())) {
          self->retilePending_ = false;
          self->setNeedsLayout();
        }
      });
    }
  }
  const std::size_t rows = rowTops_.empty() ? 0 : rowTops_.size() - 1;
  std::size_t first = rows;
  std::size_t last = rows;
  if (rows > 0) {
    first = static_cast<std::size_t>(std::upper_bound(rowTops_.begin(), rowTops_.end() - 1, low) - rowTops_.begin());
    first = first == 0 ? 0 : first - 1;
    last = static_cast<std::size_t>(std::lower_bound(rowTops_.begin(), rowTops_.end() - 1, high) - rowTops_.begin());
    // Rows that end above `low` are not shown.
    while (first < last && rowTops_[first + 1] <= low) ++first;
  }
  // Give up cells of rows that left, first, so the rows coming in reuse them.
  for (auto it = shown_.begin(); it != shown_.end();) {
    if (it->first < first || it->first >= last) {
      enqueue(it->second);
      it = shown_.erase(it);
    } else {
      ++it;
    }
  }
  TableViewDataSource* source = dataSource();
  const double width = bounds().width();
  for (std::size_t flat = first; flat < last && source != nullptr; ++flat) {
    const Rect frame(0, rowTops_[flat], width, rowTops_[flat + 1] - rowTops_[flat]);
    auto it = shown_.find(flat);
    if (it == shown_.end()) {
      const IndexPath path = pathOfFlat(flat);
      std::shared_ptr<TableViewCell> cell = source->cellForRowAtIndexPath(*this, path);
      if (!cell) continue;
      cell->setFrame(frame);
      cell->setSelected(selected_ == path);
      // Cells go under the header and footer, which never overlap rows.
      insertSubview(cell, 0);
      it = shown_.emplace(flat, std::move(cell)).first;
    } else if (it->second->frame() != frame) {
      it->second->setFrame(frame);
    }
  }
}

void TableView::tapped(GestureRecognizer& recognizer) {
  if (recognizer.state() != GestureRecognizerState::Ended) return;
  const std::optional<IndexPath> path = indexPathForRowAtPoint(recognizer.locationInView(this));
  if (!path) return;
  selectRowAtIndexPath(path, false);
  std::shared_ptr<View> keep = shared_from_this();
  if (TableViewDelegate* delegate = tableDelegate()) delegate->didSelectRowAtIndexPath(*this, *path);
}

}  // namespace ui
