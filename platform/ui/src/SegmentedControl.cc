#include "ui/SegmentedControl.h"

#include <algorithm>
#include <cmath>

#include "ControlStyle.h"
#include "ui/TreeDump.h"

namespace ui {

namespace {
constexpr double kNaturalHeight = 32;
constexpr double kCornerRadius = 9;
constexpr double kPillInset = 2;
constexpr double kSeparatorInset = 8;  // top and bottom gap of a separator
}  // namespace

SegmentedControl::SegmentedControl(std::vector<std::string> items, Rect frame)
    : Control(frame), titles_(std::move(items)) {
  setContentMode(ContentMode::Redraw);
  pill_ = style::part("SegmentSelection");
  style::liftedPiece(*pill_, selectedSegmentTintColor().cgColor(), kCornerRadius - kPillInset);
  layer()->addSublayer(pill_);
  titlesLayer_ = style::part("SegmentTitles");
  layer()->addSublayer(titlesLayer_);
  updatePill(false);
}

// ---- Segments -----------------------------------------------------------------------

void SegmentedControl::insertSegmentWithTitle(const std::string& title, long index, bool) {
  index = std::clamp(index, 0L, numberOfSegments());
  titles_.insert(titles_.begin() + index, title);
  if (selected_ != noSegment && selected_ >= index) ++selected_;
  updatePill(false);
  setNeedsDisplay();
}

void SegmentedControl::removeSegmentAtIndex(long index, bool) {
  if (index < 0 || index >= numberOfSegments()) return;
  titles_.erase(titles_.begin() + index);
  if (selected_ == index) {
    selected_ = noSegment;
  } else if (selected_ > index) {
    --selected_;
  }
  updatePill(false);
  setNeedsDisplay();
}

void SegmentedControl::removeAllSegments() {
  titles_.clear();
  selected_ = noSegment;
  updatePill(false);
  setNeedsDisplay();
}

void SegmentedControl::setTitle(const std::string& title, long segment) {
  if (segment < 0 || segment >= numberOfSegments()) return;
  titles_[static_cast<std::size_t>(segment)] = title;
  setNeedsDisplay();
}

std::string SegmentedControl::titleForSegmentAtIndex(long segment) const {
  if (segment < 0 || segment >= numberOfSegments()) return {};
  return titles_[static_cast<std::size_t>(segment)];
}

void SegmentedControl::setSelectedSegmentIndex(long index) {
  if (index < 0 || index >= numberOfSegments()) index = noSegment;
  if (index == selected_) return;
  selected_ = index;
  updatePill(false);
  setNeedsDisplay();
}

// ---- Look ---------------------------------------------------------------------------

Color SegmentedControl::selectedSegmentTintColor() const { return pillTint_ ? *pillTint_ : Color::whiteColor(); }
void SegmentedControl::setSelectedSegmentTintColor(std::optional<Color> color) {
  pillTint_ = std::move(color);
  pill_->setBackgroundColor(selectedSegmentTintColor().cgColor());
}

Color SegmentedControl::titleColor() const { return titleColor_ ? *titleColor_ : Color::labelColor(); }
void SegmentedControl::setTitleColor(std::optional<Color> color) {
  titleColor_ = std::move(color);
  setNeedsDisplay();
}

void SegmentedControl::setFont(Font font) {
  font_ = std::move(font);
  setNeedsDisplay();
}

void SegmentedControl::traitCollectionDidChange() {
  Control::traitCollectionDidChange();
  pill_->setBackgroundColor(selectedSegmentTintColor().cgColor());
  setNeedsDisplay();
}

Rect SegmentedControl::rectForSegment(long segment) const {
  const Rect b = bounds();
  const long n = numberOfSegments();
  if (segment < 0 || segment >= n) return {};
  const double w = b.width() / static_cast<double>(n);
  return Rect(b.x() + w * static_cast<double>(segment), b.y(), w, b.height());
}

long SegmentedControl::segmentAtPoint(Point p) const {
  const Rect b = bounds();
  const long n = numberOfSegments();
  if (n == 0 || !b.contains(p)) return noSegment;
  const long i = static_cast<long>(std::floor((p.x - b.x()) / (b.width() / static_cast<double>(n))));
  return std::clamp(i, 0L, n - 1);
}

Size SegmentedControl::sizeThatFits(Size size) const {
  return {bounds().width() > 0 ? bounds().width() : size.width, kNaturalHeight};
}

void SegmentedControl::layoutSubviews() { updatePill(false); }

void SegmentedControl::updatePill(bool animated) {
  if (!pill_) return;
  const double t = style::now();
  const quartz::LayerState before = pill_->presentationAt(t);
  const bool wasHidden = pill_->isHidden();
  pill_->setHidden(selected_ == noSegment);
  if (selected_ == noSegment) return;
  pill_->setFrame(rectForSegment(selected_).insetBy(kPillInset, kPillInset));
  if (animated && !wasHidden) {
    style::animateFrom(*pill_, "position", before.position);
    style::animateFrom(*pill_, "bounds", before.bounds);
  } else {
    pill_->removeAnimationForKey("position");
    pill_->removeAnimationForKey("bounds");
  }
}

void SegmentedControl::drawRect(quartz::GraphicsContext& context, Rect) {
  const Rect b = bounds();
  quartz::Path background;
  background.addRoundedRect(b, std::min(kCornerRadius, b.height() / 2));
  context.setFillColor(style::fill().cgColor());
  context.fillPath(background);
  const long n = numberOfSegments();
  // Separators between two unselected segments; the pill covers the others.
  context.setFillColor(style::separator().cgColor());
  for (long i = 1; i < n; ++i) {
    if (i == selected_ || i - 1 == selected_) continue;
    const Rect r = rectForSegment(i);
    context.fillRect(Rect(r.x() - 0.5, r.y() + kSeparatorInset, 1, std::max(0.0, r.height() - 2 * kSeparatorInset)));
  }
  // Titles go into a sublayer above the pill (drawn content sits below
  // sublayers), so they are recorded by the title layer's list instead.
  quartz::GraphicsContext titles(b);
  for (long i = 0; i < n; ++i) {
    quartz::TextBox box;
    box.text = quartz::AttributedString(titles_[static_cast<std::size_t>(i)]);
    box.defaultFont = font_;
    box.defaultFont.bold = i == selected_;
    box.defaultColor = titleColor().cgColor();
    box.rect = rectForSegment(i).insetBy(4, 0);
    box.alignment = quartz::TextAlignment::Center;
    box.adjustsFontSizeToFitWidth = true;
    box.minimumScaleFactor = 0.5;
    titles.drawText(std::move(box));
  }
  quartz::DisplayList list = titles.takeDisplayList();
  titlesLayer_->setFrame(b);
  titlesLayer_->setDisplayList(list.isEmpty() ? nullptr : std::make_shared<const quartz::DisplayList>(std::move(list)));
}

// ---- Touches ------------------------------------------------------------------------

bool SegmentedControl::beginTracking(const Touch&) { return true; }

void SegmentedControl::endTracking(const Touch& touch) {
  const long segment = segmentAtPoint(touch.locationInView(this));
  if (segment == noSegment || segment == selected_) return;
  const bool hadSelection = selected_ != noSegment;
  selected_ = segment;
  updatePill(hadSelection);
  setNeedsDisplay();
  sendActionsForControlEvents(ControlEvent::ValueChanged);
}

void SegmentedControl::addDebugFields(DebugFields& fields) const {
  Control::addDebugFields(fields);
  fields.add("selectedSegmentIndex", selected_);
  fields.add("segments", titles_);
}

}  // namespace ui
