#include "HomeScreenView.h"

#include <algorithm>
#include <cmath>

#include "quartz/GradientLayer.h"
#include "ui/Color.h"
#include "ui/GestureRecognizer.h"
#include "ui/TreeDump.h"

namespace springboard {

namespace {

constexpr double kIconSize = 56;
constexpr double kNameHeight = 16;
constexpr double kDockMargin = 10;
constexpr double kDockRowGap = 10;
constexpr double kDockBottom = 24;
constexpr int kIconsPerRow = 4;

// Icon colours, one per dock place, so neighbours differ.
const quartz::Color kIconColors[] = {
    quartz::Color::rgba(0.90, 0.22, 0.24, 1), quartz::Color::rgba(0.17, 0.62, 0.36, 1),
    quartz::Color::rgba(0.20, 0.45, 0.90, 1), quartz::Color::rgba(0.95, 0.60, 0.15, 1),
    quartz::Color::rgba(0.55, 0.30, 0.85, 1), quartz::Color::rgba(0.10, 0.65, 0.75, 1)};

// A full-size view whose layer is the wallpaper's gradient.
class WallpaperView : public ui::View {
 public:
  explicit WallpaperView(ui::Rect frame) : ui::View(frame, quartz::GradientLayer::layer()) {
    auto& gradient = static_cast<quartz::GradientLayer&>(*layer());
    gradient.setColors({quartz::Color::rgba(0.13, 0.20, 0.42, 1), quartz::Color::rgba(0.42, 0.25, 0.55, 1),
                        quartz::Color::rgba(0.93, 0.55, 0.45, 1)});
    gradient.setLocations({0, 0.55, 1});
    gradient.setStartPoint({0.2, 0});
    gradient.setEndPoint({0.8, 1});
    setUserInteractionEnabled(false);
  }
  std::string className() const override { return "SBWallpaperView"; }
};

std::shared_ptr<ui::Label> makeLabel(ui::Rect frame, double size, bool bold, quartz::TextAlignment alignment) {
  auto label = std::make_shared<ui::Label>(frame);
  label->setFont(bold ? ui::Font::boldSystemFont(size) : ui::Font::systemFont(size));
  label->setTextColor(ui::Color::whiteColor());
  label->setTextAlignment(alignment);
  return label;
}

std::string initialOf(const std::string& name) {
  // The first character, whole (names may start with a multi-byte one).
  std::size_t length = 1;
  if (!name.empty()) {
    const auto lead = static_cast<unsigned char>(name[0]);
    length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  }
  return name.substr(0, std::min(length, name.size()));
}

}  // namespace

AppIconView::AppIconView(ui::Rect frame, DockApp app, std::size_t place) : ui::View(frame), app_(std::move(app)) {
  auto icon = std::make_shared<ui::View>(ui::Rect{(frame.width() - kIconSize) / 2, 0, kIconSize, kIconSize});
  icon->setBackgroundColor(ui::Color(kIconColors[place % std::size(kIconColors)]));
  icon->layer()->setCornerRadius(13);
  icon->setUserInteractionEnabled(false);
  auto letter = makeLabel({0, 0, kIconSize, kIconSize}, 28, true, quartz::TextAlignment::Center);
  letter->setText(initialOf(app_.name));
  icon->addSubview(letter);
  addSubview(icon);
  auto name = makeLabel({0, kIconSize + 2, frame.width(), kNameHeight}, 11, false, quartz::TextAlignment::Center);
  name->setText(app_.name);
  addSubview(name);
}

void AppIconView::launch() { ++launches_; }

void AppIconView::addDebugFields(ui::DebugFields& fields) const {
  ui::View::addDebugFields(fields);
  fields.add("bundleIdentifier", app_.bundleIdentifier);
  fields.add("launches", launches_);
}

HomeScreenView::HomeScreenView(ui::Rect frame, double statusBarHeight, std::vector<DockApp> apps)
    : ui::View(frame) {
  const double width = frame.width();
  addSubview(std::make_shared<WallpaperView>(ui::Rect{0, 0, width, frame.height()}));

  // The time sits at the left of the status bar, as on phones with a notch.
  timeLabel_ = makeLabel({0, 0, width * 0.35, statusBarHeight}, 15, true, quartz::TextAlignment::Center);
  timeLabel_->setText("09:41");
  addSubview(timeLabel_);

  const std::size_t rows = (apps.size() + kIconsPerRow - 1) / kIconsPerRow;
  const double cellHeight = kIconSize + kNameHeight + 4;
  const double dockHeight = static_cast<double>(std::max<std::size_t>(rows, 1)) * (cellHeight + kDockRowGap) + kDockRowGap;
  auto dock = std::make_shared<ui::View>(
      ui::Rect{kDockMargin, frame.height() - kDockBottom - dockHeight, width - 2 * kDockMargin, dockHeight});
  dock->setBackgroundColor(ui::Color::colorWithRed(1, 1, 1, 0.22));
  dock->layer()->setCornerRadius(28);
  addSubview(dock);
  const double cellWidth = (dock->bounds().width() - 2 * kDockMargin) / kIconsPerRow;
  for (std::size_t i = 0; i < apps.size(); ++i) {
    const std::size_t row = i / kIconsPerRow;
    const std::size_t inRow = std::min<std::size_t>(kIconsPerRow, apps.size() - row * kIconsPerRow);
    // A short last row is centred.
    const double rowStart = kDockMargin + (kIconsPerRow - static_cast<double>(inRow)) * cellWidth / 2;
    const ui::Rect cell{rowStart + static_cast<double>(i % kIconsPerRow) * cellWidth,
                        kDockRowGap + static_cast<double>(row) * (cellHeight + kDockRowGap), cellWidth, cellHeight};
    auto icon = std::make_shared<AppIconView>(cell, apps[i], i);
    AppIconView* target = icon.get();
    icon->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([this, target](ui::GestureRecognizer& r) {
      if (r.state() != ui::GestureRecognizerState::Ended) return;
      target->launch();
      if (openHandler_) openHandler_(target->app());
    }));
    dock->addSubview(icon);
    icons_.push_back(std::move(icon));
  }
}

void HomeScreenView::setTime(const std::string& time) {
  if (timeLabel_->text() != time) timeLabel_->setText(time);
}

}  // namespace springboard
